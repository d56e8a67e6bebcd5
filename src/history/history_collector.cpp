#include "history/history_collector.h"

#include <algorithm>

namespace zephyra {

std::string HistoryCompletionText(int32_t total) {
    return std::to_string(total) + "개 데이터" + "\r" + "저장됨!!";
}

void HistoryController::StartDownload(HistoryKind kind, HistoryView *view) {
    HistoryDownload &h = state_.History;
    h.Kind = kind;
    h.Total = 0;
    h.Current = 1;
    h.Collecting = true;
    h.Active = true;
    h.CountPhase = 0;
    state_.RequestMode = mode::kHistoryCount;
    view_ = view;
    rows_.clear();
    recordOutstanding_ = false;
    sendsOfRecord_ = 0;
    holdUntilMs_ = 0;
    stopped_ = false;
    if (view_) {
        view_->SetRow(0, HistoryHeader(kind));
        view_->EnableSave(false);
        view_->EnableClose(true);
        view_->EnableStop(true);
    }
}

void HistoryController::CloseWindow() {
    HistoryDownload &h = state_.History;
    h.Collecting = false;
    h.Current = 1;
    h.Active = false;
    h.Total = 0;
    state_.RequestMode = mode::kPoll;
    recordOutstanding_ = false;
    timer_.SetEnabled(true);
    if (view_)
        view_->EnableSave(false);
    view_ = nullptr; // the window is gone; late replies must not reach it
}

void HistoryController::StopRequest() {
    timer_.SetEnabled(false);
    // Whatever is still on its way belongs to a download the operator gave up.
    stopped_ = true;
    recordOutstanding_ = false;
    if (view_) {
        view_->EnableStop(false);
        view_->EnableClose(true);
        view_->EnableSave(true);
    }
}

void HistoryController::WatchdogTick() {
    const HistoryDownload &h = state_.History;
    if (!h.Active || state_.RequestMode != mode::kPoll)
        return;
    // Without a count there is no record to ask for yet.
    state_.RequestMode = h.Total > 0 ? mode::kHistoryRecord : mode::kHistoryCount;
}

void HistoryController::SetInitialiseDialogOpen(bool open) {
    initialiseOpen_ = open;
    if (open) {
        state_.RequestMode = mode::kHistoryInitialise;
    } else {
        state_.RequestMode = mode::kPoll;
        state_.PollDue = true;
    }
}

void HistoryController::InitialiseLog(HistoryKind kind) {
    if (kind == HistoryKind::None)
        return;
    const uint8_t data[] = {static_cast<uint8_t>(kind), static_cast<uint8_t>(HistoryCommand::Initialise)};
    state_.LastRawRequest = VendorRequestUnit(kFnHistory, data);
    codec_.BuildVendorRequest(kFnHistory, data);
    state_.PollCountdown = 3;
    state_.PollDue = true;
}

bool HistoryController::RecordRequestDue() {
    const HistoryDownload &h = state_.History;
    if (!h.Active || stopped_ || h.Total <= 0 || h.Current > h.Total)
        return false;
    int64_t now = clock_.NowMs();
    if (recordOutstanding_)
        return now - recordSentMs_ >= kReplyTimeoutMs;
    return now >= holdUntilMs_;
}

void HistoryController::RecordRequestSent() {
    recordOutstanding_ = true;
    recordSentMs_ = clock_.NowMs();
    ++sendsOfRecord_;
}

void HistoryController::CollectHistory(const Bytes &payload) {
    ByteView p(payload);
    if (codec_.Link() == LinkKind::Serial) {
        if (p.size() < 2)
            return;
        p = p.first(p.size() - 2); // CRC, already checked by the receiver
    }
    // Length (not examined), kind, command, body.
    if (p.size() < 4)
        return;
    auto replyKind = static_cast<HistoryKind>(p[2]);
    ByteView body = p.subspan(4);
    const HistoryDownload &h = state_.History;
    switch (static_cast<HistoryCommand>(p[3])) {
    case HistoryCommand::Count:
        // A repeated count request may be answered twice: only the first answer counts.
        if (h.Active && !stopped_ && state_.RequestMode == mode::kHistoryCount)
            OnCount(replyKind, body);
        break;
    case HistoryCommand::Record:
        if (h.Active && h.Collecting && !stopped_ && recordOutstanding_)
            OnRecord(body);
        break;
    case HistoryCommand::Initialise:
        if (initialiseOpen_)
            OnInitialise(body);
        break;
    default:
        break;
    }
}

void HistoryController::OnCount(HistoryKind, ByteView body) {
    if (body.size() < 2)
        return;
    HistoryDownload &h = state_.History;
    h.Total = ParseBE16(body);
    rows_.assign(static_cast<std::size_t>(h.Total) + 1,
                 HistoryRow(static_cast<std::size_t>(HistoryColumnCount(h.Kind))));
    rows_[0] = HistoryHeader(h.Kind);
    if (view_)
        view_->SetRowCount(h.Total + 1);
    if (h.Total == 0) {
        state_.RequestMode = mode::kPoll;
        h.Active = false;
        if (view_) {
            view_->EnableStop(false);
            view_->EnableClose(true);
        }
        operator_.ShowMessage(kNoHistoryData);
        return;
    }
    state_.RequestMode = mode::kHistoryRecord;
    timer_.SetInterval(kCountIntervalMs);
    recordOutstanding_ = false;
    sendsOfRecord_ = 0;
    holdUntilMs_ = 0;
    state_.PollDue = true;
}

void HistoryController::OnRecord(ByteView body) {
    HistoryDownload &h = state_.History;
    recordOutstanding_ = false;
    // A record asked more than once may still be answered again: keep quiet until that answer is due
    // so it cannot land in the next row.
    holdUntilMs_ = sendsOfRecord_ > 1 ? recordSentMs_ + kReplyTimeoutMs : 0;
    sendsOfRecord_ = 0;
    if (h.Total <= 0 || h.Current < 1)
        return;

    if (view_) {
        view_->SetGauge(static_cast<int>(static_cast<int64_t>(h.Current) * 100 / h.Total));
        view_->SetCountLabel(kHistoryCountPrefix + std::to_string(h.Total));
    }
    if (h.Total >= h.Current) {
        HistoryRow row = DecodeHistoryRecord(h.Kind, h.Current, body);
        if (static_cast<std::size_t>(h.Current) < rows_.size())
            rows_[static_cast<std::size_t>(h.Current)] = row;
        if (view_)
            view_->SetRow(h.Current, row);
        if (h.Current == h.Total) {
            Complete();
            return;
        }
        ++h.Current;
        if (view_)
            view_->EnableClose(false);
    }
    if (h.Total >= h.Current) {
        state_.RequestMode = mode::kHistoryNextRecord;
        timer_.SetInterval(kRecordIntervalMs);
        state_.PollDue = true;
    }
}

void HistoryController::Complete() {
    HistoryDownload &h = state_.History;
    timer_.SetEnabled(false);
    int32_t total = h.Total;
    // Settled before the box opens: its nested event loop keeps timers and the receiver running.
    h.Total = 0;
    h.Collecting = false;
    h.Active = false;
    state_.RequestMode = mode::kPoll;
    if (view_)
        view_->EnableStop(false);
    operator_.ShowInformation(HistoryCompletionText(total));
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
        return {HistoryHeader(state_.History.Kind)};
    std::size_t last =
        std::min(rows_.size() - 1, static_cast<std::size_t>(std::max(state_.History.Current, 0)));
    return {rows_.begin(), rows_.begin() + static_cast<std::ptrdiff_t>(last) + 1};
}

} // namespace zephyra
