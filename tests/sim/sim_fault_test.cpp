// The scenario's faults as the console meets them: lost, corrupted, slow, chunked and noisy replies,
// forced exceptions and a TCP peer that hangs up.
#include "sim/sim_fixture.h"

namespace zephyra::test {
namespace {

class SimFaultTest : public SimLinkTest {
protected:
    void StartWithFaults(const json &faults) {
        json s = FrozenScenario();
        s["faults"] = faults;
        StartSim(s);
    }
    static std::size_t Count(const std::vector<JournalEntry> &entries, const std::string &link,
                             const std::string &dir) {
        return JournalFrames(entries, link, dir).size();
    }
};

TEST_P(SimFaultTest, EverySecondReplyIsDropped) {
    ASSERT_NO_FATAL_FAILURE(StartWithFaults({{"drop_every", 2}}));
    ASSERT_EQ(Read(0x0001, 1).size(), 1u);
    // The second request goes unanswered; the reply to the third (two registers) is the next to arrive.
    link_->Send(ReadRequestUnit(0x0001, 1));
    auto third = Ask(ReadRequestUnit(0x0001, 2));
    ASSERT_TRUE(third);
    EXPECT_EQ(third->payload[0], 4) << "byte count of the third request's reply";
    auto journal = sim_->ReadJournal();
    EXPECT_EQ(Count(journal, LinkTag(), "RX"), 3u);
    EXPECT_EQ(Count(journal, LinkTag(), "DROP"), 1u);
    EXPECT_EQ(Count(journal, LinkTag(), "TX"), 2u);
}

TEST_P(SimFaultTest, CorruptedCrcIsDroppedByTheReceiver) {
    ASSERT_NO_FATAL_FAILURE(StartWithFaults({{"corrupt_crc_every", 1}}));
    link_->Send(ReadRequestUnit(0x0001, 1));
    const std::size_t size = Serial() ? 7 : 11;
    Bytes reply = link_->Raw().ReadExactly(size, 3000);
    ASSERT_EQ(reply.size(), size);
    auto dispatched = link_->Feed(reply);
    if (Serial()) {
        int32_t function = 0;
        Bytes payload;
        EXPECT_FALSE(CheckSerialFrame(reply, function, payload));
        EXPECT_FALSE(dispatched) << "a frame with a wrong CRC never reaches the dispatcher";
    } else {
        EXPECT_TRUE(dispatched) << "TCP carries no CRC to corrupt";
    }
}

TEST_P(SimFaultTest, ChunkedReplyIsAssembled) {
    const int size = 16, gap = 15;
    ASSERT_NO_FATAL_FAILURE(StartWithFaults({{"chunk", {{"size", size}, {"gap_ms", gap}}}}));
    int64_t start = SteadyMs();
    auto r = Ask(ReadRequestUnit(0x0001, 0x007F));
    int64_t took = SteadyMs() - start;
    ASSERT_TRUE(r);
    EXPECT_EQ(r->function, kFnReadInput);
    EXPECT_EQ(r->payload.size(), 255u);
    const int frame = Serial() ? 259 : 263;
    const int chunks = (frame + size - 1) / size;
    EXPECT_GE(took, (chunks - 1) * gap) << "the pieces are spaced, never sent at once";
    EXPECT_EQ(JournalFrames(sim_->ReadJournal(), LinkTag(), "TX").size(), 1u) << "one reply, in pieces";
}

TEST_P(SimFaultTest, NoiseBeforeTheReplyIsSkipped) {
    ASSERT_NO_FATAL_FAILURE(StartWithFaults({{"noise_before", "00 FF 7E"}}));
    auto r = Ask(ReadRequestUnit(0x0008, 2));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->function, kFnReadInput);
    EXPECT_EQ(r->payload.size(), 5u);
    auto noise = JournalFrames(sim_->ReadJournal(), LinkTag(), "NOISE");
    ASSERT_EQ(noise.size(), 1u);
    EXPECT_EQ(noise[0], (Bytes{0x00, 0xFF, 0x7E}));
}

TEST_P(SimFaultTest, ForcedExceptionOnlyForTheNamedRegisters) {
    ASSERT_NO_FATAL_FAILURE(
        StartWithFaults({{"exception_registers", {"ChLimit", "0x0025"}}, {"exception_code", 4}}));
    EXPECT_TRUE(IsException(Ask(WriteRequestUnit(0x0021, 4)), kFnWriteSingle, 4));
    EXPECT_TRUE(IsException(Ask(WriteRequestUnit(0x0025, 250)), kFnWriteSingle, 4));
    auto ok = Ask(WriteRequestUnit(0x0026, 180));
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->function, kFnWriteSingle);
}

