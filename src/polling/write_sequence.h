// One run of queued single-register writes (function 0x06), owned from the first write to its end.
//
// Writes go out one at a time, each after the echo of the one before. Every write ends exactly once:
// confirmed by an echo carrying its own register and value, refused (exception reply), failed (an echo
// with another register or value), unconfirmed (sent, no echo by the deadline or before a cancel), or
// never sent (with the reason). The sequence ends on the first refusal or failure, on its echo deadline,
// on a cancel, or when the last write is confirmed; then, and only then, its caller hears of it, once.
//
// After the end nothing is sent, whatever arrives. An echo still owed by a write that went out unconfirmed
// keeps the sequence "owed" until it comes (it is dropped as late, counted) or until the longest reply
// time a link tolerates has passed: while owed, no new sequence starts, so an echo can never be booked to
// a write of a later sequence (on a serial line an echo carries no transaction id).
//
// Toolkit-free: the clock is injected and the sequence keeps no timer. Its owner wakes at Deadline()
// and calls Expire().
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/link_port.h"
#include "polling/observer_list.h"
#include "polling/poll_state.h"

namespace zephyra {

enum class WriteOutcome : uint8_t {
    NotSent,     // never went out; Why says why
    Awaiting,    // sent, its echo is due (only while the sequence runs)
    Confirmed,   // echoed with its own register and value
    Refused,     // exception reply; Code
    Failed,      // echo with another register or value; Echo holds what came back
    Unconfirmed, // sent, no answer before the sequence ended: the device may or may not hold it
};

enum class NotSentWhy : uint8_t {
    None,
    AfterRefusal, // an earlier write was refused
    AfterFailure, // an earlier write's echo did not match it
    Deadline,     // an earlier write's echo did not come in time
    Cancelled,    // the sequence was cancelled (link closed, connect failed, ...)
};

enum class SequenceEnd : uint8_t { Running, Confirmed, Refused, Failed, Deadline, Cancelled };

struct WriteResult {
    PendingWrite Write;
    WriteOutcome Outcome = WriteOutcome::NotSent;
    NotSentWhy Why = NotSentWhy::None;
    int Code = 0;        // Refused: the exception code (-1: the reply carried none)
    PendingWrite Echo{}; // Failed: the register and value the echo carried
    int64_t SentMs = -1;
};

struct WriteSequenceReport {
    SequenceEnd End = SequenceEnd::Running;
    std::string Cause;               // Cancelled: why
    std::vector<WriteResult> Writes; // in the order they went out (or would have)

    std::vector<PendingWrite> With(WriteOutcome outcome) const;
    const WriteResult *Ended() const; // the write that ended the sequence early (refused, failed, unconfirmed)
};

// What an answer did to the sequence.
enum class AnswerVerdict : uint8_t {
    Confirmed,  // the awaited write is in; the next went out or the sequence ended
    Refused,    // the awaited write was refused; the sequence ended
    Failed,     // the echo did not match the awaited write; the sequence ended
    Late,       // the echo of a write whose sequence had already ended: dropped, nothing sent
    NotAwaited, // no write was awaiting an answer
};

class WriteSequence {
public:
    // A write's echo must come within this of the write going out, or the sequence ends.
    static constexpr int64_t kEchoDeadlineMs = 3000;
    // An echo may still come this long after its write went out (the longest reply time a link
    // tolerates); until then, or until it comes, the write is owed and no new sequence starts.
    static constexpr int64_t kEchoOwedMs = 15000;
    static constexpr std::size_t kMaxWrites = kPendingWriteSlots;

    using EndCallback = std::function<void(const WriteSequenceReport &)>;
    using Send = std::function<void(const PendingWrite &)>;

    WriteSequence(const Clock &clock, Send send) : clock_(clock), send_(std::move(send)) {}

    enum class StartResult : uint8_t { Started, Empty, Running, Owed };
    // writes in the order they are to go out (at most kMaxWrites; the rest are dropped). Sends the first.
    // onEnd is told once, at the end, after every EndObserver.
    StartResult Start(std::vector<PendingWrite> writes, EndCallback onEnd = {});
    // A 0x06 echo (payload after the function code: register, value, anything after ignored).
    AnswerVerdict Echo(const Bytes &payload);
    // A 0x86 exception reply; code -1 when the reply carries none.
    AnswerVerdict Exception(int code);
    // Ends the sequence if the awaited echo is overdue, and forgets an owed echo past kEchoOwedMs. True
    // when the sequence ended here.
    bool Expire();
    // Ends a running sequence now (explicitly, e.g. the link closed). False when none was running.
    bool Cancel(const std::string &cause);
    // The link closed: an echo still owed can no longer come on it.
    void ForgetOwed() { owedUntilMs_ = -1; }

    bool Running() const { return running_; }
    // An echo of an ended sequence may still come.
    bool Owed() const { return owedUntilMs_ >= 0 && clock_.NowMs() < owedUntilMs_; }
    // The next moment Expire() has something to do (INT64_MAX: nothing).
    int64_t Deadline() const;
    // The running sequence so far (or the last one, ended).
    const WriteSequenceReport &Report() const { return report_; }
    const PendingWrite *Awaited() const;
    uint64_t LateEchoes() const { return lateEchoes_; }
    uint64_t Sequences() const { return sequences_; }

    // Told of every end, before the starter's callback (the controller shows its message here).
    Subscription OnEnd(std::function<void(const WriteSequenceReport &)> observer) {
        return endObservers_.Add(std::move(observer));
    }

private:
    void SendNext();
    void Finish(SequenceEnd end, NotSentWhy rest, const std::string &cause = {});

    const Clock &clock_;
    Send send_;
    WriteSequenceReport report_;
    std::size_t next_ = 0;    // the next write to go out
    std::size_t awaited_ = 0; // the write whose answer is due (valid while awaiting_)
    bool awaiting_ = false;
    bool running_ = false;
    int64_t deadlineMs_ = INT64_MAX;
    PendingWrite owed_{};
    int64_t owedUntilMs_ = -1;
    uint64_t lateEchoes_ = 0;
    uint64_t sequences_ = 0;
    EndCallback onEnd_;
    ObserverList<const WriteSequenceReport &> endObservers_;
};

} // namespace zephyra
