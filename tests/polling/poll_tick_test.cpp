// What each Timer1 tick sends, how often, and the trace line it prints.
#include <gtest/gtest.h>

#include "link/link_monitor.h"
#include "polling/poll_rig.h"
#include "support/status_block.h"

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
    EXPECT_EQ(rig.timer.interval, GetParam().interval);
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

// The timer sleeps through ticks that only count down and runs them late: no sleep may hide a request,
// a time-out, the values turning stale or a write under way.
TEST(Tick, QuietTicksOnlyCountDownToTheNextRequest) {
    PollRig rig;
    LinkMonitor monitor(rig.clock);
    rig.codec.SetMonitor(&monitor);
    rig.rx.SetMonitor(&monitor);
    rig.ctl.SetLinkMonitor(&monitor);
    monitor.LinkOpened(LinkKind::Serial);
    const auto quiet = [&] { return rig.ctl.QuietTicksAhead(rig.clock.now + rig.timer.interval); };

    rig.Ticks(1);
    EXPECT_EQ(quiet(), 0) << "no reply yet: the waiting text counts up on every tick";
    rig.Reply(test::StatusBlock().Unit());
    std::vector<int> ahead{quiet()};
    for (int tick = 0; tick < 3; ++tick) {
        rig.Ticks(1);
        ahead.push_back(quiet());
    }
    EXPECT_EQ(ahead, (std::vector<int>{2, 1, 0, 2})) << "the third tick sends";
    ASSERT_EQ(rig.port.writes.size(), 2u);

    rig.clock.Advance(700);
    EXPECT_EQ(quiet(), 1) << "the second tick would count the unanswered request as timed out";
    rig.clock.Advance(1200);
    EXPECT_EQ(quiet(), 0) << "stale";
    rig.Reply(test::StatusBlock().Unit());
    ASSERT_EQ(quiet(), 2);
    rig.ctl.StartWriteSequence({{0x30, 230}});
    EXPECT_EQ(quiet(), 0) << "a write sequence";
}

} // namespace
} // namespace zephyra
