// Every request answered, timed out or superseded; every dropped frame with its reason; the health
// text the status bar shows.
#include <gtest/gtest.h>

#include "link/link_monitor.h"
#include "link/modbus_codec.h"
#include "link/response_receiver.h"
#include "support/fakes.h"
#include "support/status_block.h"

namespace zephyra {
namespace {

using fakes::FakeClock;

const Bytes kStatusRead = ReadRequestUnit(1, 127);

Bytes StatusReplyUnit() {
    return test::StatusBlock().Unit();
}

struct MonitorRig {
    FakeClock clock;
    LinkMonitor monitor{clock, TextTranslator()};
    fakes::RecordingSink sink;
    PollState state; // only its link kind: the codec reads it
    fakes::FakeLinkPort port;
    ModbusCodec codec{state.Link, port};
    ResponseReceiver rx{codec, sink, clock};

    explicit MonitorRig(LinkKind link = LinkKind::Serial) {
        state.Link = link;
        codec.SetMonitor(&monitor);
        rx.SetMonitor(&monitor);
        monitor.LinkOpened(link);
    }
    // One status poll period (600 ms serial): a request, and the reply unless the device is silent.
    void Poll(bool answered) {
        codec.SendRequest(kStatusRead);
        if (answered) {
            clock.Advance(20);
            if (state.Link == LinkKind::Serial)
                rx.OnSerialRead(WithCrc(StatusReplyUnit()));
            else
                rx.OnTcpRead(WithMbap(static_cast<uint16_t>(codec.TransactionCounter()), StatusReplyUnit()));
            monitor.StatusBlockDecoded(); // what the dispatcher reports once the block is decoded
            clock.Advance(580);
        } else {
            clock.Advance(600);
        }
        monitor.Tick();
    }
};

TEST(LinkMonitor, SilenceTurnsStaleWithTimeOutsAndTheNextReplyIsHealthyAgain) {
    MonitorRig r;
    EXPECT_EQ(r.monitor.Health(600, true).Text, "첫 응답을 기다리는 중");
    r.Poll(true);
    r.Poll(true);
    EXPECT_EQ(r.monitor.Health(600, true).Text, "정상 · 0.6초");
    EXPECT_FALSE(r.monitor.Health(600, true).Stale);

    for (int i = 0; i < 4; ++i)
        r.Poll(false);
    LinkHealth h = r.monitor.Health(600, true);
    EXPECT_TRUE(h.Stale);
    EXPECT_EQ(h.Text, "3.0초째 응답 없음 — 요청 4건 시간 초과");
    EXPECT_EQ(r.monitor.Health(600, false).Text, "폴링 멈춤 · 3.0초 전 값");
    EXPECT_EQ(r.monitor.Counters().Timeouts, 4u);
    // A device seen to answer fast is awaited twice its reply time, at least 0.3 s.
    EXPECT_EQ(r.monitor.Counters().LastError, "0.3초 안에 응답 없음");
    // Nothing wakes a paused poll: the panel is told when the age it shows reaches its next second.
    r.clock.Advance(250);
    const LinkHealth paused = r.monitor.Health(600, false);
    EXPECT_TRUE(paused.AgeTickInMs > 0 && paused.AgeTickInMs <= 1000) << paused.AgeTickInMs;
    r.clock.Advance(paused.AgeTickInMs);
    EXPECT_EQ(r.monitor.Health(600, false).Text, "폴링 멈춤 · 4.0초 전 값");

    r.Poll(true);
    EXPECT_FALSE(r.monitor.Health(600, true).Stale);
    EXPECT_EQ(r.monitor.Health(600, true).AgeTickInMs, 0) << "a live text does not age";
    const LinkCounters &c = r.monitor.Counters();
    EXPECT_EQ(c.Requests, 7u);
    EXPECT_EQ(c.Replies, 3u);
    EXPECT_EQ(r.monitor.Lines().size(), 10u);

    r.monitor.PortLost("/dev/ttyV0");
    EXPECT_EQ(r.monitor.Health(600, true).Text, "시리얼 포트 끊김 — 재시도 중");
    EXPECT_EQ(r.monitor.Counters().PortLosses, 1u);
    r.monitor.Reconnected();
    r.Poll(true);
    EXPECT_EQ(r.monitor.Health(600, true).Text, "정상 · 0.6초");
    r.monitor.ResetCounters();
    EXPECT_EQ(r.monitor.Counters().Requests, 0u);
}

// A one-client device drops our working connection and takes our reconnect at once: another client
// holds it. A device that closes and then refuses is gone (or restarting): no takeover, and the requests
// of the closed connection end as cancelled.
// A translator that knows one cause and brackets every other text it is asked for.
std::string FakeEnglish(const TextKey &key) {
    if (std::string_view(key.Source) == "%1초 안에 응답 없음")
        return "no reply within %1 s";
    return "[" + std::string(key.Source) + "]";
}

TEST(LinkMonitor, CausesAndHealthSpeakTheLanguageItWasHanded) {
    FakeClock clock;
    LinkMonitor monitor{clock, TextTranslator(FakeEnglish)};
    monitor.LinkOpened(LinkKind::Serial);
    EXPECT_EQ(monitor.Health(600, true).Text, "[첫 응답을 기다리는 중]");
    monitor.RequestSent(LinkKind::Serial, WithCrc(kStatusRead), 0);
    clock.Advance(LinkMonitor::kSerialReplyTimeoutMs);
    monitor.Tick();
    // Translated first, then filled in: the figure lands in the English sentence.
    EXPECT_EQ(monitor.Counters().LastError, "no reply within 1.0 s");
    // The reason inside a cause comes from the same translator.
    monitor.FrameDropped(LinkKind::Serial, Bytes{1, 4, 0}, DropReason::BadCrc);
    EXPECT_EQ(monitor.Counters().LastError, "[버림: [CRC 불일치]]");
}

TEST(LinkMonitor, ATakeoverIsACloseFollowedByAnAcceptedReconnectNotARefusal) {
    MonitorRig r(LinkKind::Tcp);
    r.monitor.PeerClosed(); // never answered on: an ordinary connect failure
    r.monitor.Reconnected();
    EXPECT_EQ(r.monitor.Counters().Takeovers, 0u);
    EXPECT_EQ(r.monitor.LastReplyTimeMs(), -1);
    r.Poll(true);
    EXPECT_EQ(r.monitor.LastReplyTimeMs(), 20);
    EXPECT_EQ(r.monitor.LastGoodAgeMs(), 580);

    const auto closeWithTwoAwaited = [&r] {
        r.codec.SendRequest(kStatusRead);
        r.codec.SendRequest(kStatusRead);
        r.monitor.PeerClosed();
        r.monitor.ConnectionClosed("connection closed");
        EXPECT_EQ(r.monitor.OutstandingCount(), 0u);
        EXPECT_EQ(r.monitor.Health(900, true).Text, "연결 안 됨 — 재시도 중");
    };
    // Gone: closed, then refused. Restarted: refused a while, then accepted.
    closeWithTwoAwaited();
    r.monitor.ConnectFailed("connection refused");
    EXPECT_EQ(r.monitor.Health(900, true).Text, "연결 안 됨 — 재시도 중");
    r.monitor.Reconnected();
    EXPECT_EQ(r.monitor.Counters().Takeovers, 0u);
    EXPECT_EQ(r.monitor.Counters().Cancelled, 2u);
    r.Poll(true);

    // Taken: closed, and the reconnect is accepted at once.
    closeWithTwoAwaited();
    r.monitor.Reconnected();
    const LinkHealth h = r.monitor.Health(900, true);
    EXPECT_TRUE(h.Stale && h.TakenOver);
    EXPECT_EQ(h.Text, "장비가 이 연결을 끊었습니다. 다른 클라이언트가 사용 중일 수 있습니다 — 재접속 중");
    EXPECT_EQ(r.monitor.Counters().Takeovers, 1u);
    EXPECT_EQ(r.monitor.Counters().LastError, kTakeoverText);
    const LinkCounters &c = r.monitor.Counters();
    EXPECT_EQ(c.Requests, c.Replies + c.Timeouts + c.Superseded + c.Cancelled + r.monitor.OutstandingCount());
    r.Poll(true);
    EXPECT_FALSE(r.monitor.Health(900, true).TakenOver);
}

// A device slower than the poll: its replies carry ids of earlier requests still awaited.
TEST(LinkMonitor, TcpRepliesToAnyAwaitedRequestAreTakenOthersAreStale) {
    MonitorRig r(LinkKind::Tcp);
    r.codec.SendRequest(kStatusRead); // id 1
    r.clock.Advance(900);
    r.codec.SendRequest(kStatusRead); // id 2
    r.clock.Advance(600);             // 1.5 s after the first
    r.rx.OnTcpRead(WithMbap(1, StatusReplyUnit()));
    ASSERT_EQ(r.sink.responses.size(), 1u);
    r.rx.OnTcpRead(WithMbap(1, StatusReplyUnit())); // answered already
    EXPECT_EQ(r.sink.responses.size(), 1u);
    r.monitor.Tick();
    EXPECT_EQ(r.monitor.Counters().Timeouts, 0u);
    EXPECT_EQ(r.monitor.Counters().Dropped[static_cast<std::size_t>(DropReason::StaleTransaction)], 1u);

    for (int i = 0; i < 5; ++i)
        r.codec.SendRequest(kStatusRead); // ids 3..7: only the newest four stay awaited
    EXPECT_EQ(r.monitor.Counters().Superseded, 2u);
    EXPECT_FALSE(r.monitor.TransactionOutstanding(3));
    EXPECT_TRUE(r.monitor.TransactionOutstanding(4));
    r.clock.Advance(LinkMonitor::kTcpReplyTimeoutMs);
    EXPECT_FALSE(r.monitor.TransactionOutstanding(7));
    r.monitor.Tick();
    EXPECT_EQ(r.monitor.Counters().Timeouts, 4u);
}

// The texts of a slow device and of a first silence on TCP say what is true.
TEST(LinkMonitor, SlowRepliesAreSaidSlowAndAwaitedRequestsAreNotCalledTimedOut) {
    MonitorRig r(LinkKind::Tcp);
    r.codec.SendRequest(kStatusRead);
    r.clock.Advance(2500);
    r.rx.OnTcpRead(WithMbap(1, StatusReplyUnit()));
    r.monitor.StatusBlockDecoded();
    EXPECT_EQ(r.monitor.Health(900, true).Text, "응답 느림 · 2.5초");
    for (int i = 0; i < 4; ++i)
        r.codec.SendRequest(kStatusRead); // ids 2..5
    EXPECT_TRUE(r.monitor.Saturated(LinkKind::Tcp)) << "a due poll is held back";
    r.clock.Advance(2701);
    r.monitor.Tick();
    EXPECT_EQ(r.monitor.Health(900, true).Text, "2.7초째 응답 없음 — 요청 4건 응답 대기 중");
    // The device answers in order: a reply to id 4 means ids 2 and 3 were lost on the way.
    r.rx.OnTcpRead(WithMbap(4, StatusReplyUnit()));
    EXPECT_EQ(r.monitor.Counters().Superseded, 2u);
    EXPECT_EQ(r.monitor.OutstandingCount(), 1u);
    EXPECT_FALSE(r.monitor.Saturated(LinkKind::Tcp));
}

// What the receivers throw away, and why.
TEST(LinkMonitor, ReceiversGiveAReasonForEveryDroppedFrame) {
    struct Case {
        const char *name;
        LinkKind link;
        std::vector<Bytes> reads; // with 60 ms between them
        DropReason reason;
    };
    Bytes badCrc = WithCrc(WriteRequestUnit(0x28, 435));
    badCrc.back() ^= 0xFF;
    const Case cases[] = {
        {"bad CRC", LinkKind::Serial, {badCrc}, DropReason::BadCrc},
        {"noise", LinkKind::Serial, {{0x00, 0xFF}}, DropReason::Noise},
        {"half frame", LinkKind::Serial, {{0x01, 0x04, 0xFE, 0x00}, {}}, DropReason::HalfFrameAfterSilence},
        {"unknown function",
         LinkKind::Serial,
         {WithCrc(Bytes{0x01, 0x03, 0x00, 0x02, 0x00, 0x00})},
         DropReason::UnknownUnitOrFunction},
        {"stale id", LinkKind::Tcp, {WithMbap(9, WriteRequestUnit(0x28, 435))}, DropReason::StaleTransaction},
        {"tcp half frame",
         LinkKind::Tcp,
         {Bytes{0x00, 0x01, 0x00, 0x00, 0x01, 0x03, 0x01, 0x04}, {}},
         DropReason::HalfFrameAfterSilence},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        MonitorRig r(c.link);
        r.codec.SendRequest(kStatusRead); // TCP id 1
        for (const Bytes &read : c.reads) {
            r.clock.Advance(c.link == LinkKind::Tcp ? 600 : 60);
            const Bytes bytes = read.empty() ? Bytes{0x00} : read; // an empty read stands for later noise
            if (c.link == LinkKind::Serial)
                r.rx.OnSerialRead(bytes);
            else
                r.rx.OnTcpRead(bytes);
        }
        EXPECT_TRUE(r.sink.responses.empty());
        EXPECT_GE(r.monitor.Counters().Dropped[static_cast<std::size_t>(c.reason)], 1u);
        ASSERT_FALSE(r.monitor.Lines().empty());
        bool seen = false;
        for (const TrafficLine &line : r.monitor.Lines())
            seen = seen || (line.Dir == Direction::Dropped && line.Reason == c.reason);
        EXPECT_TRUE(seen);
    }
}

TEST(LinkMonitor, ExceptionsAreCountedByCodeAndTheStoreStaysBounded) {
    MonitorRig r;
    r.codec.SendRequest(WriteRequestUnit(0x28, 435));
    r.rx.OnSerialRead(WithCrc(Bytes{0x01, 0x86, 0x04}));
    EXPECT_EQ(r.monitor.Counters().Exceptions.at(4), 1u);
    EXPECT_EQ(r.monitor.Counters().LastError, "예외 응답 04 (기능 0x06)");
    EXPECT_EQ(r.sink.responses.size(), 1u) << "the dispatcher still hears of it";

    for (std::size_t i = 0; i < LinkMonitor::kLineCapacity; ++i)
        r.codec.SendRequest(kStatusRead);
    EXPECT_EQ(r.monitor.Lines().size(), LinkMonitor::kLineCapacity);
    EXPECT_EQ(r.monitor.LinesAdded(), LinkMonitor::kLineCapacity + 2);
}

} // namespace
} // namespace zephyra
