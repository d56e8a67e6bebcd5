// Routing of complete replies by function code, through the real receiver on both links.
#include <gtest/gtest.h>

#include "link/link_monitor.h"
#include "polling/poll_rig.h"
#include "support/status_block.h"

namespace zephyra {
namespace {

using fakes::FakeOperator;
using test::StatusBlock;
using testrig::Hex;
using testrig::PollRig;

const Bytes kIdentityBlock = Hex("0A 5E 21 FE FF 10  0A 00 00 01  FF FF FF 00  0A 00 00 FE");

Bytes Cat(Bytes a, const Bytes &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class Dispatch : public ::testing::TestWithParam<LinkKind> {
protected:
    void SetUp() override {
        rig.state.Link = GetParam();
        rig.Ticks(1); // a request went out, so a TCP reply has a transaction to match
    }
    PollRig rig;
};

TEST_P(Dispatch, StatusBlockInPollModeIsDecodedAfterTheAccessRules) {
    StatusBlock block;
    block.Set(reg::kYear, 2025).Set(reg::kMonth, 8).Set(reg::kDay, 7).Set(reg::kDCV, 535);
    rig.Reply(block.Unit());
    EXPECT_EQ(rig.view.calls, (std::vector<std::string>{"rules", "show"}));
    EXPECT_EQ(rig.view.snapshot.DateText, "2025-08-07");
    EXPECT_EQ(rig.ctl.Snapshot().DCVText, "53.5 V");
    EXPECT_EQ(rig.ctl.Snapshot().Reg(reg::kDCV), 535);
}

TEST_P(Dispatch, StatusIsIgnoredOutsidePollModeOrWithAnotherByteCount) {
    StatusBlock block;
    block.Set(reg::kDCV, 535);
    for (uint8_t m : {mode::kNetworkReadBack, mode::kHistoryCount, mode::kHistoryRecord, mode::kPaused,
                      mode::kHistoryInitialise}) {
        rig.state.RequestMode = m;
        rig.Reply(block.Unit());
    }
    rig.state.RequestMode = mode::kPoll;
    Bytes shortBlock = Hex("01 04 F0");
    shortBlock.resize(3 + 0xF0, 0x11);
    rig.Reply(shortBlock);
    EXPECT_TRUE(rig.view.calls.empty());
    EXPECT_FALSE(rig.ctl.Snapshot().Decoded);
}

TEST_P(Dispatch, NetworkIdentityReplyFillsTheZeroPaddedTextsAndEndsAnyMode) {
    rig.state.RequestMode = mode::kPaused;
    rig.codec.SendRequest(Hex("01 47 00 01 01"));
    rig.Reply(Cat(Hex("01 47 00 13 01"), kIdentityBlock));
    const StatusSnapshot &s = rig.ctl.Snapshot();
    EXPECT_EQ(s.MACText, "0A.5E.21.FE.FF.10");
    EXPECT_EQ(s.IPText, "10.00.00.01");
    EXPECT_EQ(s.SMText, "255.255.255.00");
    EXPECT_EQ(s.GWText, "10.00.00.254");
    EXPECT_EQ(rig.state.RequestMode, mode::kPoll);
    EXPECT_EQ(rig.view.Count("identity"), 1);
    EXPECT_TRUE(rig.op.messages.empty());
}

TEST_P(Dispatch, NetworkWriteSuccessAdoptsWhatWasWritten) {
    rig.state.LastRawRequest = Cat(Hex("01 47 00 13 02"), kIdentityBlock);
    rig.codec.SendRequest(rig.state.LastRawRequest);
    rig.Reply(Hex("01 47 00 02 02 01"));
    EXPECT_EQ(rig.ctl.Snapshot().IPText, "10.00.00.01");
    EXPECT_EQ(rig.ctl.Snapshot().GWText, "10.00.00.254");
    const FakeOperator::Message success{FakeOperator::Kind::Information, " Setting Sucess!!"};
    EXPECT_EQ(rig.op.messages, std::vector<FakeOperator::Message>{success});
}

TEST_P(Dispatch, NetworkWriteResultTwoFailsAndOthersAreSilent) {
    rig.state.LastRawRequest = Cat(Hex("01 47 00 13 02"), kIdentityBlock);
    rig.codec.SendRequest(rig.state.LastRawRequest);
    rig.Reply(Hex("01 47 00 02 02 02"));
    const FakeOperator::Message fail{FakeOperator::Kind::Error, " Setting Fail!!"};
    EXPECT_EQ(rig.op.messages, std::vector<FakeOperator::Message>{fail});
    rig.Reply(Hex("01 47 00 02 02 03"));
    EXPECT_EQ(rig.op.messages.size(), 1u);
    EXPECT_TRUE(rig.ctl.Snapshot().IPText.empty());
}

TEST_P(Dispatch, HistoryRepliesReachTheCollectorInAnyMode) {
    const Bytes unit = Hex("01 41 00 04 01 01 00 03");
    rig.codec.SendRequest(Hex("01 41 00 02 01 01"));
    for (uint8_t m : {mode::kPoll, mode::kHistoryCount, mode::kPaused, mode::kHistoryInitialise}) {
        rig.state.RequestMode = m;
        rig.Reply(unit);
    }
    ASSERT_EQ(rig.history.payloads.size(), 4u);
    // The collector sees everything after the function code (on serial the CRC as well).
    const Bytes body = Hex("00 04 01 01 00 03");
    for (const Bytes &p : rig.history.payloads)
        EXPECT_EQ(Bytes(p.begin(), p.begin() + 6), body);
}

TEST_P(Dispatch, UnknownFunctionsAndExceptionsDoNothing) {
    rig.Reply(Hex("01 03 00 02 00 00"));
    rig.Reply(Hex("01 84 02"));
    rig.Reply(Hex("01 C7 01"));
    EXPECT_TRUE(rig.view.calls.empty());
    EXPECT_TRUE(rig.op.messages.empty());
    EXPECT_TRUE(rig.history.payloads.empty());
    EXPECT_EQ(rig.port.writes.size(), 1u);
    EXPECT_EQ(rig.state.RequestMode, mode::kPoll);
}

INSTANTIATE_TEST_SUITE_P(Polling, Dispatch, ::testing::Values(LinkKind::Serial, LinkKind::Tcp),
                         [](const auto &info) { return std::string(testrig::LinkName(info.param)); });

TEST(Dispatch, TcpStatusClaimingFullCountButShortIsDropped) {
    PollRig rig(LinkKind::Tcp);
    rig.Ticks(1);
    Bytes unit = Hex("01 04 FE");
    unit.resize(3 + 100, 0x22);
    rig.Reply(unit);
    rig.Reply(Hex("01 04 FE"));
    EXPECT_TRUE(rig.view.calls.empty());
    EXPECT_FALSE(rig.ctl.Snapshot().Decoded);
}

// A frame shaped like a status reply that the dispatcher sets aside leaves the health as it was, with
// the reason counted; a serial reply that answers another request than the one awaited never reaches
// the dispatcher.
TEST(Dispatch, RepliesSetAsideAreCountedWithTheirReasonAndAreNoSignOfLife) {
    for (LinkKind link : {LinkKind::Serial, LinkKind::Tcp}) {
        SCOPED_TRACE(testrig::LinkName(link));
        PollRig rig(link);
        LinkMonitor &monitor = rig.Monitored();
        monitor.LinkOpened(link);
        const auto dropped = [&](DropReason reason) {
            return monitor.Counters().Dropped[static_cast<std::size_t>(reason)];
        };
        const auto ask = [&] { rig.codec.SendRequest(Hex("01 04 00 01 00 7F")); };
        ask();
        rig.state.RequestMode = mode::kPaused;
        rig.Reply(StatusBlock().Unit());
        rig.state.RequestMode = mode::kPoll;
        if (link == LinkKind::Tcp) { // on serial the receiver waits for the rest of such a block
            ask();
            Bytes shortBlock = Hex("01 04 FE");
            shortBlock.resize(3 + 100, 0x22);
            rig.Reply(shortBlock);
            EXPECT_EQ(dropped(DropReason::ShortBlock), 1u);
        }
        EXPECT_EQ(dropped(DropReason::NotAwaited), 1u);
        EXPECT_EQ(monitor.Health(rig.ctl.StatusPollPeriod(), true).Text, "첫 응답을 기다리는 중");
        EXPECT_TRUE(rig.view.calls.empty());

        ask();
        rig.Reply(StatusBlock().Unit());
        EXPECT_EQ(rig.ctl.DecodeCount(), 1u);
        EXPECT_EQ(monitor.Health(rig.ctl.StatusPollPeriod(), true).Text, "정상");
        if (link == LinkKind::Serial) {
            rig.Echo(); // no write was asked
            Bytes otherCount = Hex("01 04 0A");
            otherCount.resize(3 + 10, 0);
            rig.Reply(otherCount);
            EXPECT_EQ(dropped(DropReason::RequestMismatch), 2u);
            EXPECT_EQ(rig.ctl.DecodeCount(), 1u);
        }
    }
}

// Every request waits its turn at the link's in-flight limit (one serial, four TCP): a due poll is held
// back, a write waits and goes out once a reply frees the link; a serial reply after its request timed
// out is dropped as late, never booked to the next request, and each request ends exactly once.
TEST(Dispatch, RequestsWaitAtTheInFlightLimitAndLateRepliesAreNotBookedToNewerOnes) {
    for (LinkKind link : {LinkKind::Serial, LinkKind::Tcp}) {
        SCOPED_TRACE(testrig::LinkName(link));
        PollRig rig(link);
        LinkMonitor &monitor = rig.Monitored();
        rig.ctl.LinkConfirmed(link);
        const std::size_t limit = link == LinkKind::Tcp ? LinkMonitor::kMaxOutstanding : 1;
        while (rig.port.writes.size() < limit)
            rig.Ticks(1);
        rig.Ticks(3);
        EXPECT_EQ(rig.port.writes.size(), limit) << "the due poll is held back";
        EXPECT_EQ(monitor.Counters().HeldBack, 1u);
        rig.ctl.SettingsWindowOpened(SettingsWindow::Operating);
        ASSERT_TRUE(rig.ctl.StartWriteSequence({{0x28, 435}}));
        EXPECT_EQ(rig.port.writes.size(), limit) << "the write waits its turn";
        if (link == LinkKind::Tcp) // the oldest awaited poll's answer
            rig.rx.OnTcpRead(WithMbap(1, StatusBlock().Unit()));
        else
            rig.Reply(StatusBlock().Unit());
        ASSERT_EQ(rig.port.writes.size(), limit + 1);
        EXPECT_EQ(rig.Sent().back(), WriteRequestUnit(0x28, 435));
        const LinkCounters &c = monitor.Counters();
        EXPECT_EQ(c.Superseded, 0u);
        EXPECT_EQ(c.Requests,
                  c.Replies + c.Timeouts + c.Superseded + c.Cancelled + monitor.OutstandingCount());
    }
    // Serial: the device answers after the request's window closed, while nothing newer is out.
    PollRig rig;
    LinkMonitor &monitor = rig.Monitored();
    rig.ctl.LinkConfirmed(LinkKind::Serial);
    rig.Ticks(1);
    rig.clock.Advance(LinkMonitor::kSerialReplyTimeoutMs);
    monitor.Tick();
    rig.Reply(StatusBlock().Unit());
    EXPECT_EQ(monitor.Counters().Dropped[static_cast<std::size_t>(DropReason::LateReply)], 1u);
    EXPECT_EQ(monitor.Counters().Timeouts, 1u);
    EXPECT_EQ(monitor.Counters().Replies, 0u);
    EXPECT_EQ(rig.ctl.DecodeCount(), 0u);
}

TEST(Dispatch, NetworkReadBackRoundTrip) {
    PollRig rig;
    rig.state.RequestMode = mode::kNetworkReadBack;
    rig.Ticks(1);
    ASSERT_EQ(rig.Sent(), std::vector<Bytes>{Hex("01 47 00 01 01")});
    rig.Reply(Cat(Hex("01 47 00 13 01"), kIdentityBlock));
    EXPECT_EQ(rig.ctl.Snapshot().MACText, "0A.5E.21.FE.FF.10");
    rig.Ticks(3); // the status read goes out again
    // A later status decode shows the block's own address texts, unpadded.
    StatusBlock block;
    block.Set(reg::kIP, 0xC0A8).Set(reg::kIP + 1, 0x1E46);
    rig.Reply(block.Unit());
    EXPECT_EQ(rig.ctl.Snapshot().IPText, "192.168.30.70");
}

} // namespace
} // namespace zephyra
