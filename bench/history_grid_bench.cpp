// Filling the alarm history grid: one record row written into a shown TfrmHistory, with the events
// that paint it. The row's cost must not depend on how many rows are already filled.
//   BM_WriteRow/N   writes row N + 1 when N rows are filled (N = 0 and 1999: the first and the last row)
//   BM_WriteVisibleRow/N  the same with the row scrolled into view, so every write repaints it
//   BM_Fill2000     fills rows 1..2000; counters: mean microseconds per row of the first and last 100
#include <QApplication>
#include <QTableView>
#include <benchmark/benchmark.h>
#include <chrono>
#include <sstream>

#include "app/console.h"
#include "history/history_window.h"

using namespace zephyra;

namespace {

constexpr int kRows = 2000;

HistoryRow AlarmRow(int row) {
    Bytes b{0,
            0,
            25,
            static_cast<uint8_t>(1 + row % 12),
            static_cast<uint8_t>(1 + row % 28),
            static_cast<uint8_t>(row % 24),
            static_cast<uint8_t>(row % 60),
            static_cast<uint8_t>(row * 7 % 60)};
    for (int v : {200 + row % 40, 530 + row % 20, row % 500, (row * 37) & 0xFFFF, 250 + row % 50})
        AppendBE16(b, v);
    b.push_back(static_cast<uint8_t>(1 + row % 8));
    b.push_back(static_cast<uint8_t>(row % 2));
    return DecodeHistoryRecord(HistoryKind::Alarm, row, b);
}

struct Rig {
    std::ostringstream trace;
    std::unique_ptr<Console> console;
    std::unique_ptr<TfrmHistory> window;
    std::vector<HistoryRow> rows;

    Rig() {
        ConsoleOptions options;
        options.Trace = &trace;
        console = std::make_unique<Console>(options);
        window = std::make_unique<TfrmHistory>(console->HistoryWindows(), HistoryKind::Alarm, nullptr);
        window->SetRowCount(kRows + 1);
        window->show();
        QApplication::processEvents();
        for (int r = 1; r <= kRows; ++r)
            rows.push_back(AlarmRow(r));
    }
    void Write(int row) {
        window->SetRow(row, rows[static_cast<std::size_t>(row - 1)]);
        QApplication::processEvents();
    }
};

std::unique_ptr<Rig> rig; // made on first use, gone before the application object

Rig &TheRig() {
    if (!rig)
        rig = std::make_unique<Rig>();
    return *rig;
}

void BM_WriteRow(benchmark::State &state) {
    Rig &rig = TheRig();
    const int filled = static_cast<int>(state.range(0));
    rig.window->SetRowCount(kRows + 1);
    for (int r = 1; r <= filled; ++r)
        rig.window->SetRow(r, rig.rows[static_cast<std::size_t>(r - 1)]);
    QApplication::processEvents();
    for (auto _ : state)
        rig.Write(filled + 1);
}
BENCHMARK(BM_WriteRow)->Arg(0)->Arg(999)->Arg(1999);

// The same with the grid scrolled so the row written is on screen and is painted each time.
void BM_WriteVisibleRow(benchmark::State &state) {
    Rig &rig = TheRig();
    const int filled = static_cast<int>(state.range(0));
    rig.window->SetRowCount(kRows + 1);
    for (int r = 1; r <= filled; ++r)
        rig.window->SetRow(r, rig.rows[static_cast<std::size_t>(r - 1)]);
    QTableView *grid = rig.window->StringGrid();
    grid->scrollTo(grid->model()->index(filled, 0));
    QApplication::processEvents();
    for (auto _ : state)
        rig.Write(filled + 1);
}
BENCHMARK(BM_WriteVisibleRow)->Arg(0)->Arg(999)->Arg(1999);

void BM_Fill2000(benchmark::State &state) {
    using Clock = std::chrono::steady_clock;
    Rig &rig = TheRig();
    double first = 0, last = 0;
    for (auto _ : state) {
        state.PauseTiming();
        rig.window->SetRowCount(1);
        rig.window->SetRowCount(kRows + 1);
        rig.window->StringGrid()->scrollToTop(); // as a fresh window shows it
        QApplication::processEvents();
        state.ResumeTiming();
        for (int r = 1; r <= kRows; ++r) {
            auto t = Clock::now();
            rig.Write(r);
            double us = std::chrono::duration<double, std::micro>(Clock::now() - t).count();
            if (r <= 100)
                first += us;
            if (r > kRows - 100)
                last += us;
        }
    }
    const double n = static_cast<double>(state.iterations()) * 100;
    state.counters["first100_us_per_row"] = first / n;
    state.counters["last100_us_per_row"] = last / n;
    state.counters["last_over_first"] = first > 0 ? last / first : 0;
}
BENCHMARK(BM_Fill2000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    rig.reset();
    return 0;
}
