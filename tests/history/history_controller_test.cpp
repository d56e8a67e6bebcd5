// The history download end to end through the poll tick, the codec, the receiver and the collector,
// against a scripted device that answers the frames the fake port received.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <sstream>

#include "core/formatters.h"
#include "history/history_controller.h"
#include "link/response_receiver.h"
#include "support/fakes.h"

namespace zephyra {
namespace {

using fakes::FakeClock;
using fakes::FakeLinkPort;
using fakes::FakeOperator;
using fakes::FakePollTimer;
using Kind = FakeOperator::Kind;

class FakeHistoryView : public HistoryView {
public:
    void SetRowCount(int rows) override { rowCount = rows; }
    void SetRow(int row, const HistoryRow &cells) override {
        if (row > 0)
            filled.push_back(row);
        rows[row] = cells;
    }
    void SetGauge(int percent) override { gauge.push_back(percent); }
    void SetCountLabel(const std::string &text) override { label = text; }
    void EnableClose(bool on) override { closeEnabled = on; }
    void EnableSave(bool on) override { saveEnabled = on; }
    void EnableStop(bool on) override { stopEnabled = on; }
    void SetStall(const std::string &text) override { stalls.push_back(text); }
    std::string Stall() const { return stalls.empty() ? "" : stalls.back(); }

    int rowCount = 2001;
    std::vector<std::string> stalls; // every text handed over, in order
    std::map<int, HistoryRow> rows;
    std::vector<int> filled; // record rows in the order they were written
    std::vector<int> gauge;
    std::string label;
    bool closeEnabled = true, saveEnabled = false, stopEnabled = false;
};

// Record number `index` of the device's alarm log, recognisable by its AC voltage and seconds.
Bytes AlarmRecordFor(int index) {
    Bytes b;
    AppendBE16(b, index);
    for (uint8_t v : {25, 1, 2, 3, 4})
        b.push_back(v);
    b.push_back(static_cast<uint8_t>(index % 60));
    for (int v : {index, 540, 10, 0, 250})
        AppendBE16(b, v);
    b.push_back(1);
    b.push_back(1);
    return b;
}

Bytes ReplyUnit(HistoryKind kind, HistoryCommand command, const Bytes &body) {
    Bytes unit{kUnitAddress, kFnHistory};
    AppendBE16(unit, static_cast<int32_t>(body.size()) + 2);
    unit.push_back(static_cast<uint8_t>(kind));
    unit.push_back(static_cast<uint8_t>(command));
    unit.insert(unit.end(), body.begin(), body.end());
    return unit;
}

Bytes Reply(HistoryKind kind, HistoryCommand command, const Bytes &body) {
    return WithCrc(ReplyUnit(kind, command, body));
}

// Answers 0x41 requests found on the port, each after `delayMs`; `drop` decides which replies get lost.
struct FakeDevice {
    int count = 0;
    int64_t delayMs = 10;
    std::function<bool(int n)> drop = [](int) { return false; }; // n: record replies so far, from 0
    std::function<int64_t(int n)> delayFor;                      // overrides delayMs when set
    bool oneAtATime = false; // takes up a request only after answering the one before
    int64_t busyUntil = 0;

    std::size_t seen = 0;
    int recordRequests = 0;
    std::vector<int> requested;
    std::vector<int64_t> requestedAt;
    std::vector<Bytes> countRequests;
    std::deque<std::pair<int64_t, Bytes>> pending;

