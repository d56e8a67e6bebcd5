// Save File of a full window: 2000 alarm rows of 9 columns to a workbook on disk, in-process.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "history/history_export.h"

namespace {

using namespace zephyra;
namespace fs = std::filesystem;

std::vector<HistoryRow> AlarmGrid(int records) {
    std::vector<HistoryRow> rows{HistoryHeader(HistoryKind::Alarm)};
    for (int i = 0; i < records; ++i) {
        Bytes b{0,
                0,
                static_cast<uint8_t>(i % 100),
                static_cast<uint8_t>(1 + i % 12),
                static_cast<uint8_t>(1 + i % 28),
                static_cast<uint8_t>(i % 24),
                static_cast<uint8_t>(i % 60),
                static_cast<uint8_t>(i * 7 % 60)};
        for (int v : {200 + i % 40, 530 + i % 20, i % 500, (i * 37) & 0xFFFF, 250 + i % 50})
            AppendBE16(b, v);
        b.push_back(static_cast<uint8_t>(1 + i % 8));
        b.push_back(static_cast<uint8_t>(i % 2));
        rows.push_back(DecodeHistoryRecord(HistoryKind::Alarm, i + 1, b));
    }
    return rows;
}

void BM_ExportAlarmWorkbook(benchmark::State &state) {
    const std::vector<HistoryRow> rows = AlarmGrid(static_cast<int>(state.range(0)));
    std::string tmpl = (fs::temp_directory_path() / "history-bench-XXXXXX").string();
    const fs::path dir = mkdtemp(tmpl.data());
    for (auto _ : state) {
        ExportResult result =
            SpreadsheetExport(HistoryKind::Alarm, rows, dir.string(), {12, 0, 0}, TextTranslator());
        if (!result.Ok) {
            state.SkipWithError(result.Error.c_str());
            break;
        }
        state.PauseTiming();
        fs::remove(result.Path); // the next export takes the same name instead of a numbered one
        state.ResumeTiming();
    }
    fs::remove_all(dir);
    state.SetItemsProcessed(state.iterations() * state.range(0) * 9);
}
BENCHMARK(BM_ExportAlarmWorkbook)->Arg(2000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
