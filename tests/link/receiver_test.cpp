// Frame assembly from reads of any size, on both links.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "link/bytes.h"
#include "link/modbus_codec.h"
#include "link/response_receiver.h"
#include "support/fakes.h"

namespace zephyra {
namespace {

using fakes::RecordingSink;

Bytes Hex(std::string_view text) {
    Bytes out;
    EXPECT_TRUE(ParseHexBytes(text, out)) << text;
    return out;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes &p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Slice(const Bytes &b, std::size_t from, std::size_t to) {
    return Bytes(b.begin() + static_cast<std::ptrdiff_t>(from), b.begin() + static_cast<std::ptrdiff_t>(to));
}

// 01 04 FE and 254 data bytes; the data holds 0x01, 0x04 and 0xFE bytes that must not restart a frame.
Bytes StatusUnit() {
    Bytes unit = Hex("01 04 FE");
    for (int i = 0; i < kStatusByteCount; ++i)
        unit.push_back(static_cast<uint8_t>(i * 37 + 1));
    return unit;
}

Bytes EchoUnit() {
    return Hex("01 06 00 30 00 E6");
}
Bytes HistoryCountUnit() {
    return Hex("01 41 00 04 01 01 00 03");
}
Bytes HistoryClearUnit() {
    return Hex("01 41 00 03 01 03 01");
}
Bytes NetworkUnit() {
    return Hex("01 47 00 13 01 0A 5E 21 FE FF 10 0A 00 00 01 FF FF FF 00 0A 00 00 FE");
}
Bytes ExceptionUnit() {
    return Hex("01 86 02");
}

// Everything after the function code, CRC included.
Bytes SerialPayload(const Bytes &frame) {
    return Slice(frame, 2, frame.size());
}

struct Rig {
    explicit Rig(LinkKind kind) : link(kind), codec(link, port), rx(codec, sink, clock) {
        codec.AttachReceiver(&rx);
    }
    // Sends requests until the transaction counter is tid; the last one has the given function.
    void Prime(uint32_t tid, uint8_t function) {
        while (codec.TransactionCounter() + 1 < tid)
            codec.BuildReadRequest("0001", "007F");
        if (function == kFnWriteSingle) {
            codec.BuildWriteRequest(0x30, 230);
        } else if (function == kFnReadInput) {
            codec.BuildReadRequest("0001", "007F");
        } else {
            const uint8_t data[] = {0x01};
            codec.SendRequest(VendorRequestUnit(function, data));
        }
    }
    std::vector<int32_t> Functions() const {
        std::vector<int32_t> out;
        for (const auto &r : sink.responses)
            out.push_back(r.function);
        return out;
    }

    LinkKind link;
    fakes::FakeLinkPort port;
    ModbusCodec codec;
    RecordingSink sink;
    fakes::FakeClock clock;
    ResponseReceiver rx;
};

// ---- Serial: each frame whole, split at every byte, and byte by byte -------------------------------

struct NamedFrame {
    std::string name;
    Bytes unit;
};
void PrintTo(const NamedFrame &f, std::ostream *os) {
    *os << f.name;
}

const std::vector<NamedFrame> &Frames() {
    static const std::vector<NamedFrame> frames{
        {"Status", StatusUnit()},
        {"Echo", EchoUnit()},
        {"HistoryCount", HistoryCountUnit()},
        {"HistoryClear", HistoryClearUnit()},
        {"Network", NetworkUnit()},
        {"Exception", ExceptionUnit()},
    };
    return frames;
}

void ExpectOneSerialFrame(const Rig &rig, const Bytes &frame) {
    ASSERT_EQ(rig.sink.responses.size(), 1u);
    EXPECT_EQ(rig.sink.responses[0].function, frame[1]);
    EXPECT_EQ(rig.sink.responses[0].payload, SerialPayload(frame));
    EXPECT_EQ(rig.rx.RxState(), ResponseReceiver::kIdle);
    EXPECT_FALSE(rig.rx.FrameReady());
}

class SerialWhole : public ::testing::TestWithParam<NamedFrame> {};

TEST_P(SerialWhole, OneReadGivesOneFrame) {
    Rig rig(LinkKind::Serial);
    const Bytes frame = WithCrc(GetParam().unit);
    rig.rx.OnSerialRead(frame);
    ExpectOneSerialFrame(rig, frame);
}

TEST_P(SerialWhole, OneByteReadsGiveTheSameFrame) {
    Rig rig(LinkKind::Serial);
    const Bytes frame = WithCrc(GetParam().unit);
    for (std::size_t i = 0; i < frame.size(); ++i) {
        EXPECT_TRUE(rig.sink.responses.empty()) << "dispatched early, before byte " << i;
        rig.rx.OnSerialRead(Slice(frame, i, i + 1));
    }
    ExpectOneSerialFrame(rig, frame);
}

INSTANTIATE_TEST_SUITE_P(Receiver, SerialWhole, ::testing::ValuesIn(Frames()),
                         [](const auto &info) { return info.param.name; });

struct SplitPoint {
    std::size_t frame;
    std::size_t at;
};
void PrintTo(const SplitPoint &p, std::ostream *os) {
    *os << "split at " << p.at;
}

std::vector<SplitPoint> SerialSplits() {
    std::vector<SplitPoint> out;
    for (std::size_t f = 0; f < Frames().size(); ++f) {
        std::size_t size = Frames()[f].unit.size() + 2;
        for (std::size_t at = 1; at < size; ++at)
            out.push_back({f, at});
    }
    return out;
}

class SerialSplit : public ::testing::TestWithParam<SplitPoint> {};

TEST_P(SerialSplit, TwoReadsGiveTheSameFrame) {
    Rig rig(LinkKind::Serial);
    const Bytes frame = WithCrc(Frames()[GetParam().frame].unit);
    rig.rx.OnSerialRead(Slice(frame, 0, GetParam().at));
    EXPECT_TRUE(rig.sink.responses.empty());
    rig.rx.OnSerialRead(Slice(frame, GetParam().at, frame.size()));
    ExpectOneSerialFrame(rig, frame);
}

INSTANTIATE_TEST_SUITE_P(Receiver, SerialSplit, ::testing::ValuesIn(SerialSplits()), [](const auto &info) {
    return Frames()[info.param.frame].name + "_at_" + std::to_string(info.param.at);
});

TEST(SerialReceiver, StatusFrameIn100_100_59Reads) {
    Rig rig(LinkKind::Serial);
    const Bytes frame = WithCrc(StatusUnit());
    ASSERT_EQ(frame.size(), 259u);
    rig.rx.OnSerialRead(Slice(frame, 0, 100));
    rig.rx.OnSerialRead(Slice(frame, 100, 200));
    rig.rx.OnSerialRead(Slice(frame, 200, 259));
    ExpectOneSerialFrame(rig, frame);
}

// ---- Serial: sequences of reads ---------------------------------------------------------------------

struct Step {
    int64_t advanceMs; // clock moves on before this read
    Bytes read;
};

struct SerialSequence {
    std::string name;
    std::vector<Step> steps;
    std::vector<int32_t> functions; // dispatched, in order
};
void PrintTo(const SerialSequence &s, std::ostream *os) {
    *os << s.name;
}

Bytes BadCrc(Bytes frame) {
    frame.back() ^= 0x5A;
    return frame;
}

std::vector<SerialSequence> SerialSequenceTable() {
    const Bytes echo = WithCrc(EchoUnit());
    const Bytes status = WithCrc(StatusUnit());
    const Bytes history = WithCrc(HistoryClearUnit());
    const Bytes exception = WithCrc(ExceptionUnit());
    const Bytes vendor600 = Hex("01 41 02 58");
    Bytes over600 = Hex("01 41 03 00"); // 768 announced: collected until the limit passes
    over600.resize(4 + 596, 0x00);
    return {
        {"NoiseBeforeTheAddressIsDropped", {{0, Cat({Hex("00 FF"), echo})}}, {0x06}},
        {"WrongCrcIsNotDispatched", {{0, BadCrc(echo)}}, {}},
        {"WrongCrcLeavesTheNextFrameIntact", {{0, BadCrc(status)}, {0, history}}, {0x41}},
        {"SecondFrameInTheSameReadIsLost", {{0, Cat({echo, history})}, {0, history}}, {0x06, 0x41}},
        {"ExceptionThenStatus", {{0, exception}, {0, status}}, {0x86, 0x04}},
        {"ExceptionSplitThenEcho",
         {{0, Slice(exception, 0, 3)}, {0, Slice(exception, 3, 5)}, {0, echo}},
         {0x86, 0x06}},
        {"Vendor600AbandonedAtItsFirstDataByte", {{0, vendor600}, {0, Hex("00")}, {0, echo}}, {0x06}},
        {"Vendor600DropsTheRestOfItsRead", {{0, Cat({vendor600, Hex("00"), echo})}, {0, echo}}, {0x06}},
        {"OverlongVendorSwallowsUntilTheLimit",
         {{0, over600}, {0, echo}, {0, Bytes(10, 0x00)}, {0, echo}},
         {0x06}},
        // A partial frame followed by silence is dropped, so the next reply is not swallowed.
        {"SilenceDropsAPartialFrame",
         {{0, Slice(status, 0, 100)}, {ResponseReceiver::kSerialSilenceMs + 1, echo}},
         {0x06}},
        {"SilenceDropsAWrongLengthFrame",
         {{0, Hex("01 41 01 00 00")}, {ResponseReceiver::kSerialSilenceMs + 1, echo}},
         {0x06}},
        {"PauseUpToTheSilenceLimitKeepsTheFrame",
         {{0, Slice(status, 0, 100)}, {ResponseReceiver::kSerialSilenceMs, Slice(status, 100, 259)}},
         {0x04}},
        {"SilenceWhileIdleChangesNothing", {{0, echo}, {10000, history}}, {0x06, 0x41}},
    };
}

class SerialSequences : public ::testing::TestWithParam<SerialSequence> {};

TEST_P(SerialSequences, DispatchExactlyTheExpectedFrames) {
    Rig rig(LinkKind::Serial);
    for (const Step &s : GetParam().steps) {
        rig.clock.Advance(s.advanceMs);
        rig.rx.OnSerialRead(s.read);
    }
    EXPECT_EQ(rig.Functions(), GetParam().functions);
    EXPECT_EQ(rig.rx.RxState(), ResponseReceiver::kIdle);
}

INSTANTIATE_TEST_SUITE_P(Receiver, SerialSequences, ::testing::ValuesIn(SerialSequenceTable()),
                         [](const auto &info) { return info.param.name; });

TEST(SerialReceiver, SilenceIsMeasuredFromTheLastByteNotTheFrameStart) {
    Rig rig(LinkKind::Serial);
    const Bytes frame = WithCrc(StatusUnit());
    for (std::size_t i = 0; i < frame.size(); ++i) {
        rig.clock.Advance(ResponseReceiver::kSerialSilenceMs / 2);
        rig.rx.OnSerialRead(Slice(frame, i, i + 1));
    }
    ExpectOneSerialFrame(rig, frame);
}

TEST(SerialReceiver, ExceptionReplyIsFiveBytes) {
    Rig rig(LinkKind::Serial);
    const Bytes exception = WithCrc(Hex("01 84 02"));
    rig.rx.OnSerialRead(Slice(exception, 0, 4));
    EXPECT_TRUE(rig.sink.responses.empty());
    EXPECT_NE(rig.rx.RxState(), ResponseReceiver::kIdle);
    rig.rx.OnSerialRead(Slice(exception, 4, 5));
    ExpectOneSerialFrame(rig, exception);
}

// ---- TCP ------------------------------------------------------------------------------------------

struct TcpFrame {
    std::string name;
    Bytes unit;
    uint8_t lastSent; // function of the request that was sent last
};

const std::vector<TcpFrame> &TcpFrames() {
    static const std::vector<TcpFrame> frames{
        {"Status", StatusUnit(), kFnReadInput},
        {"HistoryCount", HistoryCountUnit(), kFnHistory},
        {"Network", NetworkUnit(), kFnNetwork},
        {"Exception", ExceptionUnit(), kFnReadInput},
    };
    return frames;
}

constexpr uint16_t kTid = 0x0107;

void ExpectOneTcpFrame(const Rig &rig, const Bytes &unit) {
    ASSERT_EQ(rig.sink.responses.size(), 1u);
    EXPECT_EQ(rig.sink.responses[0].function, unit[1]);
    EXPECT_EQ(rig.sink.responses[0].payload, Slice(unit, 2, unit.size()));
    EXPECT_EQ(rig.rx.RxState(), ResponseReceiver::kTcpIdle);
}

std::vector<SplitPoint> TcpSplits() {
    std::vector<SplitPoint> out;
    for (std::size_t f = 0; f < TcpFrames().size(); ++f) {
        std::size_t size = TcpFrames()[f].unit.size() + 6;
        // From 1: reads come as bytes arrive, so even the header may be cut.
        for (std::size_t at = 1; at <= size; ++at)
            out.push_back({f, at}); // at == size: whole
    }
    return out;
}

class TcpSplit : public ::testing::TestWithParam<SplitPoint> {};

TEST_P(TcpSplit, AssemblesAcrossReadsWhereverTheFrameIsCut) {
    Rig rig(LinkKind::Tcp);
    const TcpFrame &f = TcpFrames()[GetParam().frame];
    rig.Prime(kTid, f.lastSent);
    const Bytes frame = WithMbap(kTid, f.unit);
    rig.rx.OnTcpRead(Slice(frame, 0, GetParam().at));
    if (GetParam().at < frame.size()) {
        EXPECT_TRUE(rig.sink.responses.empty());
        rig.rx.OnTcpRead(Slice(frame, GetParam().at, frame.size()));
    }
    ExpectOneTcpFrame(rig, f.unit);
}

INSTANTIATE_TEST_SUITE_P(Receiver, TcpSplit, ::testing::ValuesIn(TcpSplits()), [](const auto &info) {
    return TcpFrames()[info.param.frame].name + "_at_" + std::to_string(info.param.at);
});

TEST(TcpReceiver, HeaderMarkThenOneByteReads) {
    Rig rig(LinkKind::Tcp);
    rig.Prime(kTid, kFnReadInput);
    const Bytes frame = WithMbap(kTid, StatusUnit());
    rig.rx.OnTcpRead(Slice(frame, 0, 4));
    for (std::size_t i = 4; i < frame.size(); ++i)
        rig.rx.OnTcpRead(Slice(frame, i, i + 1));
    ExpectOneTcpFrame(rig, StatusUnit());
}

TEST(TcpReceiver, EchoAfterAWriteCompletesAtItsEleventhByteAndTakesTheTwelfth) {
    Rig rig(LinkKind::Tcp);
    rig.Prime(7, kFnWriteSingle);
    const Bytes frame = Hex("00 07 00 00 00 06 01 06 00 30 00 E6");
    rig.rx.OnTcpRead(frame);
    ExpectOneTcpFrame(rig, EchoUnit());

    // Split after the 11th byte the frame is already complete; the 12th then falls on an idle machine.
    Rig split(LinkKind::Tcp);
    split.Prime(7, kFnWriteSingle);
    split.rx.OnTcpRead(Slice(frame, 0, 11));
    ASSERT_EQ(split.sink.responses.size(), 1u);
    EXPECT_EQ(split.sink.responses[0].function, kFnWriteSingle);
    EXPECT_EQ(split.sink.responses[0].payload, Hex("00 30 00"));
    split.rx.OnTcpRead(Slice(frame, 11, 12));
    EXPECT_EQ(split.sink.responses.size(), 1u);
    EXPECT_EQ(split.rx.RxState(), ResponseReceiver::kTcpIdle);
}

TEST(TcpReceiver, ExceptionAfterAWriteIsDispatched) {
    Rig rig(LinkKind::Tcp);
    rig.Prime(7, kFnWriteSingle);
    rig.rx.OnTcpRead(WithMbap(7, ExceptionUnit()));
    ExpectOneTcpFrame(rig, ExceptionUnit());
}

TEST(TcpReceiver, OtherTransactionIdIsNeverRecognised) {
    Rig rig(LinkKind::Tcp);
    rig.Prime(7, kFnHistory);
    rig.rx.OnTcpRead(WithMbap(6, HistoryCountUnit()));
    EXPECT_TRUE(rig.sink.responses.empty());
    // The stale reply's bytes are not kept in front of the matching one.
    rig.rx.OnTcpRead(WithMbap(7, HistoryCountUnit()));
    ExpectOneTcpFrame(rig, HistoryCountUnit());
}

TEST(TcpReceiver, BytesBeforeTheHeaderInTheSameReadAreDropped) {
    for (const Bytes &noise :
         {Hex("FF"), Hex("00 07"), WithMbap(6, HistoryCountUnit()), Hex("00 00 00 00 00")}) {
        Rig rig(LinkKind::Tcp);
        rig.Prime(7, kFnHistory);
        rig.rx.OnTcpRead(Cat({noise, WithMbap(7, HistoryCountUnit())}));
        ExpectOneTcpFrame(rig, HistoryCountUnit());
    }
}

TEST(TcpReceiver, TwoFramesInOneReadDispatchOnce) {
    Rig rig(LinkKind::Tcp);
    rig.Prime(7, kFnHistory);
    const Bytes first = WithMbap(7, HistoryCountUnit());
    rig.rx.OnTcpRead(Cat({first, WithMbap(7, HistoryClearUnit())}));
    ASSERT_EQ(rig.sink.responses.size(), 1u);
    EXPECT_EQ(rig.sink.responses[0].function, kFnHistory);
    const Bytes &payload = rig.sink.responses[0].payload;
    ASSERT_GE(payload.size(), HistoryCountUnit().size() - 2);
    EXPECT_EQ(Slice(payload, 0, 6), Slice(HistoryCountUnit(), 2, 8));
    // The machine is ready for the next reply.
    rig.rx.OnTcpRead(first);
    EXPECT_EQ(rig.sink.responses.size(), 2u);
}

TEST(TcpReceiver, ImplausibleLengthsNeitherCrashNorDispatchGarbage) {
    Rig rig(LinkKind::Tcp);
    rig.Prime(7, kFnReadInput);
    rig.rx.OnTcpRead(Hex("00 07 00 00 00 00"));
    rig.rx.OnTcpRead(Hex("00 07 00 00 00 01 01"));
    EXPECT_TRUE(rig.sink.responses.empty());
    EXPECT_EQ(rig.rx.RxState(), ResponseReceiver::kTcpIdle);
    rig.rx.OnTcpRead(WithMbap(7, StatusUnit()));
    ExpectOneTcpFrame(rig, StatusUnit());
}

TEST(TcpReceiver, SilenceDropsAFrameWhoseLengthNeverArrives) {
    Rig rig(LinkKind::Tcp);
    rig.Prime(7, kFnReadInput);
    rig.rx.OnTcpRead(Hex("00 07 00 00 FF FF 01 04 FE"));
    rig.clock.Advance(ResponseReceiver::kTcpSilenceMs);
    rig.rx.OnTcpRead(Hex("00 01 02"));
    EXPECT_NE(rig.rx.RxState(), ResponseReceiver::kTcpIdle) << "a normal gap keeps the frame";
    rig.clock.Advance(ResponseReceiver::kTcpSilenceMs + 1);
    rig.rx.OnTcpRead(WithMbap(7, StatusUnit()));
    ExpectOneTcpFrame(rig, StatusUnit());
}

TEST(TcpReceiver, ResetDropsAHalfAssembledFrame) {
    Rig rig(LinkKind::Tcp);
    rig.Prime(7, kFnReadInput);
    const Bytes frame = WithMbap(7, StatusUnit());
    rig.rx.OnTcpRead(Slice(frame, 0, 100));
    rig.rx.Reset();
    rig.rx.OnTcpRead(frame);
    ExpectOneTcpFrame(rig, StatusUnit());
}

} // namespace
} // namespace zephyra

namespace zephyra {
namespace {

// The two machines share one state; a half frame of one link must not be continued by the other's bytes.
TEST(Receiver, SwitchingLinksStartsFromIdle) {
    Rig rig(LinkKind::Tcp);
    rig.Prime(7, kFnHistory);
    const Bytes tcp = WithMbap(7, HistoryCountUnit());
    const Bytes serial = WithCrc(HistoryClearUnit());

    rig.rx.OnTcpRead(Slice(tcp, 0, 8));
    rig.rx.OnSerialRead(serial);
    rig.rx.OnTcpRead(Slice(tcp, 0, 5));
    rig.rx.OnSerialRead(Slice(serial, 0, 3));
    rig.rx.OnTcpRead(tcp);
    ASSERT_EQ(rig.Functions(), (std::vector<int32_t>{kFnHistory, kFnHistory}));
    EXPECT_EQ(rig.sink.responses[0].payload, SerialPayload(serial));
    EXPECT_EQ(rig.sink.responses[1].payload, Slice(HistoryCountUnit(), 2, 8));
}

} // namespace
} // namespace zephyra
