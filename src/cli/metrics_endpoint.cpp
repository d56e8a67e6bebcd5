#include "cli/metrics_endpoint.h"

#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QRandomGenerator>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTimer>
#include <fstream>
#include <sstream>

#ifdef Q_OS_LINUX
#include <crypt.h>
#include <unistd.h>
#endif

#include "cli/cli_text.h"
#include "cli/web_config.h"

namespace zephyra::cli {
namespace {

// What the system says of this process; on other systems nothing, and the families are left out.
ProcessStats ReadProcessStats() {
    ProcessStats p;
#ifdef Q_OS_LINUX
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    std::ifstream statFile("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(statFile)), {});
    // The fields after the command name, which may hold blanks and parentheses itself.
    if (const auto close = stat.rfind(')'); close != std::string::npos && ticks > 0) {
        std::istringstream fields(stat.substr(close + 2));
        std::vector<std::string> f{std::istream_iterator<std::string>(fields), {}};
        // Counted from the state, field 3 of proc(5).
        if (f.size() > 21) {
            p.CpuSeconds = (std::stod(f[11]) + std::stod(f[12])) / ticks;
            p.ResidentBytes = std::stod(f[21]) * static_cast<double>(sysconf(_SC_PAGESIZE));
            std::ifstream boot("/proc/stat");
            for (std::string key; boot >> key;)
                if (key == "btime") {
                    double btime = 0;
                    if (boot >> btime)
                        p.StartTimeS = btime + std::stod(f[19]) / ticks;
                    break;
                }
        }
    }
    const QDir fds("/proc/self/fd");
    if (fds.exists())
        p.OpenFds = fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size();
#endif
    return p;
}

// Whether the password is the one the bcrypt hash was made from.
bool BcryptMatches(const std::string &password, const std::string &hash) {
#ifdef Q_OS_LINUX
    crypt_data data{};
    const char *made = crypt_rn(password.c_str(), hash.c_str(), &data, sizeof data);
    // A failure may come back as a string starting with '*', never equal to a bcrypt hash.
    return made && SameSecret(made, hash);
#else
    (void)password;
    (void)hash;
    return false;
#endif
}

// Salts the digests of credentials kept in memory.
const QByteArray &Salt() {
    static const QByteArray salt = [] {
        QByteArray s(16, '\0');
        QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(s.data()), 4);
        return s;
    }();
    return salt;
}

QByteArray Digest(const BasicCredentials &c) {
    return QCryptographicHash::hash(Salt() + QByteArray::fromStdString(c.User) + '\0' +
                                        QByteArray::fromStdString(c.Password),
                                    QCryptographicHash::Sha256);
}

QString Resolve(const std::string &file, const QString &folder) {
    const QString name = QString::fromStdString(file);
    return QFileInfo(name).isAbsolute() ? name : QDir(folder).filePath(name);
}

// A key that is not the certificate's fails every handshake, which nothing would report: one handshake
// on loopback at start finds it. Empty when it works, else what failed.
std::string TryHandshake(const QSslConfiguration &tls) {
    QSslServer server;
    server.setSslConfiguration(tls);
    if (!server.listen(QHostAddress::LocalHost, 0))
        return {}; // nothing to try it on; the first scrape will tell
    QSslSocket client;
    QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
    trusting.setPeerVerifyMode(QSslSocket::VerifyNone);
    client.setSslConfiguration(trusting);
    QEventLoop loop;
    QString failure;
    QObject::connect(&server, &QSslServer::errorOccurred, &loop, [&](QSslSocket *socket, auto) {
        failure = socket->errorString();
        loop.quit();
    });
    QObject::connect(&client, &QSslSocket::encrypted, &loop, &QEventLoop::quit);
    QObject::connect(&client, &QAbstractSocket::errorOccurred, &loop, [&] {
        if (failure.isEmpty())
            failure = client.errorString();
        QTimer::singleShot(100, &loop, &QEventLoop::quit); // the server's side says more
    });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    client.connectToHostEncrypted("127.0.0.1", server.serverPort());
    loop.exec();
    while (failure.endsWith(' ') || failure.endsWith(':'))
        failure.chop(1);
    return client.isEncrypted() ? std::string() : failure.isEmpty() ? "no answer" : failure.toStdString();
}

} // namespace

std::optional<WebSecurity> LoadWebSecurity(const std::string &path, std::string *error) {
    QFile file(QString::fromStdString(path));
    // A web configuration is a few hundred bytes; anything far larger is not one.
    if (!file.open(QIODevice::ReadOnly) || file.size() > 1 << 20) {
        *error = path + ": cannot be read" + (file.error() ? ": " + file.errorString().toStdString() : "");
        return std::nullopt;
    }
    const QByteArray text = file.readAll();
    auto config =
        ParseWebConfig(std::string_view(text.constData(), static_cast<std::size_t>(text.size())), error);
    if (!config) {
        *error = path + ": " + *error;
        return std::nullopt;
    }
    WebSecurity security;
    security.Users = std::move(config->Users);
#ifndef Q_OS_LINUX
    if (!security.Users.empty()) {
        *error = path + ": basic_auth_users needs bcrypt, which this system does not offer";
        return std::nullopt;
    }
#endif
    if (!config->Tls())
        return security;
    if (!QSslSocket::supportsSsl()) {
        *error = path + ": TLS is not available (Qt found no TLS backend)";
        return std::nullopt;
    }
    // Files named in the configuration are found beside it, as other exporters do.
    const QString folder = QFileInfo(file).absolutePath();
    const QString certPath = Resolve(config->CertFile, folder), keyPath = Resolve(config->KeyFile, folder);
    const QList<QSslCertificate> chain = QSslCertificate::fromPath(certPath, QSsl::Pem);
    if (chain.isEmpty()) {
        *error = certPath.toStdString() + ": not a readable PEM certificate (cert_file of " + path + ")";
        return std::nullopt;
    }
    QFile keyFile(keyPath);
    if (!keyFile.open(QIODevice::ReadOnly)) {
        *error = keyPath.toStdString() + ": cannot be read: " + keyFile.errorString().toStdString() +
                 " (key_file of " + path + ")";
        return std::nullopt;
    }
    const QByteArray pem = keyFile.readAll();
    QSslKey key;
    for (QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec, QSsl::Dsa})
        if (key = QSslKey(pem, algorithm, QSsl::Pem, QSsl::PrivateKey); !key.isNull())
            break;
    if (key.isNull()) {
        *error = keyPath.toStdString() + ": not an unencrypted PEM private key (RSA or EC) (key_file of " +
                 path + ")";
        return std::nullopt;
    }
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificateChain(chain);
    tls.setPrivateKey(key);
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    tls.setProtocol(QSsl::TlsV1_2OrLater);
    if (const std::string failed = TryHandshake(tls); !failed.empty()) {
        *error = path + ": a TLS handshake with this certificate and key fails (" + failed +
                 "); is the key the certificate's?";
        return std::nullopt;
    }
    security.Tls = tls;
    return security;
}