TEST_P(SimFaultTest, RepliesKeepRequestOrderUnderJitter) {
    ASSERT_NO_FATAL_FAILURE(StartWithFaults({{"latency_ms", 5}, {"jitter_ms", 40}, {"seed", 3}}));
    // Five reads sent back to back; their replies differ in length, so their order shows.
    for (int count = 1; count <= 5; ++count)
        link_->Send(ReadRequestUnit(0x0001, count));
    auto tx = [&] { return JournalFrames(sim_->ReadJournal(), LinkTag(), "TX"); };
    ASSERT_TRUE(sim_->WaitForJournal([&](const auto &) { return tx().size() == 5; }));
    auto frames = tx();
    for (int count = 1; count <= 5; ++count) {
        const Bytes &f = frames[static_cast<std::size_t>(count - 1)];
        std::size_t at = Serial() ? 2 : 8; // byte count position
        ASSERT_GT(f.size(), at);
        EXPECT_EQ(f[at], count * 2);
    }
}

INSTANTIATE_TEST_SUITE_P(Links, SimFaultTest, ::testing::Values(LinkKind::Serial, LinkKind::Tcp), LinkName);

class SimTcpFaultTest : public SimFaultTest {};

TEST_P(SimTcpFaultTest, TcpClosesAfterTheGivenNumberOfRequests) {
    ASSERT_NO_FATAL_FAILURE(StartWithFaults({{"close_tcp_after", 2}}));
    EXPECT_EQ(Read(0x0001, 1).size(), 1u);
    EXPECT_EQ(Read(0x0001, 1).size(), 1u) << "the second request is still answered";
    EXPECT_TRUE(link_->Raw().WaitClosed(3000));
    ASSERT_NO_FATAL_FAILURE(Connect());
    EXPECT_EQ(Read(0x0001, 1).size(), 1u) << "a new connection is served";
}

TEST_P(SimTcpFaultTest, LatencyDoesNotStopTheOtherLink) {
    const int latency = 1000;
    ASSERT_NO_FATAL_FAILURE(StartWithFaults({{"latency_ms", latency}}));
    CoreLink serial(LinkKind::Serial);
    ASSERT_TRUE(serial.OpenSerial(sim_->SerialPath()));
    int64_t start = SteadyMs();
    serial.Send(ReadRequestUnit(0x0001, 1));
    link_->Send(ReadRequestUnit(0x0001, 2));
    auto rtu = serial.Await(5000);
    auto tcp = link_->Await(5000);
    ASSERT_TRUE(rtu);
    ASSERT_TRUE(tcp);
    EXPECT_GE(SteadyMs() - start, latency);
    // While the serial reply waited, the TCP request was already taken in.
    auto journal = sim_->ReadJournal();
    int64_t tcpRx = -1, rtuTx = -1;
    for (const auto &e : journal) {
        if (e.link == "TCP" && e.dir == "RX" && tcpRx < 0)
            tcpRx = e.ms;
        if (e.link == "RTU" && e.dir == "TX" && rtuTx < 0)
            rtuTx = e.ms;
    }
    ASSERT_GE(tcpRx, 0);
    ASSERT_GE(rtuTx, 0);
    EXPECT_LT(tcpRx, rtuTx);
}

INSTANTIATE_TEST_SUITE_P(Links, SimTcpFaultTest, ::testing::Values(LinkKind::Tcp), LinkName);

} // namespace
} // namespace zephyra::test
