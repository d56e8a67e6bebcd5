// Queued register writes: one per echo, last slot first, one message at the end.
#include <gtest/gtest.h>

#include "link/link_monitor.h"
#include "polling/poll_rig.h"
#include "support/status_block.h"

namespace zephyra {
namespace {

using fakes::FakeOperator;
using testrig::Hex;
using testrig::PollRig;

const std::vector<PendingWrite> kThree{{0x21, 30}, {0x25, 264}, {0x27, 575}};
const FakeOperator::Message kSuccess{FakeOperator::Kind::Information, " Setting Sucess!!"};

Bytes Write(int32_t address, int32_t value) {
    return WriteRequestUnit(address, value);
}

class WriteSequence : public ::testing::TestWithParam<LinkKind> {
protected:
    void SetUp() override {
        // The settings dialog is open.
        rig.state.Link = GetParam();
        rig.state.RequestMode = mode::kPaused;
    }
    PollRig rig;
};

TEST_P(WriteSequence, ThreeWritesGoOutSlotThreeTwoOneEachAfterAnEcho) {
    rig.ctl.StartWriteSequence(kThree);
    EXPECT_EQ(rig.Sent(), std::vector<Bytes>{Write(0x27, 575)});
    EXPECT_TRUE(rig.state.PollDue);
    EXPECT_EQ(rig.state.PollCountdown, 3);

    rig.Echo();
    rig.Echo();
    EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{Write(0x27, 575), Write(0x25, 264), Write(0x21, 30)}));
    EXPECT_TRUE(rig.op.messages.empty());

    rig.Echo();
    EXPECT_EQ(rig.op.messages, std::vector<FakeOperator::Message>{kSuccess});
    EXPECT_EQ(rig.port.writes.size(), 3u);

    // A stray echo afterwards neither writes nor reports again.
    rig.Echo();
    EXPECT_EQ(rig.op.messages.size(), 1u);
    EXPECT_EQ(rig.port.writes.size(), 3u);
}

TEST_P(WriteSequence, OneWriteReportsOnItsEcho) {
    rig.ctl.StartWriteSequence({{0x30, 230}});
    EXPECT_EQ(rig.Sent(), std::vector<Bytes>{Write(0x30, 230)});
    rig.Echo();
    EXPECT_EQ(rig.op.messages, std::vector<FakeOperator::Message>{kSuccess});
}

TEST_P(WriteSequence, DeviceRefusalEndsTheSequenceAndLeavesTheRestUnsent) {
    rig.ctl.StartWriteSequence(kThree);
    rig.Echo();
    rig.Reply(Hex("01 86 02"));
    ASSERT_EQ(rig.op.messages.size(), 1u);
    EXPECT_EQ(rig.op.messages[0].kind, FakeOperator::Kind::Error);
    EXPECT_EQ(rig.state.RequestMode, GetParam() == LinkKind::Tcp ? mode::kPoll : mode::kPaused);

    rig.Echo();
    rig.Echo();
    EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{Write(0x27, 575), Write(0x25, 264)}));
    EXPECT_EQ(rig.op.messages.size(), 1u);

    // The next OK starts afresh.
    rig.ctl.StartWriteSequence({{0x30, 230}});
    rig.Echo();
    EXPECT_EQ(rig.op.messages.back(), kSuccess);
}

