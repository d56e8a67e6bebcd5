#include "device/device_link_endpoint.h"

#include <QLoggingCategory>
#include <algorithm>

#include "core/text_key.h"

// Developer logs, off unless QT_LOGGING_RULES="zephyra.link.debug=true;zephyra.poll.debug=true".
Q_LOGGING_CATEGORY(lcLink, "zephyra.link", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPoll, "zephyra.poll", QtInfoMsg)

namespace zephyra {

DeviceLink::DeviceLink(Operator &messages, std::ostream &trace, TextTranslator tr)
    : tr_(tr), serial_(tr), tcp_(tr), port_(serial_, tcp_), codec_(state_.Link, port_), monitor_(clock_, tr),
      pollTimer_(wakeTimer_, clock_), controller_(state_, codec_, pollTimer_, messages, clock_, trace, tr),
      receiver_(codec_, controller_, clock_), history_(controller_, clock_, tr) {
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
    monitor_.SetLineObserver([this](const TrafficLine &line) {
        if (lcLink().isDebugEnabled())
            qCDebug(lcLink).noquote() << QString::fromStdString(FormatTrafficLine(line, tr_));
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
        monitor_.ConnectionClosed(tr_.Text(ZEPHYRA_TEXT("zephyra", "연결이 끊어졌습니다")));
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
