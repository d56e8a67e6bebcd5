#include "history/history_controller.h"

#include <algorithm>

#include "core/text_key.h"

namespace zephyra {

std::string HistoryCompletionText(int32_t total, const TextTranslator &tr) {
    return tr.Format(ZEPHYRA_TEXT("zephyra", "%1개 데이터\r저장됨!!"), {std::to_string(total)});
}

std::string StoppedCountText(int32_t received, int32_t total) {
    return std::string(kHistoryCountPrefix) + std::to_string(total) + " 중 " + std::to_string(received) +
           "개 (중지됨)";
}

std::string SavedCountText(int32_t saved, int32_t total) {
    return "기록 " + std::to_string(total) + "개 중 " + std::to_string(saved) + "개 저장됨";
}

std::string InitialiseQuestion(HistoryKind kind) {
    switch (kind) {
    case HistoryKind::Alarm:
        return ZEPHYRA_TEXT("zephyra", "알람이력: 장치의 알람 이력이 지워집니다. 계속하시겠습니까?");
    case HistoryKind::Event:
        return ZEPHYRA_TEXT("zephyra", "이벤트이력: 장치의 이벤트 이력이 지워집니다. 계속하시겠습니까?");
    default:
        return {};
    }
}

namespace {

std::string StallText(int64_t silentMs, const HistoryDownload &h, const TextTranslator &tr) {
    const std::string seconds = std::to_string(silentMs / 1000);
    if (h.Total <= 0)
        return tr.Format(ZEPHYRA_TEXT("zephyra", "장비가 %1초째 응답하지 않습니다 — 기록 개수를 기다리는 중"),
                         {seconds});
    return tr.Format(ZEPHYRA_TEXT("zephyra", "장비가 %1초째 응답하지 않습니다 — %3건 중 %2건 받음"),
                     {seconds, std::to_string(std::max(h.Current - 1, 0)), std::to_string(h.Total)});
}

} // namespace

void HistoryController::ResetRecordExchange() {
    record_ = {};
    asked_.clear();
    firstRequestOfRecord_ = 0;
    lastStoredBody_.clear();
    owed_ = 0;
    unconfirmedReplyMs_ = 0;
    storedMs_ = clock_.NowMs();
}

void HistoryController::StartDownload(HistoryKind kind, HistoryView *view) {
    poll_.HistoryDownloadStarted(kind);
    view_ = view;
    rows_.clear();
    ResetRecordExchange();
    count_ = {};
    received_ = 0;
    total_ = 0;
    replyTimeoutMs_ = kReplyTimeoutMs;
    recentReplyMs_.clear();
    stopped_ = false;
    lastReplyMs_ = clock_.NowMs();
    stallText_.clear(); // a new window shows none
    if (view_) {
        view_->SetRow(0, HistoryHeader(kind));
        view_->EnableSave(false);
        view_->EnableClose(true);
        view_->EnableStop(true);
    }
}

void HistoryController::CloseWindow() {
    ResetRecordExchange();
    poll_.HistoryWindowClosed();
    if (view_)
        view_->EnableSave(false);
    view_ = nullptr; // the window is gone; late replies must not reach it
    stallText_.clear();
}

void HistoryController::StopRequest() {
    poll_.HistoryStopped();
    // Whatever is still on its way belongs to a download the operator gave up.
    stopped_ = true;
    record_ = {};
    ShowStall("");
    const HistoryDownload &h = poll_.State().History;
    if (view_ && h.Active && h.Total > 0)
        view_->SetCountLabel(StoppedCountText(received_, total_));
    if (view_) {
        view_->EnableStop(false);
        view_->EnableClose(true);
        view_->EnableSave(true);
    }
}

void HistoryController::WatchdogTick() {
    const HistoryDownload &h = poll_.State().History;
    std::string text;
    if (h.Active && !stopped_) {
        const int64_t silent = clock_.NowMs() - lastReplyMs_;
        if (silent >= kStallAfterMs)
            text = StallText(silent, h, tr_);
    }
    ShowStall(text);
}

void HistoryController::DeviceAnswered() {
    lastReplyMs_ = clock_.NowMs();
    ShowStall("");
}

void HistoryController::ShowStall(const std::string &text) {
    // The view hears only changes: once a second while silent, not on every tick.
    if (text == stallText_)
        return;
    stallText_ = text;
    if (view_)
        view_->SetStall(text);
}

void HistoryController::SetInitialiseDialogOpen(bool open) {
    initialiseOpen_ = open;
    if (open)
        poll_.InitialiseDialogOpened();
    else
        poll_.InitialiseDialogClosed();
}

void HistoryController::InitialiseLog(HistoryKind kind) {
    if (kind == HistoryKind::None)
        return;
    poll_.SendHistoryInitialise(kind);
    ++initialiseOwed_[static_cast<std::size_t>(kind)];
}

bool HistoryController::RepeatDue(const Asked &asked) const {
    return asked.sends == 0 || clock_.NowMs() - asked.lastMs >= asked.repeatAfterMs;
}

int64_t HistoryController::WindowFor(const Asked &asked) const {
    if (asked.sends == 0)
        return replyTimeoutMs_;
    // Still unanswered, so the device is at least this slow: each repeat waits twice as long as the
    // wait so far, which keeps a slow device from being buried in copies.
    return std::clamp<int64_t>(std::max(asked.repeatAfterMs, 2 * (clock_.NowMs() - asked.firstMs)),
                               kReplyTimeoutMs, kMaxReplyTimeoutMs);
}

void HistoryController::NoteSent(Asked &asked) {
    const int64_t now = clock_.NowMs();
    asked.repeatAfterMs = WindowFor(asked);
    if (asked.sends == 0)
        asked.firstMs = now;
    asked.lastMs = now;
    ++asked.sends;
}

int64_t HistoryController::RequestWindowMs() const {
    return WindowFor(poll_.State().RequestMode == mode::kHistoryCount ? count_ : record_);
}

bool HistoryController::CountRequestDue() {
    return !stopped_ && RepeatDue(count_);
}

void HistoryController::CountRequestSent() {
    NoteSent(count_);
}

bool HistoryController::RecordPhaseOpen() const {
    const HistoryDownload &h = poll_.State().History;
    return h.Active && !stopped_ && h.Total > 0 && h.Current <= h.Total;
}

bool HistoryController::RecordRequestDue() {
    // A poll tick asks too: it must not cut the silence after the last reply short.
    return clock_.NowMs() >= RecordRequestAtMs();
}

int64_t HistoryController::RecordRequestAtMs() const {
    if (!RecordPhaseOpen())
        return INT64_MAX;
    // The next record right after the last one came, with the silence between frames kept; a repeat
    // when its request's deadline has passed.
    if (record_.sends == 0)
        return storedMs_ + (poll_.Link() == LinkKind::Serial ? PollController::kInterFrameMs : 0);
    return record_.lastMs + record_.repeatAfterMs;
}

void HistoryController::RecordRequestSent() {
    if (record_.sends == 0)
        firstRequestOfRecord_ = poll_.LastRequestNumber();
    NoteSent(record_);
    const HistoryDownload &h = poll_.State().History;
    constexpr std::size_t kRemembered = 32;
    if (asked_.size() == kRemembered)
        asked_.pop_front();
    asked_.emplace_back(poll_.LastRequestNumber(), h.Total - h.Current);
}

bool HistoryController::RecordBody(const Bytes &payload, ByteView &body) const {
    ByteView p(payload);
    if (poll_.Link() == LinkKind::Serial) {
        if (p.size() < 2)
            return false;
        p = p.first(p.size() - 2); // CRC, already checked by the receiver
    }
    if (p.size() < 4 || static_cast<HistoryCommand>(p[3]) != HistoryCommand::Record)
        return false;
    body = p.subspan(4);
    return true;
}

bool HistoryController::AnswersStoredRecord(const Bytes &payload) {
    ByteView body;
    if (owed_ <= 0 || !RecordBody(payload, body))
        return false;
    // The same index of an unchanged log gives the same bytes; a next record that happens to equal the
    // last is only set aside once per owed answer and asked again at its deadline.
    if (!std::equal(body.begin(), body.end(), lastStoredBody_.begin(), lastStoredBody_.end()))
        return false;
    --owed_;
    // An owed answer came: the first one really was to the first request, the device is that slow.
    if (unconfirmedReplyMs_ > 0) {
        NoteReplyTime(unconfirmedReplyMs_);
        unconfirmedReplyMs_ = 0;
    }
    DeviceAnswered();
    return true;
}

void HistoryController::NoteReplyTime(int64_t ms) {
    constexpr std::size_t kRecent = 8;
    if (recentReplyMs_.size() == kRecent)
        recentReplyMs_.erase(recentReplyMs_.begin());
    recentReplyMs_.push_back(ms);
    int64_t slowest = *std::max_element(recentReplyMs_.begin(), recentReplyMs_.end());
    replyTimeoutMs_ = std::clamp<int64_t>(2 * slowest, kReplyTimeoutMs, kMaxReplyTimeoutMs);
}

void HistoryController::CollectHistory(const Bytes &payload) {
    ByteView p(payload);
    if (poll_.Link() == LinkKind::Serial) {
        if (p.size() < 2)
            return;
        p = p.first(p.size() - 2); // CRC, already checked by the receiver
    }
    // Length (not examined), kind, command, body.
    if (p.size() < 4)
        return;
    auto replyKind = static_cast<HistoryKind>(p[2]);
    ByteView body = p.subspan(4);
    const HistoryDownload &h = poll_.State().History;
    const auto command = static_cast<HistoryCommand>(p[3]);
    // Any count or record answer, even one that is not stored, shows the device is still there.
    if ((command == HistoryCommand::Count || command == HistoryCommand::Record) && h.Active && !stopped_)
        DeviceAnswered();
    switch (command) {
    case HistoryCommand::Count:
        // A repeated count request may be answered twice: only the first answer counts.
        if (h.Active && !stopped_ && poll_.State().RequestMode == mode::kHistoryCount)
            OnCount(replyKind, body);
        break;
    case HistoryCommand::Record:
        if (!h.Active || !h.Collecting || stopped_)
            break;
        if (record_.sends == 0)
            break;
        // The record's own fields do not say which record it is, but its request does: on TCP by the
        // transaction id, on serial by the one request on the line. An answer to a record already
        // stored is set aside.
        if (const uint64_t request = poll_.ReplyRequestNumber(); request != 0) {
            const auto it = std::find_if(asked_.rbegin(), asked_.rend(),
                                         [request](const auto &a) { return a.first == request; });
            if (it == asked_.rend() || it->second != h.Total - h.Current) {
                poll_.SetReplyAside(kFnHistory, payload, DropReason::AlreadyStored);
                break;
            }
        }
        OnRecord(body);
        break;
    case HistoryCommand::Initialise: {
        // A reply to a request of ours is reported even after the dialog closed: the device did act.
        const auto k = static_cast<std::size_t>(replyKind);
        const bool awaited = k < initialiseOwed_.size() && initialiseOwed_[k] > 0;
        if (awaited)
            --initialiseOwed_[k];
        if (awaited || initialiseOpen_)
            OnInitialise(body);
        break;
    }
    default:
        break;
    }
}

void HistoryController::OnCount(HistoryKind, ByteView body) {
    if (body.size() < 2)
        return;
    const HistoryDownload &h = poll_.State().History;
    const int32_t total = ParseBE16(body);
    // Asked once, the count's reply time is the device's: the first record need not be asked twice.
    if (count_.sends == 1)
        NoteReplyTime(clock_.NowMs() - count_.firstMs);
    total_ = total;
    rows_.assign(static_cast<std::size_t>(total) + 1,
                 HistoryRow(static_cast<std::size_t>(HistoryColumnCount(h.Kind))));
    rows_[0] = HistoryHeader(h.Kind);
    if (view_)
        view_->SetRowCount(total + 1);
    ResetRecordExchange();
    poll_.HistoryCountReceived(total);
    if (total == 0) {
        if (view_) {
            view_->EnableStop(false);
            view_->EnableClose(true);
        }
        operator_.ShowMessage(kNoHistoryData);
    }
}

void HistoryController::OnRecord(ByteView body) {
    const HistoryDownload &h = poll_.State().History;
    const int64_t now = clock_.NowMs();
    // Asked once (or answered to its first request, as a TCP id says), the reply time is plain. Asked
    // more often, the first answer is to the first request of a slow device or to a repeat after a lost
    // reply: only an owed answer arriving tells which.
    const int64_t sinceFirst = now - record_.firstMs;
    owed_ = record_.sends - 1;
    unconfirmedReplyMs_ = 0;
    if (owed_ == 0 || (poll_.Link() == LinkKind::Tcp && poll_.ReplyRequestNumber() == firstRequestOfRecord_ &&
                       firstRequestOfRecord_ != 0))
        NoteReplyTime(sinceFirst);
    else
        unconfirmedReplyMs_ = sinceFirst;
    lastStoredBody_.assign(body.begin(), body.end());
    storedMs_ = now;
    record_ = {};
    if (h.Total <= 0 || h.Current < 1 || h.Current > h.Total)
        return;

    if (view_) {
        view_->SetGauge(static_cast<int>(static_cast<int64_t>(h.Current) * 100 / h.Total));
        view_->SetCountLabel(kHistoryCountPrefix + std::to_string(h.Total));
    }
    const int32_t current = h.Current;
    const int32_t total = h.Total;
    HistoryRow row = DecodeHistoryRecord(h.Kind, current, body);
    if (static_cast<std::size_t>(current) < rows_.size())
        rows_[static_cast<std::size_t>(current)] = row;
    received_ = current;
    if (view_)
        view_->SetRow(current, row);
    if (poll_.HistoryRecordStored()) {
        Complete(total);
        return;
    }
    if (view_)
        view_->EnableClose(false);
}

void HistoryController::Complete(int32_t total) {
    // The poll state is settled before the box opens: its nested event loop keeps timers and the
    // receiver running.
    if (view_)
        view_->EnableStop(false);
    operator_.ShowInformation(HistoryCompletionText(total, tr_));
    if (view_) {
        view_->EnableClose(true);
        view_->EnableSave(true);
    }
}

void HistoryController::OnInitialise(ByteView body) {
    if (body.empty())
        return;
    if (body[0] == 1)
        operator_.ShowInformation(kSettingSuccess);
    else if (body[0] == 2)
        operator_.ShowError(kSettingFail);
}

std::vector<HistoryRow> HistoryController::ExportRows() const {
    if (rows_.empty())
        return {HistoryHeader(poll_.State().History.Kind)};
    std::size_t last =
        std::min(rows_.size() - 1, static_cast<std::size_t>(std::max(poll_.State().History.Current, 0)));
    return {rows_.begin(), rows_.begin() + static_cast<std::ptrdiff_t>(last) + 1};
}

} // namespace zephyra
