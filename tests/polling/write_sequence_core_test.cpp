// The write sequence on its own: one outcome per write, an end told once, nothing sent after it.
#include <gtest/gtest.h>

#include "polling/write_sequence.h"
#include "support/fakes.h"

namespace zephyra {
namespace {

Bytes EchoOf(const PendingWrite &w) {
    return {static_cast<uint8_t>(w.Address >> 8), static_cast<uint8_t>(w.Address),
            static_cast<uint8_t>(w.Value >> 8), static_cast<uint8_t>(w.Value)};
}

struct Core {
    fakes::FakeClock clock;
    std::vector<PendingWrite> sent;
    std::vector<WriteSequenceReport> ends;
    WriteSequence seq{clock, [this](const PendingWrite &w) { sent.push_back(w); }};
    WriteSequence::StartResult Start(std::vector<PendingWrite> writes) {
        return seq.Start(std::move(writes), [this](const WriteSequenceReport &r) { ends.push_back(r); });
    }
};

TEST(WriteSequenceCore, SendsInOrderOneWritePerMatchingEcho) {
    Core c;
    ASSERT_EQ(c.Start({{1, 10}, {2, 20}}), WriteSequence::StartResult::Started);
    EXPECT_EQ(c.sent.size(), 1u);
    EXPECT_EQ(c.seq.Echo(EchoOf({1, 10})), AnswerVerdict::Confirmed);
    EXPECT_EQ(c.sent.size(), 2u);
    EXPECT_EQ(c.seq.Echo(EchoOf({2, 20})), AnswerVerdict::Confirmed);
    ASSERT_EQ(c.ends.size(), 1u);
    EXPECT_EQ(c.ends[0].End, SequenceEnd::Confirmed);
    EXPECT_EQ(c.seq.Echo(EchoOf({2, 20})), AnswerVerdict::NotAwaited);
    EXPECT_EQ(c.sent.size(), 2u);
    EXPECT_EQ(c.seq.Deadline(), INT64_MAX);
}

TEST(WriteSequenceCore, RefusesToStartOverARunningOrOwedSequenceAndOnAnEmptyList) {
    Core c;
    EXPECT_EQ(c.Start({}), WriteSequence::StartResult::Empty);
    ASSERT_EQ(c.Start({{1, 10}, {2, 20}}), WriteSequence::StartResult::Started);
    EXPECT_EQ(c.Start({{3, 30}}), WriteSequence::StartResult::Running);
    c.clock.Advance(WriteSequence::kEchoDeadlineMs);
    EXPECT_TRUE(c.seq.Expire());
    EXPECT_EQ(c.Start({{1, 10}}), WriteSequence::StartResult::Owed);
    // The owed echo arrives: it is late, and the same write sent anew would now get its own echo.
    EXPECT_EQ(c.seq.Echo(EchoOf({1, 10})), AnswerVerdict::Late);
    ASSERT_EQ(c.Start({{1, 10}}), WriteSequence::StartResult::Started);
    EXPECT_EQ(c.sent.size(), 2u);
    EXPECT_EQ(c.ends.size(), 1u);
}

TEST(WriteSequenceCore, ExplicitCancelEndsOnceAndSendsNothingMore) {
    Core c;
    ASSERT_EQ(c.Start({{1, 10}, {2, 20}}), WriteSequence::StartResult::Started);
    EXPECT_TRUE(c.seq.Cancel("operator"));
    EXPECT_FALSE(c.seq.Cancel("again"));
    ASSERT_EQ(c.ends.size(), 1u);
    EXPECT_EQ(c.ends[0].End, SequenceEnd::Cancelled);
    EXPECT_EQ(c.ends[0].Cause, "operator");
    EXPECT_EQ(c.seq.Echo(EchoOf({1, 10})), AnswerVerdict::Late);
    EXPECT_EQ(c.sent.size(), 1u);
    EXPECT_FALSE(c.seq.Expire());
}

TEST(WriteSequenceCore, AShortEchoFailsTheWrite) {
    Core c;
    ASSERT_EQ(c.Start({{1, 10}}), WriteSequence::StartResult::Started);
    EXPECT_EQ(c.seq.Echo(Bytes{0x00, 0x01}), AnswerVerdict::Failed);
    ASSERT_EQ(c.ends.size(), 1u);
    EXPECT_EQ(c.ends[0].Writes[0].Outcome, WriteOutcome::Failed);
}

// An end observer may start the next sequence; the starter's callback still hears its own end once.
TEST(WriteSequenceCore, AnObserverMayStartTheNextSequenceFromTheEnd) {
    Core c;
    int starts = 0;
    const Subscription sub = c.seq.OnEnd([&](const WriteSequenceReport &) {
        if (++starts == 1)
            c.seq.Start({{9, 90}});
    });
    ASSERT_EQ(c.Start({{1, 10}}), WriteSequence::StartResult::Started);
    c.seq.Echo(EchoOf({1, 10}));
    ASSERT_EQ(c.ends.size(), 1u);
    EXPECT_EQ(c.ends[0].Writes.size(), 1u);
    EXPECT_TRUE(c.seq.Running());
    EXPECT_EQ(c.sent.back().Address, 9);
}

} // namespace
} // namespace zephyra
