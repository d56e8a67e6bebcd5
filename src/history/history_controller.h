// The history download: count phase, one record request at a time, completion and closing, and the
// log initialise command. The history windows implement HistoryView; the poll controller paces the
// requests and hands every 0x41 reply to CollectHistory.
#pragma once

#include "core/text_key.h"
#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "history/history_record.h"
#include "link/link_port.h"
#include "polling/poll_controller.h"
#include "polling/poll_state.h"

namespace zephyra {

enum class HistoryCommand : uint8_t { Count = 1, Record = 2, Initialise = 3 };

class HistoryView {
public:
    virtual ~HistoryView() = default;
    // Header row and record rows.
    virtual void SetRowCount(int rows) = 0;
    virtual void SetRow(int row, const HistoryRow &cells) = 0;
    virtual void SetGauge(int percent) = 0;
    virtual void SetCountLabel(const std::string &text) = 0;
    virtual void EnableClose(bool enabled) = 0;
    virtual void EnableSave(bool enabled) = 0;
    // The Stop Request button.
    virtual void EnableStop(bool enabled) = 0;
    // How long the device has been silent during a download; empty while it answers.
    virtual void SetStall(const std::string &text) = 0;
};

inline constexpr const char *kNoHistoryData = "No History data";
inline constexpr const char *kHistoryCountPrefix = ZEPHYRA_TEXT("zephyra", "전체 : ");

// Text of the completion box: the count, "개 데이터", a carriage return, "저장됨!!".
std::string HistoryCompletionText(int32_t total, const TextTranslator &tr);
// The count label of a download the operator stopped: what arrived of how many.
std::string StoppedCountText(int32_t received, int32_t total);
// What a saved workbook holds, said under its path: records saved of records in the log.
std::string SavedCountText(int32_t saved, int32_t total);
// The Yes/No question asked before a log is initialised: which log, and that it is erased.
std::string InitialiseQuestion(HistoryKind kind);

class HistoryController : public HistoryCollector {
public:
    // A record request with no reply for this long is asked again; a device that answers later
    // than that gets about twice its slowest recent reply time, up to the cap.
    static constexpr int64_t kReplyTimeoutMs = 1000;
    static constexpr int64_t kMaxReplyTimeoutMs = 30000;
    // A lost reply is asked again within a second and nobody needs to know; three seconds without any
    // answer means the line or the device is down, and the technician should not keep watching a gauge
    // that will not move.
    static constexpr int64_t kStallAfterMs = 3000;

    // tr: the language of the messages it builds (completion, stall).
    HistoryController(PollController &poll, const Clock &clock, TextTranslator tr)
        : poll_(poll), operator_(poll.Messages()), clock_(clock), tr_(tr) {}

    // The alarm-log and event-log commands: the view stays attached until CloseWindow.
    void StartDownload(HistoryKind kind, HistoryView *view);
    // The window's Close button: ends any download and resumes the status poll.
    void CloseWindow();
    // The Stop Request button: the poll timer stops, the rows so far can be saved.
    void StopRequest();
    // Each run of the poll's history watchdog: tells the view when the device has gone silent.
    void WatchdogTick() override;

    // The initialise dialog: opening pauses the poll, closing resumes it.
    void SetInitialiseDialogOpen(bool open);
    // Sends the initialise request for the alarm log (1) or event log (3) at once. Its answer is
    // reported also when it comes after the dialog closed: the log is gone either way.
    void InitialiseLog(HistoryKind kind);

    void CollectHistory(const Bytes &payload) override;
    bool RecordRequestDue() override;
    void RecordRequestSent() override;
    int64_t RecordRequestAtMs() const override;
    int64_t RequestWindowMs() const override;
    bool CountRequestDue() override;
    void CountRequestSent() override;
    bool AnswersStoredRecord(const Bytes &payload) override;

    // Header and rows 1..Total of the current or last download (empty cells for rows not yet received).
    const std::vector<HistoryRow> &Rows() const { return rows_; }
    // Rows the export writes: header through row Current.
    std::vector<HistoryRow> ExportRows() const;
    bool InitialiseDialogOpen() const { return initialiseOpen_; }
    int64_t ReplyTimeoutMs() const { return replyTimeoutMs_; }
    // Records stored in their rows, and the log's size, of the current or last download.
    int32_t ReceivedCount() const { return received_; }
    int32_t TotalCount() const { return total_; }

private:
    // A request awaiting its answer: asked `sends` times, first at `firstMs`, last at `lastMs`, asked
    // again once `repeatAfterMs` passed without an answer.
    struct Asked {
        int sends = 0;
        int64_t firstMs = 0;
        int64_t lastMs = 0;
        int64_t repeatAfterMs = 0;
    };
    bool RepeatDue(const Asked &asked) const;
    // How long the next send of `asked` waits for its answer.
    int64_t WindowFor(const Asked &asked) const;
    void NoteSent(Asked &asked);
    // Whether the record phase may ask at all.
    bool RecordPhaseOpen() const;
    // The record body of a reply (serial CRC off), and its command; false when it is none.
    bool RecordBody(const Bytes &payload, ByteView &body) const;

    void OnCount(HistoryKind replyKind, ByteView body);
    void OnRecord(ByteView body);
    void OnInitialise(ByteView body);
    void Complete(int32_t total);
    void NoteReplyTime(int64_t ms);
    void ResetRecordExchange();
    void DeviceAnswered();
    void ShowStall(const std::string &text);

    PollController &poll_;
    Operator &operator_;
    const Clock &clock_;
    TextTranslator tr_;
    HistoryView *view_ = nullptr;
    std::vector<HistoryRow> rows_;
    Asked record_; // the awaited record
    Asked count_;
    int32_t received_ = 0;
    int32_t total_ = 0;
    // The link's numbers of the record requests sent lately, with the record index each asked for: on
    // TCP a reply's transaction id says exactly which record it carries.
    std::deque<std::pair<uint64_t, int32_t>> asked_;
    uint64_t firstRequestOfRecord_ = 0;
    // Serial: the record stored last and how many of its requests are still unanswered. An answer with
    // exactly its content while one is owed is that record again, never the next one.
    Bytes lastStoredBody_;
    int owed_ = 0;
    // The first answer's time for a record asked more than once, until an owed answer confirms it.
    int64_t unconfirmedReplyMs_ = 0;
    // The last record stored (or the count): the next record is asked right after it.
    int64_t storedMs_ = 0;
    int64_t replyTimeoutMs_ = kReplyTimeoutMs;
    std::vector<int64_t> recentReplyMs_;
    bool stopped_ = false; // Stop Request: replies of this download are dropped
    // The last count or record reply (or the start) of this download, and the stall text shown.
    int64_t lastReplyMs_ = 0;
    std::string stallText_;
    bool initialiseOpen_ = false;
    // Initialise requests sent and not yet answered, by log kind.
    std::array<int, 4> initialiseOwed_{};
};

} // namespace zephyra
