// What each Timer1 tick sends, how often, and the trace line it prints.
#include <gtest/gtest.h>

#include "polling/poll_rig.h"

namespace zephyra {
namespace {

using testrig::Hex;
using testrig::PollRig;

const Bytes kStatusRead = Hex("01 04 00 01 00 7F");

struct CadenceCase {
    LinkKind link;
    int32_t alarmTest;
    int interval;
};
void PrintTo(const CadenceCase &c, std::ostream *os) {
    *os << testrig::LinkName(c.link) << " alarm test " << c.alarmTest;
}

class PollCadence : public ::testing::TestWithParam<CadenceCase> {};

TEST_P(PollCadence, OneStatusReadPerThreeTicksAtTheLinksInterval) {
    PollRig rig(GetParam().link);
    rig.state.AlarmTestActive = GetParam().alarmTest;
    std::vector<std::size_t> sentAfterTick;
    for (int tick = 0; tick < 9; ++tick) {
        rig.ctl.Timer1Timer();
        sentAfterTick.push_back(rig.port.writes.size());
    }
    EXPECT_EQ(sentAfterTick, (std::vector<std::size_t>{1, 1, 1, 2, 2, 2, 3, 3, 3}));
    EXPECT_EQ(rig.Sent(), std::vector<Bytes>(3, kStatusRead));
    EXPECT_EQ(rig.ctl.TickIntervalMs(), GetParam().interval);
    EXPECT_EQ(rig.TraceLines(), std::vector<std::string>(3, "RectMode >>  [ 00 ]"));
}

INSTANTIATE_TEST_SUITE_P(Tick, PollCadence,
                         ::testing::Values(CadenceCase{LinkKind::Serial, 0, 200},
                                           CadenceCase{LinkKind::Serial, 1, 400},
                                           CadenceCase{LinkKind::Tcp, 0, 300},
                                           CadenceCase{LinkKind::Tcp, 1, 300},
                                           CadenceCase{LinkKind::Unselected, 0, 300}));

struct ModeCase {
    uint8_t mode;
    const char *trace;
    std::vector<Bytes> sent; // on the first due tick
    uint8_t modeAfter;
};
void PrintTo(const ModeCase &c, std::ostream *os) {
    *os << "mode " << int(c.mode);
}

class TickByMode : public ::testing::TestWithParam<ModeCase> {};

TEST_P(TickByMode, SendsWhatTheModeAsksAndTracesIt) {
    for (LinkKind link : {LinkKind::Serial, LinkKind::Tcp}) {
        SCOPED_TRACE(testrig::LinkName(link));
        PollRig rig(link);
        rig.state.RequestMode = GetParam().mode;
        rig.state.History = {HistoryKind::Alarm, 3, 1, true, true, 1};
        rig.ctl.Timer1Timer();
        EXPECT_EQ(rig.TraceLines(), std::vector<std::string>{GetParam().trace});
        EXPECT_EQ(rig.Sent(), GetParam().sent);
        EXPECT_EQ(rig.state.RequestMode, GetParam().modeAfter);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tick, TickByMode,
    ::testing::Values(ModeCase{0, "RectMode >>  [ 00 ]", {kStatusRead}, 0},
                      ModeCase{1, "RectMode >>  [ 01 ]", {Hex("01 47 00 01 01")}, 0},
                      // History kind 1, records 3, awaiting the first: record number 3 - 1.
                      ModeCase{14, "RectMode >>  [ 0E ]", {Hex("01 41 00 02 01 01")}, 14},
                      ModeCase{15, "RectMode >>  [ 0F ]", {Hex("01 41 00 04 01 02 00 02")}, 15},
                      ModeCase{16, "RectMode >>  [ 10 ]", {Hex("01 41 00 04 01 02 00 02")}, 16},
                      ModeCase{20, "RectMode >>  [ 14 ]", {}, 20},
                      ModeCase{23, "RectMode >>  [ 17 ]", {}, 23}));

TEST(Tick, NetworkReadBackGoesOnceThenThePollResumes) {
    PollRig rig;
    rig.state.RequestMode = mode::kNetworkReadBack;
    rig.Ticks(4);
    EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{Hex("01 47 00 01 01"), kStatusRead}));
    EXPECT_EQ(rig.TraceLines(), (std::vector<std::string>{"RectMode >>  [ 01 ]", "RectMode >>  [ 00 ]"}));
}

TEST(Tick, HistoryCountGoesOnEverySecondDueTick) {
    PollRig rig;
    rig.state.RequestMode = mode::kHistoryCount;
    rig.state.History.Kind = HistoryKind::Event;
    std::vector<int> sentOn;
    for (int tick = 1; tick <= 12; ++tick) {
        std::size_t before = rig.port.writes.size();
        rig.ctl.Timer1Timer();
        if (rig.port.writes.size() != before)
            sentOn.push_back(tick);
    }
    EXPECT_EQ(sentOn, (std::vector<int>{4, 10}));
    EXPECT_EQ(rig.port.writes.back().Frame, Hex("01 41 00 02 03 01 5D 35"));
    EXPECT_EQ(rig.TraceLines().size(), 4u);
}

TEST(Tick, PausedModesTraceOnceThenStopTheCountdown) {
    for (uint8_t paused : {mode::kPaused, mode::kHistoryInitialise}) {
        PollRig rig;
        rig.state.RequestMode = paused;
        rig.Ticks(30);
        EXPECT_TRUE(rig.port.writes.empty());
        EXPECT_EQ(rig.TraceLines().size(), 1u);
        EXPECT_FALSE(rig.state.PollDue);

        // Leaving the dialog resumes at once.
        rig.state.RequestMode = mode::kPoll;
        rig.state.PollDue = true;
        rig.ctl.Timer1Timer();
        EXPECT_EQ(rig.Sent(), std::vector<Bytes>{kStatusRead});
    }
}

TEST(Tick, TcpPollWhileDisconnectedReconnectsAndRetriesOnTheNextDueTick) {
    PollRig rig(LinkKind::Tcp);
    rig.port.connected = false;
    rig.Ticks(3);
    EXPECT_TRUE(rig.port.writes.empty());
    EXPECT_EQ(rig.port.reconnects, 1);
    rig.port.connected = true;
    rig.ctl.Timer1Timer();
    ASSERT_EQ(rig.port.writes.size(), 1u);
    EXPECT_EQ(rig.port.Last(), Hex("00 01 00 00 00 06 01 04 00 01 00 7F"));
}

// Woken only at the moments it arms the timer for, the poll sends what tick by tick it sent, at the same
// moments: the first request one short tick after the connect, then one per period; a paused poll arms
// nothing, and the exit button restarts the ticks.
TEST(Wake, RequestsKeepTheirMomentsAndAPausedPollSleeps) {
    struct Case {
        LinkKind link;
        std::vector<int64_t> sentAt;
    };
    for (const Case &c : {Case{LinkKind::Serial, {1040, 1640, 2240, 3200, 3800}},
                          Case{LinkKind::Tcp, {1020, 1920, 3300, 4200}}}) {
        SCOPED_TRACE(testrig::LinkName(c.link));
        PollRig rig(c.link);
        std::vector<int64_t> sentAt;
        int wakes = 0;
        const auto runUntil = [&](int64_t until) {
            while (rig.timer.armedAt && *rig.timer.armedAt <= until) {
                rig.clock.now = *rig.timer.armedAt;
                const std::size_t before = rig.port.writes.size();
                rig.ctl.Wake();
                ++wakes;
                if (rig.port.writes.size() > before)
                    sentAt.push_back(rig.clock.now);
            }
            rig.clock.now = until;
        };
        rig.clock.now = 1000;
        rig.ctl.LinkConfirmed(c.link);
        runUntil(2300);
        rig.ctl.SettingsWindowOpened(SettingsWindow::Operating);
        runUntil(3000);
        EXPECT_FALSE(rig.timer.armedAt) << "paused: nothing to wake for";
        rig.ctl.SettingsWindowExit(SettingsWindow::Operating);
        runUntil(c.sentAt.back() + 1);
        EXPECT_EQ(sentAt, c.sentAt);
        EXPECT_EQ(wakes, static_cast<int>(c.sentAt.size())) << "one wake-up per request";
    }
}

// The history watchdog is one more deadline of the poll: from a download's start until its window
// closes it is woken every 100 ms, and gives a download that lost its mode its mode back.
TEST(Wake, TheHistoryWatchdogRunsFromADownloadsStartUntilItsWindowCloses) {
    PollRig rig;
    rig.clock.now = 1000;
    rig.ctl.HistoryDownloadStarted(HistoryKind::Alarm);
    EXPECT_EQ(rig.timer.armedAt, std::optional<int64_t>{1100}) << "the poll has nothing else to wake for";
    rig.state.RequestMode = mode::kPoll;
    rig.clock.now = 1100;
    rig.ctl.Wake();
    EXPECT_EQ(rig.state.RequestMode, mode::kHistoryCount);
    EXPECT_EQ(rig.history.watchdogRuns, 1);
    EXPECT_EQ(rig.timer.armedAt, std::optional<int64_t>{1200});

    rig.ctl.HistoryWindowClosed();
    while (rig.timer.armedAt && *rig.timer.armedAt <= 3000) {
        rig.clock.now = *rig.timer.armedAt;
        rig.ctl.Wake();
    }
    EXPECT_EQ(rig.history.watchdogRuns, 1);
    EXPECT_FALSE(rig.port.writes.empty()) << "the status poll runs on";
}

} // namespace
} // namespace zephyra
