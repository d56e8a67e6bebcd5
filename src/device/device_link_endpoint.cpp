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

bool DeviceLink::StartSerial(const QString &path) {
    serial_.SetDeviceName(path);
    if (!serial_.Open())
        return false;
    tcp_.Disconnect();
    serial_.SetReadEnabled(true);
    controller_.LinkConfirmed(LinkKind::Serial);
    return true;
}

void DeviceLink::StartTcp(const QString &host, quint16 port) {
    serial_.Close();
    serial_.SetReadEnabled(false);
    tcp_.SetHost(host);
    tcp_.SetPort(port);
    firstConnectPending_ = true;
    tcp_.ConnectAsync();
    controller_.LinkConfirmed(LinkKind::Tcp);
}

} // namespace zephyra
