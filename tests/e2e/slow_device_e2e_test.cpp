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
    DeviceLink link(op, trace);
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

INSTANTIATE_TEST_SUITE_P(Tcp, SlowDevice, ::testing::Values(1500, 2500),
                         [](const auto &info) { return std::to_string(info.param) + "ms"; });

} // namespace
} // namespace zephyra::test