    void Poll(const FakeLinkPort &port, int64_t now) {
        for (; seen < port.writes.size(); ++seen) {
            const FakeLinkPort::Write &w = port.writes[seen];
            // The unit with a CRC after it, as on the serial line; over TCP the reply carries the id.
            const Bytes f = w.Tcp ? WithCrc(ByteView(w.Frame).subspan(6)) : w.Frame;
            const auto frame = [&](const Bytes &unit) {
                return w.Tcp ? WithMbap(static_cast<uint16_t>(w.Frame[0] << 8 | w.Frame[1]), unit)
                             : WithCrc(unit);
            };
            if (f.size() < 8 || f[1] != kFnHistory)
                continue;
            auto kind = static_cast<HistoryKind>(f[4]);
            if (f[5] == 1) {
                countRequests.push_back(f);
                Bytes n;
                AppendBE16(n, count);
                pending.emplace_back(Due(now, delayMs), frame(ReplyUnit(kind, HistoryCommand::Count, n)));
            } else if (f[5] == 2 && f.size() >= 10) {
                int index = f[6] * 256 + f[7];
                requested.push_back(index);
                requestedAt.push_back(now);
                int n = recordRequests++;
                if (drop(n))
                    continue;
                int64_t delay = delayFor ? delayFor(n) : delayMs;
                pending.emplace_back(Due(now, delay),
                                     frame(ReplyUnit(kind, HistoryCommand::Record, AlarmRecordFor(index))));
            }
        }
    }
    // Replies leave in the order the requests came, as from the simulator and any Modbus slave.
    int64_t Due(int64_t now, int64_t delay) {
        busyUntil = oneAtATime ? std::max(now, busyUntil) + delay : std::max(now + delay, busyUntil);
        return busyUntil;
    }
};

struct Rig {
    FakeLinkPort port;
    FakeClock clock;
    FakePollTimer timer;
    FakeOperator op;
    PollState state;
    ModbusCodec codec{state.Link, port};
    std::ostringstream trace;
    LinkMonitor monitor{clock, TextTranslator()};
    PollController poll{state, codec, timer, op, clock, trace, TextTranslator()};
    ResponseReceiver receiver{codec, poll, clock};
    HistoryController history{poll, clock, TextTranslator()};
    FakeHistoryView view;
    FakeDevice device;

    explicit Rig(LinkKind link = LinkKind::Serial) {
        state.Connected = true;
        codec.AttachReceiver(&receiver);
        codec.SetMonitor(&monitor);
        receiver.SetMonitor(&monitor);
        poll.SetLinkMonitor(&monitor);
        poll.SetHistoryCollector(&history);
        poll.LinkConfirmed(link);
    }