void MetricsServer::Listener::incomingConnection(qintptr descriptor) {
    if (!Tls)
        return QTcpServer::incomingConnection(descriptor);
    auto *socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    socket->setSslConfiguration(*Tls);
    socket->startServerEncryption();
    addPendingConnection(socket);
}

MetricsServer::MetricsServer(std::function<void(Deliver)> page, WebSecurity security, QObject *parent)
    : QObject(parent), page_(std::move(page)), users_(std::move(security.Users)) {
    server_.Tls = std::move(security.Tls);
    checks_.setMaxThreadCount(1);
    connect(&server_, &QTcpServer::newConnection, this, &MetricsServer::Accept);
}

bool MetricsServer::Listen(const QHostAddress &address, quint16 port) {
    return server_.listen(address, port);
}

void MetricsServer::Authorize(std::string_view head, std::function<void(bool)> done) {
    if (users_.empty())
        return done(true);
    auto credentials = HttpBasicCredentials(head);
    if (!credentials)
        return done(false);
    QByteArray digest = Digest(*credentials);
    if (const auto known = passed_.find(credentials->User);
        known != passed_.end() && SameSecret(known->second.toStdString(), digest.toStdString()))
        return done(true);
    // An unknown user costs a bcrypt too, so the time taken does not tell which names exist.
    const auto user = std::find_if(users_.begin(), users_.end(),
                                   [&](const auto &u) { return u.first == credentials->User; });
    const bool known = user != users_.end();
    std::string hash = known ? user->second : users_.front().second;
    checks_.start([this, credentials = std::move(*credentials), hash = std::move(hash), known,
                   digest = std::move(digest), done = std::move(done)] {
        const bool good = BcryptMatches(credentials.Password, hash) && known;
        QMetaObject::invokeMethod(
            this,
            [this, user = credentials.User, digest, good, done] {
                if (good)
                    passed_[user] = digest;
                done(good);
            },
            Qt::QueuedConnection);
    });
}

