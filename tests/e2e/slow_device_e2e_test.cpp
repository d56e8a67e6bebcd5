// A TCP device that answers one request at a time, slower than the poll asks: the console keeps at most
// four requests on the wire, decodes every reply, calls the device slow rather than dead while replies
// come, and calls the values stale within three poll periods once they stop.
#include <QElapsedTimer>
#include <csignal>
#include <sstream>

#include <gtest/gtest.h>

#include "device/device_link_endpoint.h"
#include "support/fakes.h"
#include "support/gui_helpers.h"
#include "support/sim_process.h"

namespace zephyra::test {
namespace {

// The most TCP requests the device had received and not yet answered at any moment of its journal.
int MostOutstanding(const std::vector<JournalEntry> &journal) {
    int outstanding = 0, most = 0;
    for (const JournalEntry &e : journal) {
        if (e.link != "TCP")
            continue;
        if (e.dir == "RX")
            most = std::max(most, ++outstanding);
        else if (e.dir == "TX" || e.dir == "DROP")
            --outstanding;
    }
    return most;
}

class SlowDevice : public ::testing::TestWithParam<int> {};

TEST_P(SlowDevice, AtMostFourAwaitedEveryReplyDecodedAndStaleOnlyWhenRepliesStop) {
    const int latency = GetParam();
    std::string error;
    SimOptions options;
    options.scenarioJson =
        R"({"faults": {"latency_ms": )" + std::to_string(latency) + R"(, "one_at_a_time": true}})";
    options.pty = false;
    options.link = false;
    auto sim = SimProcess::Start(options, &error);
    ASSERT_TRUE(sim) << error;

    fakes::FakeOperator op;
    std::ostringstream trace;
    DeviceLink link(op, trace, TextTranslator());
    QElapsedTimer clock;
    clock.start();
    int64_t lastDecodeMs = -1, staleMs = -1;
    bool staleWhileAnswered = false, saidSlow = false;
    const Subscription decodes = link.Controller().OnDecode(
        [&](const StatusSnapshot &, const StatusViewModel &) { lastDecodeMs = clock.elapsed(); });
    link.SetHealthObserver([&] {
        const LinkHealth health = link.Controller().Health();
        saidSlow = saidSlow || health.Text.starts_with("응답 느림 · ");
        if (health.Stale && lastDecodeMs >= 0 && staleMs < 0)
            staleMs = clock.elapsed();
    });
    link.SetConnectInBackground(true);
    link.SetTcpPort(static_cast<quint16>(sim->TcpPort()));
    link.Connect(LinkKind::Tcp, "127.0.0.1");

    ASSERT_TRUE(WaitFor([&] { return link.Controller().DecodeCount() >= 6; }, 6 * latency + 10000));
    staleWhileAnswered = staleMs >= 0;
    const std::vector<JournalEntry> journal = sim->ReadJournal();
    EXPECT_LE(MostOutstanding(journal), 4);
    EXPECT_GT(link.Monitor().Counters().HeldBack, 0u) << "the poll outpaces the device";
    EXPECT_FALSE(staleWhileAnswered) << link.Controller().Health().Text;
    EXPECT_TRUE(saidSlow);
    const LinkCounters &c = link.Monitor().Counters();
    EXPECT_EQ(c.Replies, link.Controller().DecodeCount()) << "every reply decoded";
    for (uint64_t dropped : c.Dropped)
        EXPECT_EQ(dropped, 0u);

    // The device stops answering: the values turn stale three poll periods after the last reply.
    ASSERT_EQ(kill(sim->Pid(), SIGSTOP), 0);
    staleMs = -1;
    const int period = link.Controller().StatusPollPeriod();
    ASSERT_TRUE(WaitFor([&] { return staleMs >= 0; }, 3 * period + latency + 5000));
    EXPECT_LE(staleMs - lastDecodeMs, 3 * period + 100);
    EXPECT_NE(link.Controller().Health().Text.find("째 응답 없음"), std::string::npos)
        << link.Controller().Health().Text;
    kill(sim->Pid(), SIGCONT);
}

// A slow device goes away (closes, then refuses) and comes back on the same port: the requests of the
// closed connection end as cancelled, the panel says the console is retrying, and a restart is not
// taken for another client.
TEST(GoneDevice, ClosedThenRefusedIsNotConnectedAndARestartIsNoTakeover) {
    std::string error;
    SimOptions options;
    options.scenarioJson = R"({"faults": {"latency_ms": 1500, "one_at_a_time": true}})";
    options.pty = false;
    options.link = false;
    auto sim = SimProcess::Start(options, &error);
    ASSERT_TRUE(sim) << error;
    const int port = sim->TcpPort();

    fakes::FakeOperator op;
    std::ostringstream trace;
    DeviceLink link(op, trace, TextTranslator());
    link.SetConnectInBackground(true);
    link.SetTcpPort(static_cast<quint16>(port));
    link.Connect(LinkKind::Tcp, "127.0.0.1");
    const LinkMonitor &monitor = link.Monitor();
    ASSERT_TRUE(WaitFor(
        [&] { return link.Controller().DecodeCount() >= 1 && monitor.OutstandingCount() >= 2; }, 15000));
    sim->Stop();
    ASSERT_TRUE(WaitFor(
        [&] {
            return link.Controller().Health().Text == "연결 안 됨 — 재시도 중" &&
                   monitor.Counters().LastError.find("연결이 거부되었습니다") != std::string::npos;
        },
        10000))
        << link.Controller().Health().Text << " / " << monitor.Counters().LastError;
    EXPECT_EQ(monitor.OutstandingCount(), 0u);
    const LinkCounters &c = monitor.Counters();
    EXPECT_GE(c.Cancelled, 2u);
    EXPECT_EQ(c.Requests, c.Replies + c.Timeouts + c.Superseded + c.Cancelled);

    options.extraArgs = {"--tcp-port", std::to_string(port)};
    sim = SimProcess::Start(options, &error);
    ASSERT_TRUE(sim) << error;
    const uint64_t decodes = link.Controller().DecodeCount();
    ASSERT_TRUE(WaitFor([&] { return link.Controller().DecodeCount() > decodes; }, 15000))
        << link.Controller().Health().Text;
    EXPECT_EQ(c.Takeovers, 0u);
    EXPECT_GE(c.Reconnects, 1u);
}

INSTANTIATE_TEST_SUITE_P(Tcp, SlowDevice, ::testing::Values(1500, 2500),
                         [](const auto &info) { return std::to_string(info.param) + "ms"; });

} // namespace
} // namespace zephyra::test