// The fail box says which writes took effect, which one the device refused and why, and which never
// went out; the first line stays the plain fail text.
TEST(WriteSequence, RefusalNamesWhatWasWrittenRefusedAndNotSent) {
    const std::vector<PendingWrite> aclRange{{0x4E, 1}, {0x4F, 2}, {0x50, 3}, {0x51, 4}};
    const std::vector<PendingWrite> unnamedThenCommand{{0x99, 1}, {0x22, 4}};
    // Slots go out from the last: the device ID's three words first, then ACL.
    const std::vector<PendingWrite> deviceIdThenAcl{
        {reg::kACLEn, 1}, {reg::kDeviceId1, 0x12}, {reg::kDeviceId2, 0x3456}, {reg::kDeviceId3, 0x7890}};
    const struct {
        std::vector<PendingWrite> writes;
        int echoes;
        const char *reply;
        std::string text;
    } cases[] = {
        {kThree, 1, "01 86 02",
         " Setting Fail!!\n기록됨: DC 고전압\n거부됨: AC 고전압 (잘못된 데이터 주소)\n"
         "보내지 않음: 충전전류 제한"},
        {kThree, 0, "01 86 03",
         " Setting Fail!!\n거부됨: DC 고전압 (잘못된 데이터 값)\n보내지 않음: AC 고전압, 충전전류 제한"},
        {kThree, 2, "01 86 0B",
         " Setting Fail!!\n기록됨: DC 고전압, AC 고전압\n거부됨: 충전전류 제한 (예외 0B)"},
        {unnamedThenCommand, 0, "01 86 06",
         " Setting Fail!!\n거부됨: 구성정보 초기화 (장비 사용 중)\n보내지 않음: 레지스터 0x0099"},
        // Several words of one setting read as that setting once; part of it written leaves it mixed.
        {aclRange, 2, "01 86 04",
         " Setting Fail!!\n기록됨: #2 끝 주소\n거부됨: #2 시작 주소 (장비 내부 오류)"},
        {aclRange, 3, "01 86 04",
         " Setting Fail!!\n기록됨: #2 끝 주소\n거부됨: #2 시작 주소 (장비 내부 오류)\n"
         "#2 시작 주소: 일부만 기록됨 — 장비의 값이 옛 값과 새 값이 섞인 상태입니다"},
        {deviceIdThenAcl, 0, "01 86 04",
         " Setting Fail!!\n거부됨: 장비 ID (장비 내부 오류)\n보내지 않음: ACL"},
        {deviceIdThenAcl, 2, "01 86 04",
         " Setting Fail!!\n거부됨: 장비 ID (장비 내부 오류)\n"
         "장비 ID: 일부만 기록됨 — 장비의 ID가 옛 값과 새 값이 섞인 상태입니다\n보내지 않음: ACL"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.reply);
        PollRig rig;
        rig.state.RequestMode = mode::kPaused;
        rig.ctl.StartWriteSequence(c.writes);
        for (int i = 0; i < c.echoes; ++i)
            rig.Echo();
        rig.Reply(Hex(c.reply));
        ASSERT_EQ(rig.op.messages.size(), 1u);
        EXPECT_EQ(rig.op.messages[0].text, c.text);
        EXPECT_EQ(rig.port.writes.size(), static_cast<std::size_t>(c.echoes + 1));
    }
}

TEST_P(WriteSequence, OtherExceptionRepliesAreDropped) {
    rig.ctl.StartWriteSequence(kThree);
    rig.Reply(Hex("01 84 02"));
    rig.Reply(Hex("01 C1 01"));
    EXPECT_TRUE(rig.op.messages.empty());
    rig.Echo();
    EXPECT_EQ(rig.port.writes.size(), 2u);
}

TEST_P(WriteSequence, EmptyQueueSendsNothing) {
    rig.state.PollDue = false;
    rig.ctl.StartWriteSequence({});
    EXPECT_TRUE(rig.port.writes.empty());
    EXPECT_FALSE(rig.state.PollDue);
    rig.Echo();
    EXPECT_TRUE(rig.port.writes.empty());
    EXPECT_TRUE(rig.op.messages.empty());
}

TEST_P(WriteSequence, QueueHoldsAtMostFourHundredWrites) {
    std::vector<PendingWrite> many;
    for (int i = 1; i <= kPendingWriteSlots + 5; ++i)
        many.push_back({i, i});
    rig.ctl.StartWriteSequence(many);
    EXPECT_EQ(rig.Sent().front(), Write(kPendingWriteSlots, kPendingWriteSlots));
    for (int i = 0; i < kPendingWriteSlots; ++i)
        rig.Echo();
    EXPECT_EQ(rig.port.writes.size(), static_cast<std::size_t>(kPendingWriteSlots));
    EXPECT_EQ(rig.Sent().back(), Write(1, 1));
    EXPECT_EQ(rig.op.messages, std::vector<FakeOperator::Message>{kSuccess});
}

INSTANTIATE_TEST_SUITE_P(Writes, WriteSequence, ::testing::Values(LinkKind::Serial, LinkKind::Tcp),
                         [](const auto &info) { return std::string(testrig::LinkName(info.param)); });

TEST(WriteSequence, EchoWithoutASequenceShowsNothing) {
    for (LinkKind link : {LinkKind::Serial, LinkKind::Tcp}) {
        PollRig rig(link);
        rig.state.RequestMode = mode::kPaused;
        rig.Echo();
        rig.Reply(Hex("01 86 02"));
        EXPECT_TRUE(rig.op.messages.empty());
        EXPECT_TRUE(rig.port.writes.empty());
        EXPECT_EQ(rig.state.RequestMode, mode::kPaused);
    }
}

