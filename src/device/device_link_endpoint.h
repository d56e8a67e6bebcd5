// One device's link and poll, without any window: the poll state and its controller, both endpoints, the
// codec, receiver, link monitor, history download and the poll timer, wired together. The console owns
// one; zephyra-cli owns one per device.
#pragma once

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>
#include <ostream>

#include "core/link_control.h"
#include "history/history_controller.h"
#include "link/link_monitor.h"
#include "link/link_port_endpoint.h"
#include "link/response_receiver.h"
#include "link/serial_endpoint.h"
#include "link/tcp_endpoint.h"
#include "polling/poll_controller.h"

namespace zephyra {

// The poll's tick timer. The controller sees one tick per interval; between status requests the QTimer
// may be armed for several ticks at once (see DeviceLink), which the controller never notices.
class QtPollTimer : public PollTimer {
public:
    explicit QtPollTimer(QTimer &timer) : timer_(timer), interval_(timer.interval()) {}
    // Told whenever the controller starts, stops or re-times the ticks: any sleep planned is void.
    void SetRearmObserver(std::function<void()> observer) { rearmed_ = std::move(observer); }
    void SetEnabled(bool enabled) override;
    bool Enabled() const override { return timer_.isActive(); }
    // A running QTimer restarts on setInterval: the same interval again must not push the next tick back
    // (the history download sets it on every record reply).
    void SetInterval(int ms) override;
    int Interval() const override { return interval_; }
    // Wakes after this many ticks from the last one (1: every tick).
    void WakeEvery(int ticks);

private:
    QTimer &timer_;
    int interval_;
    std::function<void()> rearmed_;
};

class SteadyClock : public Clock {
public:
    SteadyClock() { timer_.start(); }
    int64_t NowMs() const override { return timer_.elapsed(); }

private:
    QElapsedTimer timer_;
};

class DeviceLink : public LinkControl {
public:
    DeviceLink(Operator &messages, std::ostream &trace);
    ~DeviceLink() override;
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;

    // Called after every poll tick and every link event that may change the link's health.
    void SetHealthObserver(std::function<void()> observer) { healthObserver_ = std::move(observer); }

    // The device's TCP port (502 unless told otherwise).
    void SetTcpPort(quint16 port) { tcp_.SetPort(port); }
    // Without a window nobody waits for the first TCP connect: it runs in the background.
    void SetConnectInBackground(bool background) { connectInBackground_ = background; }

    // LinkControl: the one way a link is opened and closed.
    std::vector<PortChoice> SearchPorts() override;
    std::string HoldPort(const std::string &path) override;
    void ReleasePort() override;
    ConnectOutcome Connect(LinkKind link, const std::string &address,
                           const std::function<void(const std::string &error)> &connectFailed = {}) override;
    bool Disconnect() override;

    const PollState &State() const { return state_; }
    PollController &Controller() { return controller_; }
    SerialEndpoint &Serial() { return serial_; }
    TcpEndpoint &Tcp() { return tcp_; }
    LinkPortEndpoint &Port() { return port_; }
    QTimer &Timer1() { return timer1_; }
    // The poll's tick as the controller set it (the QTimer may be armed for several ticks at once).
    int TickIntervalMs() const { return pollTimer_.Interval(); }
    HistoryController &History() { return history_; }
    ResponseReceiver &Receiver() { return receiver_; }
    LinkMonitor &Monitor() { return monitor_; }

private:
    void HealthChanged();
    // One poll tick, as the controller knows it.
    void RunTick();
    // The timer's wake-up: the ticks slept through, then the due one, then the next sleep.
    void OnTimer1();
    void PlanSleep();
    // Runs the ticks slept through whose time has come; called before every event, so intents and
    // replies meet the state they would have met tick by tick.
    void CatchUp();
    // Before the program sleeps: ticks that stopped being quiet (an intent, a reply) shorten the sleep.
    void ReplanBeforeSleep();

    PollState state_;
    SerialEndpoint serial_;
    TcpEndpoint tcp_;
    LinkPortEndpoint port_;
    ModbusCodec codec_;
    SteadyClock clock_;
    LinkMonitor monitor_{clock_};
    QTimer timer1_;
    QtPollTimer pollTimer_;
    PollController controller_;
    ResponseReceiver receiver_;
    HistoryController history_;
    std::function<void()> healthObserver_;
    bool connectInBackground_ = false;
    // The connect of Connect itself is no reconnect.
    bool firstConnectPending_ = false;
    // Ticks slept through and not run yet, the first of them due at firstSleptMs_.
    int slept_ = 0;
    int64_t firstSleptMs_ = 0;
    bool ticking_ = false;
    // Sleeping through ticks needs every event seen first (the catch-up filter on the application).
    bool canSleep_ = false;
    class CatchUpFilter : public QObject {
    public:
        explicit CatchUpFilter(DeviceLink &link) : link_(link) {}
        bool eventFilter(QObject *, QEvent *event) override;

    private:
        DeviceLink &link_;
    };
    CatchUpFilter catchUp_{*this};
    // Owns the endpoint connections; gone first, so no signal reaches a half-destroyed link.
    QObject context_;
};

} // namespace zephyra
