#include "device/device_link_endpoint.h"

#include <QLoggingCategory>
#include <algorithm>

// Developer logs, off unless QT_LOGGING_RULES="zephyra.link.debug=true;zephyra.poll.debug=true".
Q_LOGGING_CATEGORY(lcLink, "zephyra.link", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPoll, "zephyra.poll", QtInfoMsg)

namespace zephyra {

DeviceLink::DeviceLink(Operator &messages, std::ostream &trace)
    : port_(serial_, tcp_), codec_(state_.Link, port_), pollTimer_(wakeTimer_, clock_),
      controller_(state_, codec_, pollTimer_, messages, clock_, trace),
      receiver_(codec_, controller_, clock_), history_(controller_, clock_) {
    codec_.AttachReceiver(&receiver_);
    codec_.SetMonitor(&monitor_);
    receiver_.SetMonitor(&monitor_);
    controller_.SetLinkMonitor(&monitor_);
    controller_.SetHistoryCollector(&history_);
    serial_.SetReceiver([this](ByteView bytes) { receiver_.OnSerialRead(bytes); });
    tcp_.SetReceiver([this](ByteView bytes) { receiver_.OnTcpRead(bytes); });

    wakeTimer_.setSingleShot(true);
    // Requests keep their moments to the millisecond, as the device's cadence is measured by them.
    wakeTimer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&wakeTimer_, &QTimer::timeout, &context_, [this] {
        controller_.Wake();
        if (lcPoll().isDebugEnabled()) {
            const int64_t next = controller_.NextWakeMs();
            qCDebug(lcPoll).nospace().noquote()
                << "wake: mode " << state_.RequestMode << ", countdown " << state_.PollCountdown << ", tick "
                << controller_.TickIntervalMs() << " ms, next wake "
                << (next == INT64_MAX ? QStringLiteral("none")
                                      : QStringLiteral("in %1 ms").arg(next - clock_.NowMs()));
        }
        HealthChanged();
    });
    // Every request, reply and dropped frame, with its reason.
    monitor_.SetLineObserver([](const TrafficLine &line) {
        if (lcLink().isDebugEnabled())
            qCDebug(lcLink).noquote() << QString::fromStdString(FormatTrafficLine(line));
    });
    // A frame cut off by the old connection must not swallow the new one's replies.
    QObject::connect(&tcp_, &TcpEndpoint::Connected, &context_, [this] {
        receiver_.Reset();
        if (!firstConnectPending_)
            monitor_.Reconnected();
        firstConnectPending_ = false;
        HealthChanged();
    });
    QObject::connect(&tcp_, &TcpEndpoint::Disconnected, &context_, [this] {
        qCDebug(lcLink) << "TCP connection closed";
        port_.PaintConnect(false);
        monitor_.ConnectFailed("connection closed");
        HealthChanged();
    });
    QObject::connect(&tcp_, &TcpEndpoint::PeerClosed, &context_, [this] { monitor_.PeerClosed(); });
    QObject::connect(&tcp_, &TcpEndpoint::ConnectAttemptFailed, &context_, [this](const QString &error) {
        qCDebug(lcLink) << "TCP connect failed:" << error;
        monitor_.ConnectFailed(error.toStdString());
        HealthChanged();
    });
    // A lost serial port is opened again by the poll's next request on the same path.
    QObject::connect(&serial_, &SerialEndpoint::PortLost, &context_, [this](const QString &path) {
        qCDebug(lcLink) << "serial port lost:" << path;
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
    wakeTimer_.stop();
    controller_.SetStatusView(nullptr);
}

void QtPollTimer::ArmAt(int64_t ms) {
    timer_.start(static_cast<int>(std::clamp<int64_t>(ms - clock_.NowMs(), 0, INT32_MAX)));
}

void DeviceLink::HealthChanged() {
    if (lcPoll().isDebugEnabled()) {
        const LinkHealth health = controller_.Health();
        if (health.Text != loggedHealth_)
            qCDebug(lcPoll).noquote()
                << "health:" << QString::fromStdString(health.Text) << (health.Stale ? "(stale)" : "(live)");
        loggedHealth_ = health.Text;
    }
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
