#include "cli/metrics_endpoint.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include "cli/cli_text.h"

namespace zephyra::cli {

MetricsServer::MetricsServer(std::function<std::string()> page, QObject *parent)
    : QObject(parent), page_(std::move(page)) {
    connect(&server_, &QTcpServer::newConnection, this, &MetricsServer::Accept);
}

MetricsServer::MetricsServer(std::function<void(Deliver)> page, QObject *parent)
    : QObject(parent), laterPage_(std::move(page)) {
    connect(&server_, &QTcpServer::newConnection, this, &MetricsServer::Accept);
}

bool MetricsServer::Listen(const QHostAddress &address, quint16 port) {
    return server_.listen(address, port);
}

void MetricsServer::Accept() {
    while (QTcpSocket *socket = server_.nextPendingConnection()) {
        if (open_.size() >= static_cast<std::size_t>(kMaxConnections)) {
            QTcpSocket *oldest = open_.front();
            open_.pop_front();
            oldest->abort();
        }
        open_.push_back(socket);
        // Each connection owns its buffer and deadline; both go with the socket. One deadline bounds
        // the request, then the answer's delivery; the connection closes after its one answer.
        auto *received = new QByteArray;
        auto *deadline = new QTimer(socket);
        deadline->setSingleShot(true);
        auto finish = [socket, deadline](const std::string &response) {
            if (socket->property("answered").toBool())
                return;
            socket->setProperty("answered", true);
            socket->write(response.data(), static_cast<qint64>(response.size()));
            socket->disconnectFromHost();
            deadline->start(kWriteTimeoutMs);
        };
        connect(deadline, &QTimer::timeout, socket, [socket, finish] {
            if (socket->property("answered").toBool())
                socket->abort(); // the client does not take its answer
            else
                finish(HttpStatus(400, "text/plain; charset=utf-8", "request timed out\n"));
        });
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, received, finish, deadline] {
            if (socket->property("answered").toBool() || socket->property("asked").toBool()) {
                socket->readAll(); // a client that goes on talking is not listened to
                return;
            }
            received->append(socket->readAll());
            const std::string_view head(received->constData(), static_cast<std::size_t>(received->size()));
            bool headOnly = false;
            if (HttpHeadComplete(head) && laterPage_ && HttpCheckRequest(head, &headOnly) == 0) {
                // The devices are read now; the deadline is theirs until the page comes.
                deadline->stop();
                socket->setProperty("asked", true);
                laterPage_([socket = QPointer<QTcpSocket>(socket), finish,
                            headOnly](const std::string &page) {
                    if (socket)
                        finish(HttpStatus(200, "text/plain; version=0.0.4; charset=utf-8", page, !headOnly));
                });
            } else if (HttpHeadComplete(head)) {
                finish(HttpResponse(head, [this] { return page_ ? page_() : std::string(); }));
            }
            if (!HttpHeadComplete(head) && received->size() > kMaxHeadBytes)
                finish(HttpStatus(400, "text/plain; charset=utf-8", "request too large\n"));
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this, socket, received] {
            delete received;
            std::erase(open_, socket);
        });
        deadline->start(kReadTimeoutMs);
    }
}

} // namespace zephyra::cli
