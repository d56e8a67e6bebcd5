// The TCP link on QTcpSocket: never blocks the window, reads bytes as they arrive.
#pragma once

#include <QObject>
#include <QTcpSocket>
#include <QTimer>
#include <functional>

#include "core/text_key.h"
#include "link/bytes.h"

namespace zephyra {

class TcpEndpoint : public QObject {
    Q_OBJECT
public:
    static constexpr quint16 kDevicePort = 502;
    // A host that does not answer fails after this, not after the system's two-minute default.
    static constexpr int kConnectTimeoutMs = 3000;

    // tr: the language of the connect failures' causes.
    explicit TcpEndpoint(TextTranslator tr, QObject *parent = nullptr);

    void SetReceiver(std::function<void(ByteView)> receiver) { receiver_ = std::move(receiver); }
    void SetHost(const QString &host) { host_ = host; }
    QString Host() const { return host_; }
    void SetPort(quint16 port) { port_ = port; }
    quint16 Port() const { return port_; }

    bool IsConnected() const { return socket_.state() == QAbstractSocket::ConnectedState; }
    bool IsConnecting() const;
    // Waits in a local event loop (timers and windows keep running); returns the error text, empty on
    // success.
    QString ConnectAndWait(int timeoutMs = kConnectTimeoutMs);
    // Starts an attempt and returns at once; a later send finds out whether it worked.
    void ConnectAsync();
    void Disconnect();
    void Write(const Bytes &frame);

signals:
    void Connected();
    void Disconnected();
    // An attempt started by ConnectAsync failed (the connection window reports its own).
    void ConnectAttemptFailed(const QString &error);
    // The device closed a connection that was up (not our own Disconnect()).
    void PeerClosed();

private:
    void ReadArrived();

    TextTranslator tr_;
    QTcpSocket socket_;
    QTimer connectTimeout_;
    QString host_;
    quint16 port_ = kDevicePort;
    bool attempting_ = false;
    std::function<void(ByteView)> receiver_;
};

} // namespace zephyra