void MetricsServer::Answer(QTcpSocket *socket, std::string_view head, const Finish &finish) {
    const HttpRequest request = HttpCheckRequest(head);
    if (request.Code == 400)
        return finish(HttpError(400));
    // From here the answer may come later: the client is not listened to meanwhile.
    socket->setProperty("asked", true);
    Authorize(head, [this, socket = QPointer<QTcpSocket>(socket), request, finish](bool authorized) {
        if (!socket)
            return;
        if (!authorized)
            return finish(HttpError(401));
        if (request.Code != 0)
            return finish(HttpError(request.Code));
        if (request.Landing)
            return finish(
                HttpStatus(200, "text/html; charset=utf-8", LandingPage(ZEPHYRA_VERSION), !request.HeadOnly));
        // The devices may be read now (read-on-scrape).
        page_([socket, finish, headOnly = request.HeadOnly](const std::string &page) {
            if (socket)
                finish(HttpStatus(200, kMetricsContentType,
                                  page + ExporterMetricsText(ZEPHYRA_VERSION, ReadProcessStats()),
                                  !headOnly));
        });
    });
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
        // the TLS handshake and the request, then the answer's delivery; the connection closes after
        // its one answer.
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
        auto *tls = qobject_cast<QSslSocket *>(socket);
        connect(deadline, &QTimer::timeout, socket, [socket, tls, finish] {
            // The client does not take its answer, or never finished its handshake: nothing to say to it.
            if (socket->property("answered").toBool() || (tls && !tls->isEncrypted()))
                socket->abort();
            else if (!socket->property("asked").toBool())
                finish(HttpError(408));
        });
        if (tls)
            // A client that does not speak TLS (plain HTTP) ends here.
            connect(tls, &QAbstractSocket::errorOccurred, socket, [tls](QAbstractSocket::SocketError e) {
                if (e == QAbstractSocket::SslHandshakeFailedError || e == QAbstractSocket::SslInternalError)
                    tls->abort();
            });
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, received, finish, deadline] {
            if (socket->property("answered").toBool() || socket->property("asked").toBool()) {
                socket->readAll(); // a client that goes on talking is not listened to
                return;
            }
            received->append(socket->readAll());
            const std::string_view head(received->constData(), static_cast<std::size_t>(received->size()));
            if (HttpHeadComplete(head)) {
                // The answer's own deadline starts when it is written.
                deadline->stop();
                Answer(socket, head, finish);
            } else if (received->size() > kMaxHeadBytes) {
                finish(HttpStatus(400, "text/plain; charset=utf-8", "request too large\n"));
            }
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
