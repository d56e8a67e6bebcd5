// Every frame accounted for: each request sent, each frame received or dropped (with its reason),
// time-outs, exceptions, reconnects and port losses, as counters and as a bounded store of traffic
// lines. The traffic window and the link-health panel render it; the TCP receiver asks it which
// transaction ids are still outstanding.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "link/bytes.h"
#include "link/link_port.h"
#include "link/link_types.h"

namespace zephyra {

enum class Direction : uint8_t { Tx, Rx, Dropped };

// Why a frame (or the bytes of one) never reached the dispatcher.
enum class DropReason : uint8_t {
    None = 0,
    BadCrc,
    UnknownUnitOrFunction,
    StaleTransaction,      // TCP: no request with that transaction id is outstanding
    LengthMismatch,        // a length or byte count that does not fit the frame
    HalfFrameAfterSilence, // the rest of a frame never came
    Noise,                 // bytes before any frame start
};
inline constexpr std::size_t kDropReasonCount = 7;

struct TrafficLine {
    int64_t Ms = 0; // monotonic, from the console's clock
    LinkKind Link = LinkKind::Serial;
    Direction Dir = Direction::Tx;
    DropReason Reason = DropReason::None;
    Bytes Frame; // as on the wire: serial with its CRC, TCP with its MBAP header
};

struct LinkCounters {
    uint64_t Requests = 0;
    uint64_t Replies = 0;
    uint64_t Timeouts = 0;
    uint64_t Superseded = 0; // TCP requests pushed out by newer ones before their time-out
    uint64_t CrcErrors = 0;
    uint64_t Reconnects = 0;
    uint64_t PortLosses = 0;
    // Working connections the device closed: with one client slot, another client took it.
    uint64_t Takeovers = 0;
    std::map<uint8_t, uint64_t> Exceptions; // by exception code
    std::array<uint64_t, kDropReasonCount> Dropped{};
    std::string LastError;
    int64_t LastErrorMs = -1;
};

enum class HealthState { Closed, PortLost, TakenOver, NotConnected, Ok, Paused, WaitingFirstReply, NoReply };

// What the status bar's link-health panel shows. Text is the English sentence of the command line; the
// windows build their own from State and the numbers.
struct LinkHealth {
    bool Stale = false;     // no good status reply for about three poll periods: values are old
    std::string Text;       // "OK · 0.6 s", "No reply for 6 s — 9 requests timed out", "Serial port lost"
    bool TakenOver = false; // the device dropped a working connection; another client may hold it
    HealthState State = HealthState::Closed;
    int64_t Ms = 0;   // Ok: the last gap between good replies (0: none yet); Paused, NoReply: the values' age
    int Timeouts = 0; // NoReply: requests timed out since the last good reply
};

class LinkMonitor {
public:
    // A serial request unanswered for this long is lost: the device answers within tens of ms and the
    // next request goes out 600 ms later.
    static constexpr int64_t kSerialReplyTimeoutMs = 1000;
    // TCP replies may come slower than the 900 ms poll period (routers, busy device); 3 s keeps a
    // device with 1.5 s latency decoded while a dead one is noticed within a few polls.
    static constexpr int64_t kTcpReplyTimeoutMs = 3000;
    // At most this many TCP requests wait for replies; older ones count as superseded.
    static constexpr std::size_t kMaxOutstanding = 4;
    // Bounded so memory stays flat over days of polling.
    static constexpr std::size_t kLineCapacity = 10000;

    explicit LinkMonitor(const Clock &clock) : clock_(clock) {}
    // A headless poller that never shows the traffic keeps only the last few lines (0: none).
    void SetLineCapacity(std::size_t lines) { lineCapacity_ = lines; }

