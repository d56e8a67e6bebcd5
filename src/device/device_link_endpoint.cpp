#include "device/device_link_endpoint.h"

#include <QCoreApplication>
#include <algorithm>

namespace zephyra {

DeviceLink::DeviceLink(Operator &messages, std::ostream &trace)
    : port_(serial_, tcp_), codec_(state_.Link, port_), pollTimer_(timer1_),
      controller_(state_, codec_, pollTimer_, messages, clock_, trace),
      receiver_(codec_, controller_, clock_), history_(controller_, clock_) {
    codec_.AttachReceiver(&receiver_);
    codec_.SetMonitor(&monitor_);
    receiver_.SetMonitor(&monitor_);
    controller_.SetLinkMonitor(&monitor_);
    controller_.SetHistoryCollector(&history_);
    serial_.SetReceiver([this](ByteView bytes) { receiver_.OnSerialRead(bytes); });
    tcp_.SetReceiver([this](ByteView bytes) { receiver_.OnTcpRead(bytes); });

    pollTimer_.SetInterval(kDefaultPollIntervalMs);
    pollTimer_.SetRearmObserver([this] { slept_ = 0; });
    QObject::connect(&timer1_, &QTimer::timeout, &context_, [this] { OnTimer1(); });
    // Without an event loop to watch, every tick wakes the program as before.
    if (auto *dispatcher = QAbstractEventDispatcher::instance(); dispatcher && QCoreApplication::instance()) {
        QCoreApplication::instance()->installEventFilter(&catchUp_);
        canSleep_ = true;
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &context_,
                         [this] { ReplanBeforeSleep(); });
    }
    // A frame cut off by the old connection must not swallow the new one's replies.
    QObject::connect(&tcp_, &TcpEndpoint::Connected, &context_, [this] {
        receiver_.Reset();
        if (!firstConnectPending_)
            monitor_.Reconnected();
        firstConnectPending_ = false;
        HealthChanged();
    });
    QObject::connect(&tcp_, &TcpEndpoint::Disconnected, &context_, [this] {
        port_.PaintConnect(false);
        monitor_.ConnectFailed("connection closed");
        HealthChanged();
    });
    QObject::connect(&tcp_, &TcpEndpoint::PeerClosed, &context_, [this] { monitor_.PeerClosed(); });
    QObject::connect(&tcp_, &TcpEndpoint::ConnectAttemptFailed, &context_, [this](const QString &error) {
        monitor_.ConnectFailed(error.toStdString());
        HealthChanged();
    });
    // A lost serial port is opened again by the poll's next request on the same path.
    QObject::connect(&serial_, &SerialEndpoint::PortLost, &context_, [this](const QString &path) {
        monitor_.PortLost(path.toStdString());
        HealthChanged();
    });
    QObject::connect(&serial_, &SerialEndpoint::PortReopened, &context_, [this] {
        receiver_.Reset();
        monitor_.Reconnected();
        HealthChanged();
    });
}

DeviceLink::~DeviceLink() {
    timer1_.stop();
    controller_.SetStatusView(nullptr);
}

void QtPollTimer::SetEnabled(bool enabled) {
    if (enabled) {
        timer_.setInterval(interval_);
        timer_.start();
    } else {
        timer_.stop();
    }
    if (rearmed_)
        rearmed_();
}

void QtPollTimer::SetInterval(int ms) {
    if (interval_ == ms)
        return;
    interval_ = ms;
    timer_.setInterval(ms);
    if (rearmed_)
        rearmed_();
}

void QtPollTimer::WakeEvery(int ticks) {
    if (timer_.interval() != ticks * interval_)
        timer_.setInterval(ticks * interval_);
}

bool DeviceLink::CatchUpFilter::eventFilter(QObject *, QEvent *event) {
    // Painting never reaches the poll.
    if (link_.slept_ > 0 && event->type() != QEvent::Paint && event->type() != QEvent::UpdateRequest)
        link_.CatchUp();
    return false;
}