struct ModeAfterCase {
    LinkKind link;
    int32_t alarmTest;
    uint8_t modeAfter;
};
void PrintTo(const ModeAfterCase &c, std::ostream *os) {
    *os << testrig::LinkName(c.link) << " alarm test " << c.alarmTest;
}

class ModeAfterSuccess : public ::testing::TestWithParam<ModeAfterCase> {};

TEST_P(ModeAfterSuccess, PollStaysPausedWhileTheBoxIsOpen) {
    PollRig rig(GetParam().link);
    rig.state.AlarmTestActive = GetParam().alarmTest;
    rig.ctl.StartWriteSequence({{0x2E, 1}, {0x2F, 0x41}});
    if (GetParam().link == LinkKind::Tcp) {
        EXPECT_EQ(rig.state.RequestMode, mode::kPaused);
    }
    rig.state.RequestMode = mode::kPaused; // the dialog paused the poll when it opened

    // Ticks during the sequence send no poll.
    rig.Ticks(6);
    EXPECT_EQ(rig.port.writes.size(), 1u);
    rig.Echo();

    std::vector<uint8_t> modeWhileOpen;
    rig.op.onShow = [&](const FakeOperator::Message &) {
        modeWhileOpen.push_back(rig.state.RequestMode);
        rig.Ticks(3);
    };
    rig.Echo();
    EXPECT_EQ(modeWhileOpen, std::vector<uint8_t>{mode::kPaused});
    EXPECT_EQ(rig.port.writes.size(), 2u);
    EXPECT_EQ(rig.state.RequestMode, GetParam().modeAfter);
}

INSTANTIATE_TEST_SUITE_P(Writes, ModeAfterSuccess,
                         ::testing::Values(ModeAfterCase{LinkKind::Serial, 0, mode::kPaused},
                                           ModeAfterCase{LinkKind::Serial, 1, mode::kPoll},
                                           ModeAfterCase{LinkKind::Tcp, 0, mode::kPoll},
                                           ModeAfterCase{LinkKind::Tcp, 1, mode::kPoll},
                                           ModeAfterCase{LinkKind::Unselected, 0, mode::kPaused}));

TEST(WriteSequence, TcpResumesPollingAfterTheMessage) {
    PollRig rig(LinkKind::Tcp);
    rig.ctl.StartWriteSequence({{0x30, 230}});
    EXPECT_EQ(rig.state.RequestMode, mode::kPaused);
    rig.Ticks(1); // the raised PollDue is consumed without a request
    rig.Echo();
    EXPECT_EQ(rig.state.RequestMode, mode::kPoll);
    rig.state.PollDue = true;
    rig.Ticks(1);
    EXPECT_EQ(rig.Sent().back(), Hex("01 04 00 01 00 7F"));
}

TEST(WriteSequence, TcpConnectsFirstWhenTheClientIsDown) {
    PollRig rig(LinkKind::Tcp);
    rig.port.connected = false;
    rig.ctl.StartWriteSequence({{0x30, 230}});
    EXPECT_EQ(rig.port.connectCalls, 1);
    EXPECT_EQ(rig.Sent(), std::vector<Bytes>{Write(0x30, 230)});
}

TEST(WriteSequence, TcpConnectFailureShowsTheErrorAndSendsNothing) {
    PollRig rig(LinkKind::Tcp);
    rig.port.connected = false;
    rig.port.connectError = "Connection refused";
    rig.ctl.StartWriteSequence(kThree);
    EXPECT_TRUE(rig.port.writes.empty());
    const FakeOperator::Message refused{FakeOperator::Kind::Error, "Connection refused"};
    EXPECT_EQ(rig.op.messages, std::vector<FakeOperator::Message>{refused});
    EXPECT_EQ(rig.state.RequestMode, mode::kPaused);

    // Once the link is back, an echo does not release writes of the abandoned OK.
    rig.port.connected = true;
    rig.Echo();
    EXPECT_TRUE(rig.port.writes.empty());
    EXPECT_EQ(rig.op.messages.size(), 1u);
}

