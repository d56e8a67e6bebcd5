// Save File of the history windows: the downloaded grid as an Excel 97-2003 workbook.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/text_key.h"
#include "history/history_record.h"
#include "polling/poll_state.h"

namespace zephyra {

inline constexpr const char *kNoExcel = "No Excel";

struct TimeOfDay {
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
};

struct ExportResult {
    bool Ok = false;
    // The workbook written; on failure the file that was tried, so the operator sees where.
    std::string Path;
    // Why not, in words the operator can read below kNoExcel; empty on success.
    std::string Error;
};

// "ZEPHYRA-M10 Alarm Log Data" or "ZEPHYRA-M10 Event Log Data" (the data log shares the alarm title).
std::string ExportTitle(HistoryKind kind);
// "ZEPHYRA-M10 Alarm Log(hhmmss).xls"; attempt 2 and on add " (n)" so an earlier file is never replaced.
std::string ExportFileName(HistoryKind kind, TimeOfDay now, int attempt = 1);

// rows: the header row, then records 1..n. The title goes to A1, the header to row 2, record k to row
// k + 2, grid column c to column c + 1 (A..I, events A..H); the DATE column as dates shown yyyy/mm/dd.
// The workbook appears in `directory` complete or not at all.
ExportResult SpreadsheetExport(HistoryKind kind, const std::vector<HistoryRow> &rows,
                               const std::string &directory, TimeOfDay now, const TextTranslator &tr);
// The same workbook at a path of the caller's choosing; an existing file there is never replaced.
ExportResult SpreadsheetExportAs(HistoryKind kind, const std::vector<HistoryRow> &rows,
                                 const std::string &path, const TextTranslator &tr);
// Creates the file at `path` complete or not at all, refusing when something is there already: `write`
// fills a temporary name beside it and returns an error text, empty on success.
ExportResult WriteNewFile(const std::string &path,
                          const std::function<std::string(const std::string &)> &write,
                          const TextTranslator &tr);
// Every other user file: `content` appears at `path` whole or not at all; a file there already is replaced
// (the operator chose so) only when `replace`, and is left as it was when the write fails.
ExportResult WriteWholeFile(const std::string &path, std::string_view content, bool replace,
                            const TextTranslator &tr);

} // namespace zephyra
