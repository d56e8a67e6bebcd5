// The poll tick, the response dispatcher and the write sequence. Everything runs on one thread.
//
// The controller is the only writer of the poll state. Windows and the history collector call its
// intents, named after what the operator did, and read the state through State().
#pragma once

#include <deque>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "core/ports.h"
#include "link/link_monitor.h"
#include "link/modbus_codec.h"
#include "link/response_sink.h"
#include "polling/observer_list.h"
#include "polling/poll_state.h"
#include "polling/status_decoder.h"
#include "polling/write_sequence.h"

namespace zephyra {

class StatusView {
public:
    virtual ~StatusView() = default;
    // Called first on every decode: menus follow the link and the user level.
    virtual void ApplyAccessRules() = 0;
    virtual void ShowStatus(const StatusSnapshot &snapshot, const StatusViewModel &view) = 0;
    virtual void NetworkIdentityChanged(const StatusSnapshot &) {}
};

class HistoryCollector {
public:
    virtual ~HistoryCollector() = default;
    // payload: the 0x41 response after its function code (serial: CRC at the end).
    virtual void CollectHistory(const Bytes &payload) = 0;
    // Modes 15 and 16 ask before each record request and report it sent: one request at a time.
    virtual bool RecordRequestDue() { return true; }
    virtual void RecordRequestSent() {}
    // The moment the next record request is due (INT64_MAX: none): the poll wakes for it, so records go
    // at the device's pace rather than the tick's.
    virtual int64_t RecordRequestAtMs() const { return INT64_MAX; }
    // How long the next count or record request waits for its reply before it may be asked again
    // (0: the link's own time-out).
    virtual int64_t RequestWindowMs() const { return 0; }
    // Mode 14 asks on each count opportunity, so a slow device is not asked again before it could answer.
    virtual bool CountRequestDue() { return true; }
    virtual void CountRequestSent() {}
    // Serial: whether a record reply is a second answer to the record stored last (see ResponseSink).
    virtual bool AnswersStoredRecord(const Bytes & /*payload*/) { return false; }
    // After each run of the history watchdog: every kHistoryWatchdogMs from the start of a download
    // until its window closes.
    virtual void WatchdogTick() {}
};

inline constexpr const char *kSettingSuccess = " Setting Sucess!!";
inline constexpr const char *kSettingFail = " Setting Fail!!";

// The windows that pause and resume the poll; each one's rules are in one table in the controller.
enum class SettingsWindow : uint8_t {
    Operating,
    Measurement,
    DateTime,
    NetworkAddress,
    AccessList,
    TcpRemote,
    ControllerReset,
    FactoryInitial,
    AlarmTest,
};

class PollController : public ResponseSink {
public:
    // A write whose echo has not come for this long ends its sequence (the slowest device seen answers
    // in about 2 s); the settings windows' OK comes back once that echo can no longer be owed.
    static constexpr int64_t kWriteEchoTimeoutMs = WriteSequence::kEchoDeadlineMs;
    // The first poll after a connect goes out one short tick after the button.
    static constexpr int kFirstPollSerialMs = 40;
    static constexpr int kFirstPollTcpMs = 20;
    static constexpr int kHistoryCountIntervalMs = 40;
    static constexpr int kHistoryRecordIntervalMs = 30;
    // The history windows' watchdog, woken for only while one is open.
    static constexpr int kHistoryWatchdogMs = 100;
    // The silence a Modbus RTU master keeps after a reply before its next request: 1.75 ms above 19200
    // baud. The clock counts whole milliseconds, so a reply stamped N may have come at N.99: waiting
    // until N + 3 keeps at least 2 ms.
    static constexpr int kInterFrameMs = 3;
    // Status poll ticks; a request goes out every third one.
    static constexpr int kSerialTickMs = 200;
    static constexpr int kAlarmTestTickMs = 400;
    static constexpr int kTcpTickMs = 300;

    // tr: the language of the messages it builds (a write sequence that did not end confirmed).
    PollController(PollState &state, ModbusCodec &codec, PollTimer &timer, Operator &op, const Clock &clock,
                   std::ostream &trace, TextTranslator tr)
        : state_(state), codec_(codec), timer_(timer), operator_(op), clock_(clock), trace_(trace), tr_(tr) {
        writeEnd_ = writes_.OnEnd([this](const WriteSequenceReport &report) { WriteSequenceEnded(report); });
    }

    void SetStatusView(StatusView *view) { view_ = view; }
    void SetHistoryCollector(HistoryCollector *collector) { history_ = collector; }
    // Told when a link opens and closes, and ticked with the poll so replies can time out.
    void SetLinkMonitor(LinkMonitor *monitor) { monitor_ = monitor; }
    // Told after the view of every decoded status block (the trend, the command line and a profile apply
    // listen here), each for as long as it keeps the subscription.
    [[nodiscard]] Subscription
    OnDecode(std::function<void(const StatusSnapshot &, const StatusViewModel &)> observer) {
        return decodeObservers_.Add(std::move(observer));
    }

