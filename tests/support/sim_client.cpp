#include "support/sim_client.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace zephyra::test {

int64_t SteadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool RawLink::OpenSerial(const std::string &path) {
    Close();
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        return false;
    termios tio{};
    if (tcgetattr(fd_, &tio) == 0) {
        cfmakeraw(&tio);
        cfsetispeed(&tio, B115200);
        cfsetospeed(&tio, B115200);
        tcsetattr(fd_, TCSANOW, &tio);
    }
    tcp_ = false;
    peerClosed_ = false;
    return true;
}

bool RawLink::ConnectTcp(int port) {
    Close();
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0)
        return false;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (connect(fd_, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        Close();
        return false;
    }
    int one = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
    tcp_ = true;
    peerClosed_ = false;
    return true;
}

void RawLink::Close() {
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
}

bool RawLink::Write(ByteView bytes) {
    std::size_t done = 0;
    int64_t end = SteadyMs() + 2000;
    while (fd_ >= 0 && done < bytes.size()) {
        ssize_t n = tcp_ ? send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL)
                         : write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR) && SteadyMs() < end) {
            pollfd p{fd_, POLLOUT, 0};
            poll(&p, 1, 10);
            continue;
        }
        return false;
    }
    return done == bytes.size();
}

Bytes RawLink::ReadSome(int timeoutMs) {
    if (fd_ < 0 || peerClosed_)
        return {};
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0)
        return {};
    uint8_t buf[4096];
    ssize_t n = read(fd_, buf, sizeof buf);
    if (n == 0 && tcp_)
        peerClosed_ = true;
    if (n < 0 && tcp_ && errno != EAGAIN && errno != EINTR)
        peerClosed_ = true;
    if (n <= 0)
        return {};
    return Bytes(buf, buf + n);
}

Bytes RawLink::ReadExactly(std::size_t n, int timeoutMs) {
    Bytes out;
    int64_t end = SteadyMs() + timeoutMs;
    while (out.size() < n && !peerClosed_) {
        int64_t left = end - SteadyMs();
        if (left <= 0)
            break;
        Bytes some = ReadSome(static_cast<int>(left));
        out.insert(out.end(), some.begin(), some.end());
    }
    return out;
}

bool RawLink::WaitClosed(int timeoutMs) {
    int64_t end = SteadyMs() + timeoutMs;
    while (!peerClosed_) {
        int64_t left = end - SteadyMs();
        if (left <= 0)
            return false;
        ReadSome(static_cast<int>(left));
    }
    return true;
}

CoreLink::CoreLink(LinkKind kind) : kind_(kind), codec_(kind_, *this), receiver_(codec_, *this, *this) {
    codec_.AttachReceiver(&receiver_);
}

CoreLink::~CoreLink() = default;

void CoreLink::ResponseDispatcher(int32_t function, Bytes payload) {
    pending_ = Response{function, std::move(payload)};
}

std::optional<CoreLink::Response> CoreLink::Await(int timeoutMs) {
    int64_t end = SteadyMs() + timeoutMs;
    while (!pending_) {
        int64_t left = end - SteadyMs();
        if (left <= 0)
            break;
        Bytes some = raw_.ReadSome(static_cast<int>(left));
        if (some.empty()) {
            if (raw_.PeerClosed())
                break;
            continue;
        }
        if (auto response = Feed(some))
            return response;
    }
    std::optional<Response> out;
    out.swap(pending_);
    return out;
}

std::optional<CoreLink::Response> CoreLink::Feed(ByteView read) {
    readSizes_.push_back(read.size());
    if (kind_ == LinkKind::Serial)
        receiver_.OnSerialRead(read);
    else
        receiver_.OnTcpRead(read);
    std::optional<Response> out;
    out.swap(pending_);
    return out;
}

std::optional<CoreLink::Response> CoreLink::Exchange(ByteView unit, int timeoutMs) {
    pending_.reset();
    readSizes_.clear();
    Send(unit);
    return Await(timeoutMs);
}

Bytes HistoryCountUnit(uint8_t kind) {
    const uint8_t data[] = {kind, 1};
    return VendorRequestUnit(kFnHistory, data);
}

Bytes HistoryRecordUnit(uint8_t kind, int index) {
    Bytes data{kind, 2};
    AppendBE16(data, index);
    return VendorRequestUnit(kFnHistory, data);
}

Bytes HistoryInitialiseUnit(uint8_t kind) {
    const uint8_t data[] = {kind, 3};
    return VendorRequestUnit(kFnHistory, data);
}

Bytes NetworkReadUnit() {
    const uint8_t data[] = {1};
    return VendorRequestUnit(kFnNetwork, data);
}

Bytes NetworkWriteUnit(ByteView identity18) {
    Bytes data{2};
    data.insert(data.end(), identity18.begin(), identity18.end());
    return VendorRequestUnit(kFnNetwork, data);
}

} // namespace zephyra::test
