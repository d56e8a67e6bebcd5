// The Trend chart draws only what a new sample changed: sample by sample it must show exactly what a
// chart drawn whole from the same store shows.
#include <QApplication>
#include <QImage>
#include <QScreen>
#include <gtest/gtest.h>

#include "trend/trend_chart_widget.h"
#include "trend/trend_sample.h"

namespace zephyra {
namespace {

QImage Picture(TrendChart &chart) {
    return chart.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// What the window shows, as the backing store holds it: scrolled pixels included.
QImage OnScreen(TrendChart &chart) {
    return chart.screen()->grabWindow(chart.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(TrendChartGui, DrawnSampleBySampleItShowsWhatAWholeDrawingShows) {
    // One pixel column is less than, about, and far more than a poll: the view moves by several
    // columns, by one, or not at all with each sample. Or the view stays put while the samples fill it
    // from the left, as the page shows a span not yet full.
    for (auto [span, following] : {std::pair{60'000LL, true}, std::pair{600'000LL, true},
                                   std::pair{3'600'000LL, true}, std::pair{600'000LL, false}}) {
        SCOPED_TRACE(span);
        SCOPED_TRACE(following);
        TrendStore store;
        const QStringList lamps{"AC입력 전원이상", "DC출력 고전압"};
        TrendChart live;
        live.resize(900, 380);
        live.SetAlarmNames(lamps);
        live.SetStore(&store);
        live.show();
        const int64_t start = 1'765'000'000'000;
        int compared = 0;
        for (int i = 0; i < 160; ++i) {
            TrendSample s;
            s.Time = {start + i * 600LL, 9 * 3600};
            s.AcV = 220 + i % 7;
            s.DcV = 53.5 + (i % 11) / 10.0;
            s.LoadA = 12 + (i % 13) / 10.0;
            // A step that widens the scale part-way, and a lamp that comes on and goes off.
            s.BatteryA = i < 100 ? -1.5 + (i % 5) / 10.0 : 8.0;
            s.RackC = 25 + (i % 17) / 10.0;
            s.AlarmBits = i >= 60 && i < 90 ? 0x2 : 0;
            // A silence: samples 120 to 129 are missing.
            if (i >= 120 && i < 130)
                continue;
            store.Push(s);
            const int64_t end = following ? s.Time.UnixMs : start + span;
            live.SetView(end, span);
            QApplication::processEvents();
            if (i % 3 != 0 && i != 60 && i != 90 && i != 100 && i != 130)
                continue;
            TrendChart whole;
            whole.resize(live.size());
            whole.SetAlarmNames(lamps);
            whole.SetStore(&store);
            whole.SetView(end, span);
            const QImage expected = Picture(whole);
            ASSERT_EQ(OnScreen(live), expected) << "after sample " << i;
            ASSERT_EQ(Picture(live), expected) << "after sample " << i;
            ++compared;
        }
        EXPECT_GT(compared, 20);
    }
}

} // namespace
} // namespace zephyra