    // The status read goes out every third tick; a headless poller may ask for another period than the
    // link's own (0: the link's).
    void SetStatusPollPeriod(int periodMs) { pollPeriodMs_ = periodMs; }
    int StatusPollPeriod() const;

    // One poll tick, now: the request due, then the countdown.
    void Timer1Timer();
    // The poll timer's wake-up: the history watchdog, the tick due, reply time-outs, the write echo's
    // time-out; then re-arms.
    void Wake();
    // The next moment the poll has something to do (INT64_MAX: nothing). Ticks that would only count
    // down are not woken for: the countdown is derived from the tick grid when the poll is next entered,
    // so requests go out on the same ticks as if every tick had run.
    int64_t NextWakeMs() const;
    // The ticks run (the link is confirmed and the poll not stopped), and their interval.
    bool Ticking() const { return ticking_; }
    int TickIntervalMs() const { return tickMs_; }
    void ResponseDispatcher(int32_t function, Bytes payload) override;
    bool AnswersEarlierRequest(int32_t function, const Bytes &payload) override;
    // The number of the request last sent, and of the request the reply being dispatched answers, and
    // whether that one had already ended (0: unknown, no link monitor).
    uint64_t LastRequestNumber() const { return lastRequestNumber_; }
    uint64_t ReplyRequestNumber() const { return monitor_ ? monitor_->LastReplyRequest() : 0; }
    bool ReplyLate() const { return monitor_ && monitor_->LastReplyLate(); }
    // A reply handed to a collector that it does not use, recorded with its reason.
    void SetReplyAside(int32_t function, const Bytes &payload, DropReason reason) {
        DropReply(function, payload, reason);
    }
    // Requests that wait for the link: at its in-flight limit nothing more goes out.
    std::size_t WaitingCount() const { return waiting_.size(); }

    const PollState &State() const { return state_; }
    LinkKind Link() const { return state_.Link; }
    const StatusSnapshot &Snapshot() const { return snapshot_; }
    const StatusViewModel &LastView() const { return view_model_; }
    uint64_t DecodeCount() const { return decodeCount_; }
    Operator &Messages() { return operator_; }
    // Live or stale, and why, for the link in use at its status poll period.
    LinkHealth Health() const;

    // --- Session and link ---
    void LoggedIn();
    // The connection window opened: no link is chosen until the operator picks one.
    void ConnectionWindowOpened();
    void LinkChosen(LinkKind link);
    // The connect button: the first poll goes out one short tick later, and the poll runs from now on
    // (also after a failed TCP connect, given as connectError: the poll keeps trying). The last decode is
    // forgotten.
    void LinkConfirmed(LinkKind link, const std::string &connectError = {});
    // The disconnect/logout question is open: nothing goes out until it is answered.
    void ConfirmationOpened();
    void ConfirmationCancelled();
    // Disconnect or logout confirmed, or the program exits.
    void LinkClosed();

    // --- Settings windows ---
    void SettingsWindowOpened(SettingsWindow window);
    // The window's exit button; its close handler runs after it.
    void SettingsWindowExit(SettingsWindow window);
    void SettingsWindowClosed(SettingsWindow window);
    // Queues the writes (sent last-first, one per echo) and sends the first. On TCP the poll pauses
    // and the client is connected first if needed. Returns false, sending nothing and calling nothing,
    // for an empty list, while another sequence or connect is under way, while an echo of an ended
    // sequence may still come (WriteBusy), or when the TCP connect fails. Otherwise onEnd is called
    // exactly once, when the sequence ends (after the operator's message): every write confirmed, one
    // refused or failed, its echo deadline, or a cancel.
    bool StartWriteSequence(const std::vector<PendingWrite> &writes, WriteSequence::EndCallback onEnd = {});
    // Ends a running write sequence now (its caller hears "cancelled" with the cause). False when none ran.
    bool CancelWriteSequence(const std::string &cause);
    const WriteSequence &Writes() const { return writes_; }
    // The alarm-test window's OK: the slower alarm-test pace, then the write sequence. False, changing
    // nothing, when the sequence could not start.
    bool StartAlarmTest(const std::vector<PendingWrite> &writes);
    // The network identity frame (one 0x47 request, not through the write queue); its reply reports
    // success or failure. The receiver starts afresh, the frame is kept so a success reply can show what
    // was written, and on TCP the poll pauses and the client connects first (a failed connect is shown
    // and nothing is sent). Returns whether the frame went out.
    bool StartNetworkWrite(const Bytes &request);
    // Told the device's answer to that frame before the operator is, so the open window knows what the
    // device now holds.
    void SetNetworkWriteObserver(std::function<void(bool accepted)> observer) {
        networkObserver_ = std::move(observer);
    }
    // A write sequence or a TCP connect is under way, or an ended sequence's echo may still come: OK
    // must do nothing.
    bool WriteBusy() const;
    // Told when WriteBusy changes, so an open window can disable its OK.
    [[nodiscard]] Subscription OnWriteBusy(std::function<void(bool busy)> observer) {
        busyShown_ = WriteBusy();
        return busyObservers_.Add(std::move(observer));
    }

