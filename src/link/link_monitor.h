// Every frame accounted for: each request sent, each frame received or dropped (with its reason),
// time-outs, exceptions, reconnects and port losses, as counters and as a bounded store of traffic
// lines. The traffic window and the link-health panel render it; the TCP receiver asks it which
// transaction ids are still outstanding.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/text_key.h"
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
    NotAwaited,            // a whole reply the poll was not waiting for (wrong mode, no write under way)
    ShortBlock,            // fewer data bytes than the reply's byte count or kind needs
    RequestMismatch,       // serial: function or byte count differs from the request awaited
    EchoMismatch,          // a write's echo with another register or value: that write failed
    LateEcho,              // the echo of a write whose sequence had already ended: nothing more is sent
    LateReply,             // the reply's request had already ended (timed out, superseded or cancelled)
    AlreadyStored,         // a second answer to a history record already stored
};
inline constexpr std::size_t kDropReasonCount = 14;

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
    uint64_t Superseded = 0;  // requests settled as lost before their time-out: a later one was answered
    uint64_t Cancelled = 0;   // requests still awaited when their connection or port went away
    uint64_t LateReplies = 0; // replies to requests that had ended (not counted as replies)
    uint64_t HeldBack = 0;    // due polls not sent while the device still owed the most replies
    uint64_t CrcErrors = 0;
    uint64_t Reconnects = 0;
    uint64_t PortLosses = 0;
    // Working connections the device closed while it went on accepting connections: with one client
    // slot, another client took it. A device that closed and then refused (gone, restarting) is not one.
    uint64_t Takeovers = 0;
    std::map<uint8_t, uint64_t> Exceptions; // by exception code
    std::array<uint64_t, kDropReasonCount> Dropped{};
    std::string LastError;
    int64_t LastErrorMs = -1;
};

enum class HealthState {
    Closed,
    PortLost,
    TakenOver,
    NotConnected,
    Ok,
    Slow,
    Paused,
    WaitingFirstReply,
    NoReply
};

// What the status bar's link-health panel shows, and the command line prints: Text in the chosen
// language, State and the numbers for whoever needs a shorter text.
struct LinkHealth {
    bool Stale = false; // no good status reply for about three poll periods: values are old
    std::string
        Text; // "정상 · 0.6초", "응답 느림 · 2.5초"; English "No reply for 6 s — 9 requests timed out"
    bool TakenOver = false; // the device dropped a working connection; another client may hold it
    HealthState State = HealthState::Closed;
    // Ok: the last gap between good replies (0: none yet); Slow: the last reply time; Paused, NoReply: the
    // values' age.
    int64_t Ms = 0;
    uint64_t Timeouts = 0; // NoReply: requests timed out since the last good reply
    uint64_t Awaited = 0;  // NoReply: requests still waiting for their reply
    // Paused, NoReply: the age in the text grows by itself, and no poll wake-up may come to show it (a
    // paused poll sleeps); its next whole second is this many ms away. 0: nothing in the text ages.
    int64_t AgeTickInMs = 0;
    uint64_t HeldBack = 0;      // due polls held back so far, for the panel's tooltip
    uint64_t InFlightLimit = 1; // requests awaited at once on this link: one serial, four TCP
};

class LinkMonitor {
public:
    // A serial request unanswered for this long is lost: the device answers within tens of ms and the
    // next request goes out 600 ms later. Once replies are seen the window is twice the slowest recent
    // reply time, between kSerialMinReplyWindowMs (a lost reply holds the line no longer than that) and
    // kMaxReplyTimeoutMs.
    static constexpr int64_t kSerialReplyTimeoutMs = 1000;
    static constexpr int64_t kSerialMinReplyWindowMs = 300;
    static constexpr int64_t kMaxReplyTimeoutMs = 30000;
    // TCP replies may come much slower than the 900 ms poll period (routers, a busy device working
    // through its queue): a request stays awaited this long, since it still occupies the device and its
    // reply is still life. A silent device shows as stale long before, from its last reply.
    static constexpr int64_t kTcpReplyTimeoutMs = 15000;
    // At most this many TCP requests wait for replies: a due poll is held back meanwhile. A serial line
    // carries one: a Modbus RTU master never talks over the device's answer.
    static constexpr std::size_t kMaxOutstanding = 4;
    // Bounded so memory stays flat over days of polling.
    static constexpr std::size_t kLineCapacity = 10000;

    // tr: the language of the causes it notes (LastError) and of Health's text.
    LinkMonitor(const Clock &clock, TextTranslator tr) : clock_(clock), tr_(tr) {}
    // A headless poller that never shows the traffic keeps only the last few lines (0: none).
    void SetLineCapacity(std::size_t lines) { lineCapacity_ = lines; }
    // Told every line as it is added, kept or not (the developer log listens here).
    void SetLineObserver(std::function<void(const TrafficLine &)> observer) {
        lineObserver_ = std::move(observer);
    }

