// One device's link and poll, without any window: the poll state and its controller, both endpoints, the
// codec, receiver, link monitor, history download and the poll timer, wired together. The console owns
// one; zephyra-cli owns one per device.
#pragma once

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

class SteadyClock : public Clock {
public:
    SteadyClock() { timer_.start(); }
    int64_t NowMs() const override { return timer_.elapsed(); }

private:
    QElapsedTimer timer_;
};

// The poll's one single-shot timer, armed for moments of the poll's clock.
class QtPollTimer : public PollTimer {
public:
    QtPollTimer(QTimer &timer, const Clock &clock) : timer_(timer), clock_(clock) {}
    void ArmAt(int64_t ms) override;
    void Disarm() override { timer_.stop(); }

private:
    QTimer &timer_;
    const Clock &clock_;
};

class DeviceLink : public LinkControl {
public:
    // tr: the language of every sentence its link, poll and history download build.
    DeviceLink(Operator &messages, std::ostream &trace, TextTranslator tr);
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
    HistoryController &History() { return history_; }
    ResponseReceiver &Receiver() { return receiver_; }
    LinkMonitor &Monitor() { return monitor_; }

private:
    void HealthChanged();

    TextTranslator tr_;
    PollState state_;
    SerialEndpoint serial_;
    TcpEndpoint tcp_;
    LinkPortEndpoint port_;
    ModbusCodec codec_;
    SteadyClock clock_;
    LinkMonitor monitor_;
    QTimer wakeTimer_;
    QtPollTimer pollTimer_;
    PollController controller_;
    ResponseReceiver receiver_;
    HistoryController history_;
    std::function<void()> healthObserver_;
    std::string loggedHealth_;
    bool connectInBackground_ = false;
    // The connect of Connect itself is no reconnect.
    bool firstConnectPending_ = false;
    // Owns the endpoint connections; gone first, so no signal reaches a half-destroyed link.
    QObject context_;
};

} // namespace zephyra
