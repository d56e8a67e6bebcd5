#include "history/history_export.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "history/workbook_writer.h"
#include "polling/formatters.h"

namespace zephyra {

namespace {

namespace fs = std::filesystem;

constexpr int kDateColumn = 1;
constexpr int kMaxNameAttempts = 1000;

// "2025-03-07" as written by the record decoder; anything else stays text.
bool ParseGridDate(const std::string &text, int &year, int &month, int &day) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return false;
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (text[i] < '0' || text[i] > '9')
            return false;
    year = std::stoi(text.substr(0, 4));
    month = std::stoi(text.substr(5, 2));
    day = std::stoi(text.substr(8, 2));
    return true;
}

// "what (the system's reason)", or just what when the system gave none.
std::string Because(const char *what, int err) {
    std::string text = what;
    if (err != 0)
        text += " (" + std::generic_category().message(err) + ")";
    return text;
}

} // namespace

std::string ExportTitle(HistoryKind kind) {
    return std::string(kModelName) + (kind == HistoryKind::Event ? " Event Log Data" : " Alarm Log Data");
}

std::string ExportFileName(HistoryKind kind, TimeOfDay now, int attempt) {
    std::string name = std::string(kModelName) +
                       (kind == HistoryKind::Event ? " Event Log(" : " Alarm Log(") + DecDigits(now.Hour, 2) +
                       DecDigits(now.Minute, 2) + DecDigits(now.Second, 2) + ")";
    if (attempt > 1)
        name += " (" + std::to_string(attempt) + ")";
    return name + ".xls";
}

ExportResult SpreadsheetExport(HistoryKind kind, const std::vector<HistoryRow> &rows,
                               const std::string &directory, TimeOfDay now) {
    ExportResult result;
    const fs::path dir = fs::path(directory);
    result.Path = (dir / ExportFileName(kind, now)).string();
    const int columns = HistoryColumnCount(kind);
    // Record k lands in sheet row k + 2 (0-based k + 1); the sheet has 65536 rows.
    if (rows.size() + 1 > static_cast<std::size_t>(kWorkbookMaxRows)) {
        result.Error = "too many rows for one sheet (" + std::to_string(kWorkbookMaxRows - 2) + " at most)";
        return result;
    }

    Workbook book;
    std::vector<int> widths(static_cast<std::size_t>(columns), 0);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const int sheetRow = static_cast<int>(r) + 1;
        const HistoryRow &row = rows[r];
        for (int c = 0; c < columns && c < static_cast<int>(row.size()); ++c) {
            const std::string &text = row[static_cast<std::size_t>(c)];
            if (text.empty())
                continue;
            int y = 0, m = 0, d = 0;
            if (r > 0 && c == kDateColumn && ParseGridDate(text, y, m, d) &&
                book.SetDate(sheetRow, c, y, m, d)) {
                widths[static_cast<std::size_t>(c)] = std::max(widths[static_cast<std::size_t>(c)], 10);
                continue;
            }
            book.SetText(sheetRow, c, text);
            widths[static_cast<std::size_t>(c)] =
                std::max(widths[static_cast<std::size_t>(c)], TextDisplayWidth(text));
        }
    }
    // Widths follow the grid; the title is written after fitting and runs over the next cells.
    for (int c = 0; c < columns; ++c)
        if (widths[static_cast<std::size_t>(c)] > 0)
            book.SetColumnWidth(c, widths[static_cast<std::size_t>(c)] + 1.0);
    book.SetText(0, 0, ExportTitle(kind));

    std::error_code ec;
    const fs::file_status folder = fs::status(dir, ec);
    if (!fs::is_directory(folder)) {
        if (fs::exists(folder))
            result.Error = "the folder path names a file, not a folder";
        else if (folder.type() == fs::file_type::not_found)
            result.Error = "the folder does not exist";
        else
            result.Error = "the folder cannot be reached (" + ec.message() + ")";
        return result;
    }
    fs::path target;
    for (int attempt = 1; attempt <= kMaxNameAttempts; ++attempt) {
        fs::path candidate = dir / ExportFileName(kind, now, attempt);
        if (!fs::exists(fs::symlink_status(candidate, ec))) {
            target = candidate;
            break;
        }
    }
    if (target.empty()) {
        result.Error = "no free file name (" + std::to_string(kMaxNameAttempts) + " taken)";
        return result;
    }
    result.Path = target.string();

    // Written under a temporary name and renamed when complete, so no half-written workbook is left.
    fs::path temporary = target;
    temporary += ".part";
    // The workbook writer says only that it failed; creating the file here first keeps the system's
    // reason, which is what a technician can act on.
    errno = 0;
    if (!std::ofstream(temporary, std::ios::binary | std::ios::trunc)) {
        const std::error_code why(errno, std::generic_category());
        const bool refused = why == std::errc::permission_denied ||
                             why == std::errc::operation_not_permitted ||
                             why == std::errc::read_only_file_system;
        result.Error = Because(refused ? "the folder is not writable" : "the file cannot be created", errno);
        return result;
    }
    errno = 0;
    std::string error = book.Save(temporary.string());
    if (!error.empty() && errno != 0)
        error = Because("the file cannot be written", errno);
    if (error.empty()) {
        fs::rename(temporary, target, ec);
        if (ec)
            error = "the finished file cannot be renamed (" + ec.message() + ")";
    }
    if (!error.empty()) {
        fs::remove(temporary, ec);
        result.Error = error;
        return result;
    }
    result.Ok = true;
    return result;
}

} // namespace zephyra