    // --- what the link layer reports ---
    // A request went out; tid is the TCP transaction id (ignored on serial).
    void RequestSent(LinkKind link, ByteView wire, uint16_t tid);
    // A complete frame reached the dispatcher (function has the exception bit for exceptions).
    void FrameReceived(LinkKind link, ByteView wire, uint16_t tid);
    void FrameDropped(LinkKind link, ByteView wire, DropReason reason);
    // The status block was decoded: the values on screen are live.
    void StatusDecoded();
    void LinkOpened(LinkKind link);
    void LinkClosed();
    void PortLost(const std::string &cause);
    void ConnectFailed(const std::string &cause);
    void Reconnected();
    // The device closed a connection we did not close.
    void PeerClosed();
    // Expires outstanding requests whose reply time-out has passed; called on every poll tick.
    void Tick();

    // --- what the link layer asks ---
    bool TransactionOutstanding(uint16_t tid) const;
    // Requests still waiting for their reply or their time-out.
    std::size_t OutstandingCount() const { return outstanding_.size(); }

    // The earliest time at which Tick() counts a time-out or Health() turns stale (INT64_MAX: none due).
    int64_t NextTickChangeMs(int pollPeriodMs) const;

    // --- what the windows render ---
    // pollPeriodMs: the link's status poll period; statusPolled: the poll is asking for the status
    // now (not paused by a settings window or a history download).
    LinkHealth Health(int pollPeriodMs, bool statusPolled) const;
    const LinkCounters &Counters() const { return counters_; }
    // Milliseconds since the last good status reply, and the last request-to-reply time (-1: none yet).
    int64_t LastGoodAgeMs() const { return lastGoodMs_ < 0 ? -1 : clock_.NowMs() - lastGoodMs_; }
    int64_t LastReplyTimeMs() const { return lastReplyTimeMs_; }
    void ResetCounters();
    const std::deque<TrafficLine> &Lines() const { return lines_; }
    // Lines ever added (the store drops the oldest): a window appends what is new since its last look.
    uint64_t LinesAdded() const { return linesAdded_; }
    void ClearLines() { lines_.clear(); }

private:
    struct Outstanding {
        uint16_t Tid;
        int64_t SentMs;
        LinkKind Link;
    };
    void Add(LinkKind link, Direction dir, DropReason reason, ByteView wire);
    void NoteError(std::string text);
    int64_t TimeoutFor(LinkKind link) const;

    const Clock &clock_;
    LinkCounters counters_;
    std::deque<TrafficLine> lines_;
    std::size_t lineCapacity_ = kLineCapacity;
    uint64_t linesAdded_ = 0;
    std::deque<Outstanding> outstanding_;
    bool open_ = false;
    bool portLost_ = false;
    bool connectFailed_ = false;
    bool takenOver_ = false;
    int64_t lastReplyTimeMs_ = -1;
    int64_t openedMs_ = -1;
    int64_t lastGoodMs_ = -1;
    int64_t lastGoodGapMs_ = -1; // time between the last two good status replies
    uint64_t timeoutsSinceGood_ = 0;
};

// Address, function and fields of a wire frame, without the CRC or the MBAP header.
ByteView FrameUnit(LinkKind link, ByteView wire);

// A few words on what a frame is: "status read 127 regs", "write 0x0028 := 435", "echo",
// "exception 04 on 0x06", "history record request 1999 of alarm log", "dropped: bad CRC".
std::string DescribeFrame(const TrafficLine &line);
std::string DropReasonText(DropReason reason);
// The longest states Health gives, and their texts, for the panel that shows them to be wide enough.
std::vector<LinkHealth> WidestHealths();
std::vector<std::string> WidestHealthTexts();
// Seconds as the health texts write them: "0.6" below ten seconds, whole seconds from there.
std::string HealthSeconds(int64_t ms);
// What the command line and the link-health panel say when the device dropped a working connection.
inline constexpr const char *kTakeoverText =
    "the device dropped this connection; another client may be using it";
// One traffic line as the window and the saved file show it: time, link, direction, hex, meaning.
std::string FormatTrafficLine(const TrafficLine &line);

} // namespace zephyra
