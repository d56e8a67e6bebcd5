// The serial link on QSerialPort (115200 8N1), the port search, and the TX/RX traffic lights.
#pragma once

#include <QObject>
#include <QSerialPort>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <vector>

#include "core/text_key.h"
#include "link/bytes.h"

namespace zephyra {

struct SerialPortCandidate {
    QString Name; // shown in the list
    QString Path; // opened
};

class SerialEndpoint : public QObject {
    Q_OBJECT
public:
    // tr: the language of the open error's cause.
    explicit SerialEndpoint(TextTranslator tr, QObject *parent = nullptr);

    void SetReceiver(std::function<void(ByteView)> receiver) { receiver_ = std::move(receiver); }
    // Device paths searched besides the system's ports (pseudo-terminals are never listed by Qt).
    void SetExtraPaths(const QStringList &paths) { extraPaths_ = paths; }

    // Ports that exist and can be opened exclusively right now.
    std::vector<SerialPortCandidate> SearchPorts() const;

    void SetDeviceName(const QString &path) { deviceName_ = path; }
    QString DeviceName() const { return deviceName_; }
    bool Open();
    // Why the last Open() failed, in words an operator can act on.
    QString OpenErrorText() const { return openError_; }
    void Close();
    bool IsOpen() const { return port_.isOpen(); }
    // On a port lost under us, each write first tries the same path again.
    void Write(const Bytes &frame);
    // While clear, any received byte closes the port (nothing may talk before the link is confirmed).
    void SetReadEnabled(bool enabled) { readEnabled_ = enabled; }

signals:
    void TxLight(bool on);
    void RxLight(bool on);
    // The open port failed under us (adapter pulled out, far end of a pseudo-terminal closed).
    void PortLost(const QString &deviceName);
    // A lost port opened again on its own path.
    void PortReopened(const QString &deviceName);

private:
    void ComPort11RxChar();
    void OnError(QSerialPort::SerialPortError error);
    static void Configure(QSerialPort &port);
    void LightsOff();
    void ShowTxNow();
    QString DescribeOpenError() const;

    TextTranslator tr_;
    QSerialPort port_;
    QString deviceName_ = QStringLiteral("COM1");
    QStringList extraPaths_;
    bool readEnabled_ = false;
    bool lost_ = false;
    QString openError_;
    QTimer lightsOff_;
    // TX is shown a frame late unless the reply starts first: then both lights come on in one repaint.
    QTimer txShown_;
    bool txLit_ = false, rxLit_ = false;
    std::function<void(ByteView)> receiver_;
};

} // namespace zephyra
