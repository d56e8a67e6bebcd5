#include "link/tcp_endpoint.h"

#include <QEventLoop>

#include "core/text_key.h"

namespace zephyra {

namespace {
QString Text(const char *marked, const TextTranslator &tr) {
    return QString::fromStdString(tr.Text(marked));
}

QString TimedOutText(const TextTranslator &tr) {
    return Text(ZEPHYRA_TEXT("zephyra", "연결 시간이 초과되었습니다"), tr);
}

// Our own words for the failures a technician meets every day, in the console's language; Qt's
// (English) text for the rest.
QString ConnectErrorText(QAbstractSocket::SocketError error, const QString &qtText,
                         const TextTranslator &tr) {
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return Text(ZEPHYRA_TEXT("zephyra", "연결이 거부되었습니다"), tr);
    case QAbstractSocket::HostNotFoundError:
        return Text(ZEPHYRA_TEXT("zephyra", "호스트를 찾을 수 없습니다"), tr);
    case QAbstractSocket::SocketTimeoutError:
        return TimedOutText(tr);
    case QAbstractSocket::RemoteHostClosedError:
        return Text(ZEPHYRA_TEXT("zephyra", "장비가 연결을 닫았습니다"), tr);
    default:
        return qtText.isEmpty() ? Text(ZEPHYRA_TEXT("zephyra", "연결하지 못했습니다"), tr) : qtText;
    }
}
} // namespace

TcpEndpoint::TcpEndpoint(TextTranslator tr, QObject *parent) : QObject(parent), tr_(tr) {
    // Bytes are taken as they arrive: a timed receive poll woke the console ten times a second for
    // nothing. The receiver keeps a header cut between two reads until its rest comes.
    connect(&socket_, &QTcpSocket::readyRead, this, &TcpEndpoint::ReadArrived);
    connectTimeout_.setSingleShot(true);
    connect(&connectTimeout_, &QTimer::timeout, this, [this] {
        if (!IsConnecting())
            return;
        attempting_ = false;
        socket_.abort();
        emit ConnectAttemptFailed(TimedOutText(tr_));
    });
    connect(&socket_, &QTcpSocket::connected, this, [this] {
        connectTimeout_.stop();
        attempting_ = false;
        emit Connected();
    });
    connect(&socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (error == QAbstractSocket::RemoteHostClosedError && !attempting_)
            emit PeerClosed();
        if (!attempting_ || IsConnected())
            return;
        attempting_ = false;
        connectTimeout_.stop();
        emit ConnectAttemptFailed(ConnectErrorText(error, socket_.errorString(), tr_));
    });
    connect(&socket_, &QTcpSocket::disconnected, this, &TcpEndpoint::Disconnected);
}

bool TcpEndpoint::IsConnecting() const {
    auto s = socket_.state();
    return s == QAbstractSocket::HostLookupState || s == QAbstractSocket::ConnectingState;
}

QString TcpEndpoint::ConnectAndWait(int timeoutMs) {
    if (IsConnected())
        return {};
    attempting_ = false;
    connectTimeout_.stop();
    socket_.abort();
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    bool timedOut = false;
    connect(&deadline, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    auto c1 = connect(&socket_, &QTcpSocket::connected, &loop, &QEventLoop::quit);
    auto c2 = connect(&socket_, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);
    socket_.connectToHost(host_, port_);
    if (IsConnecting()) {
        deadline.start(timeoutMs);
        loop.exec();
    }
    disconnect(c1);
    disconnect(c2);
    if (IsConnected())
        return {};
    const QString error =
        timedOut ? TimedOutText(tr_) : ConnectErrorText(socket_.error(), socket_.errorString(), tr_);
    socket_.abort();
    return error;
}

void TcpEndpoint::ConnectAsync() {
    if (IsConnecting() || IsConnected())
        return; // an attempt is already on its way
    socket_.abort();
    attempting_ = true;
    socket_.connectToHost(host_, port_);
    connectTimeout_.start(kConnectTimeoutMs);
}

void TcpEndpoint::Disconnect() {
    connectTimeout_.stop();
    attempting_ = false;
    if (socket_.state() == QAbstractSocket::UnconnectedState)
        return;
    socket_.abort(); // emits disconnected() when a connection was up
}

void TcpEndpoint::Write(const Bytes &frame) {
    if (!IsConnected())
        return;
    socket_.write(reinterpret_cast<const char *>(frame.data()), static_cast<qint64>(frame.size()));
}

void TcpEndpoint::ReadArrived() {
    if (!IsConnected() || socket_.bytesAvailable() <= 0)
        return;
    QByteArray data = socket_.readAll();
    if (receiver_)
        receiver_(ByteView(reinterpret_cast<const uint8_t *>(data.constData()),
                           static_cast<std::size_t>(data.size())));
}

} // namespace zephyra
