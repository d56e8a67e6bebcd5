#include "link/serial_endpoint.h"

#include <QSerialPortInfo>

namespace zephyra {

namespace {
constexpr int kLightMs = 100;
}

SerialEndpoint::SerialEndpoint(QObject *parent) : QObject(parent) {
    for (QTimer *t : {&txTimer_, &rxTimer_}) {
        t->setSingleShot(true);
        t->setInterval(kLightMs);
    }
    connect(&txTimer_, &QTimer::timeout, this, [this] { emit TxLight(false); });
    connect(&rxTimer_, &QTimer::timeout, this, [this] { emit RxLight(false); });
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
    return port_.open(QIODevice::ReadWrite);
}

void SerialEndpoint::Close() {
    if (port_.isOpen())
        port_.close();
    txTimer_.stop();
    rxTimer_.stop();
    emit TxLight(false);
    emit RxLight(false);
}

void SerialEndpoint::Write(const Bytes &frame) {
    if (!port_.isOpen())
        return;
    emit TxLight(true);
    txTimer_.start();
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
    emit RxLight(true);
    rxTimer_.start();
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
            emit PortLost(deviceName_);
        }
        break;
    default:
        break; // e.g. line-control ioctls a pseudo-terminal does not support
    }
}

} // namespace zephyra
