#include "sim_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>

#include "link/link_types.h"
#include "link/modbus_codec.h"

namespace zephyra::sim {
namespace {

int gSignalPipe[2] = {-1, -1};

void OnSignal(int) {
    int saved = errno;
    char b = 1;
    [[maybe_unused]] ssize_t n = write(gSignalPipe[1], &b, 1);
    errno = saved;
}

int64_t MonoMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string Errno(const std::string &what) {
    return what + ": " + std::strerror(errno);
}

bool SetNonBlocking(int fd) {
    int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

void CloseFd(int &fd) {
    if (fd >= 0)
        close(fd);
    fd = -1;
}

// Pending output beyond this is thrown away: nobody is reading the other end.
constexpr std::size_t kMaxQueued = 65536;

} // namespace

Server::Server(const Scenario &scenario, ServerOptions options)
    : scenario_(scenario), options_(std::move(options)), device_(scenario, MonoMs()),
      rng_(scenario.faults.seed), startMs_(MonoMs()) {}

Server::~Server() {
    for (Client &c : clients_)
        CloseFd(c.fd);
    CloseFd(listen_);
    if (linkMade_) {
        // Only remove the link if it still points at our terminal.
        char target[PATH_MAX];
        ssize_t n = readlink(options_.linkPath.c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == ptyPath_)
            unlink(options_.linkPath.c_str());
    }
    CloseFd(slave_);
    CloseFd(master_);
    journal_.Close();
    for (int &fd : gSignalPipe)
        CloseFd(fd);
}

int64_t Server::NowMs() const {
    return MonoMs();
}

std::string Server::Setup() {
    if (!options_.journalPath.empty()) {
        std::string error = journal_.Open(options_.journalPath);
        if (!error.empty())
            return error;
    }

    if (pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return Errno("pipe");
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    if (options_.pty) {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0)
            return Errno("posix_openpt");
        if (grantpt(master_) != 0 || unlockpt(master_) != 0)
            return Errno("grantpt/unlockpt");
        char name[256];
        if (ptsname_r(master_, name, sizeof name) != 0)
            return Errno("ptsname");
        ptyPath_ = name;
        slave_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (slave_ < 0)
            return Errno("open " + ptyPath_);
        // Raw 8N1 on the device side, so that no byte is translated or echoed before a console opens it.
        termios tio{};
        if (tcgetattr(slave_, &tio) != 0)
            return Errno("tcgetattr");
        cfmakeraw(&tio);
        cfsetispeed(&tio, B115200);
        cfsetospeed(&tio, B115200);
        if (tcsetattr(slave_, TCSANOW, &tio) != 0)
            return Errno("tcsetattr");
        if (!SetNonBlocking(master_))
            return Errno("fcntl");

        if (!options_.linkPath.empty()) {
            struct stat st {};
            if (lstat(options_.linkPath.c_str(), &st) == 0) {
                if (!S_ISLNK(st.st_mode))
                    return options_.linkPath + " exists and is not a symbolic link; not replacing it";
                if (unlink(options_.linkPath.c_str()) != 0)
                    return Errno("unlink " + options_.linkPath);
            }
            if (symlink(ptyPath_.c_str(), options_.linkPath.c_str()) != 0)
                return Errno("symlink " + options_.linkPath);
            linkMade_ = true;
        }
    }

    if (options_.tcp) {
        listen_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (listen_ < 0)
            return Errno("socket");
        int one = 1;
        setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<uint16_t>(options_.tcpPort));
        if (bind(listen_, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0)
            return Errno("bind 127.0.0.1:" + std::to_string(options_.tcpPort));
        if (listen(listen_, 4) != 0)
            return Errno("listen");
        socklen_t len = sizeof addr;
        if (getsockname(listen_, reinterpret_cast<sockaddr *>(&addr), &len) != 0)
            return Errno("getsockname");
        tcpPortBound_ = ntohs(addr.sin_port);
    }
    return {};
}

std::string Server::ReadyLine() const {
    std::string line = "zephyra-sim ready";
    if (options_.pty)
        line += " pty=" + ptyPath_;
    if (linkMade_)
        line += " link=" + options_.linkPath;
    if (options_.tcp)
        line += " tcp=127.0.0.1:" + std::to_string(tcpPortBound_);
    return line;
}

int Server::PollTimeoutMs(int64_t now) const {
    int64_t deadline = INT64_MAX;
    if (!actions_.empty())
        deadline = actions_.begin()->first.first;
    if (auto silence = rtu_.SilenceDeadline())
        deadline = std::min(deadline, *silence + 1);
    if (deadline == INT64_MAX)
        return -1;
    return static_cast<int>(std::clamp<int64_t>(deadline - now, 0, 60000));
}

void Server::Run() {
    std::vector<pollfd> fds;
    std::vector<uint64_t> polled; // the connection of each client entry, in order
    for (;;) {
        fds.clear();
        polled.clear();
        fds.push_back({gSignalPipe[0], POLLIN, 0});
        int ptyIndex = -1, listenIndex = -1;
        if (master_ >= 0) {
            ptyIndex = static_cast<int>(fds.size());
            fds.push_back({master_, static_cast<short>(POLLIN | (ptyOut_.empty() ? 0 : POLLOUT)), 0});
        }
        if (listen_ >= 0) {
            listenIndex = static_cast<int>(fds.size());
            fds.push_back({listen_, POLLIN, 0});
        }
        const std::size_t firstClient = fds.size();
        for (const Client &c : clients_) {
            fds.push_back({c.fd, static_cast<short>(POLLIN | (c.out.empty() ? 0 : POLLOUT)), 0});
            polled.push_back(c.connection);
        }
        int ready = poll(fds.data(), static_cast<nfds_t>(fds.size()), PollTimeoutMs(NowMs()));
        if (ready < 0 && errno != EINTR)
            break;
        if (ready > 0 && (fds[0].revents & POLLIN))
            break; // SIGINT or SIGTERM

        int64_t now = NowMs();
        if (ready > 0 && ptyIndex >= 0) {
            if (fds[ptyIndex].revents & POLLIN)
                OnPtyReadable(now);
            if (fds[ptyIndex].revents & POLLOUT)
                Flush(master_, ptyOut_);
        }
        for (std::size_t i = 0; ready > 0 && i < polled.size(); ++i) {
            const short ev = fds[firstClient + i].revents;
            if (Client *c = FindClient(polled[i]); c && (ev & (POLLIN | POLLHUP | POLLERR)))
                OnClientReadable(*c, now);
            if (Client *c = FindClient(polled[i]); c && (ev & POLLOUT))
                Flush(c->fd, c->out);
            if (Client *c = FindClient(polled[i]); c && c->closeWhenFlushed && c->out.empty())
                CloseClient(c->connection, now, "closed after requests");
        }
        if (ready > 0 && listenIndex >= 0 && (fds[listenIndex].revents & POLLIN))
            OnAccept(now);

        if (auto silence = rtu_.SilenceDeadline(); silence && now > *silence)
            HandleRtuPieces(rtu_.OnSilence(now), now);
        RunDueActions(NowMs());
    }
}

void Server::OnPtyReadable(int64_t now) {
    uint8_t buf[4096];
    for (;;) {
        ssize_t got = read(master_, buf, sizeof buf);
        if (got > 0) {
            HandleRtuPieces(rtu_.Feed(ByteView(buf, static_cast<std::size_t>(got)), now), now);
            continue;
        }
        break; // EAGAIN, or EIO which cannot last while we hold the slave side open
    }
}

void Server::HandleRtuPieces(const std::vector<RtuPiece> &pieces, int64_t now) {
    for (const RtuPiece &piece : pieces) {
        if (!piece.request) {
            journal_.Frame(now - startMs_, Channel::Rtu, "JUNK", piece.bytes);
            continue;
        }
        journal_.Frame(now - startMs_, Channel::Rtu, "RX", piece.bytes);
        ByteView unit(piece.bytes.data(), piece.bytes.size() - 2);
        Answer(Channel::Rtu, unit, {}, now);
    }
}

Server::Client *Server::FindClient(uint64_t connection) {
    for (Client &c : clients_)
        if (c.connection == connection)
            return &c;
    return nullptr;
}

void Server::OnAccept(int64_t now) {
    for (;;) {
        int fd = accept4(listen_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        // As many clients as the controller allows (one by default): the newest wins.
        while (static_cast<int>(clients_.size()) >= std::max(1, options_.maxClients))
            CloseClient(clients_.front().connection, now, "replaced by a new connection");
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        Client c;
        c.fd = fd;
        c.connection = ++connection_;
        clients_.push_back(std::move(c));
        device_.SetTcpConnected(true);
        journal_.Note(now - startMs_, Channel::Tcp, "connection opened");
    }
}

void Server::CloseClient(uint64_t connection, int64_t now, const char *why) {
    auto it = std::find_if(clients_.begin(), clients_.end(),
                           [connection](const Client &c) { return c.connection == connection; });
    if (it == clients_.end())
        return;
    CloseFd(it->fd);
    clients_.erase(it);
    device_.SetTcpConnected(!clients_.empty());
    journal_.Note(now - startMs_, Channel::Tcp, std::string("connection closed: ") + why);
}

void Server::OnClientReadable(Client &client, int64_t now) {
    const uint64_t id = client.connection;
    uint8_t buf[4096];
    for (;;) {
        ssize_t got = recv(client.fd, buf, sizeof buf, 0);
        if (got == 0) {
            CloseClient(id, now, "by the client");
            return;
        }
        if (got < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                return;
            CloseClient(id, now, "read error");
            return;
        }
        bool broken = false;
        auto adus = client.framer.Feed(ByteView(buf, static_cast<std::size_t>(got)), broken);
        for (const Bytes &adu : adus) {
            journal_.Frame(now - startMs_, Channel::Tcp, "RX", adu);
            const uint8_t unitId = adu[6];
            if (adu[2] != 0 || adu[3] != 0) {
                journal_.Note(now - startMs_, Channel::Tcp, "not Modbus (protocol identifier), ignored");
                continue;
            }
            if (unitId != kUnitAddress && unitId != 0x00 && unitId != 0xFF) {
                journal_.Note(now - startMs_, Channel::Tcp,
                              "for unit " + std::to_string(unitId) + ", ignored");
                continue;
            }
            Answer(Channel::Tcp, ByteView(adu.data() + 6, adu.size() - 6),
                   Bytes(adu.begin(), adu.begin() + 2), now, &client);
        }
        if (broken) {
            journal_.Note(now - startMs_, Channel::Tcp, "MBAP length outside 2..254");
            CloseClient(id, now, "not a Modbus TCP stream");
            return;
        }
    }
}

void Server::Answer(Channel channel, ByteView unit, const Bytes &transaction, int64_t now, Client *client) {
    const int64_t t = now - startMs_;
    Bytes reply = device_.Handle(unit, channel, now);
    for (const std::string &note : device_.TakeNotes())
        journal_.Note(t, channel, note);

    const Faults &f = scenario_.faults;
    Bytes frame;
    if (channel == Channel::Rtu) {
        frame = WithCrc(reply);
        ++rtuReplies_;
        if (f.corruptCrcEvery > 0 && rtuReplies_ % static_cast<uint64_t>(f.corruptCrcEvery) == 0) {
            frame.back() ^= 0x5A;
            journal_.Note(t, channel, "CRC corrupted on purpose");
        }
    } else {
        frame = WithMbap(static_cast<uint16_t>(ParseBE16(transaction)), reply);
    }

    bool closeAfter = false;
    const uint64_t connection = client ? client->connection : 0;
    if (client) {
        ++client->requests;
        closeAfter = f.closeTcpAfter > 0 && client->requests == f.closeTcpAfter;
    }

    std::size_t ci = channel == Channel::Rtu ? 0 : 1;
    int64_t due = (f.oneAtATime ? std::max(now, lastDue_[ci]) : now) + f.latencyMs;
    if (unit.size() > 1 && unit[1] == 0x06)
        due += f.writeLatencyMs;
    if (f.jitterMs > 0)
        due += std::uniform_int_distribution<int>(0, f.jitterMs)(rng_);
    // Replies leave in the order the requests came, as from a controller that answers one at a time.
    due = std::max(due, lastDue_[ci]);

    ++replies_;
    if (f.dropEvery > 0 && replies_ % static_cast<uint64_t>(f.dropEvery) == 0) {
        journal_.Frame(t, channel, "DROP", frame);
    } else {
        if (!f.noiseBefore.empty()) {
            Action noise;
            noise.channel = channel;
            noise.connection = connection;
            noise.bytes = f.noiseBefore;
            noise.journalAs = "NOISE";
            noise.journalBytes = f.noiseBefore;
            Schedule(due, std::move(noise));
        }
        std::size_t size = f.chunkSize > 0 ? static_cast<std::size_t>(f.chunkSize) : frame.size();
        for (std::size_t at = 0; at < frame.size(); at += size) {
            Action write;
            write.channel = channel;
            write.connection = connection;
            write.bytes.assign(frame.begin() + static_cast<std::ptrdiff_t>(at),
                               frame.begin() +
                                   static_cast<std::ptrdiff_t>(std::min(frame.size(), at + size)));
            if (at == 0) {
                write.journalAs = "TX";
                write.journalBytes = frame;
            }
            Schedule(due, std::move(write));
            if (at + size < frame.size())
                due += f.chunkGapMs;
        }
        if (channel == Channel::Tcp)
            device_.CountTcpReply();
    }
    lastDue_[ci] = due;
    if (closeAfter) {
        Action close;
        close.kind = Action::Close;
        close.channel = channel;
        close.connection = connection;
        Schedule(due, std::move(close));
    }
}

void Server::Schedule(int64_t due, Action action) {
    actions_.emplace(std::make_pair(due, actionSeq_++), std::move(action));
}

void Server::RunDueActions(int64_t now) {
    while (!actions_.empty() && actions_.begin()->first.first <= now) {
        Action action = std::move(actions_.begin()->second);
        actions_.erase(actions_.begin());
        Perform(action, now);
    }
}

void Server::Perform(Action &action, int64_t now) {
    const int64_t t = now - startMs_;
    if (action.channel == Channel::Tcp) {
        // Output for a connection that has gone is dropped with it.
        Client *c = FindClient(action.connection);
        if (!c)
            return;
        if (action.kind == Action::Close) {
            c->closeWhenFlushed = true;
            if (c->out.empty())
                CloseClient(c->connection, now, "closed after requests");
            return;
        }
        if (action.journalAs)
            journal_.Frame(t, Channel::Tcp, action.journalAs, action.journalBytes);
        c->out.insert(c->out.end(), action.bytes.begin(), action.bytes.end());
        Flush(c->fd, c->out);
        if (c->closeWhenFlushed && c->out.empty())
            CloseClient(c->connection, now, "closed after requests");
        return;
    }
    if (master_ < 0)
        return;
    if (action.journalAs)
        journal_.Frame(t, Channel::Rtu, action.journalAs, action.journalBytes);
    ptyOut_.insert(ptyOut_.end(), action.bytes.begin(), action.bytes.end());
    Flush(master_, ptyOut_);
}

void Server::Flush(int fd, Bytes &queue) {
    while (!queue.empty()) {
        ssize_t n = fd != master_ ? send(fd, queue.data(), queue.size(), MSG_NOSIGNAL)
                                  : write(fd, queue.data(), queue.size());
        if (n > 0) {
            queue.erase(queue.begin(), queue.begin() + n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        queue.clear(); // the other end is gone
        break;
    }
    if (queue.size() > kMaxQueued)
        queue.erase(queue.begin(), queue.end() - static_cast<std::ptrdiff_t>(kMaxQueued));
}

} // namespace zephyra::sim
