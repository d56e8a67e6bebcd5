#include "polling/write_sequence.h"

#include <algorithm>

namespace zephyra {

std::vector<PendingWrite> WriteSequenceReport::With(WriteOutcome outcome) const {
    std::vector<PendingWrite> out;
    for (const WriteResult &r : Writes)
        if (r.Outcome == outcome)
            out.push_back(r.Write);
    return out;
}

const WriteResult *WriteSequenceReport::Ended() const {
    for (const WriteResult &r : Writes)
        if (r.Outcome == WriteOutcome::Refused || r.Outcome == WriteOutcome::Failed ||
            r.Outcome == WriteOutcome::Unconfirmed)
            return &r;
    return nullptr;
}

WriteSequence::StartResult WriteSequence::Start(std::vector<PendingWrite> writes, EndCallback onEnd) {
    if (running_)
        return StartResult::Running;
    if (Owed())
        return StartResult::Owed;
    if (writes.empty())
        return StartResult::Empty;
    if (writes.size() > kMaxWrites)
        writes.resize(kMaxWrites);
    report_ = {};
    report_.Writes.reserve(writes.size());
    for (const PendingWrite &w : writes)
        report_.Writes.push_back({w});
    owedUntilMs_ = -1;
    next_ = 0;
    awaiting_ = false;
    running_ = true;
    ++sequences_;
    onEnd_ = std::move(onEnd);
    SendNext();
    return StartResult::Started;
}

void WriteSequence::SendNext() {
    WriteResult &r = report_.Writes[next_];
    awaited_ = next_++;
    awaiting_ = true;
    r.Outcome = WriteOutcome::Awaiting;
    r.SentMs = clock_.NowMs();
    deadlineMs_ = r.SentMs + kEchoDeadlineMs;
    // The state is settled before the write goes out: whatever the sending does, an answer finds it.
    if (send_)
        send_(r.Write);
}

const PendingWrite *WriteSequence::Awaited() const {
    return running_ && awaiting_ ? &report_.Writes[awaited_].Write : nullptr;
}

AnswerVerdict WriteSequence::Echo(const Bytes &payload) {
    PendingWrite echo{-1, -1};
    if (payload.size() >= 4) {
        echo.Address = payload[0] << 8 | payload[1];
        echo.Value = payload[2] << 8 | payload[3];
    }
    if (!running_ || !awaiting_) {
        if (Owed() && echo.Address == owed_.Address && echo.Value == owed_.Value) {
            owedUntilMs_ = -1;
            ++lateEchoes_;
            return AnswerVerdict::Late;
        }
        return AnswerVerdict::NotAwaited;
    }
    WriteResult &r = report_.Writes[awaited_];
    awaiting_ = false;
    // As libmodbus's check_confirmation: the echo must carry the register and the value written.
    if (echo.Address != r.Write.Address || echo.Value != r.Write.Value) {
        r.Outcome = WriteOutcome::Failed;
        r.Echo = echo;
        Finish(SequenceEnd::Failed, NotSentWhy::AfterFailure);
        return AnswerVerdict::Failed;
    }
    r.Outcome = WriteOutcome::Confirmed;
    if (next_ < report_.Writes.size())
        SendNext();
    else
        Finish(SequenceEnd::Confirmed, NotSentWhy::None);
    return AnswerVerdict::Confirmed;
}

AnswerVerdict WriteSequence::Exception(int code) {
    if (!running_ || !awaiting_)
        return AnswerVerdict::NotAwaited;
    WriteResult &r = report_.Writes[awaited_];
    awaiting_ = false;
    r.Outcome = WriteOutcome::Refused;
    r.Code = code;
    Finish(SequenceEnd::Refused, NotSentWhy::AfterRefusal);
    return AnswerVerdict::Refused;
}

bool WriteSequence::Expire() {
    const int64_t now = clock_.NowMs();
    if (owedUntilMs_ >= 0 && now >= owedUntilMs_)
        owedUntilMs_ = -1;
    if (!running_ || now < deadlineMs_)
        return false;
    Finish(SequenceEnd::Deadline, NotSentWhy::Deadline);
    return true;
}

bool WriteSequence::Cancel(const std::string &cause) {
    if (!running_)
        return false;
    Finish(SequenceEnd::Cancelled, NotSentWhy::Cancelled, cause);
    return true;
}

int64_t WriteSequence::Deadline() const {
    if (running_)
        return deadlineMs_;
    if (owedUntilMs_ >= 0)
        return owedUntilMs_;
    return INT64_MAX;
}

void WriteSequence::Finish(SequenceEnd end, NotSentWhy rest, const std::string &cause) {
    if (awaiting_) {
        // Sent, and its answer may still come: owed until the longest reply time has passed.
        WriteResult &r = report_.Writes[awaited_];
        r.Outcome = WriteOutcome::Unconfirmed;
        owed_ = r.Write;
        owedUntilMs_ = r.SentMs + kEchoOwedMs;
        awaiting_ = false;
    }
    for (std::size_t i = next_; i < report_.Writes.size(); ++i) {
        report_.Writes[i].Outcome = WriteOutcome::NotSent;
        report_.Writes[i].Why = rest;
    }
    next_ = report_.Writes.size();
    running_ = false;
    deadlineMs_ = INT64_MAX;
    report_.End = end;
    report_.Cause = cause;
    // The report is copied: an observer may start the next sequence.
    const WriteSequenceReport report = report_;
    EndCallback onEnd = std::exchange(onEnd_, nullptr);
    endObservers_.Notify(report);
    if (onEnd)
        onEnd(report);
}

} // namespace zephyra