// A second OK while the first waits for a slow connect: exactly one sequence, in order, one message.
TEST(WriteSequence, OkDuringASlowTcpConnectSendsNothingMore) {
    for (bool network : {false, true}) {
        SCOPED_TRACE(network ? "network identity" : "register writes");
        PollRig rig(LinkKind::Tcp);
        rig.port.connected = false;
        std::vector<bool> busy;
        const Subscription watching = rig.ctl.OnWriteBusy([&](bool b) { busy.push_back(b); });
        const Bytes identity = Hex("01 47 00 02 02 01");
        auto ok = [&] {
            return network ? rig.ctl.StartNetworkWrite(identity) : rig.ctl.StartWriteSequence(kThree);
        };
        bool second = true;
        rig.port.whileConnecting = [&] {
            EXPECT_TRUE(rig.ctl.WriteBusy());
            second = ok();
        };
        EXPECT_TRUE(ok());
        EXPECT_FALSE(second);
        EXPECT_EQ(rig.port.connectCalls, 1);
        if (network) {
            EXPECT_EQ(rig.Sent(), std::vector<Bytes>{identity});
            continue;
        }
        for (int i = 0; i < 4; ++i)
            rig.Echo();
        EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{Write(0x27, 575), Write(0x25, 264), Write(0x21, 30)}));
        EXPECT_EQ(rig.op.messages, std::vector<FakeOperator::Message>{kSuccess});
        EXPECT_FALSE(rig.ctl.Writes().Running());
        EXPECT_EQ(busy, (std::vector<bool>{true, false, true, false}))
            << "connect, its end, the sequence, its last echo";
    }
}

// A rig with the traffic monitor, so the reasons of dropped replies can be read.
struct MonitoredRig : PollRig {
    explicit MonitoredRig(LinkKind link = LinkKind::Serial) : PollRig(link) { Monitored().LinkOpened(link); }
    uint64_t Dropped(DropReason reason) const {
        return monitor->Counters().Dropped[static_cast<std::size_t>(reason)];
    }
};

// The sequence ends at its echo deadline and says so; the echo still owed holds OK back until it comes
// (then it is dropped as late, counted, and nothing more goes out) and no new sequence can start meanwhile.
TEST(WriteSequence, TheEchoDeadlineEndsTheSequenceAndALateEchoSendsNothing) {
    for (LinkKind link : {LinkKind::Serial, LinkKind::Tcp}) {
        SCOPED_TRACE(testrig::LinkName(link));
        MonitoredRig rig(link);
        rig.state.RequestMode = mode::kPaused;
        std::vector<bool> busy;
        const Subscription watching = rig.ctl.OnWriteBusy([&](bool b) { busy.push_back(b); });
        std::vector<WriteSequenceReport> ends;
        ASSERT_TRUE(rig.ctl.StartWriteSequence(kThree, [&](const WriteSequenceReport &r) { ends.push_back(r); }));
        rig.Echo(); // 0x27 confirmed, 0x25 goes out
        EXPECT_FALSE(rig.ctl.StartWriteSequence({{0x30, 1}}));
        rig.clock.Advance(PollController::kWriteEchoTimeoutMs - 1);
        rig.ctl.Wake();
        EXPECT_TRUE(ends.empty());
        rig.clock.Advance(1);
        EXPECT_EQ(rig.timer.armedAt, rig.clock.now) << "the controller wakes for the deadline";
        rig.ctl.Wake();
        ASSERT_EQ(ends.size(), 1u);
        const WriteSequenceReport &r = ends[0];
        EXPECT_EQ(r.End, SequenceEnd::Deadline);
        ASSERT_EQ(r.Writes.size(), 3u);
        EXPECT_EQ(r.Writes[0].Outcome, WriteOutcome::Confirmed);
        EXPECT_EQ(r.Writes[1].Outcome, WriteOutcome::Unconfirmed);
        EXPECT_EQ(r.Writes[2].Outcome, WriteOutcome::NotSent);
        EXPECT_EQ(r.Writes[2].Why, NotSentWhy::Deadline);
        ASSERT_EQ(rig.op.messages.size(), 1u);
        EXPECT_EQ(rig.op.messages[0].text,
                  "설정 응답 시간 초과: 장비가 3초 안에 응답하지 않았습니다\n기록됨: DC 고전압\n"
                  "보냈으나 확인되지 않음 (장비에 들어갔는지 알 수 없음): AC 고전압\n보내지 않음: 충전전류 제한");

        // The echo of 0x25 may still come: OK stays refused, and a new sequence cannot start.
        EXPECT_TRUE(rig.ctl.WriteBusy());
        EXPECT_FALSE(rig.ctl.StartWriteSequence({{0x25, 264}}));
        rig.clock.Advance(3000);
        rig.Echo();
        EXPECT_EQ(rig.Dropped(DropReason::LateEcho), 1u);
        EXPECT_EQ(rig.ctl.Writes().LateEchoes(), 1u);
        EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{Write(0x27, 575), Write(0x25, 264)}));
        EXPECT_FALSE(rig.ctl.WriteBusy());
        EXPECT_EQ(busy, (std::vector<bool>{true, false}));
        EXPECT_EQ(ends.size(), 1u) << "told once";
        EXPECT_EQ(rig.op.messages.size(), 1u);

        // Another echo now is not awaited by anything: dropped (on TCP already by its transaction id),
        // nothing sent.
        rig.Echo();
        EXPECT_EQ(rig.Dropped(DropReason::NotAwaited) + rig.Dropped(DropReason::StaleTransaction), 1u);
        EXPECT_EQ(rig.port.writes.size(), 2u);
    }
}

