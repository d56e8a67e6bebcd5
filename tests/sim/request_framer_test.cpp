// Request framing of the simulator's serial side, and its clock, without a process.
#include <gtest/gtest.h>

#include "device.h"
#include "link/modbus_codec.h"
#include "request_framer.h"

namespace zephyra::sim {
namespace {

std::vector<Bytes> Requests(const std::vector<RtuPiece> &pieces) {
    std::vector<Bytes> out;
    for (const auto &p : pieces)
        if (p.request)
            out.push_back(p.bytes);
    return out;
}

const Bytes kRead = WithCrc(ReadRequestUnit(1, 0x7F));
const Bytes kWrite = WithCrc(WriteRequestUnit(0x30, 230));
const Bytes kVendor = WithCrc(VendorRequestUnit(0x41, Bytes{1, 2, 1, 2}));

TEST(RtuFramerTest, FramesAreCutByTheirLengthRule) {
    RtuFramer f;
    Bytes stream;
    for (const Bytes *b : {&kRead, &kVendor, &kWrite})
        stream.insert(stream.end(), b->begin(), b->end());
    EXPECT_EQ(Requests(f.Feed(stream, 0)), (std::vector<Bytes>{kRead, kVendor, kWrite}));

    // Byte by byte: nothing until the last byte of each frame.
    RtuFramer g;
    std::vector<Bytes> got;
    for (uint8_t b : kVendor) {
        auto r = Requests(g.Feed(Bytes{b}, 1));
        got.insert(got.end(), r.begin(), r.end());
    }
    EXPECT_EQ(got, std::vector<Bytes>{kVendor});
}

TEST(RtuFramerTest, TruncatedOrCorruptedFrameDoesNotHideTheNextOne) {
    Bytes bad = kWrite;
    bad.back() ^= 1;
    for (const Bytes &junk : {Bytes{0x01, 0x04, 0x00, 0x01}, bad, Bytes{0xFF, 0x00}}) {
        RtuFramer f;
        Bytes stream = junk;
        stream.insert(stream.end(), kRead.begin(), kRead.end());
        auto pieces = f.Feed(stream, 0);
        auto more = f.OnSilence(100);
        pieces.insert(pieces.end(), more.begin(), more.end());
        EXPECT_EQ(Requests(pieces), std::vector<Bytes>{kRead}) << BytesToSpacedHex(junk);
    }
}

TEST(RtuFramerTest, UnknownFunctionIsDelimitedBySilenceAndStaleBytesAreDropped) {
    RtuFramer f;
    const Bytes unknown = WithCrc(Bytes{0x01, 0x03, 0x00, 0x01, 0x00, 0x02});
    EXPECT_TRUE(Requests(f.Feed(unknown, 0)).empty());
    ASSERT_TRUE(f.SilenceDeadline());
    EXPECT_EQ(Requests(f.OnSilence(*f.SilenceDeadline() + 1)), std::vector<Bytes>{unknown});

    // The start of a frame, then a pause longer than the silence, then a whole frame.
    EXPECT_TRUE(Requests(f.Feed(Bytes(kRead.begin(), kRead.begin() + 5), 1000)).empty());
    auto pieces = f.Feed(kRead, 1000 + RtuFramer::kSilenceMs + 5);
    EXPECT_EQ(Requests(pieces), std::vector<Bytes>{kRead});
    ASSERT_FALSE(pieces.empty());
    EXPECT_FALSE(pieces.front().request) << "the stale start is reported as junk";
}

TEST(DeviceClockTest, DayWaitsForTheMonthThatHasIt) {
    std::tm start{};
    start.tm_year = 125;
    start.tm_mon = 1; // February
    start.tm_mday = 10;
    DeviceClock frozen(start, false, 0);
    frozen.Set(2, 31, 0); // day 31 before the month, as the console writes them
    frozen.Set(1, 3, 0);
    std::tm now = frozen.Now(0);
    EXPECT_EQ(now.tm_mon, 2);
    EXPECT_EQ(now.tm_mday, 31);

    DeviceClock running(start, true, 0);
    running.Set(5, 58, 0);
    now = running.Now(2500);
    EXPECT_EQ(now.tm_min, 1);
    EXPECT_EQ(now.tm_sec, 0);
}

} // namespace
} // namespace zephyra::sim