    // --- History (the collector and the history windows, through HistoryController) ---
    void HistoryDownloadStarted(HistoryKind kind);
    // A count reply: with records the record phase starts; with none the poll resumes.
    void HistoryCountReceived(int32_t total);
    // A record reply was stored for Current: the next one is asked, or the download ends (returns
    // true; Timer1 stops and the poll mode returns to 0).
    bool HistoryRecordStored();
    void HistoryWindowClosed();
    void HistoryStopped();
    // The history watchdog, now: a download that lost its mode gets it back, and the collector is told.
    void HistoryWatchdog();
    void InitialiseDialogOpened();
    void InitialiseDialogClosed();
    void SendHistoryInitialise(HistoryKind kind);

private:
    // Every request goes out here: at once while the link takes another, else in turn once it does.
    void Send(const Bytes &unit, int64_t replyWindowMs = 0);
    void SendWaiting();
    bool LinkFree() const { return !monitor_ || !monitor_->Saturated(state_.Link); }
    // Mode 15 and 16: the record request, when the collector says it is due and the link is free.
    void AskRecord();
    void DispatchStatus(Bytes &payload);
    // Records why the dispatcher set a reply aside.
    void DropReply(int32_t function, const Bytes &payload, DropReason reason);
    void DispatchWriteAnswer(int32_t function, const Bytes &payload);
    void DispatchNetwork(Bytes &payload);
    // Ends the running sequence if its echo is overdue (its end shows the message).
    void ExpireWrites();
    void WriteSequenceEnded(const WriteSequenceReport &report);
    // Connects the TCP client if needed, refusing a second OK meanwhile. False when it failed.
    bool EnsureTcpConnected();
    void ResumePoll();
    // The ticks run only on a confirmed link.
    void EnableTimer();
    // The tick grid: starting it (again) puts the next tick one interval from now, as does a new
    // interval while it runs.
    void StartTicks();
    void StopTicks();
    void SetTick(int ms);
    void RunTick();
    // Counts down the ticks passed since the last look that only count down.
    void Settle();
    // Arms the timer for NextWakeMs(); before returning from every entry, and before any nested loop.
    void Rearm();
    // Settles on entry and re-arms on return.
    class Entry {
    public:
        explicit Entry(PollController &c) : c_(c) { c_.Settle(); }
        ~Entry() {
            c_.SendWaiting();
            c_.Rearm();
        }
        Entry(const Entry &) = delete;
        Entry &operator=(const Entry &) = delete;

    private:
        PollController &c_;
    };
    void NotifyBusy();

    PollState &state_;
    ModbusCodec &codec_;
    PollTimer &timer_;
    Operator &operator_;
    const Clock &clock_;
    std::ostream &trace_;
    TextTranslator tr_;
    StatusView *view_ = nullptr;
    HistoryCollector *history_ = nullptr;
    LinkMonitor *monitor_ = nullptr;
    StatusSnapshot snapshot_;
    StatusViewModel view_model_;
    uint64_t decodeCount_ = 0;
    bool connecting_ = false;
    // The echo is awaited on the link as long as the sequence waits for it: a slow echo is not a late one.
    WriteSequence writes_{clock_, [this](const PendingWrite &w) {
                              Send(WriteRequestUnit(w.Address, w.Value), kWriteEchoTimeoutMs);
                          }};
    Subscription writeEnd_;
    ObserverList<bool> busyObservers_;
    std::function<void(bool)> networkObserver_;
    ObserverList<const StatusSnapshot &, const StatusViewModel &> decodeObservers_;
    bool busyShown_ = false;
    int pollPeriodMs_ = 0;
    bool ticking_ = false;
    int tickMs_ = kDefaultPollIntervalMs;
    int64_t nextTickMs_ = 0;
    bool historyWatched_ = false;
    int64_t nextWatchdogMs_ = 0;
    int64_t armedMs_ = -1; // -1: not armed
    struct Waiting {
        Bytes Unit;
        int64_t ReplyWindowMs;
    };
    std::deque<Waiting> waiting_;
    uint64_t lastRequestNumber_ = 0;
    int StatusTickMs() const;
};

} // namespace zephyra