// An owed echo that never comes stops holding OK back once the longest reply time has passed.
TEST(WriteSequence, AnOwedEchoThatNeverComesIsForgottenAfterTheLongestReplyTime) {
    PollRig rig;
    rig.state.RequestMode = mode::kPaused;
    std::vector<bool> busy;
    const Subscription watching = rig.ctl.OnWriteBusy([&](bool b) { busy.push_back(b); });
    ASSERT_TRUE(rig.ctl.StartWriteSequence(kThree));
    rig.clock.Advance(PollController::kWriteEchoTimeoutMs);
    rig.ctl.Wake();
    EXPECT_TRUE(rig.ctl.WriteBusy());
    EXPECT_EQ(rig.timer.armedAt, 1000 + zephyra::WriteSequence::kEchoOwedMs);
    rig.clock.now = 1000 + zephyra::WriteSequence::kEchoOwedMs;
    rig.ctl.Wake();
    EXPECT_FALSE(rig.ctl.WriteBusy());
    EXPECT_EQ(busy, (std::vector<bool>{true, false}));
    EXPECT_TRUE(rig.ctl.StartWriteSequence({{0x30, 1}}));
    EXPECT_EQ(rig.Sent().back(), Write(0x30, 1));
}

// An answer that comes after the deadline but before the wake-up is late all the same.
TEST(WriteSequence, AnEchoPastTheDeadlineIsLateEvenBeforeTheWakeUp) {
    MonitoredRig rig(LinkKind::Tcp);
    rig.state.RequestMode = mode::kPaused;
    ASSERT_TRUE(rig.ctl.StartWriteSequence(kThree));
    rig.clock.Advance(PollController::kWriteEchoTimeoutMs);
    rig.Echo();
    EXPECT_EQ(rig.Dropped(DropReason::LateEcho), 1u);
    EXPECT_EQ(rig.port.writes.size(), 1u);
    EXPECT_FALSE(rig.ctl.Writes().Running());
}

// As libmodbus's check_confirmation: an echo with another register or value fails that write, the
// sequence ends there, and the traffic monitor says why.
TEST(WriteSequence, AnEchoWithAnotherRegisterOrValueFailsThatWrite) {
    const struct {
        const char *echo;
        PendingWrite seen;
    } cases[] = {{"01 06 00 26 02 3F", {0x26, 575}}, {"01 06 00 27 02 40", {0x27, 576}}};
    for (LinkKind link : {LinkKind::Serial, LinkKind::Tcp}) {
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(testrig::LinkName(link)) + " " + c.echo);
            MonitoredRig rig(link);
            rig.state.RequestMode = mode::kPaused;
            std::vector<WriteSequenceReport> ends;
            ASSERT_TRUE(rig.ctl.StartWriteSequence(kThree, [&](const WriteSequenceReport &r) { ends.push_back(r); }));
            rig.Reply(Hex(c.echo)); // 0x0027 := 575 was sent
            ASSERT_EQ(ends.size(), 1u);
            EXPECT_EQ(ends[0].End, SequenceEnd::Failed);
            EXPECT_EQ(ends[0].Writes[0].Outcome, WriteOutcome::Failed);
            EXPECT_EQ(ends[0].Writes[0].Echo.Address, c.seen.Address);
            EXPECT_EQ(ends[0].Writes[0].Echo.Value, c.seen.Value);
            EXPECT_EQ(ends[0].Writes[1].Why, NotSentWhy::AfterFailure);
            EXPECT_EQ(rig.Dropped(DropReason::EchoMismatch), 1u);
            ASSERT_FALSE(rig.monitor->Lines().empty());
            EXPECT_EQ(rig.monitor->Lines().back().Reason, DropReason::EchoMismatch);
            EXPECT_EQ(rig.port.writes.size(), 1u) << "nothing more goes out";
            ASSERT_EQ(rig.op.messages.size(), 1u);
            EXPECT_EQ(rig.op.messages[0].kind, FakeOperator::Kind::Error);
            EXPECT_TRUE(rig.op.messages[0].text.starts_with(" Setting Fail!!\n응답 불일치: DC 고전압"))
                << rig.op.messages[0].text;
            EXPECT_FALSE(rig.ctl.WriteBusy()) << "the answer came: nothing is owed";
        }
    }
}

