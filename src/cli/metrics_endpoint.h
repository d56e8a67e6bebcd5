// The /metrics page over HTTP on QTcpServer: one short exchange per connection, nothing kept between them.
#pragma once

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <deque>
#include <functional>
#include <string>

namespace zephyra::cli {

class MetricsServer : public QObject {
public:
    // A request head larger than this, or slower than the read deadline, is answered 400 and closed.
    static constexpr int kMaxHeadBytes = 8192;
    static constexpr int kReadTimeoutMs = 2000;
    // A client that stops reading its answer is cut off after this.
    static constexpr int kWriteTimeoutMs = 2000;
    // Bounds the descriptors and memory that idle clients can take. When all are held, the oldest
    // connection gives way, so a scraper always gets in.
    static constexpr int kMaxConnections = 512;

    explicit MetricsServer(std::function<std::string()> page, QObject *parent = nullptr);
    // The page made later: `page` is handed a function to call with it (read-on-scrape mode).
    using Deliver = std::function<void(const std::string &)>;
    explicit MetricsServer(std::function<void(Deliver)> page, QObject *parent = nullptr);
    bool Listen(const QHostAddress &address, quint16 port);
    QString ErrorText() const { return server_.errorString(); }
    quint16 Port() const { return server_.serverPort(); }

private:
    void Accept();

    QTcpServer server_;
    std::function<std::string()> page_;
    std::function<void(Deliver)> laterPage_;
    std::deque<QTcpSocket *> open_; // in the order they came
};

} // namespace zephyra::cli
