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
    EXPECT_EQ(DescribeFrame(line), c.meaning);
}

constexpr LinkKind kRtu = LinkKind::Serial;
constexpr LinkKind kTcp = LinkKind::Tcp;
constexpr Direction kTx = Direction::Tx;
constexpr Direction kRx = Direction::Rx;
constexpr Direction kDrop = Direction::Dropped;

INSTANTIATE_TEST_SUITE_P(
    TrafficText, Describe,
    ::testing::Values(
        FrameCase{"StatusRead", kRtu, kTx, ReadRequestUnit(1, 127), "status read 127 regs"},
        FrameCase{"OtherRead", kTcp, kTx, ReadRequestUnit(0x28, 3), "read 3 regs from 0x0028"},
        FrameCase{"StatusReply", kTcp, kRx, StatusReply(), "status reply 254 bytes"},
        FrameCase{"ReplyCountsMoreThanCame", kRtu, kRx, Hex("01 04 06 00 01 00 02"),
                  "read reply 6 bytes (length says 6, has 4)"},
        FrameCase{"Write", kRtu, kTx, WriteRequestUnit(0x28, 435), "write 0x0028 := 435"},
        FrameCase{"Echo", kTcp, kRx, WriteRequestUnit(0x28, 435), "echo 0x0028 = 435"},
        FrameCase{"Exception", kRtu, kRx, Hex("01 86 04"), "exception 04 on 0x06"},
        FrameCase{"HistoryCountReply", kTcp, kRx, History(3, 1, "07 D0"), "history count 2000 in event log"},
        FrameCase{"RecordRequest", kTcp, kTx, History(1, 2, "07 CF"),
                  "history record request 1999 of alarm log"},
        FrameCase{"RecordReply", kRtu, kRx, History(2, 2, "07 CF 19 03 07 0E 05 09"),
                  "history record of data log"},
        FrameCase{"InitialiseDone", kRtu, kRx, History(1, 3, "01"), "initialise alarm log: done"},
        FrameCase{"InitialiseRefused", kTcp, kRx, History(3, 3, "02"), "initialise event log: refused"},
        FrameCase{"VendorLengthWrong", kRtu, kTx, Hex("01 41 00 05 01 01"),
                  "history count of alarm log (length says 5, has 2)"},
        FrameCase{"NetworkRead", kRtu, kTx, Network("01"), "network identity read"},
        FrameCase{"NetworkWrite", kTcp, kTx, VendorRequestUnit(kFnNetwork, Bytes(20, 2)),
                  "network identity write"},
        FrameCase{"NetworkWriteRefused", kRtu, kRx, Network("02 02"), "network identity write: refused"},
        FrameCase{"OtherFunction", kRtu, kRx, Hex("01 03 02 00 00"), "function 0x03"},
        FrameCase{"ShortSerial", kRtu, kRx, Hex("01 04 00"), "short frame", DropReason::None, false},
        FrameCase{"ShortTcp", kTcp, kRx, Hex("12 34 00 00 00 01 01"), "short frame", DropReason::None, false},
        FrameCase{"BadCrc", kRtu, kDrop, Hex("01 04 00"), "dropped: bad CRC", DropReason::BadCrc, false},
        FrameCase{"StaleTid", kTcp, kDrop, Hex("00 09 00 00 00 02 01 06"),
                  "dropped: transaction id not outstanding", DropReason::StaleTransaction, false},
        FrameCase{"HalfFrame", kRtu, kDrop, Hex("01 04 FE 00"), "dropped: half frame after silence",
                  DropReason::HalfFrameAfterSilence, false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(TrafficText, LineHasAlignedTimeLinkDirectionMeaningAndHex) {
    TrafficLine tx{.Ms = 12345, .Link = kRtu, .Dir = kTx, .Frame = WithCrc(ReadRequestUnit(1, 127))};
    EXPECT_EQ(FormatTrafficLine(tx), "    12.345 RTU TX   status read 127 regs                     | "
                                     "01 04 00 01 00 7F E0 2A");
    TrafficLine drop{.Ms = 7, .Link = kTcp, .Dir = kDrop, .Reason = DropReason::Noise, .Frame = Hex("00 FF")};
    EXPECT_EQ(FormatTrafficLine(drop),
              "     0.007 TCP DROP dropped: noise                           | 00 FF");
}

} // namespace
} // namespace zephyra