// Every write ends once: confirmed, refused or not sent, and the caller hears the end once.
TEST(WriteSequence, TheCallerHearsEachWritesOutcomeOnceAtTheEnd) {
    PollRig rig;
    rig.state.RequestMode = mode::kPaused;
    std::vector<WriteSequenceReport> ends;
    ASSERT_TRUE(rig.ctl.StartWriteSequence(kThree, [&](const WriteSequenceReport &r) { ends.push_back(r); }));
    rig.Echo();
    EXPECT_TRUE(ends.empty());
    rig.Reply(Hex("01 86 03"));
    rig.Reply(Hex("01 86 03"));
    rig.Echo();
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].End, SequenceEnd::Refused);
    EXPECT_EQ(ends[0].Writes[0].Outcome, WriteOutcome::Confirmed);
    EXPECT_EQ(ends[0].Writes[1].Outcome, WriteOutcome::Refused);
    EXPECT_EQ(ends[0].Writes[1].Code, 3);
    EXPECT_EQ(ends[0].Writes[2].Outcome, WriteOutcome::NotSent);
    EXPECT_EQ(ends[0].Writes[2].Why, NotSentWhy::AfterRefusal);
}

// Closing the link cancels a running sequence explicitly; its caller hears it, without a box.
TEST(WriteSequence, ClosingTheLinkCancelsTheSequence) {
    PollRig rig;
    rig.state.RequestMode = mode::kPaused;
    std::vector<WriteSequenceReport> ends;
    ASSERT_TRUE(rig.ctl.StartWriteSequence(kThree, [&](const WriteSequenceReport &r) { ends.push_back(r); }));
    rig.ctl.LinkClosed();
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].End, SequenceEnd::Cancelled);
    EXPECT_EQ(ends[0].Writes[0].Outcome, WriteOutcome::Unconfirmed);
    EXPECT_EQ(ends[0].Writes[1].Why, NotSentWhy::Cancelled);
    EXPECT_TRUE(rig.op.messages.empty());
    EXPECT_FALSE(rig.ctl.WriteBusy());
}

// Two windows may both watch WriteBusy: the second does not silently replace the first.
TEST(WriteSequence, EveryBusyObserverIsToldUntilItLetsGo) {
    PollRig rig;
    rig.state.RequestMode = mode::kPaused;
    std::vector<bool> first, second;
    Subscription a = rig.ctl.OnWriteBusy([&](bool b) { first.push_back(b); });
    Subscription b = rig.ctl.OnWriteBusy([&](bool b) { second.push_back(b); });
    ASSERT_TRUE(rig.ctl.StartWriteSequence({{0x30, 230}}));
    a.Reset();
    rig.Echo();
    EXPECT_EQ(first, std::vector<bool>{true});
    EXPECT_EQ(second, (std::vector<bool>{true, false}));
}

TEST(WriteSequence, StatusAfterAnExceptionIsDecodedNormally) {
    for (LinkKind link : {LinkKind::Serial, LinkKind::Tcp}) {
        SCOPED_TRACE(testrig::LinkName(link));
        PollRig rig(link);
        rig.ctl.StartWriteSequence(kThree);
        rig.Reply(Hex("01 86 03"));
        rig.state.RequestMode = mode::kPoll;
        rig.state.PollDue = true;
        rig.Ticks(1);

        test::StatusBlock block;
        block.Set(reg::kDCV, 535);
        rig.Reply(block.Unit());
        EXPECT_EQ(rig.view.Count("show"), 1);
        EXPECT_EQ(rig.ctl.Snapshot().DCVText, "53.5 V");
    }
}

} // namespace
} // namespace zephyra
