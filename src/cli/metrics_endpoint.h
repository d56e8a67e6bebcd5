// The /metrics page over HTTP, or HTTPS with basic authentication when a web configuration asks for it:
// one short exchange per connection, nothing kept between them.
#pragma once

#include <QHostAddress>
#include <QObject>
#include <QSslConfiguration>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThreadPool>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zephyra::cli {

// What a web configuration file sets up, read once at start: the key never again, and never shown.
struct WebSecurity {
    std::optional<QSslConfiguration> Tls;
    std::vector<std::pair<std::string, std::string>> Users; // name, bcrypt hash
};
// nullopt and *error (naming the file, never its contents) when the file or a file it names cannot be
// used.
std::optional<WebSecurity> LoadWebSecurity(const std::string &path, std::string *error);

class MetricsServer : public QObject {
public:
    // A request head larger than this, or slower than the read deadline, is answered and closed.
    static constexpr int kMaxHeadBytes = 8192;
    static constexpr int kReadTimeoutMs = 2000;
    // A client that stops reading its answer is cut off after this.
    static constexpr int kWriteTimeoutMs = 2000;
    // Bounds the descriptors and memory that idle clients can take. When all are held, the oldest
    // connection gives way, so a scraper always gets in.
    static constexpr int kMaxConnections = 512;

    // The devices' part of the page: `page` is handed a function to call with it, at once or later
    // (read-on-scrape mode). The exporter's own figures are added to it here.
    using Deliver = std::function<void(const std::string &)>;
    explicit MetricsServer(std::function<void(Deliver)> page, WebSecurity security = {},
                           QObject *parent = nullptr);
    bool Listen(const QHostAddress &address, quint16 port);
    QString ErrorText() const { return server_.errorString(); }
    quint16 Port() const { return server_.serverPort(); }

private:
    // Hands each connection over as a TLS server socket when there is a certificate.
    class Listener : public QTcpServer {
    public:
        std::optional<QSslConfiguration> Tls;

    protected:
        void incomingConnection(qintptr descriptor) override;
    };

    using Finish = std::function<void(const std::string &)>;
    void Accept();
    void Answer(QTcpSocket *socket, std::string_view head, const Finish &finish);
    // Calls `done` with whether the request carries a user's right password, at once or later.
    void Authorize(std::string_view head, std::function<void(bool)> done);

    Listener server_;
    std::function<void(Deliver)> page_;
    std::vector<std::pair<std::string, std::string>> users_;
    // Digests of credentials that passed, so a scraper's bcrypt is paid once, not on every scrape.
    std::map<std::string, QByteArray> passed_;
    std::deque<QTcpSocket *> open_; // in the order they came
    // bcrypt takes a fifth of a second or more: it runs here, one at a time, so wrong passwords cannot
    // stall the devices' polls. Last, so it is gone (its checks finished) before what they report to.
    QThreadPool checks_;
};

} // namespace zephyra::cli
