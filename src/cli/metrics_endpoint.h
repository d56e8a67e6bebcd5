// The /metrics page over HTTP on QTcpServer: one short exchange per connection, nothing kept between them.
#pragma once

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <functional>
#include <string>

namespace zephyra::cli {

class MetricsServer : public QObject {
public:
    // A request head larger than this, or slower than the time-out, is answered 400 and closed.
    static constexpr int kMaxHeadBytes = 8192;
    static constexpr int kRequestTimeoutMs = 5000;
    // Clients that open connections and say nothing cannot take the poller's memory or descriptors.
    static constexpr int kMaxConnections = 64;

    explicit MetricsServer(std::function<std::string()> page, QObject *parent = nullptr);
    bool Listen(const QHostAddress &address, quint16 port);
    QString ErrorText() const { return server_.errorString(); }
    quint16 Port() const { return server_.serverPort(); }

private:
    void Accept();

    QTcpServer server_;
    std::function<std::string()> page_;
    int open_ = 0;
};

} // namespace zephyra::cli
