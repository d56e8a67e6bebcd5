// What each window's opening, exit button and closing do to the poll, per link; the link's own life.
#include <gtest/gtest.h>

#include "polling/poll_rig.h"

namespace zephyra {
namespace {

using testrig::PollRig;
using W = SettingsWindow;
constexpr uint8_t kPoll = mode::kPoll, kPaused = mode::kPaused, kReadBack = mode::kNetworkReadBack;

struct WindowCase {
    W window;
    const char *name;
    uint8_t openSerial, openTcp, openUnselected; // the mode after opening from mode 0
    bool exitResumes, exitEnablesTimer;          // the exit button, from mode 20
    uint8_t closeFromPaused;                     // the mode after closing from 20 (PollDue raised)
    bool closeEnablesTimer;
    bool closeFromPollRaisesDue; // closing while the poll runs
};

// Each row read off the windows' rules: pause on open, exit button, close handler.
const WindowCase kWindows[] = {
    {W::Operating, "Operating", kPaused, kPaused, kPaused, true, true, kPoll, false, false},
    {W::Measurement, "Measurement", kPaused, kPoll, kPoll, true, true, kPoll, false, false},
    {W::DateTime, "DateTime", kPaused, kPoll, kPoll, true, true, kPoll, true, false},
    {W::NetworkAddress, "NetworkAddress", kPaused, kPoll, kPoll, true, false, kReadBack, true, true},
    {W::AccessList, "AccessList", kPaused, kPoll, kPoll, true, false, kPoll, true, true},
    {W::TcpRemote, "TcpRemote", kPoll, kPoll, kPoll, true, true, kPoll, false, false},
    {W::ControllerReset, "ControllerReset", kPaused, kPoll, kPoll, true, false, kPoll, false, false},
    {W::FactoryInitial, "FactoryInitial", kPaused, kPoll, kPaused, false, false, kPoll, false, false},
    {W::AlarmTest, "AlarmTest", kPoll, kPoll, kPoll, false, false, kPoll, false, true},
};

class WindowRules : public ::testing::TestWithParam<WindowCase> {
protected:
    // The poll runs on a confirmed link, just past a request (nothing due), paused by a settings window
    // when asked; the timer stopped so each effect on it shows.
    PollRig &Rig(LinkKind link, bool paused) {
        rig = std::make_unique<PollRig>(link);
        rig->Ticks(1);
        if (paused)
            rig->ctl.SettingsWindowOpened(W::Operating);
        rig->ctl.ConfirmationOpened(); // the poll stopped, so each effect on it shows
        return *rig;
    }
    std::unique_ptr<PollRig> rig;
};

TEST_P(WindowRules, OpenExitAndCloseSetTheModeThePollTimerAndPollDue) {
    const WindowCase &c = GetParam();
    for (auto [link, expected] :
         {std::pair{LinkKind::Serial, c.openSerial}, std::pair{LinkKind::Tcp, c.openTcp},
          std::pair{LinkKind::Unselected, c.openUnselected}}) {
        PollRig &r = Rig(link, false);
        r.ctl.SettingsWindowOpened(c.window);
        EXPECT_EQ(r.state.RequestMode, expected) << "open on " << testrig::LinkName(link);
    }

    PollRig &exit = Rig(LinkKind::Serial, true);
    exit.ctl.SettingsWindowExit(c.window);
    EXPECT_EQ(exit.state.RequestMode, c.exitResumes ? kPoll : kPaused) << "exit";
    EXPECT_EQ(exit.state.PollDue, c.exitResumes) << "exit";
    EXPECT_EQ(exit.ctl.Ticking(), c.exitEnablesTimer) << "exit";

    PollRig &closed = Rig(LinkKind::Serial, true);
    closed.ctl.SettingsWindowClosed(c.window);
    EXPECT_EQ(closed.state.RequestMode, c.closeFromPaused) << "close";
    EXPECT_TRUE(closed.state.PollDue) << "close";
    EXPECT_EQ(closed.ctl.Ticking(), c.closeEnablesTimer) << "close";

    PollRig &running = Rig(LinkKind::Tcp, false);
    running.ctl.SettingsWindowClosed(c.window);
    EXPECT_EQ(running.state.PollDue, c.closeFromPollRaisesDue) << "close while polling";
}

INSTANTIATE_TEST_SUITE_P(Windows, WindowRules, ::testing::ValuesIn(kWindows),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(AlarmTestIntent, OkSlowsTheSerialPollUntilTheWindowCloses) {
    PollRig r;
    ASSERT_TRUE(r.ctl.StartAlarmTest({{0x2E, 1}}));
    EXPECT_EQ(r.state.AlarmTestActive, 1);
    r.Echo(); // success: the poll resumes at the alarm-test pace
    EXPECT_EQ(r.state.RequestMode, kPoll);
    r.Ticks(1);
    EXPECT_EQ(r.ctl.TickIntervalMs(), 400);
    r.ctl.SettingsWindowClosed(W::AlarmTest);
    EXPECT_EQ(r.state.AlarmTestActive, 0);
}

TEST(AlarmTestIntent, UnreachableTcpDeviceLeavesPaceAndPollAsTheyWere) {
    PollRig r(LinkKind::Tcp);
    r.port.connected = false;
    r.port.connectError = "Connection refused";
    EXPECT_FALSE(r.ctl.StartAlarmTest({{0x2E, 1}}));
    EXPECT_TRUE(r.port.writes.empty());
    EXPECT_EQ(r.state.AlarmTestActive, 0);
    EXPECT_EQ(r.state.RequestMode, kPoll);
    EXPECT_EQ(r.op.messages.size(), 1u) << "the failed connect is shown";
}

// The poll runs only between a confirmed link and its close; nothing may switch the timer back on
// without one (a cancelled logout question, a settings window's exit, a history window's close).
TEST(LinkLife, ThePollRunsOnlyOnAConfirmedLink) {
    PollRig r;
    r.ctl.ConnectionWindowOpened();
    EXPECT_FALSE(r.ctl.Ticking());
    EXPECT_EQ(r.state.Link, LinkKind::Unselected);
    r.ctl.LinkChosen(LinkKind::Tcp);
    r.Ticks(6); // a stray tick before the connect button sends nothing
    EXPECT_TRUE(r.port.writes.empty());
    r.ctl.ConfirmationCancelled();
    r.ctl.SettingsWindowExit(W::Operating);
    r.ctl.HistoryWindowClosed();
    EXPECT_FALSE(r.ctl.Ticking());

    r.ctl.LinkConfirmed(LinkKind::Serial);
    EXPECT_TRUE(r.ctl.Ticking());
    EXPECT_EQ(r.ctl.TickIntervalMs(), PollController::kFirstPollSerialMs);
    r.ctl.ConfirmationOpened();
    EXPECT_FALSE(r.ctl.Ticking());
    r.ctl.ConfirmationCancelled();
    EXPECT_TRUE(r.ctl.Ticking());

    r.ctl.LinkClosed();
    EXPECT_FALSE(r.ctl.Ticking());
    r.ctl.ConfirmationCancelled();
    EXPECT_FALSE(r.ctl.Ticking());

    r.ctl.LinkConfirmed(LinkKind::Tcp);
    EXPECT_EQ(r.ctl.TickIntervalMs(), PollController::kFirstPollTcpMs);
}

} // namespace
} // namespace zephyra