    // --- what the link layer reports ---
    // A request went out; tid is the TCP transaction id (ignored on serial). replyWindowMs: how long its
    // reply is awaited (0: the link's own). Returns the request's number, counted from 1.
    uint64_t RequestSent(LinkKind link, ByteView wire, uint16_t tid, int64_t replyWindowMs = 0);
    // The request a complete frame would answer: the awaited one on serial (the last sent when none is),
    // the one with its transaction id on TCP; 0 when none is known.
    uint64_t ReplyOwner(LinkKind link, uint16_t tid) const;
    // A complete frame reached the dispatcher (function has the exception bit for exceptions). A reply to
    // a request that had already ended is counted late, not as a reply.
    void FrameReceived(LinkKind link, ByteView wire, uint16_t tid);
    // The request the last frame received answered, and whether it had ended before (0: none known).
    uint64_t LastReplyRequest() const { return lastReplyRequest_; }
    bool LastReplyLate() const { return lastReplyLate_; }
    void FrameDropped(LinkKind link, ByteView wire, DropReason reason);
    // The dispatcher set aside a frame it had been handed (unit: address, function and payload).
    void ReplyDropped(LinkKind link, ByteView unit, DropReason reason);
    // A status block was decoded into the values on screen: they are live.
    void StatusBlockDecoded();
    // No request may go out now: on TCP kMaxOutstanding are awaited, on serial one is (unless the device
    // has been silent since its last time-out: then the poll keeps its own pace).
    bool Saturated(LinkKind link) const;
    void RequestHeldBack() { ++counters_.HeldBack; }
    // Whether that request still waits for its reply.
    bool Awaited(uint64_t request) const;
    void LinkOpened(LinkKind link);
    void LinkClosed();
    void PortLost(const std::string &cause);
    // A connect attempt failed (refused, timed out).
    void ConnectFailed(const std::string &cause);
    // The TCP connection went down (after PeerClosed when the device closed it).
    void ConnectionClosed(const std::string &cause);
    void Reconnected();
    // The device closed a connection we did not close: what was awaited on it is cancelled. Whether another
    // client took it shows at the next connect: accepted (the device is there), or refused (it is gone).
    void PeerClosed();
    // Expires outstanding requests whose reply time-out has passed; called on every poll wake-up.
    void Tick();

    // --- what the link layer asks ---
    bool TransactionOutstanding(uint16_t tid) const;
    // Outstanding, or ended lately: a late reply is still recognised as a frame, and dropped or used
    // by whose it is.
    bool TransactionKnown(uint16_t tid) const;
    // Requests still waiting for their reply or their time-out.
    std::size_t OutstandingCount() const { return outstanding_.size(); }

    // The next moment Tick() counts a time-out or Health() turns stale (INT64_MAX: none due).
    int64_t NextChangeMs(int pollPeriodMs) const;

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
        int64_t DeadlineMs;
        LinkKind Link;
        uint64_t Number;
    };
    // Ends every awaited request as cancelled.
    void CancelAwaited();
    void NoteReplyTime(int64_t ms);
    void Add(LinkKind link, Direction dir, DropReason reason, ByteView wire);
    void NoteError(std::string text);
    int64_t TimeoutFor(LinkKind link) const;
    void Ended(const Outstanding &o);

    const Clock &clock_;
    TextTranslator tr_;
    LinkCounters counters_;
    std::deque<TrafficLine> lines_;
    std::size_t lineCapacity_ = kLineCapacity;
    std::function<void(const TrafficLine &)> lineObserver_;
    uint64_t linesAdded_ = 0;
    std::deque<Outstanding> outstanding_;
    // Requests ended lately, so a late TCP reply still finds whose it is.
    std::deque<Outstanding> ended_;
    uint64_t requestNumber_ = 0;
    uint64_t lastReplyRequest_ = 0;
    bool lastReplyLate_ = false;
    // Serial: the reply times seen lately, and whether the device is silent since its last time-out.
    std::deque<int64_t> recentReplyMs_;
    int64_t serialWindowMs_ = kSerialReplyTimeoutMs;
    bool serialSilent_ = false;
    // The device closed a working connection: the next connect tells a takeover from a device gone.
    bool peerClosedPending_ = false;
    bool open_ = false;
    LinkKind link_ = LinkKind::Serial;
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
// In the language tr gives, as every text of the traffic window.
std::string DescribeFrame(const TrafficLine &line, const TextTranslator &tr);
std::string DropReasonText(DropReason reason, const TextTranslator &tr);
// "dropped: bad CRC" and "exception 04 on 0x06", as the traffic lines and the last error say them.
std::string DroppedText(DropReason reason, const TextTranslator &tr);
std::string ExceptionReplyText(uint8_t code, uint8_t function, const TextTranslator &tr);
// Requests that never got a reply, in per cent of those settled: the ones still awaited count neither
// way. None settled yet: nothing measured.
std::optional<double> LossPercent(const LinkCounters &counters, std::size_t outstanding);
// The longest states Health gives, with their texts, for the panel that shows them to be wide enough.
std::vector<LinkHealth> WidestHealths(const TextTranslator &tr);
// Seconds as the health texts write them: "0.6" below ten seconds, whole seconds from there.
std::string HealthSeconds(int64_t ms);
// What the health panel says of a health: Health's Text, in the language tr gives.
std::string HealthText(const LinkHealth &health, const TextTranslator &tr);
// The last error when the device dropped a working connection (a marked text).
inline constexpr const char *kTakeoverText =
    ZEPHYRA_TEXT("zephyra", "장비가 이 연결을 끊었습니다. 다른 클라이언트가 사용 중일 수 있습니다");
// One traffic line as the window and the saved file show it: time, link, direction, hex, meaning.
std::string FormatTrafficLine(const TrafficLine &line, const TextTranslator &tr);

} // namespace zephyra
