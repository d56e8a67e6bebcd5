#include <gtest/gtest.h>

#include <cmath>

#include "support/status_block.h"
#include "trend/trend_sample.h"

namespace zephyra {
namespace {

StatusSnapshot Decode(const test::StatusBlock &block) {
    StatusSnapshot snapshot;
    StatusViewModel view;
    DecodeStatus(block.Data(), snapshot, view);
    return snapshot;
}

TEST(TrendSample, MeasurementsInTheirUnitsWithSignsAndBits) {
    test::StatusBlock block;
    block.Set({{reg::kYear, 2025}, {reg::kMonth, 3}, {reg::kDay, 7}, {reg::kHour, 14}, {reg::kMinute, 5},
               {reg::kSecond, 9}, {reg::kACV, 221}, {reg::kDCV, 540}, {reg::kLCA, 123}, {reg::kBCA, 0xFFF1},
               {reg::kRT, 0xFFE7}, {reg::kAlarmBits, 0x41}, {reg::kRelayBits, 0x14}});
    // 2026-12-07 10:05:03.120 UTC, shown at +09:00.
    const TrendSample t = MakeTrendSample(Decode(block), {1796637903120, 9 * 3600});
    EXPECT_EQ(TrendCsvLine(t),
              "2026-12-07T19:05:03.120+09:00,2025-03-07 14:05:09,221,54.0,12.3,-1.5,-2.5,0x0041,0x0014");
    EXPECT_EQ(TrendCsvHeader().substr(0, 17), "time,device time,");
}

TEST(TrendSample, UnusedSensorIsAGapAndAnEmptyCell) {
    test::StatusBlock block;
    block.Set(reg::kRT, 9999);
    const TrendSample t = MakeTrendSample(Decode(block), {0, 0});
    EXPECT_TRUE(std::isnan(t.RackC));
    EXPECT_EQ(TrendCsvLine(t), "1970-01-01T00:00:00.000+00:00,0-00-00 00:00:00,0,0.0,0.0,0.0,,0x0000,0x0000");
}

TEST(TrendSample, NegativeOffsetsAndTimesBeforeTheEpoch) {
    EXPECT_EQ(FormatIsoLocal({-1, -(3 * 3600 + 30 * 60)}), "1969-12-31T20:29:59.999-03:30");
    EXPECT_EQ(FormatIsoLocal({951782400000, 0}), "2000-02-29T00:00:00.000+00:00");
}

} // namespace
} // namespace zephyra
