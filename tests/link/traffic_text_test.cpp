// What the traffic window says about each kind of frame, on both links.
#include <gtest/gtest.h>

#include "link/link_monitor.h"
#include "link/modbus_codec.h"

namespace zephyra {
namespace {

Bytes Hex(std::string_view text) {
    Bytes out;
    EXPECT_TRUE(ParseHexBytes(text, out)) << text;
    return out;
}

Bytes History(uint8_t kind, uint8_t command, std::string_view rest = "") {
    Bytes data{kind, command};
    for (uint8_t b : Hex(rest))
        data.push_back(b);
    return VendorRequestUnit(kFnHistory, data);
}

Bytes StatusReply() {
    Bytes unit{kUnitAddress, kFnReadInput, 254};
    unit.resize(3 + 254);
    return unit;
}

Bytes Network(std::string_view data) {
    return VendorRequestUnit(kFnNetwork, Hex(data));
}

struct FrameCase {
    const char *name;
    LinkKind link;
    Direction dir;
    Bytes unit; // framed by link below; taken as the whole wire when framed is false
    const char *meaning;
    DropReason reason = DropReason::None;
    bool framed = true;
};
void PrintTo(const FrameCase &c, std::ostream *os) {
    *os << c.name;
}

class Describe : public ::testing::TestWithParam<FrameCase> {};

TEST_P(Describe, SaysWhatTheFrameIs) {
    const FrameCase &c = GetParam();
    TrafficLine line{.Ms = 0, .Link = c.link, .Dir = c.dir, .Reason = c.reason, .Frame = c.unit};
    if (c.framed)
        line.Frame = c.link == LinkKind::Tcp ? WithMbap(0x1234, c.unit) : WithCrc(c.unit);
    EXPECT_EQ(DescribeFrame(line, TextTranslator()), c.meaning);
}

constexpr LinkKind kRtu = LinkKind::Serial;
constexpr LinkKind kTcp = LinkKind::Tcp;
constexpr Direction kTx = Direction::Tx;
constexpr Direction kRx = Direction::Rx;
constexpr Direction kDrop = Direction::Dropped;

INSTANTIATE_TEST_SUITE_P(
    TrafficText, Describe,
    ::testing::Values(
        FrameCase{"StatusRead", kRtu, kTx, ReadRequestUnit(1, 127), "상태 읽기 127개 레지스터"},
        FrameCase{"OtherRead", kTcp, kTx, ReadRequestUnit(0x28, 3), "0x0028부터 3개 레지스터 읽기"},
        FrameCase{"StatusReply", kTcp, kRx, StatusReply(), "상태 응답 254바이트"},
        FrameCase{"ReplyCountsMoreThanCame", kRtu, kRx, Hex("01 04 06 00 01 00 02"),
                  "읽기 응답 6바이트 (길이 표시 6, 실제 4)"},
        FrameCase{"Write", kRtu, kTx, WriteRequestUnit(0x28, 435), "쓰기 0x0028 := 435"},
        FrameCase{"Echo", kTcp, kRx, WriteRequestUnit(0x28, 435), "에코 0x0028 = 435"},
        FrameCase{"Exception", kRtu, kRx, Hex("01 86 04"), "예외 응답 04 (기능 0x06)"},
        FrameCase{"HistoryCountReply", kTcp, kRx, History(3, 1, "07 D0"), "이벤트이력 개수 2000"},
        FrameCase{"RecordRequest", kTcp, kTx, History(1, 2, "07 CF"), "알람이력 기록 1999 요청"},
        FrameCase{"RecordReply", kRtu, kRx, History(2, 2, "07 CF 19 03 07 0E 05 09"), "데이터이력 기록"},
        FrameCase{"InitialiseDone", kRtu, kRx, History(1, 3, "01"), "알람이력 초기화: 완료"},
        FrameCase{"InitialiseRefused", kTcp, kRx, History(3, 3, "02"), "이벤트이력 초기화: 거부"},
        FrameCase{"VendorLengthWrong", kRtu, kTx, Hex("01 41 00 05 01 01"),
                  "알람이력 개수 요청 (길이 표시 5, 실제 2)"},
        FrameCase{"NetworkRead", kRtu, kTx, Network("01"), "네트워크 정보 읽기"},
        FrameCase{"NetworkWrite", kTcp, kTx, VendorRequestUnit(kFnNetwork, Bytes(20, 2)),
                  "네트워크 정보 쓰기"},
        FrameCase{"NetworkWriteRefused", kRtu, kRx, Network("02 02"), "네트워크 정보 쓰기: 거부"},
        FrameCase{"OtherFunction", kRtu, kRx, Hex("01 03 02 00 00"), "기능 0x03"},
        FrameCase{"ShortSerial", kRtu, kRx, Hex("01 04 00"), "짧은 프레임", DropReason::None, false},
        FrameCase{"ShortTcp", kTcp, kRx, Hex("12 34 00 00 00 01 01"), "짧은 프레임", DropReason::None, false},
        FrameCase{"BadCrc", kRtu, kDrop, Hex("01 04 00"), "버림: CRC 불일치", DropReason::BadCrc, false},
        FrameCase{"StaleTid", kTcp, kDrop, Hex("00 09 00 00 00 02 01 06"), "버림: 대기 중이 아닌 트랜잭션 ID",
                  DropReason::StaleTransaction, false},
        FrameCase{"HalfFrame", kRtu, kDrop, Hex("01 04 FE 00"), "버림: 무응답 후 반쪽 프레임",
                  DropReason::HalfFrameAfterSilence, false}),
    [](const auto &info) { return std::string(info.param.name); });

// Padded in character cells: a Korean letter takes two, so the hex starts in one column on every line.
TEST(TrafficText, LineHasAlignedTimeLinkDirectionMeaningAndHex) {
    TrafficLine tx{.Ms = 12345, .Link = kRtu, .Dir = kTx, .Frame = WithCrc(ReadRequestUnit(1, 127))};
    EXPECT_EQ(FormatTrafficLine(tx, TextTranslator()), "    12.345 RTU TX   상태 읽기 127개 레지스터" +
                                                           std::string(16, ' ') +
                                                           " | 01 04 00 01 00 7F E0 2A");
    TrafficLine drop{.Ms = 7, .Link = kTcp, .Dir = kDrop, .Reason = DropReason::Noise, .Frame = Hex("00 FF")};
    EXPECT_EQ(FormatTrafficLine(drop, TextTranslator()),
              "     0.007 TCP DROP 버림: 잡음" + std::string(30, ' ') + " | 00 FF");
}

} // namespace
} // namespace zephyra
