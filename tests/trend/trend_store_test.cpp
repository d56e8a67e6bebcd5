#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "trend/trend_store.h"

namespace zephyra {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TrendSample At(int64_t ms, double value, uint16_t alarms = 0, uint16_t relays = 0) {
    TrendSample t;
    t.Time = {ms, 0};
    t.AcV = value;
    t.DcV = value / 10;
    t.LoadA = -value;
    t.BatteryA = value * 2;
    t.RackC = value;
    t.AlarmBits = alarms;
    t.RelayBits = relays;
    return t;
}

TEST(TrendStore, RingKeepsTheNewestAndFindsTimesAcrossTheWrap) {
    TrendStore store(5);
    for (int i = 0; i < 8; ++i)
        store.Push(At(i * 100, i, i == 1 ? 0x01 : 0));
    ASSERT_EQ(store.Size(), 5u);
    EXPECT_EQ(store.At(0).TimeMs, 300);
    EXPECT_EQ(store.Newest().TimeMs, 700);
    EXPECT_EQ(store.LowerBound(450), 2u);
    EXPECT_EQ(store.LowerBound(800), 5u);
    EXPECT_TRUE(store.Markers().empty()) << "markers of overwritten samples go with them";

    store.Push(At(650, 8)); // the clock was set back
    EXPECT_EQ(store.Newest().TimeMs, 700);
}

TEST(TrendStore, LampChangesBecomeMarkersNamedByTheirLamp) {
    TrendStore store;
    store.Push(At(0, 1, 0x00, 0x10));
    store.Push(At(10, 1, 0x02, 0x10));
    store.Push(At(20, 1, 0x00, 0x10));
    const std::span<const LampBit> lamps = LampBits();
    ASSERT_EQ(store.Markers().size(), 3u);
    EXPECT_STREQ(lamps[store.Markers()[0].Lamp].Name, "spMA_RY") << "lit from the start";
    EXPECT_STREQ(lamps[store.Markers()[1].Lamp].Name, "spDCH");
    EXPECT_TRUE(store.Markers()[1].Active);
    EXPECT_EQ(store.Markers()[2].TimeMs, 20);
    EXPECT_FALSE(store.Markers()[2].Active);
}

// Every column against a plain scan of its samples, through the wrap, with unused values, and again after the
// view moves on so that columns kept from the last call are checked too.
TEST(TrendDecimator, EveryColumnHoldsItsMinAndMaxAndUnusedValuesAreGaps) {
    TrendStore store(700);
    TrendDecimator decimator;
    int64_t t = 0;
    auto push = [&](int n) {
        for (int i = 0; i < n; ++i, t += 600) {
            const double v = std::fmod(t * 7.3, 101.0) - 50;
            TrendSample s = At(t, v);
            if ((t / 600) % 50 < 12)
                s.RackC = kNaN;
            if ((t / 600) % 97 == 3)
                s.Time.UnixMs += 20'000; // the device went silent once in a while
            t = s.Time.UnixMs;
            store.Push(s);
        }
    };
    for (int round = 0; round < 3; ++round) {
        push(round == 0 ? 1000 : 37);
        const int64_t columnMs = 1900, columns = 150;
        const int64_t first = store.Newest().TimeMs / columnMs - columns + 1;
        const std::vector<TrendBucket> &got = decimator.Decimate(store, first, columnMs, columns);
        ASSERT_EQ(got.size(), static_cast<std::size_t>(columns));
        int gaps = 0, joins = 0;
        for (int64_t c = 0; c < columns; ++c) {
            const int64_t start = (first + c) * columnMs, end = start + columnMs;
            for (int s = 0; s < kTrendSeriesCount; ++s) {
                float lo = INFINITY, hi = -INFINITY;
                bool joined = false, firstSeen = false;
                for (std::size_t i = 0; i < store.Size(); ++i) {
                    const StoredSample &x = store.At(i);
                    const float v = x.Values[s];
                    if (x.TimeMs < start || x.TimeMs >= end)
                        continue;
                    if (!firstSeen && i > 0)
                        joined = !std::isnan(v) && !std::isnan(store.At(i - 1).Values[s]) &&
                                 x.TimeMs - store.At(i - 1).TimeMs <= TrendDecimator::kJoinGapMs;
                    firstSeen = true;
                    if (!std::isnan(v)) {
                        lo = std::min(lo, v);
                        hi = std::max(hi, v);
                    }
                }
                const TrendColumn &col = got[c].Series[s];
                if (lo > hi) {
                    EXPECT_TRUE(std::isnan(col.Min)) << "column " << c << " series " << s;
                    ++gaps;
                } else {
                    EXPECT_EQ(col.Min, lo) << "column " << c << " series " << s;
                    EXPECT_EQ(col.Max, hi) << "column " << c << " series " << s;
                }
                EXPECT_EQ(col.JoinsPrevious, joined) << "column " << c << " series " << s;
                joins += joined;
            }
        }
        EXPECT_GT(gaps, 0);
        EXPECT_GT(joins, 0);
    }
}

} // namespace
} // namespace zephyra
