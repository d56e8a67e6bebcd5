#include "polling/poll_controller.h"

#include <algorithm>

#include "core/formatters.h"
#include "polling/register_names.h"

namespace zephyra {

namespace {
constexpr const char *kStatusStartHex = "0001";
constexpr const char *kStatusCountHex = "007F";
constexpr const char *kStatusByteCountHex = "FE";
} // namespace

void PollController::Timer1Timer() {
    // A tick run by hand stands for the timer's: the next one is an interval from now.
    if (ticking_)
        nextTickMs_ = clock_.NowMs() + tickMs_;
    RunTick();
    Rearm();
}

void PollController::RunTick() {
    // Values from a device nobody confirmed must never appear.
    if (!state_.Connected)
        return;
    if (monitor_)
        monitor_->Tick();
    // A write whose echo never came ends its sequence.
    ExpireWrites();
    NotifyBusy();
    if (state_.PollDue) {
        state_.PollDue = false;
        state_.PollCountdown = 3;
        trace_ << "RectMode >> "
               << " [ " << HexDigits(state_.RequestMode, 2) << " ]" << std::endl;

        HistoryDownload &h = state_.History;
        switch (state_.RequestMode) {
        case mode::kPoll:
            SetTick(StatusTickMs());
            // The device still owes the most replies it may (one on a serial line): asking again would
            // talk over its answer or only queue up there.
            if (!LinkFree()) {
                monitor_->RequestHeldBack();
                break;
            }
            Send(ReadRequestUnit(ParseHex(kStatusStartHex), ParseHex(kStatusCountHex)));
            break;
        case mode::kNetworkReadBack: {
            const uint8_t data[] = {0x01};
            Send(VendorRequestUnit(kFnNetwork, data));
            state_.RequestMode = mode::kPoll;
            break;
        }
        case mode::kHistoryCount:
            if (++h.CountPhase > 1) {
                h.CountPhase = 0;
                if (!LinkFree() || (history_ && !history_->CountRequestDue()))
                    break;
                const uint8_t data[] = {static_cast<uint8_t>(h.Kind), 0x01};
                codec_.ResetReceiver();
                Send(VendorRequestUnit(kFnHistory, data), history_ ? history_->RequestWindowMs() : 0);
                if (history_)
                    history_->CountRequestSent();
            }
            break;
        case mode::kHistoryRecord:
        case mode::kHistoryNextRecord:
            // Also woken for at the collector's moment: the tick only catches one that was not.
            AskRecord();
            break;
        default:
            break;
        }
    }
    if (state_.RequestMode <= 19) {
        if (--state_.PollCountdown == 0)
            state_.PollDue = true;
    }
}

void PollController::Send(const Bytes &unit, int64_t replyWindowMs) {
    if (!LinkFree() || !waiting_.empty()) {
        waiting_.push_back({unit, replyWindowMs});
        return;
    }
    lastRequestNumber_ = codec_.SendRequest(unit, replyWindowMs);
}

void PollController::SendWaiting() {
    while (!waiting_.empty() && LinkFree() && state_.Connected) {
        Waiting w = std::move(waiting_.front());
        waiting_.pop_front();
        lastRequestNumber_ = codec_.SendRequest(w.Unit, w.ReplyWindowMs);
    }
}

void PollController::AskRecord() {
    if (state_.RequestMode != mode::kHistoryRecord && state_.RequestMode != mode::kHistoryNextRecord)
        return;
    // One record request at a time, and only on a free link: its answer must not meet another request.
    if (!LinkFree() || (history_ && !history_->RecordRequestDue()))
        return;
    const HistoryDownload &h = state_.History;
    Bytes data{static_cast<uint8_t>(h.Kind), 0x02};
    AppendBE16(data, h.Total - h.Current);
    codec_.ResetReceiver();
    Send(VendorRequestUnit(kFnHistory, data), history_ ? history_->RequestWindowMs() : 0);
    if (history_)
        history_->RecordRequestSent();
}

void PollController::StartTicks() {
    ticking_ = true;
    nextTickMs_ = clock_.NowMs() + tickMs_;
}

void PollController::StopTicks() {
    ticking_ = false;
}

void PollController::SetTick(int ms) {
    // The same interval again must not push the next tick back (record replies set it every time).
    if (ms == tickMs_)
        return;
    tickMs_ = ms;
    if (ticking_)
        nextTickMs_ = clock_.NowMs() + ms;
}

void PollController::Settle() {
    if (!ticking_ || !state_.Connected || state_.PollDue)
        return;
    const int64_t now = clock_.NowMs();
    if (nextTickMs_ > now)
        return;
    int64_t passed = (now - nextTickMs_) / tickMs_ + 1;
    if (state_.RequestMode <= 19) {
        // Stop at the tick that makes the request due; the tick after it is woken for.
        if (state_.PollCountdown == 0)
            return;
        passed = std::min<int64_t>(passed, state_.PollCountdown);
        state_.PollCountdown = static_cast<uint8_t>(state_.PollCountdown - passed);
        if (state_.PollCountdown == 0)
            state_.PollDue = true;
    }
    nextTickMs_ += passed * tickMs_;
}

int64_t PollController::NextWakeMs() const {
    int64_t next = INT64_MAX;
    if (ticking_ && state_.Connected) {
        if (state_.PollDue || (state_.RequestMode <= 19 && state_.PollCountdown == 0))
            next = nextTickMs_;
        else if (state_.RequestMode <= 19)
            next = nextTickMs_ + int64_t{state_.PollCountdown} * tickMs_;
        // A paused poll has no tick to wake for until an intent makes one due.
    }
    if (monitor_ && state_.Connected)
        next = std::min(next, monitor_->NextChangeMs(StatusPollPeriod()));
    // A write sequence ends at its echo deadline; the settings windows' OK comes back when no echo
    // is owed any more.
    next = std::min(next, writes_.Deadline());
    if (historyWatched_)
        next = std::min(next, nextWatchdogMs_);
    if (history_ && state_.Connected &&
        (state_.RequestMode == mode::kHistoryRecord || state_.RequestMode == mode::kHistoryNextRecord))
        next = std::min(next, history_->RecordRequestAtMs());
    return next;
}

void PollController::Wake() {
    armedMs_ = -1; // the single shot is spent
    Entry entry(*this);
    // First: its end may show a message, and the tick below then runs at the moment the box closed.
    ExpireWrites();
    const int64_t now = clock_.NowMs();
    if (historyWatched_ && nextWatchdogMs_ <= now) {
        nextWatchdogMs_ += kHistoryWatchdogMs;
        if (nextWatchdogMs_ <= now)
            nextWatchdogMs_ = now + kHistoryWatchdogMs;
        // Before the tick: a download that lost its mode asks again on this very tick.
        HistoryWatchdog();
    }
    if (ticking_ && state_.Connected && nextTickMs_ <= now) {
        nextTickMs_ += tickMs_;
        // A wake-up later than a whole tick starts the grid afresh, as a late repeating timer does.
        if (nextTickMs_ <= now)
            nextTickMs_ = now + tickMs_;
        RunTick();
    } else {
        if (monitor_)
            monitor_->Tick();
        NotifyBusy();
    }
    // Records go at the device's pace: the next as soon as the last is stored, a repeat at its deadline.
    if (history_ && state_.Connected && history_->RecordRequestAtMs() <= now)
        AskRecord();
}

void PollController::Rearm() {
    const int64_t at = NextWakeMs();
    if (at == armedMs_)
        return;
    if (at == INT64_MAX) {
        timer_.Disarm();
        armedMs_ = -1;
        return;
    }
    armedMs_ = at;
    timer_.ArmAt(at);
}

void PollController::ResponseDispatcher(int32_t function, Bytes payload) {
    Entry entry(*this);
    switch (function) {
    case kFnReadInput:
        DispatchStatus(payload);
        break;
    case kFnWriteSingle:
    case kFnWriteSingle | kExceptionBit:
        DispatchWriteAnswer(function, payload);
        break;
    case kFnNetwork:
        DispatchNetwork(payload);
        break;
    case kFnHistory:
        if (history_)
            history_->CollectHistory(payload);
        break;
    default:
        break; // other exception replies and unknown functions
    }
}

bool PollController::AnswersEarlierRequest(int32_t function, const Bytes &payload) {
    return function == kFnHistory && history_ && history_->AnswersStoredRecord(payload);
}

void PollController::DropReply(int32_t function, const Bytes &payload, DropReason reason) {
    if (!monitor_)
        return;
    Bytes unit{kUnitAddress, static_cast<uint8_t>(function)};
    unit.insert(unit.end(), payload.begin(), payload.end());
    monitor_->ReplyDropped(state_.Link, unit, reason);
}

void PollController::DispatchStatus(Bytes &payload) {
    if (payload.empty())
        return DropReply(kFnReadInput, payload, DropReason::ShortBlock);
    if (state_.RequestMode != mode::kPoll)
        return DropReply(kFnReadInput, payload, DropReason::NotAwaited);
    if (HexDigits(payload[0], 2) != kStatusByteCountHex)
        return DropReply(kFnReadInput, payload, DropReason::LengthMismatch);
    // A TCP frame may claim the right count yet carry fewer bytes.
    if (payload.size() < static_cast<std::size_t>(kStatusByteCount) + 1)
        return DropReply(kFnReadInput, payload, DropReason::ShortBlock);
    TakeFront(payload, 1);
    if (view_)
        view_->ApplyAccessRules();
    DecodeStatus(payload, snapshot_, view_model_);
    ++decodeCount_;
    if (monitor_)
        monitor_->StatusBlockDecoded();
    if (view_)
        view_->ShowStatus(snapshot_, view_model_);
    decodeObservers_.Notify(snapshot_, view_model_);
}

void PollController::DispatchWriteAnswer(int32_t function, const Bytes &payload) {
    // A deadline passed before this answer came ends the sequence first: the answer is then late.
    ExpireWrites();
    AnswerVerdict verdict;
    if (function == kFnWriteSingle) {
        verdict = writes_.Echo(payload);
    } else {
        // The device refused a queued write: the rest of the sequence must not go out.
        const int code = payload.empty() || payload[0] == 0 ? -1 : payload[0];
        verdict = writes_.Exception(code);
    }
    switch (verdict) {
    case AnswerVerdict::Confirmed:
    case AnswerVerdict::Refused:
        break;
    case AnswerVerdict::Failed:
        DropReply(function, payload, DropReason::EchoMismatch);
        break;
    case AnswerVerdict::Late:
        DropReply(function, payload, DropReason::LateEcho);
        break;
    case AnswerVerdict::NotAwaited:
        DropReply(function, payload, DropReason::NotAwaited);
        break;
    }
    // A late echo frees OK: nothing is owed any more.
    NotifyBusy();
}

void PollController::ExpireWrites() {
    writes_.Expire();
}

void PollController::WriteSequenceEnded(const WriteSequenceReport &report) {
    // A write still waiting for the link belongs to the ended sequence: it never goes out.
    std::erase_if(waiting_,
                  [](const Waiting &w) { return w.Unit.size() > 1 && w.Unit[1] == kFnWriteSingle; });
    NotifyBusy();
    Rearm(); // the box runs a nested loop: the poll keeps its deadlines there
    switch (report.End) {
    case SequenceEnd::Running:
    case SequenceEnd::Cancelled:
        break; // the link is closing: the caller hears it, no box
    case SequenceEnd::Confirmed:
        operator_.ShowInformation(kSettingSuccess);
        break;
    default:
        operator_.ShowError(WriteSequenceEndText(report, tr_));
        break;
    }
    // The mode is still 20 while the box is open, so no poll goes out until it is closed.
    if (state_.AlarmTestActive == 1)
        state_.RequestMode = mode::kPoll;
    if (state_.Link == LinkKind::Tcp)
        state_.RequestMode = mode::kPoll;
}

void PollController::DispatchNetwork(Bytes &payload) {
    if (payload.size() < 3)
        return DropReply(kFnNetwork, payload, DropReason::ShortBlock);
    TakeFront(payload, 2);
    uint8_t sub = TakeFront(payload, 1)[0];
    if (sub == 1) {
        DecodeIpSettingsReply(payload, snapshot_);
        state_.RequestMode = mode::kPoll;
        if (view_)
            view_->NetworkIdentityChanged(snapshot_);
    } else if (sub == 2 && !payload.empty()) {
        if (payload[0] == 1) {
            // The reply carries no identity: what was written becomes the known identity.
            Bytes written = state_.LastRawRequest;
            TakeFront(written, 5);
            DecodeIpSettingsReply(written, snapshot_);
            if (view_)
                view_->NetworkIdentityChanged(snapshot_);
            if (networkObserver_)
                networkObserver_(true);
            Rearm();
            operator_.ShowInformation(kSettingSuccess);
        } else if (payload[0] == 2) {
            if (networkObserver_)
                networkObserver_(false);
            Rearm();
            operator_.ShowError(kSettingFail);
        }
    }
}

// --- Write sequence ---

bool PollController::WriteBusy() const {
    return connecting_ || writes_.Running() || writes_.Owed();
}

void PollController::NotifyBusy() {
    bool busy = WriteBusy();
    if (busy == busyShown_)
        return;
    busyShown_ = busy;
    busyObservers_.Notify(busy);
}

bool PollController::EnsureTcpConnected() {
    LinkPort &port = codec_.Port();
    if (port.TcpConnected())
        return true;
    // The connect waits in a nested event loop where the window stays clickable.
    connecting_ = true;
    NotifyBusy();
    Rearm();
    std::string error = port.ConnectTcp();
    connecting_ = false;
    NotifyBusy();
    if (!error.empty()) {
        Rearm();
        operator_.ShowError(error);
        return false;
    }
    return true;
}

bool PollController::StartWriteSequence(const std::vector<PendingWrite> &writes,
                                        WriteSequence::EndCallback onEnd) {
    Entry entry(*this);
    ExpireWrites();
    if (writes.empty() || WriteBusy())
        return false;
    if (state_.Link == LinkKind::Tcp) {
        state_.RequestMode = mode::kPaused;
        // Nothing is queued before the client is up: an echo arriving meanwhile finds nothing to send.
        if (!EnsureTcpConnected())
            return false;
    }
    // Queued in push order, sent last-first.
    std::vector<PendingWrite> sendOrder(writes.rbegin(), writes.rend());
    if (sendOrder.size() > WriteSequence::kMaxWrites)
        sendOrder.erase(sendOrder.begin(),
                        sendOrder.end() - static_cast<std::ptrdiff_t>(WriteSequence::kMaxWrites));
    if (writes_.Start(std::move(sendOrder), std::move(onEnd)) != WriteSequence::StartResult::Started)
        return false;
    state_.PollCountdown = 3;
    state_.PollDue = true;
    NotifyBusy();
    return true;
}

bool PollController::CancelWriteSequence(const std::string &cause) {
    Entry entry(*this);
    return writes_.Cancel(cause);
}

bool PollController::StartAlarmTest(const std::vector<PendingWrite> &writes) {
    Entry entry(*this);
    if (WriteBusy())
        return false;
    const int32_t wasActive = state_.AlarmTestActive;
    const uint8_t wasMode = state_.RequestMode;
    state_.AlarmTestActive = 1;
    state_.RequestMode = mode::kPaused;
    if (StartWriteSequence(writes))
        return true;
    // Nothing went out (no client on TCP): neither the pace nor the poll may act as if it had.
    state_.AlarmTestActive = wasActive;
    state_.RequestMode = wasMode;
    return false;
}

bool PollController::StartNetworkWrite(const Bytes &request) {
    Entry entry(*this);
    if (request.empty() || WriteBusy())
        return false;
    if (state_.Link == LinkKind::Tcp) {
        state_.RequestMode = mode::kPaused;
        if (!EnsureTcpConnected())
            return false;
    }
    state_.LastRawRequest = request;
    codec_.ResetReceiver();
    Send(request);
    state_.PollCountdown = 3;
    state_.PollDue = true;
    return true;
}

// --- Session and link ---

void PollController::EnableTimer() {
    if (state_.Connected)
        StartTicks();
}

void PollController::ResumePoll() {
    state_.RequestMode = mode::kPoll;
    state_.PollDue = true;
}

void PollController::LoggedIn() {
    Entry entry(*this);
    state_.PollDue = true;
}

void PollController::ConnectionWindowOpened() {
    Entry entry(*this);
    writes_.Cancel("link closed");
    writes_.ForgetOwed();
    NotifyBusy();
    state_.Connected = false;
    StopTicks();
    waiting_.clear();
    if (monitor_)
        monitor_->LinkClosed();
    state_.Link = LinkKind::Unselected;
}

void PollController::LinkChosen(LinkKind link) {
    Entry entry(*this);
    state_.Link = link;
}

void PollController::LinkConfirmed(LinkKind link, const std::string &connectError) {
    Entry entry(*this);
    if (link == LinkKind::Unselected)
        return;
    state_.Link = link;
    state_.Connected = true;
    // A new link starts with no decode: the last one's values may be another device's.
    snapshot_ = {};
    view_model_ = {};
    if (monitor_) {
        monitor_->LinkOpened(link);
        if (!connectError.empty())
            monitor_->ConnectFailed(connectError);
    }
    SetTick(link == LinkKind::Serial ? kFirstPollSerialMs : kFirstPollTcpMs);
    // Also after a failed TCP connect: the poll keeps trying to reconnect.
    StartTicks();
}

void PollController::ConfirmationOpened() {
    Entry entry(*this);
    StopTicks();
}

void PollController::ConfirmationCancelled() {
    Entry entry(*this);
    EnableTimer();
}

void PollController::LinkClosed() {
    Entry entry(*this);
    writes_.Cancel("link closed");
    writes_.ForgetOwed();
    NotifyBusy();
    StopTicks();
    state_.Connected = false;
    waiting_.clear(); // nothing of a closed link goes out on the next one
    if (monitor_)
        monitor_->LinkClosed();
}

int PollController::StatusTickMs() const {
    if (pollPeriodMs_ > 0)
        return std::max(1, pollPeriodMs_ / 3);
    return state_.Link != LinkKind::Serial ? kTcpTickMs
           : state_.AlarmTestActive != 0   ? kAlarmTestTickMs
                                           : kSerialTickMs;
}

int PollController::StatusPollPeriod() const {
    return 3 * StatusTickMs();
}

LinkHealth PollController::Health() const {
    if (!monitor_ || !state_.Connected)
        return {};
    return monitor_->Health(StatusPollPeriod(), state_.RequestMode == mode::kPoll);
}

// --- Settings windows ---

namespace {

enum class PauseOnOpen : uint8_t { No, SerialOnly, AnyLink, AnyLinkButTcp };
enum class OnClose : uint8_t { ResumeIfPaused, Resume, ReadBackIdentity };

struct WindowRule {
    PauseOnOpen Open;
    bool ExitResumes;
    bool ExitEnablesTimer;
    OnClose Close;
    bool CloseEnablesTimer; // for ResumeIfPaused: only when it resumed
};

// What opening, the exit button and closing each window do to the poll.
WindowRule RuleOf(SettingsWindow window) {
    switch (window) {
    case SettingsWindow::Operating:
        return {PauseOnOpen::AnyLink, true, true, OnClose::ResumeIfPaused, false};
    case SettingsWindow::Measurement:
        return {PauseOnOpen::SerialOnly, true, true, OnClose::ResumeIfPaused, false};
    case SettingsWindow::DateTime:
        return {PauseOnOpen::SerialOnly, true, true, OnClose::ResumeIfPaused, true};
    case SettingsWindow::NetworkAddress:
        // Whatever happened, closing reads back what the controller now holds.
        return {PauseOnOpen::SerialOnly, true, false, OnClose::ReadBackIdentity, true};
    case SettingsWindow::AccessList:
        return {PauseOnOpen::SerialOnly, true, false, OnClose::Resume, true};
    case SettingsWindow::TcpRemote:
        return {PauseOnOpen::No, true, true, OnClose::ResumeIfPaused, false};
    case SettingsWindow::ControllerReset:
        return {PauseOnOpen::SerialOnly, true, false, OnClose::ResumeIfPaused, false};
    case SettingsWindow::FactoryInitial:
        // Initialising takes no pause on TCP: the poll goes on while the window is open.
        return {PauseOnOpen::AnyLinkButTcp, false, false, OnClose::ResumeIfPaused, false};
    case SettingsWindow::AlarmTest:
        return {PauseOnOpen::No, false, false, OnClose::Resume, false};
    }
    return {PauseOnOpen::No, false, false, OnClose::ResumeIfPaused, false};
}

} // namespace

void PollController::SettingsWindowOpened(SettingsWindow window) {
    Entry entry(*this);
    switch (RuleOf(window).Open) {
    case PauseOnOpen::No:
        break;
    case PauseOnOpen::SerialOnly:
        if (state_.Link == LinkKind::Serial)
            state_.RequestMode = mode::kPaused;
        break;
    case PauseOnOpen::AnyLink:
        state_.RequestMode = mode::kPaused;
        break;
    case PauseOnOpen::AnyLinkButTcp:
        state_.RequestMode = state_.Link == LinkKind::Tcp ? mode::kPoll : mode::kPaused;
        break;
    }
}

void PollController::SettingsWindowExit(SettingsWindow window) {
    Entry entry(*this);
    const WindowRule rule = RuleOf(window);
    if (!rule.ExitResumes)
        return;
    if (rule.ExitEnablesTimer)
        EnableTimer();
    ResumePoll();
}

void PollController::SettingsWindowClosed(SettingsWindow window) {
    Entry entry(*this);
    const WindowRule rule = RuleOf(window);
    switch (rule.Close) {
    case OnClose::ResumeIfPaused:
        if (state_.RequestMode != mode::kPaused)
            break;
        if (rule.CloseEnablesTimer)
            EnableTimer();
        ResumePoll();
        break;
    case OnClose::Resume:
        if (rule.CloseEnablesTimer)
            EnableTimer();
        ResumePoll();
        break;
    case OnClose::ReadBackIdentity:
        EnableTimer();
        state_.RequestMode = mode::kNetworkReadBack;
        state_.PollDue = true;
        break;
    }
    if (window == SettingsWindow::AlarmTest)
        state_.AlarmTestActive = 0;
}

// --- History ---

void PollController::HistoryDownloadStarted(HistoryKind kind) {
    Entry entry(*this);
    state_.History = HistoryDownload{kind, 0, 1, true, true, 0};
    state_.RequestMode = mode::kHistoryCount;
    historyWatched_ = true;
    nextWatchdogMs_ = clock_.NowMs() + kHistoryWatchdogMs;
}

void PollController::HistoryCountReceived(int32_t total) {
    Entry entry(*this);
    HistoryDownload &h = state_.History;
    h.Total = total;
    if (total <= 0) {
        state_.RequestMode = mode::kPoll;
        h.Active = false;
        return;
    }
    state_.RequestMode = mode::kHistoryRecord;
    SetTick(kHistoryCountIntervalMs);
    state_.PollDue = true;
}

bool PollController::HistoryRecordStored() {
    Entry entry(*this);
    HistoryDownload &h = state_.History;
    if (h.Current >= h.Total) {
        StopTicks();
        h.Total = 0;
        h.Collecting = false;
        h.Active = false;
        state_.RequestMode = mode::kPoll;
        return true;
    }
    ++h.Current;
    state_.RequestMode = mode::kHistoryNextRecord;
    SetTick(kHistoryRecordIntervalMs);
    state_.PollDue = true;
    return false;
}

void PollController::HistoryWindowClosed() {
    Entry entry(*this);
    HistoryDownload &h = state_.History;
    h.Collecting = false;
    h.Current = 1;
    h.Active = false;
    h.Total = 0;
    state_.RequestMode = mode::kPoll;
    historyWatched_ = false;
    EnableTimer();
}

void PollController::HistoryStopped() {
    Entry entry(*this);
    StopTicks();
}

void PollController::HistoryWatchdog() {
    Entry entry(*this);
    const HistoryDownload &h = state_.History;
    // Without a count there is no record to ask for yet.
    if (h.Active && state_.RequestMode == mode::kPoll)
        state_.RequestMode = h.Total > 0 ? mode::kHistoryRecord : mode::kHistoryCount;
    if (history_)
        history_->WatchdogTick();
}

void PollController::InitialiseDialogOpened() {
    Entry entry(*this);
    state_.RequestMode = mode::kHistoryInitialise;
}

void PollController::InitialiseDialogClosed() {
    Entry entry(*this);
    ResumePoll();
}

void PollController::SendHistoryInitialise(HistoryKind kind) {
    Entry entry(*this);
    if (kind == HistoryKind::None)
        return;
    const uint8_t data[] = {static_cast<uint8_t>(kind), 0x03}; // 3: initialise the log
    state_.LastRawRequest = VendorRequestUnit(kFnHistory, data);
    codec_.ResetReceiver();
    Send(state_.LastRawRequest);
    state_.PollCountdown = 3;
    state_.PollDue = true;
}

} // namespace zephyra
