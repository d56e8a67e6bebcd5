// One device's link and poll, without any window: the poll state and its controller, both endpoints, the
// codec, receiver, link monitor, history download and the poll timer, wired together. The console owns
// one; zephyra-cli owns one per device.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>
#include <ostream>

#include "history/history_collector.h"
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

class DeviceLink {
public:
    DeviceLink(Operator &messages, std::ostream &trace);
    ~DeviceLink();
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;

    // Called after every poll tick and every link event that may change the link's health.
    void SetHealthObserver(std::function<void()> observer) { healthObserver_ = std::move(observer); }

    // Without a window: opens the port and polls it. False, polling nothing, when it cannot be opened
    // (Serial().OpenErrorText() says why).
    bool StartSerial(const QString &path);
    // Without a window: polls the host from now on; the first connect runs in the background and the
    // poll keeps trying after a failure.
    void StartTcp(const QString &host, quint16 port);

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

    PollState state_;
    SerialEndpoint serial_;
    TcpEndpoint tcp_;
    LinkPortEndpoint port_;
    ModbusCodec codec_;
    SteadyClock clock_;
    LinkMonitor monitor_{clock_};
    QTimer wakeTimer_;
    QtPollTimer pollTimer_;
    PollController controller_;
    ResponseReceiver receiver_;
    HistoryController history_;
    std::function<void()> healthObserver_;
    std::string loggedHealth_;
    // StartTcp's own connect, made in the background once the poll runs, is no reconnect.
    bool firstConnectPending_ = false;
    // Owns the endpoint connections; gone first, so no signal reaches a half-destroyed link.
    QObject context_;
};

} // namespace zephyra
