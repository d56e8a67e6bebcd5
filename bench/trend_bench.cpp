// The Trend page's cost per poll with a day of samples in its store: the new sample, the decimation and the
// paint of the page at the size it has in the main window (offscreen). Each span, so the cost can be seen
// not to grow with it; the same poll with the page hidden; and the decimation alone with nothing kept from
// the last update, for comparison.
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <benchmark/benchmark.h>
#include <cmath>

#include "trend/trend_page.h"

using namespace zephyra;

namespace {

constexpr int kDay = 144'000; // 24 h at the serial poll
constexpr int64_t kStart = 1796634000000;

TrendSample Moving(int i) {
    TrendSample s;
    s.Time = {kStart + int64_t{i} * 600, 9 * 3600};
    s.AcV = 220 + std::round(3 * std::sin(i * 0.001));
    s.DcV = 53.5 + 0.1 * (i % 7);
    s.LoadA = 12 + 2 * std::sin(i * 0.0003) + 0.1 * (i % 3);
    s.BatteryA = -1.5 + 0.1 * (i % 5);
    s.RackC = (i / 5000) % 7 == 3 ? NAN : 25 + 3 * std::sin(i * 0.0001);
    s.AlarmBits = (i / 20'000) % 2 ? 0x02 : 0;
    s.RelayBits = (i / 20'000) % 2 ? 0x12 : 0;
    return s;
}

void BM_TrendPollUpdate(benchmark::State &state) {
    TTrendPage page(TrendContext{"/nonexistent", {}, {}});
    page.resize(920, 430); // the tab's room in the fixed-size main window
    page.findChild<QComboBox *>("cbTrendSpan")->setCurrentIndex(static_cast<int>(state.range(0)));
    int i = 0;
    for (; i < kDay; ++i)
        page.AddSample(Moving(i));
    QImage image(page.size(), QImage::Format_RGB32); // as the window's backing store on a 24-bit screen
    page.render(&image);
    for (auto _ : state) {
        page.AddSample(Moving(i++));
        page.render(&image);
    }
    state.counters["samples"] = static_cast<double>(page.Session().Size());
}
// Process CPU: the raster engine hands parts of large fills to worker threads.
BENCHMARK(BM_TrendPollUpdate)->DenseRange(0, 3)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// What every poll costs while another page is shown: the sample from the decoded status, the store, the
// scroll range; the chart is not drawn.
void BM_TrendPollHidden(benchmark::State &state) {
    TTrendPage page(TrendContext{"/nonexistent", {}, {}});
    page.resize(920, 430);
    for (int i = 0; i < kDay; ++i)
        page.AddSample(Moving(i));
    StatusSnapshot snapshot;
    snapshot.Raw[reg::kACV - 1] = 221;
    snapshot.Raw[reg::kRT - 1] = 253;
    for (auto _ : state) {
        ++snapshot.Raw[reg::kDCV - 1];
        page.AddStatus(snapshot);
    }
}
BENCHMARK(BM_TrendPollHidden)->Unit(benchmark::kMicrosecond);

void BM_TrendDecimateFromScratch(benchmark::State &state) {
    TrendStore store;
    for (int i = 0; i < kDay; ++i)
        store.Push(Moving(i));
    const int64_t spans[] = {600'000, 3'600'000, 8 * 3'600'000, 24 * 3'600'000};
    const int columns = 850;
    const int64_t columnMs = (spans[state.range(0)] + columns - 1) / columns;
    for (auto _ : state) {
        TrendDecimator fresh;
        benchmark::DoNotOptimize(
            fresh.Decimate(store, store.Newest().TimeMs / columnMs - columns + 1, columnMs, columns));
    }
}
BENCHMARK(BM_TrendDecimateFromScratch)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
