// Small blocking clients for tests that talk to zephyra-sim: raw bytes over the pseudo-terminal or TCP, and
// the console's own codec and response receiver over either link. No Qt.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/bytes.h"
#include "link/link_port.h"
#include "link/link_types.h"
#include "link/modbus_codec.h"
#include "link/response_receiver.h"

namespace zephyra::test {

int64_t SteadyMs();

// A byte stream to the simulator: the pseudo-terminal (raw, 115200 8N1) or a TCP connection.
class RawLink {
public:
    RawLink() = default;
    ~RawLink() { Close(); }
    RawLink(const RawLink &) = delete;
    RawLink &operator=(const RawLink &) = delete;

    bool OpenSerial(const std::string &path);
    bool ConnectTcp(int port);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    bool IsTcp() const { return tcp_; }
    int Fd() const { return fd_; }

    bool Write(ByteView bytes);
    // Whatever arrives in one read within timeoutMs (empty on time-out or end of stream).
    Bytes ReadSome(int timeoutMs);
    // Reads until n bytes have arrived or the timeout passes; returns what arrived.
    Bytes ReadExactly(std::size_t n, int timeoutMs);
    // True once the peer has closed the connection (within timeoutMs); other bytes read meanwhile are lost.
    bool WaitClosed(int timeoutMs);
    bool PeerClosed() const { return peerClosed_; }

private:
    int fd_ = -1;
    bool tcp_ = false;
    bool peerClosed_ = false;
};

// One request/response exchange as the console performs it: ModbusCodec frames the request (CRC or MBAP
// with the transaction counter), ResponseReceiver assembles the reply from the reads as they come.
class CoreLink : private LinkPort, private ResponseSink, private Clock {
public:
    struct Response {
        int32_t function = 0;
        Bytes payload; // serial: CRC included at the end, as the receiver delivers it
    };

    explicit CoreLink(LinkKind kind);
    ~CoreLink() override;

    bool OpenSerial(const std::string &path) { return raw_.OpenSerial(path); }
    bool ConnectTcp(int port) { return raw_.ConnectTcp(port); }
    RawLink &Raw() { return raw_; }
    ModbusCodec &Codec() { return codec_; }
    ResponseReceiver &Receiver() { return receiver_; }
    LinkKind Kind() const { return kind_; }

    void Send(ByteView unit) { codec_.SendRequest(unit); }
    // Feeds reads to the receiver until it dispatches a response or the time is up.
    std::optional<Response> Await(int timeoutMs = 3000);
    std::optional<Response> Exchange(ByteView unit, int timeoutMs = 3000);
    // Hands one read to the receiver, as the endpoint would; returns the response if it completed one.
    std::optional<Response> Feed(ByteView read);

    // Sizes of the reads handed to the receiver since the last Send.
    const std::vector<std::size_t> &ReadSizes() const { return readSizes_; }

private:
    void WriteSerial(const Bytes &frame) override { raw_.Write(frame); }
    bool TcpConnected() override { return raw_.IsOpen() && !raw_.PeerClosed(); }
    void WriteTcp(const Bytes &frame) override { raw_.Write(frame); }
    void ReconnectTcp() override {}
    std::string ConnectTcp() override { return {}; }
    void PaintConnect(bool) override {}
    void ResponseDispatcher(int32_t function, Bytes payload) override;
    int64_t NowMs() const override { return SteadyMs(); }

    LinkKind kind_;
    RawLink raw_;
    ModbusCodec codec_;
    ResponseReceiver receiver_;
    std::optional<Response> pending_;
    std::vector<std::size_t> readSizes_;
};

// Request units for the vendor functions, as the console builds them.
Bytes HistoryCountUnit(uint8_t kind);
Bytes HistoryRecordUnit(uint8_t kind, int index);
Bytes HistoryInitialiseUnit(uint8_t kind);
Bytes NetworkReadUnit();
Bytes NetworkWriteUnit(ByteView identity18);

} // namespace zephyra::test