void DeviceLink::RunTick() {
    controller_.Timer1Timer();
    HealthChanged();
}

void DeviceLink::CatchUp() {
    if (ticking_ || !timer1_.isActive())
        return;
    ticking_ = true;
    const int64_t now = clock_.NowMs();
    while (slept_ > 0 && firstSleptMs_ <= now) {
        --slept_;
        firstSleptMs_ += pollTimer_.Interval();
        RunTick();
    }
    ticking_ = false;
}

void DeviceLink::OnTimer1() {
    if (ticking_)
        return;
    ticking_ = true;
    while (slept_ > 0) {
        --slept_;
        RunTick();
    }
    RunTick();
    ticking_ = false;
    PlanSleep();
}

void DeviceLink::PlanSleep() {
    slept_ = 0;
    if (!timer1_.isActive())
        return;
    firstSleptMs_ = clock_.NowMs() + pollTimer_.Interval();
    const int quiet = canSleep_ ? controller_.QuietTicksAhead(firstSleptMs_) : 0;
    pollTimer_.WakeEvery(quiet + 1);
    slept_ = quiet;
}

void DeviceLink::ReplanBeforeSleep() {
    if (slept_ == 0 || ticking_ || !timer1_.isActive())
        return;
    const int quiet = controller_.QuietTicksAhead(firstSleptMs_);
    if (quiet >= slept_)
        return;
    slept_ = quiet;
    // Wake on the first tick that is no longer quiet; that wake-up plans the next sleep.
    const int64_t due = firstSleptMs_ + int64_t{quiet} * pollTimer_.Interval();
    timer1_.start(static_cast<int>(std::max<int64_t>(0, due - clock_.NowMs())));
}

void DeviceLink::HealthChanged() {
    if (healthObserver_)
        healthObserver_();
}

std::vector<PortChoice> DeviceLink::SearchPorts() {
    std::vector<PortChoice> found;
    for (const SerialPortCandidate &c : serial_.SearchPorts())
        found.push_back({c.Name.toStdString(), c.Path.toStdString()});
    return found;
}

std::string DeviceLink::HoldPort(const std::string &path) {
    const QString name = QString::fromStdString(path);
    if (serial_.IsOpen() && serial_.DeviceName() == name)
        return {};
    serial_.Close();
    serial_.SetDeviceName(name);
    return serial_.Open() ? std::string() : serial_.OpenErrorText().toStdString();
}

void DeviceLink::ReleasePort() {
    serial_.Close();
}

ConnectOutcome DeviceLink::Connect(LinkKind link, const std::string &address,
                                   const std::function<void(const std::string &error)> &connectFailed) {
    switch (link) {
    case LinkKind::Serial: {
        // Polling a closed port would look connected while nothing is sent.
        if (std::string error = HoldPort(address); !error.empty())
            return {false, error};
        tcp_.Disconnect();
        serial_.SetReadEnabled(true);
        controller_.LinkConfirmed(LinkKind::Serial);
        return {true, {}};
    }
    case LinkKind::Tcp: {
        serial_.Close();
        serial_.SetReadEnabled(false);
        tcp_.SetHost(QString::fromStdString(address));
        firstConnectPending_ = true;
        std::string error;
        if (connectInBackground_) {
            tcp_.ConnectAsync();
        } else {
            error = tcp_.ConnectAndWait().toStdString();
            firstConnectPending_ = false;
            if (error.empty())
                port_.PaintConnect(true);
            else if (connectFailed)
                connectFailed(error);
        }
        // Also after a failed connect: the poll keeps trying to reconnect.
        controller_.LinkConfirmed(LinkKind::Tcp, error);
        return {true, error};
    }
    case LinkKind::Unselected:
        break;
    }
    return {false, {}};
}

bool DeviceLink::Disconnect() {
    const bool tcpWasUp = tcp_.IsConnected();
    serial_.Close();
    serial_.SetReadEnabled(false);
    tcp_.Disconnect();
    controller_.LinkClosed();
    return tcpWasUp;
}

} // namespace zephyra
