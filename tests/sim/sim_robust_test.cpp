// Bad input never stops the simulator: truncated, corrupted, oversized and random frames on both links.
#include <chrono>
#include <random>
#include <thread>

#include "polling/status_decoder.h"
#include "sim/sim_fixture.h"

namespace zephyra::test {
namespace {

Bytes Mbap(uint16_t tid, uint16_t protocol, ByteView unit) {
    Bytes frame;
    AppendBE16(frame, tid);
    AppendBE16(frame, protocol);
    AppendBE16(frame, static_cast<int32_t>(unit.size()));
    frame.insert(frame.end(), unit.begin(), unit.end());
    return frame;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes &p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

class SimRobustTest : public SimLinkTest {
protected:
    // Keeps asking for ACHigh until the answer comes (replies to earlier junk may still be on the way).
    std::optional<uint16_t> EventuallyReadACHigh(int timeoutMs = 5000) {
        int64_t end = SteadyMs() + timeoutMs;
        while (SteadyMs() < end) {
            link_->Send(ReadRequestUnit(reg::kACHigh, 1));
            for (int i = 0; i < 5; ++i) {
                auto r = link_->Await(200);
                if (!r)
                    break;
                if (Serial() && r->payload.size() >= 2)
                    r->payload.resize(r->payload.size() - 2);
                if (r->function == kFnReadInput && r->payload.size() == 3 && r->payload[0] == 2)
                    return static_cast<uint16_t>(r->payload[1] << 8 | r->payload[2]);
            }
        }
        return std::nullopt;
    }
};

class SimRtuRobustTest : public SimRobustTest {};

TEST_P(SimRtuRobustTest, IgnoredInputLeavesTheNextRequestAnswered) {
    ASSERT_NO_FATAL_FAILURE(StartSim(FrozenScenario()));
    const Bytes good = WithCrc(ReadRequestUnit(reg::kACHigh, 1));
    Bytes badCrc = WithCrc(WriteRequestUnit(reg::kACHigh, 250));
    badCrc.back() ^= 0x01;
    const struct {
        const char *what;
        Bytes before;
    } cases[] = {
        {"truncated read", {0x01, 0x04, 0x00, 0x01}},
        {"write with a wrong CRC", badCrc},
        {"noise without a unit address", {0x00, 0xFF, 0x7E, 0x55, 0xAA}},
        {"other unit", WithCrc(Bytes{0x02, 0x04, 0x00, 0x01, 0x00, 0x7F})},
        {"vendor length beyond any frame", {0x01, 0x41, 0xFF, 0xFF, 0x01, 0x02}},
        {"vendor frame cut short", {0x01, 0x47, 0x00, 0x13, 0x02, 0x0A, 0x5E}},
        {"lone address byte", {0x01}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        // The junk and a good request in one write, as a line without pauses would deliver them.
        ASSERT_TRUE(link_->Raw().Write(Join({c.before, good})));
        auto reply = link_->Await(3000);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->function, kFnReadInput) << "the junk was not answered";
        EXPECT_EQ(reply->payload.size(), 5u);
        EXPECT_EQ(ParseBE16(ByteView(reply->payload).subspan(1)), 270) << "the bad write was not applied";
    }
    EXPECT_TRUE(sim_->Running());
}

TEST_P(SimRtuRobustTest, RandomFramesNeverStopIt) {
    ASSERT_NO_FATAL_FAILURE(StartSim(FrozenScenario()));
    std::mt19937 rng(20250807);
    const uint8_t functions[] = {0x04, 0x06, 0x41, 0x47, 0x03, 0x10, 0x80, 0xC1, 0x00};
    for (int i = 0; i < 300; ++i) {
        Bytes unit{static_cast<uint8_t>(rng() % 4 == 0 ? rng() : 1), functions[rng() % std::size(functions)]};
        std::size_t extra = rng() % 24;
        for (std::size_t k = 0; k < extra; ++k)
            unit.push_back(static_cast<uint8_t>(rng()));
        Bytes frame = rng() % 3 ? WithCrc(unit) : unit;
        ASSERT_TRUE(link_->Raw().Write(frame));
    }
    EXPECT_EQ(EventuallyReadACHigh(), 270);
    EXPECT_TRUE(sim_->Running());
}

INSTANTIATE_TEST_SUITE_P(Links, SimRtuRobustTest, ::testing::Values(LinkKind::Serial), LinkName);

class SimTcpRobustTest : public SimRobustTest {
protected:
    Bytes ReadRequest(uint16_t tid, int start, int count, uint16_t protocol = 0, uint8_t unitId = 1) {
        Bytes unit = ReadRequestUnit(start, count);
        unit[0] = unitId;
        return Mbap(tid, protocol, unit);
    }
};

TEST_P(SimTcpRobustTest, FrameSplitAcrossWritesIsReassembled) {
    ASSERT_NO_FATAL_FAILURE(StartSim(FrozenScenario()));
    RawLink &raw = link_->Raw();
    Bytes request = ReadRequest(0x1234, reg::kACHigh, 1);
    for (uint8_t b : request) {
        ASSERT_TRUE(raw.Write(Bytes{b}));
        std::this_thread::sleep_for(std::chrono::milliseconds(2)); // pieces, not one segment
    }
    Bytes reply = raw.ReadExactly(11, 3000);
    EXPECT_EQ(reply, (Bytes{0x12, 0x34, 0x00, 0x00, 0x00, 0x05, 0x01, 0x04, 0x02, 0x01, 0x0E}));
}

TEST_P(SimTcpRobustTest, OnlyModbusFramesForThisUnitAreAnswered) {
    ASSERT_NO_FATAL_FAILURE(StartSim(FrozenScenario()));
    RawLink &raw = link_->Raw();
    // Two requests in one write are both answered; frames of another protocol or unit are skipped.
    ASSERT_TRUE(raw.Write(Join({ReadRequest(1, reg::kACHigh, 1), ReadRequest(2, 0, 1, 0x0001),
                                ReadRequest(3, reg::kACHigh, 1, 0, 7), ReadRequest(4, reg::kACHigh, 1)})));
    Bytes replies = raw.ReadExactly(22, 3000);
    ASSERT_EQ(replies.size(), 22u);
    EXPECT_EQ(replies[1], 1);
    EXPECT_EQ(replies[12], 4) << "nothing was answered for the skipped frames in between";
}

TEST_P(SimTcpRobustTest, ImpossibleLengthClosesTheConnectionOnly) {
    ASSERT_NO_FATAL_FAILURE(StartSim(FrozenScenario()));
    for (uint16_t length : {0, 1, 255, 0xFFFF}) {
        SCOPED_TRACE(length);
        Bytes bad{0x00, 0x01, 0x00, 0x00, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length),
                  0x01};
        ASSERT_TRUE(link_->Raw().Write(bad));
        EXPECT_TRUE(link_->Raw().WaitClosed(3000));
        ASSERT_NO_FATAL_FAILURE(Connect());
        EXPECT_EQ(ReadOne(reg::kACHigh), 270);
    }
}

TEST_P(SimTcpRobustTest, MaxClientsAreServedAtOnceAndOneMorePushesTheOldestOff) {
    SimOptions options;
    options.scenarioJson = FrozenScenario().dump();
    options.pty = options.link = false;
    options.extraArgs = {"--max-clients", "2"};
    std::string error;
    sim_ = SimProcess::Start(options, &error);
    ASSERT_TRUE(sim_) << error;
    std::vector<std::unique_ptr<CoreLink>> clients;
    for (int i = 0; i < 3; ++i) {
        clients.push_back(std::make_unique<CoreLink>(LinkKind::Tcp));
        ASSERT_TRUE(clients.back()->ConnectTcp(sim_->TcpPort()));
        // Every client still connected is answered.
        for (std::size_t k = i < 2 ? 0 : 1; k < clients.size(); ++k)
            EXPECT_TRUE(clients[k]->Exchange(ReadRequestUnit(reg::kACHigh, 1))) << i << " " << k;
    }
    EXPECT_TRUE(clients[0]->Raw().WaitClosed(3000));
}

TEST_P(SimTcpRobustTest, RandomBytesNeverStopIt) {
    ASSERT_NO_FATAL_FAILURE(StartSim(FrozenScenario()));
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        Bytes junk(static_cast<std::size_t>(rng() % 600));
        for (auto &b : junk)
            b = static_cast<uint8_t>(rng());
        if (round % 2)
            junk = Join({Mbap(static_cast<uint16_t>(round), 0, Bytes{0x01, 0x41, 0x00, 0x00}), junk});
        link_->Raw().Write(junk);
        if (link_->Raw().ReadSome(5).empty() && link_->Raw().PeerClosed()) {
            ASSERT_NO_FATAL_FAILURE(Connect());
        }
    }
    ASSERT_NO_FATAL_FAILURE(Connect());
    EXPECT_EQ(EventuallyReadACHigh(), 270);
    EXPECT_TRUE(sim_->Running());
}

INSTANTIATE_TEST_SUITE_P(Links, SimTcpRobustTest, ::testing::Values(LinkKind::Tcp), LinkName);

} // namespace
} // namespace zephyra::test
