// Assembles complete response frames from reads of any size, one frame per read, and hands each to
// the dispatcher once. Serial frames are found by their function's length rule and CRC-checked;
// TCP frames by the MBAP header of the last request sent.
#pragma once

#include <cstdint>

#include "link/bytes.h"
#include "link/link_monitor.h"
#include "link/link_port.h"
#include "link/response_sink.h"

namespace zephyra {

class ModbusCodec;

class ResponseReceiver {
public:
    // Serial RxState values.
    enum : uint8_t {
        kIdle = 0,
        kAddressTaken = 1,
        kBody = 2, // after the function byte, up to the CRC
        kCrcLow = 3,
        kCrcHigh = 4,
        kFrameDone = 5,
    };
    // TCP RxState values.
    enum : uint8_t { kTcpIdle = 0, kTcpHeader = 1, kTcpBody = 2 };

    // A partial serial frame is dropped after this much silence. At 115200 baud a byte takes 87 us and
    // USB adapters deliver in bursts at most ~16 ms apart, while the device is asked again every 90 ms or
    // more; 50 ms sits well clear of both.
    static constexpr int64_t kSerialSilenceMs = 50;
    // A reply split across TCP reads has gaps of milliseconds; the next request goes out 900 ms after
    // the last (300 ms ticks), so 500 ms drops a stuck frame before it.
    static constexpr int64_t kTcpSilenceMs = 500;

    ResponseReceiver(const ModbusCodec &codec, ResponseSink &sink, const Clock &clock)
        : codec_(codec), sink_(sink), clock_(clock) {}

    // Frames received and the reason for every one dropped are recorded here; on TCP it also says which
    // transaction ids are still awaited (without it only the last request's reply is taken).
    void SetMonitor(LinkMonitor *monitor) { monitor_ = monitor; }

    void OnSerialRead(ByteView bytes);
    void OnTcpRead(ByteView bytes);
    // Back to idle with nothing pending: before a history request, the network write, a new link.
    void Reset();

    uint8_t RxState() const { return rxState_; }
    bool FrameReady() const { return frameReady_; }

private:
    // How long a serial reply is, per function: the bytes before the CRC are `Size`, plus the value of
    // a big-endian count field of `CountBytes` bytes ending at byte `CountEnd` (0: none). A frame that
    // grows past `Limit` bytes (0: none), or whose count is exactly the limit, is dropped with the rest
    // of its read once the count is behind it.
    struct SizeRule {
        int32_t Size;
        int32_t CountEnd = 0;
        int32_t CountBytes = 0;
        int32_t Limit = 0;
        // A count of 0 gives no size: the frame runs on to the limit.
        bool ZeroCountOpen = false;
    };
    static const SizeRule &SizeRuleOf(uint8_t function);

    void ResetSerialFrame();
    void ReadTcp(ByteView bytes);
    bool TcpHeaderMarkAt(ByteView bytes, std::size_t i) const;
    void Drop(LinkKind link, ByteView bytes, DropReason reason);
    // A complete frame: recorded and dispatched, or dropped when its function is not one we use.
    void Deliver(LinkKind link, ByteView wire, uint16_t tid, int32_t function, Bytes payload);

    const ModbusCodec &codec_;
    ResponseSink &sink_;
    const Clock &clock_;
    LinkMonitor *monitor_ = nullptr;

    uint8_t rxState_ = kIdle;
    Bytes frame_;
    int32_t byteCount_ = 0;
    const SizeRule *rule_ = nullptr;
    int32_t count_ = 0;
    int32_t expectedLength_ = 0; // bytes before the CRC; 0 while not known
    bool frameDone_ = false;
    bool frameReady_ = false;
    int64_t lastSerialByteMs_ = 0;
    int64_t lastTcpByteMs_ = 0;
    // The machine the state belongs to: the two links share it, so bytes of the other one start afresh.
    enum class Feed : uint8_t { None, Serial, Tcp };
    Feed feed_ = Feed::None;

    // TCP: frame positions run on across reads once a header is recognised.
    int32_t tcpPosition_ = 0;
    int32_t tcpLength_ = 0;
    uint8_t tcpTidHigh_ = 0;
    // Bytes read while idle too few to tell a header (reads come as bytes arrive): kept for the next.
    Bytes tcpCarry_;
};

} // namespace zephyra
