#include "history/history_export.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "core/formatters.h"
#include "core/text_key.h"
#include "history/workbook_writer.h"

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

// "what (the system's reason)", or just what when the system gave none; what is a marked text.
std::string Because(const char *what, int err, const TextTranslator &tr) {
    std::string text = tr.Text(what);
    if (err != 0)
        text += " (" + std::generic_category().message(err) + ")";
    return text;
}

std::string FileExists(const TextTranslator &tr) {
    return tr.Text(ZEPHYRA_TEXT("zephyra", "파일이 이미 있습니다"));
}

std::string NotRenamed(const std::error_code &why, const TextTranslator &tr) {
    return tr.Format(ZEPHYRA_TEXT("zephyra", "완성된 파일의 이름을 바꿀 수 없습니다 (%1)"), {why.message()});
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

namespace {

// The grid as a workbook; false when it does not fit on one sheet.
bool BuildWorkbook(HistoryKind kind, const std::vector<HistoryRow> &rows, Workbook &book, std::string &error,
                   const TextTranslator &tr) {
    const int columns = HistoryColumnCount(kind);
    // Record k lands in sheet row k + 2 (0-based k + 1); the sheet has 65536 rows.
    if (rows.size() + 1 > static_cast<std::size_t>(kWorkbookMaxRows)) {
        error = tr.Format(ZEPHYRA_TEXT("zephyra", "한 시트에 넣기에는 행이 너무 많습니다 (최대 %1행)"),
                          {std::to_string(kWorkbookMaxRows - 2)});
        return false;
    }
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
    return true;
}

// Writes the target under a temporary name and hands it over complete, so no half-written file is left.
// The commit step decides whether an existing target is replaced.
std::string WriteThroughTemporary(const fs::path &target,
                                  const std::function<std::string(const std::string &)> &write,
                                  const std::function<std::string(const fs::path &)> &commit,
                                  const TextTranslator &tr) {
    fs::path temporary = target;
    temporary += ".part";
    // The writers say only that they failed; creating the file here first keeps the system's reason,
    // which is what a technician can act on.
    errno = 0;
    if (!std::ofstream(temporary, std::ios::binary | std::ios::trunc)) {
        const std::error_code why(errno, std::generic_category());
        const bool refused = why == std::errc::permission_denied ||
                             why == std::errc::operation_not_permitted ||
                             why == std::errc::read_only_file_system;
        return Because(refused ? ZEPHYRA_TEXT("zephyra", "폴더에 쓸 수 없습니다")
                               : ZEPHYRA_TEXT("zephyra", "파일을 만들 수 없습니다"),
                       errno, tr);
    }
    errno = 0;
    std::string error = write(temporary.string());
    if (!error.empty() && errno != 0)
        error = Because(ZEPHYRA_TEXT("zephyra", "파일에 쓸 수 없습니다"), errno, tr);
    if (error.empty())
        error = commit(temporary);
    std::error_code ec;
    if (!error.empty())
        fs::remove(temporary, ec);
    return error;
}

std::string SaveBook(const Workbook &book, const std::string &path) {
    return book.Save(path);
}

} // namespace

ExportResult SpreadsheetExport(HistoryKind kind, const std::vector<HistoryRow> &rows,
                               const std::string &directory, TimeOfDay now, const TextTranslator &tr) {
    ExportResult result;
    const fs::path dir = fs::path(directory);
    result.Path = (dir / ExportFileName(kind, now)).string();
    Workbook book(tr);
    if (!BuildWorkbook(kind, rows, book, result.Error, tr))
        return result;

    std::error_code ec;
    const fs::file_status folder = fs::status(dir, ec);
    if (!fs::is_directory(folder)) {
        if (fs::exists(folder))
            result.Error = tr.Text(ZEPHYRA_TEXT("zephyra", "폴더 경로가 폴더가 아닌 파일을 가리킵니다"));
        else if (folder.type() == fs::file_type::not_found)
            result.Error = tr.Text(ZEPHYRA_TEXT("zephyra", "폴더가 없습니다"));
        else
            result.Error =
                tr.Format(ZEPHYRA_TEXT("zephyra", "폴더에 접근할 수 없습니다 (%1)"), {ec.message()});
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
        result.Error = tr.Format(ZEPHYRA_TEXT("zephyra", "남은 파일 이름이 없습니다 (%1개 모두 있음)"),
                                 {std::to_string(kMaxNameAttempts)});
        return result;
    }
    result.Path = target.string();
    result.Error = WriteThroughTemporary(
        target, [&book](const std::string &path) { return SaveBook(book, path); },
        [&target, &tr](const fs::path &temporary) {
            std::error_code why;
            fs::rename(temporary, target, why);
            return why ? NotRenamed(why, tr) : std::string();
        },
        tr);
    result.Ok = result.Error.empty();
    return result;
}

ExportResult WriteNewFile(const std::string &path,
                          const std::function<std::string(const std::string &)> &write,
                          const TextTranslator &tr) {
    ExportResult result;
    result.Path = path;
    const fs::path target(path);
    std::error_code ec;
    if (fs::exists(fs::symlink_status(target, ec))) {
        result.Error = FileExists(tr);
        return result;
    }
    result.Error = WriteThroughTemporary(
        target, write,
        [&target, &tr](const fs::path &temporary) -> std::string {
            // A hard link never replaces a file that appeared meanwhile; file systems without links (a FAT
            // memory stick) get a rename after one more look.
            std::error_code why;
            fs::create_hard_link(temporary, target, why);
            if (why == std::errc::file_exists)
                return FileExists(tr);
            if (why) {
                if (fs::exists(fs::symlink_status(target, why)))
                    return FileExists(tr);
                fs::rename(temporary, target, why);
                return why ? NotRenamed(why, tr) : std::string();
            }
            fs::remove(temporary, why);
            return {};
        },
        tr);
    result.Ok = result.Error.empty();
    return result;
}

ExportResult WriteWholeFile(const std::string &path, std::string_view content, bool replace,
                            const TextTranslator &tr) {
    const auto write = [content, &tr](const std::string &temporary) -> std::string {
        std::FILE *f = std::fopen(temporary.c_str(), "wb");
        const bool written =
            f && std::fwrite(content.data(), 1, content.size(), f) == content.size() && std::fflush(f) == 0;
        // A full disk may only show when the last block goes out.
        const bool closed = f && std::fclose(f) == 0;
        return written && closed ? std::string() : tr.Text(ZEPHYRA_TEXT("zephyra", "파일에 쓸 수 없습니다"));
    };
    if (!replace)
        return WriteNewFile(path, write, tr);
    ExportResult result;
    result.Path = path;
    const fs::path target(path);
    result.Error = WriteThroughTemporary(
        target, write,
        [&target, &tr](const fs::path &temporary) {
            std::error_code why;
            fs::rename(temporary, target, why);
            return why ? NotRenamed(why, tr) : std::string();
        },
        tr);
    result.Ok = result.Error.empty();
    return result;
}

ExportResult SpreadsheetExportAs(HistoryKind kind, const std::vector<HistoryRow> &rows,
                                 const std::string &path, const TextTranslator &tr) {
    Workbook book(tr);
    ExportResult result;
    result.Path = path;
    if (!BuildWorkbook(kind, rows, book, result.Error, tr))
        return result;
    return WriteNewFile(
        path, [&book](const std::string &temporary) { return SaveBook(book, temporary); }, tr);
}

} // namespace zephyra