    // One tick interval of the poll's time: its wake-ups at the moments it armed the timer for, and
    // whatever the device sends, in the order they fall due.
    void Step() {
        const int64_t end = clock.now + poll.TickIntervalMs();
        for (int guard = 0; guard < 10000; ++guard) {
            device.Poll(port, clock.now);
            std::stable_sort(device.pending.begin(), device.pending.end(),
                             [](const auto &a, const auto &b) { return a.first < b.first; });
            const int64_t reply = device.pending.empty() ? INT64_MAX : device.pending.front().first;
            const int64_t wake = timer.armedAt.value_or(INT64_MAX);
            if (std::min(reply, wake) > end)
                break;
            clock.now = std::max(clock.now, std::min(reply, wake));
            if (reply <= wake) {
                const Bytes frame = device.pending.front().second;
                device.pending.pop_front();
                if (state.Link == LinkKind::Tcp)
                    receiver.OnTcpRead(frame);
                else
                    receiver.OnSerialRead(frame);
            } else {
                timer.armedAt.reset();
                poll.Wake();
            }
        }
        clock.now = std::max(clock.now, end);
    }
    void Run(int steps) {
        for (int i = 0; i < steps; ++i)
            Step();
    }
    // Steps with the history watchdog run once per step, as far as `until` or until `done`.
    void RunWatched(int64_t until, const std::function<bool()> &done = {}) {
        while (clock.now + poll.TickIntervalMs() <= until && !(done && done())) {
            Step();
            poll.HistoryWatchdog();
        }
    }
    // Runs until the download is over (or the step budget is spent).
    void RunToEnd(int budget = 20000) {
        for (int i = 0; i < budget && state.History.Active; ++i)
            Step();
    }
    int FramesOf(uint8_t function) const {
        int n = 0;
        for (const auto &w : port.writes)
            n += w.Frame.size() > 1 && w.Frame[1] == function;
        return n;
    }
};

std::vector<int> Descending(int total) {
    std::vector<int> out;
    for (int i = total - 1; i >= 0; --i)
        out.push_back(i);
    return out;
}

std::vector<int> OneTo(int total) {
    std::vector<int> out;
    for (int i = 1; i <= total; ++i)
        out.push_back(i);
    return out;
}

// Row k holds record Total - k: its AC voltage says so.
void ExpectRowsHoldRecordsInOrder(const FakeHistoryView &view, int total) {
    for (int k = 1; k <= total; ++k) {
        ASSERT_TRUE(view.rows.count(k)) << "row " << k;
        const HistoryRow &row = view.rows.at(k);
        EXPECT_EQ(row[0], DecDigits(k, 3));
        EXPECT_EQ(row[3], DecDigits(total - k, 3) + " V") << "row " << k;
    }
}

class DownloadOfCount : public ::testing::TestWithParam<int> {};

TEST_P(DownloadOfCount, FetchesEveryRecordOnceFromTheTopDown) {
    const int total = GetParam();
    Rig rig;
    rig.device.count = total;
    rig.history.StartDownload(HistoryKind::Alarm, &rig.view);
    EXPECT_EQ(rig.state.RequestMode, mode::kHistoryCount);
    rig.RunToEnd();

    ASSERT_EQ(rig.device.countRequests.size(), 1u);
    EXPECT_EQ(BytesToSpacedHex(rig.device.countRequests[0]),
              BytesToSpacedHex(WithCrc(Bytes{1, 0x41, 0, 2, 1, 1})));
    EXPECT_EQ(rig.device.requested, Descending(total));
    EXPECT_EQ(rig.view.rowCount, total + 1);
    EXPECT_EQ(rig.view.filled, OneTo(total));
    ExpectRowsHoldRecordsInOrder(rig.view, total);
    EXPECT_EQ(rig.view.rows.at(0), HistoryHeader(HistoryKind::Alarm));

    ASSERT_EQ(rig.op.messages.size(), 1u);
    EXPECT_EQ(rig.op.messages[0].kind, Kind::Information);
    EXPECT_EQ(rig.op.messages[0].text, std::to_string(total) + "개 데이터\r저장됨!!");
    ASSERT_EQ(static_cast<int>(rig.view.gauge.size()), total);
    EXPECT_EQ(rig.view.gauge.back(), 100);
    EXPECT_TRUE(std::is_sorted(rig.view.gauge.begin(), rig.view.gauge.end()));
    EXPECT_EQ(rig.view.label, "전체 : " + std::to_string(total));
    EXPECT_TRUE(rig.view.closeEnabled);
    EXPECT_TRUE(rig.view.saveEnabled);

    // Idle, timer stopped, and the rows stay for the export.
    EXPECT_FALSE(rig.poll.Ticking());
    EXPECT_EQ(rig.state.RequestMode, mode::kPoll);
    EXPECT_EQ(rig.state.History.Total, 0);
    EXPECT_EQ(rig.state.History.Current, total);
    EXPECT_FALSE(rig.state.History.Collecting);
    EXPECT_EQ(static_cast<int>(rig.history.ExportRows().size()), total + 1);
    EXPECT_EQ(rig.history.ExportRows()[static_cast<std::size_t>(total)][3], "000 V");

    // The status poll resumes only when the window is closed.
    std::size_t before = rig.port.writes.size();
    rig.Run(10);
    EXPECT_EQ(rig.port.writes.size(), before);
    rig.history.CloseWindow();
    EXPECT_TRUE(rig.poll.Ticking());
    rig.Run(4);
    EXPECT_GT(rig.FramesOf(kFnReadInput), 0);
}

INSTANTIATE_TEST_SUITE_P(History, DownloadOfCount, ::testing::Values(1, 3, 50));

// On every second due tick, and asked again no sooner than the reply time-out.
TEST(HistoryDownload, CountRequestGoesOutOnEverySecondDueTick) {
    Rig rig;
    rig.device.delayMs = 1000000; // never answered in this test
    rig.history.StartDownload(HistoryKind::Event, &rig.view);
    while (rig.clock.now < 2400)
        rig.Step();
    ASSERT_EQ(rig.device.countRequests.size(), 2u);
    EXPECT_EQ(BytesToSpacedHex(rig.device.countRequests[0]),
              BytesToSpacedHex(WithCrc(Bytes{1, 0x41, 0, 2, 3, 1})));
    EXPECT_EQ(rig.FramesOf(kFnReadInput), 0);
}

TEST(HistoryDownload, CountOfZeroShowsNoHistoryDataAndResumesPolling) {
    Rig rig;
    rig.device.count = 0;
    rig.history.StartDownload(HistoryKind::Alarm, &rig.view);
    rig.Run(30);
    ASSERT_EQ(rig.op.messages.size(), 1u);
    EXPECT_EQ(rig.op.messages[0], (FakeOperator::Message{Kind::Plain, "No History data"}));
    EXPECT_EQ(rig.view.rowCount, 1);
    EXPECT_TRUE(rig.view.closeEnabled);
    EXPECT_FALSE(rig.view.saveEnabled);
    EXPECT_FALSE(rig.state.History.Active);
    EXPECT_TRUE(rig.device.requested.empty());
    EXPECT_GT(rig.FramesOf(kFnReadInput), 0);
}

TEST(HistoryDownload, DelayedRepliesPastATickGiveEachRecordOnce) {
    Rig rig;
    rig.device.count = 20;
    rig.device.delayMs = 75; // two or three 30 ms ticks
    rig.history.StartDownload(HistoryKind::Alarm, &rig.view);
    rig.RunToEnd();
    EXPECT_EQ(rig.device.requested, Descending(20));
    EXPECT_EQ(rig.view.filled, OneTo(20));
    ExpectRowsHoldRecordsInOrder(rig.view, 20);
}

TEST(HistoryDownload, LostRepliesAreAskedAgainAfterTheTimeOut) {
    Rig rig;
    rig.device.count = 12;
    rig.device.drop = [](int n) { return n % 4 == 1; };
    rig.history.StartDownload(HistoryKind::Alarm, &rig.view);
    rig.RunToEnd();
    EXPECT_EQ(rig.view.filled, OneTo(12));
    ExpectRowsHoldRecordsInOrder(rig.view, 12);
    // Every index in order; a lost one is asked once more, not every few ticks.
    std::vector<int> distinct;
    for (int i : rig.device.requested)
        if (distinct.empty() || distinct.back() != i)
            distinct.push_back(i);
    EXPECT_EQ(distinct, Descending(12));
    EXPECT_LE(rig.device.requested.size(), 12u + 12u / 3u + 1u);
}

TEST(HistoryDownload, ReplyLaterThanTheTimeOutDoesNotFillTheNextRow) {
    Rig rig;
    rig.device.count = 30;
    // The second record's first answer takes longer than the time-out, so it is asked again; the
    // first answer then arrives after the second, when the next record could already be out.
    rig.device.delayFor = [](int n) -> int64_t { return n == 1 ? 1300 : 10; };
    rig.history.StartDownload(HistoryKind::Alarm, &rig.view);
    rig.RunToEnd();
    EXPECT_EQ(rig.view.filled, OneTo(30));
    ExpectRowsHoldRecordsInOrder(rig.view, 30);
}

// A device slower than the first time-out with ±50 % jitter, answering requests side by side or one
// at a time, on both links: records asked more than once are stored once, each in its own row, in
// order (on TCP by transaction id, on serial by content while a copy is owed).
TEST(HistoryDownload, SlowJitteryDeviceGivesEveryRecordOnceInOrder) {
    for (LinkKind link : {LinkKind::Serial, LinkKind::Tcp}) {
        for (bool oneAtATime : {false, true}) {
            for (int64_t latency : {1100, 2000, 3000, 6000, 10000}) {
                SCOPED_TRACE(std::to_string(latency) + (oneAtATime ? " ms, one at a time" : " ms") +
                             (link == LinkKind::Tcp ? ", TCP" : ", serial"));
                Rig rig(link);
                rig.device.count = 8;
                rig.device.delayFor = [latency](int n) {
                    return latency / 2 + (n * 7919 % 1001) * latency / 1000;
                };
                rig.device.oneAtATime = oneAtATime;
                rig.history.StartDownload(HistoryKind::Alarm, &rig.view);
                rig.RunToEnd(200000);
                EXPECT_EQ(rig.view.filled, OneTo(8));
                ExpectRowsHoldRecordsInOrder(rig.view, 8);
                const LinkCounters &c = rig.monitor.Counters();
                EXPECT_EQ(c.Requests, c.Replies + c.Timeouts + c.Superseded + c.Cancelled +
                                          rig.monitor.OutstandingCount());
            }
        }
    }
}

TEST(HistoryDownload, OneRecordRequestAtATime) {
    Rig rig;
    rig.device.count = 5;
    rig.device.delayMs = 500; // slow device: many ticks pass while a request is out
    rig.history.StartDownload(HistoryKind::Alarm, &rig.view);
    rig.RunToEnd();
    EXPECT_EQ(rig.device.requested, Descending(5));
}

// The device's pace, not the tick's: the next record is asked as soon as the last one is in, on serial
// after the silence Modbus keeps between frames even where a 30 ms tick falls inside that silence.
TEST(HistoryDownload, NextRecordGoesOutRightAfterTheReply) {
    for (LinkKind link : {LinkKind::Serial, LinkKind::Tcp}) {
        SCOPED_TRACE(link == LinkKind::Tcp ? "TCP" : "serial");
        Rig rig(link);
        rig.device.count = 40;
        rig.device.delayMs = 7;
        rig.history.StartDownload(HistoryKind::Alarm, &rig.view);
        rig.RunToEnd();
        ASSERT_EQ(rig.device.requestedAt.size(), 40u);
        const int64_t silence = link == LinkKind::Serial ? PollController::kInterFrameMs : 0;
        for (std::size_t i = 1; i < 40; ++i)
            EXPECT_EQ(rig.device.requestedAt[i] - rig.device.requestedAt[i - 1], 7 + silence)
                << "record " << i;
    }
}

TEST(HistoryDownload, CloseDuringTheCountPhaseStopsRequests) {
    Rig rig;
    rig.device.count = 5;
    rig.device.delayMs = 3000; // the count reply comes after the window has gone
    rig.history.StartDownload(HistoryKind::Alarm, &rig.view);
    rig.Run(7);
    ASSERT_EQ(rig.device.countRequests.size(), 1u);
    rig.poll.HistoryStopped(); // the poll was stopped
    rig.history.CloseWindow();
    EXPECT_TRUE(rig.poll.Ticking());
    EXPECT_EQ(rig.state.RequestMode, mode::kPoll);
    EXPECT_FALSE(rig.view.saveEnabled);
    rig.Run(40);
    EXPECT_TRUE(rig.device.pending.empty());
    EXPECT_TRUE(rig.device.requested.empty());
    EXPECT_EQ(rig.state.RequestMode, mode::kPoll);
    EXPECT_EQ(rig.view.rowCount, 2001); // the closed window is not touched
    EXPECT_GT(rig.FramesOf(kFnReadInput), 5);
}

TEST(HistoryDownload, RepliesAfterCloseAreIgnored) {
    Rig rig;
    rig.device.count = 5;
    rig.history.StartDownload(HistoryKind::Alarm, &rig.view);
    while (rig.view.filled.size() < 2)
        rig.Step();
    rig.history.CloseWindow();
    FakeHistoryView before = rig.view;
    rig.receiver.OnSerialRead(Reply(HistoryKind::Alarm, HistoryCommand::Record, AlarmRecordFor(1)));
    rig.receiver.OnSerialRead(Reply(HistoryKind::Alarm, HistoryCommand::Count, Bytes{0, 9}));
    rig.Run(20);
    EXPECT_EQ(rig.view.filled, before.filled);
    EXPECT_EQ(rig.view.rowCount, before.rowCount);
    EXPECT_EQ(rig.state.RequestMode, mode::kPoll);
    EXPECT_EQ(rig.state.History.Total, 0);
    EXPECT_TRUE(rig.op.messages.empty());
}

TEST(HistoryDownload, UnaskedRecordRepliesAndRepeatedCountsAreIgnored) {
    Rig rig;
    rig.device.count = 3;
    rig.device.delayMs = 100000;
    rig.history.StartDownload(HistoryKind::Alarm, &rig.view);
    // A record reply during the count phase, then the count, then a second count reply.
    rig.receiver.OnSerialRead(Reply(HistoryKind::Alarm, HistoryCommand::Record, AlarmRecordFor(7)));
    rig.receiver.OnSerialRead(Reply(HistoryKind::Alarm, HistoryCommand::Count, Bytes{0, 3}));
    EXPECT_EQ(rig.state.RequestMode, mode::kHistoryRecord);
    rig.receiver.OnSerialRead(Reply(HistoryKind::Alarm, HistoryCommand::Count, Bytes{0, 9}));
    EXPECT_EQ(rig.view.rowCount, 4);
    EXPECT_EQ(rig.state.History.Total, 3);
    // In mode 15 but before any record request went out.
    rig.receiver.OnSerialRead(Reply(HistoryKind::Alarm, HistoryCommand::Record, AlarmRecordFor(2)));
    EXPECT_TRUE(rig.view.filled.empty());
    EXPECT_EQ(rig.state.History.Current, 1);
}

TEST(HistoryDownload, StopRequestLeavesTheModeAndDropsWhatIsInFlight) {
    Rig rig;
    rig.device.count = 10;
    rig.device.delayMs = 150;
    rig.history.StartDownload(HistoryKind::Alarm, &rig.view);
    while (rig.view.filled.size() < 3)
        rig.Step();
    while (rig.device.pending.empty())
        rig.Step();
    EXPECT_FALSE(rig.view.closeEnabled);
    uint8_t modeBefore = rig.state.RequestMode;
    rig.history.StopRequest();
    EXPECT_FALSE(rig.poll.Ticking());
    EXPECT_TRUE(rig.view.closeEnabled);
    EXPECT_TRUE(rig.view.saveEnabled);
    EXPECT_FALSE(rig.view.stopEnabled);
    EXPECT_EQ(rig.state.RequestMode, modeBefore);
    rig.Run(10); // the reply in flight arrives
    EXPECT_EQ(rig.view.filled.size(), 3u);
    // The rows so far can be saved: header, three records, and the awaited row.
    std::vector<HistoryRow> rows = rig.history.ExportRows();
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[3][3], "007 V");
    rig.history.CloseWindow();
    EXPECT_TRUE(rig.poll.Ticking());
    EXPECT_EQ(rig.state.RequestMode, mode::kPoll);
}

TEST(HistoryDownload, WatchdogRestartsRecordRequestsOnlyWhileActive) {
    Rig rig;
    rig.poll.HistoryWatchdog();
    EXPECT_EQ(rig.state.RequestMode, mode::kPoll);
    rig.device.count = 4;
    rig.history.StartDownload(HistoryKind::Alarm, &rig.view);
    while (rig.view.filled.empty())
        rig.Step();
    rig.state.RequestMode = mode::kPoll; // something put the poll back to idle mid-download
    rig.poll.HistoryWatchdog();
    EXPECT_EQ(rig.state.RequestMode, mode::kHistoryRecord);
    rig.RunToEnd();
    EXPECT_EQ(rig.view.filled, OneTo(4));
    rig.poll.HistoryWatchdog();
    EXPECT_EQ(rig.state.RequestMode, mode::kPoll);
}

TEST(HistoryStall, SilenceBeforeTheCountIsShownAndCountsUp) {
    Rig rig;
    rig.device.delayMs = 1000000; // the count never comes
    rig.history.StartDownload(HistoryKind::Alarm, &rig.view);
    const int64_t start = rig.clock.now;
    rig.RunWatched(start + HistoryController::kStallAfterMs - 100);
    EXPECT_EQ(rig.view.Stall(), "");
    rig.RunWatched(start + 5500);
    EXPECT_EQ(rig.view.stalls,
              (std::vector<std::string>{"장비가 3초째 응답하지 않습니다 — 기록 개수를 기다리는 중",
                                        "장비가 4초째 응답하지 않습니다 — 기록 개수를 기다리는 중",
                                        "장비가 5초째 응답하지 않습니다 — 기록 개수를 기다리는 중"}));
    // Close: nothing more reaches the window.
    rig.history.CloseWindow();
    rig.RunWatched(start + 9000);
    EXPECT_EQ(rig.view.stalls.size(), 3u);
}

TEST(HistoryStall, ShowsWhatArrivedClearsOnTheNextReplyAndEndsWithStop) {
    Rig rig;
    rig.device.count = 2000;
    int answered = 3; // record requests the device answers before it falls silent
    rig.device.drop = [&](int n) { return n >= answered; };
    rig.history.StartDownload(HistoryKind::Alarm, &rig.view);
    rig.RunWatched(1000000, [&] { return rig.view.filled.size() == 3; });
    rig.RunWatched(rig.clock.now + 3300);
    EXPECT_EQ(rig.view.Stall(), "장비가 3초째 응답하지 않습니다 — 2000건 중 3건 받음");

    // The line comes back for three more records: the first reply clears the text and the download
    // goes on where it was.
    answered = rig.device.recordRequests + 3;
    rig.RunWatched(rig.clock.now + 60000, [&] { return rig.view.Stall().empty(); });
    EXPECT_EQ(rig.view.Stall(), "");
    rig.RunWatched(rig.clock.now + 60000, [&] { return rig.view.filled.size() == 6; });
    EXPECT_EQ(rig.view.filled, OneTo(6));
    EXPECT_EQ(rig.view.rows.at(4)[3], DecDigits(1996, 3) + " V");

    // Silent again, and the technician gives up: Stop takes the text away for good.
    rig.RunWatched(rig.clock.now + 4000);
    EXPECT_NE(rig.view.Stall(), "");
    rig.history.StopRequest();
    EXPECT_EQ(rig.view.Stall(), "");
    rig.RunWatched(rig.clock.now + 10000);
    EXPECT_EQ(rig.view.Stall(), "");
}

TEST(HistoryDownload, EventRecordsOverTcpCarryNoCrc) {
    Rig rig;
    rig.state.Link = LinkKind::Tcp;
    rig.history.StartDownload(HistoryKind::Event, &rig.view);
    rig.history.CollectHistory(Bytes{0, 4, 3, 1, 0, 1});
    ASSERT_EQ(rig.state.History.Total, 1);
    ASSERT_TRUE(rig.history.RecordRequestDue());
    rig.history.RecordRequestSent();
    Bytes payload{0, 16, 3, 2, 0, 0, 25, 6, 1, 8, 0, 0, 3, 23, 1, 3, 0, 0};
    rig.history.CollectHistory(payload);
    ASSERT_EQ(rig.view.filled, OneTo(1));
    EXPECT_EQ(rig.view.rows.at(1), (HistoryRow{"001", "2025-06-01", "08:00:00", "LCD", "LOG History Init",
                                               "1", "Event Log", "0"}));
}

TEST(HistoryInitialise, SendsAtOnceAndReportsTheResult) {
    Rig rig;
    rig.history.SetInitialiseDialogOpen(true);
    EXPECT_EQ(rig.state.RequestMode, mode::kHistoryInitialise);
    rig.state.PollDue = false;
    rig.history.InitialiseLog(HistoryKind::Event);
    ASSERT_EQ(rig.port.writes.size(), 1u);
    EXPECT_EQ(BytesToSpacedHex(rig.port.Last()), BytesToSpacedHex(WithCrc(Bytes{1, 0x41, 0, 2, 3, 3})));
    EXPECT_EQ(rig.state.LastRawRequest, (Bytes{1, 0x41, 0, 2, 3, 3}));
    EXPECT_TRUE(rig.state.PollDue);
    EXPECT_EQ(rig.state.PollCountdown, 3);
    rig.Run(10); // mode 23: the ticks send nothing
    EXPECT_EQ(rig.port.writes.size(), 1u);

    const std::pair<uint8_t, std::vector<FakeOperator::Message>> cases[] = {
        {1, {{Kind::Information, " Setting Sucess!!"}}},
        {2, {{Kind::Error, " Setting Fail!!"}}},
        {3, {}},
        {0, {}},
    };
    for (const auto &[result, expected] : cases) {
        rig.op.messages.clear();
        rig.receiver.OnSerialRead(Reply(HistoryKind::Event, HistoryCommand::Initialise, Bytes{result}));
        EXPECT_EQ(rig.op.messages, expected) << int(result);
    }

    rig.history.InitialiseLog(HistoryKind::Alarm);
    EXPECT_EQ(BytesToSpacedHex(rig.port.Last()), BytesToSpacedHex(WithCrc(Bytes{1, 0x41, 0, 2, 1, 3})));

    rig.history.SetInitialiseDialogOpen(false);
    EXPECT_EQ(rig.state.RequestMode, mode::kPoll);
    EXPECT_TRUE(rig.state.PollDue);
    // The alarm log's answer comes after the dialog closed: the device did clear it, so it is told.
    // A second answer, or one for a log nobody asked about, is not.
    rig.op.messages.clear();
    for (HistoryKind kind : {HistoryKind::Alarm, HistoryKind::Alarm, HistoryKind::Event})
        rig.receiver.OnSerialRead(Reply(kind, HistoryCommand::Initialise, Bytes{1}));
    EXPECT_EQ(rig.op.messages,
              (std::vector<FakeOperator::Message>{{Kind::Information, " Setting Sucess!!"}}));
    rig.history.InitialiseLog(HistoryKind::Event);
    rig.receiver.OnSerialRead(Reply(HistoryKind::Event, HistoryCommand::Initialise, Bytes{2}));
    EXPECT_EQ(rig.op.messages.back(), (FakeOperator::Message{Kind::Error, " Setting Fail!!"}));
}

TEST(HistoryCollector, AnyBytesInAnyStateAreSafe) {
    Rig rig;
    uint32_t seed = 12345;
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<uint8_t>(seed >> 16);
    };
    rig.history.SetInitialiseDialogOpen(true);
    for (int round = 0; round < 3000; ++round) {
        if (round % 500 == 0)
            rig.history.StartDownload(HistoryKind::Alarm, &rig.view);
        if (round % 700 == 0)
            rig.history.StopRequest();
        if (round % 900 == 0)
            rig.history.CloseWindow();
        Bytes payload(next() % 30);
        for (uint8_t &b : payload)
            b = next();
        if (payload.size() > 3 && next() % 2)
            payload[3] = static_cast<uint8_t>(1 + next() % 3);
        if (rig.history.RecordRequestDue())
            rig.history.RecordRequestSent();
        rig.history.CollectHistory(payload);
        rig.poll.HistoryWatchdog();
        rig.poll.Timer1Timer();
        rig.clock.Advance(30);
        // Whatever arrived, the download never points past its count.
        const HistoryDownload &h = rig.state.History;
        if (h.Active && h.Total > 0) {
            ASSERT_LE(h.Current, h.Total);
        }
    }
}

} // namespace
} // namespace zephyra
