#include "link/serial_endpoint.h"

#include <QFileInfo>
#include <QSerialPortInfo>

#include "core/text_key.h"

namespace zephyra {

namespace {
constexpr int kLightMs = 100;
// One frame of a 60 Hz screen: a TX light drawn this much later looks no different.
constexpr int kTxShownMs = 16;
} // namespace

SerialEndpoint::SerialEndpoint(TextTranslator tr, QObject *parent) : QObject(parent), tr_(tr) {
    // Both lights go off together, 100 ms after the last byte either way: one wake-up per poll.
    lightsOff_.setSingleShot(true);
    lightsOff_.setInterval(kLightMs);
    connect(&lightsOff_, &QTimer::timeout, this, [this] { LightsOff(); });
    // A device that answers within a frame lights RX in the same repaint: a serial poll repaints the window
    // twice instead of three times.
    txShown_.setSingleShot(true);
    txShown_.setInterval(kTxShownMs);
    connect(&txShown_, &QTimer::timeout, this, [this] { emit TxLight(true); });
    connect(&port_, &QSerialPort::readyRead, this, &SerialEndpoint::ComPort11RxChar);
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialEndpoint::OnError);
}

void SerialEndpoint::Configure(QSerialPort &port) {
    // Pseudo-terminals refuse some line settings once open, so everything is set before open().
    port.setBaudRate(QSerialPort::Baud115200);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
}

std::vector<SerialPortCandidate> SerialEndpoint::SearchPorts() const {
    std::vector<SerialPortCandidate> candidates;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        candidates.push_back({info.portName(), info.systemLocation()});
    for (const QString &path : extraPaths_)
        if (!path.isEmpty())
            candidates.push_back({path, path});

    std::vector<SerialPortCandidate> found;
    for (const SerialPortCandidate &c : candidates) {
        if (port_.isOpen() && c.Path == port_.portName()) {
            found.push_back(c); // ours already
            continue;
        }
        QSerialPort probe;
        probe.setPortName(c.Path);
        Configure(probe);
        if (probe.open(QIODevice::ReadWrite)) {
            probe.close();
            found.push_back(c);
        }
    }
    return found;
}

bool SerialEndpoint::Open() {
    if (port_.isOpen())
        return true;
    port_.setPortName(deviceName_);
    Configure(port_);
    if (port_.open(QIODevice::ReadWrite)) {
        openError_.clear();
        return true;
    }
    openError_ = DescribeOpenError();
    return false;
}

QString SerialEndpoint::DescribeOpenError() const {
    const QString path = port_.portName().startsWith('/') ? port_.portName() : "/dev/" + port_.portName();
    const QFileInfo file(path);
    const auto text = [this, &path](const char *marked) {
        return QString::fromStdString(tr_.Format(marked, {path.toStdString()}));
    };
    // Qt takes the port's lock file before it opens the device, so a missing port whose name another
    // program is trying at the same moment reads as locked: a port that does not exist is missing.
    const QSerialPort::SerialPortError error =
        port_.error() == QSerialPort::PermissionError && !file.exists() ? QSerialPort::DeviceNotFoundError
                                                                        : port_.error();
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return text(ZEPHYRA_TEXT("zephyra", "%1 포트가 없습니다 (어댑터가 꽂혀 있습니까?)"));
    case QSerialPort::PermissionError:
        // Qt reports a port locked by another program the same way as a missing permission.
        if (file.exists() && (!file.isReadable() || !file.isWritable()))
            return text(ZEPHYRA_TEXT("zephyra",
                                     "%1 포트를 쓸 권한이 없습니다: 포트를 가진 그룹에 사용자를 추가하고 "
                                     "(보통: sudo usermod -aG dialout $USER) 다시 로그인하십시오"));
        return text(ZEPHYRA_TEXT("zephyra", "%1 포트를 다른 프로그램이 쓰고 있습니다"));
    default:
        return QStringLiteral("%1: %2").arg(path, port_.errorString());
    }
}

void SerialEndpoint::Close() {
    lost_ = false; // the operator's close: nothing to recover
    if (port_.isOpen())
        port_.close();
    lightsOff_.stop();
    txShown_.stop();
    txLit_ = rxLit_ = true; // painted off whatever they showed
    LightsOff();
}

void SerialEndpoint::ShowTxNow() {
    if (!txShown_.isActive())
        return;
    txShown_.stop();
    emit TxLight(true);
}

void SerialEndpoint::LightsOff() {
    ShowTxNow();
    if (txLit_)
        emit TxLight(false);
    if (rxLit_)
        emit RxLight(false);
    txLit_ = rxLit_ = false;
}

void SerialEndpoint::Write(const Bytes &frame) {
    if (!port_.isOpen() && lost_ && Open()) {
        lost_ = false;
        emit PortReopened(deviceName_);
    }
    if (!port_.isOpen())
        return;
    if (!txLit_)
        txShown_.start();
    txLit_ = true;
    lightsOff_.start();
    port_.write(reinterpret_cast<const char *>(frame.data()), static_cast<qint64>(frame.size()));
}

void SerialEndpoint::ComPort11RxChar() {
    if (!readEnabled_) {
        Close();
        return;
    }
    QByteArray data = port_.readAll();
    if (data.isEmpty())
        return;
    ShowTxNow();
    if (!rxLit_)
        emit RxLight(true);
    rxLit_ = true;
    lightsOff_.start();
    if (receiver_)
        receiver_(ByteView(reinterpret_cast<const uint8_t *>(data.constData()),
                           static_cast<std::size_t>(data.size())));
}

void SerialEndpoint::OnError(QSerialPort::SerialPortError error) {
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        // These repeat in a tight loop while the dead port stays open: close on the first.
        if (port_.isOpen()) {
            Close();
            lost_ = true;
            emit PortLost(deviceName_);
        }
        break;
    default:
        break; // e.g. line-control ioctls a pseudo-terminal does not support
    }
}

} // namespace zephyra
