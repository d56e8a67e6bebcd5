// The local status log: header and line formats, the file name, the file writer and the memo with its
// thousand-line rule. The Log page only calls these.
#pragma once

#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/text_key.h"
#include "polling/poll_state.h"
#include "polling/status_decoder.h"

namespace zephyra {

inline constexpr std::size_t kLogAutoWriteLines = 1000;

struct LogPeriod {
    const char *Label;
    int Ms;
};
inline constexpr LogPeriod kLogPeriods[] = {{"2sec", 2000},     {"10sec", 10000},  {"1Min", 60000},
                                            {"2Min", 120000},   {"5Min", 300000},  {"10Min", 600000},
                                            {"30Min", 1800000}, {"1Hour", 3600000}};
// Timer period of a choice; the first one for an index outside the list.
int LogPeriodMs(int index);

// The six header lines, trailing blanks included.
std::vector<std::string> LogHeader();
// "[date  time] ; " and each kept value followed by " ; ", from the last decode.
std::string LogLine(const StatusSnapshot &snapshot);
// "ZEPHYRA-M10_" + yyyymmddhhnnss + ".txt".
std::string LogFileName(const std::tm &localTime);

// UTF-8 to code page 949; a character the code page lacks becomes '?'.
std::string ToCp949(std::string_view utf8);

struct LogFileResult {
    std::filesystem::path Path; // the file written (or the one that failed)
    std::string Error;          // empty on success
    // Set when the log's own folder failed and the file went to the fallback folder instead: why.
    std::string FallbackReason;
    bool Ok() const { return Error.empty(); }
};

// Writes the lines, each ended by CR LF, in code page 949, to a new file in directory (made when missing).
// An existing file is never replaced: a second write in the same second gets "_2" (then "_3", ...)
// before ".txt".
LogFileResult WriteLogFile(const std::filesystem::path &directory, const std::tm &localTime,
                           const std::vector<std::string> &lines, const TextTranslator &tr);

// The memo's lines and what happens to them. Lines are kept until a file holds them or the operator
// deletes them, so a failed write loses nothing.
class StatusLog {
public:
    // tr: the language of the write errors.
    StatusLog(std::filesystem::path directory, TextTranslator tr)
        : directory_(std::move(directory)), tr_(tr) {}

    const std::vector<std::string> &Lines() const { return lines_; }
    // The operator edited the memo.
    void ReplaceLines(std::vector<std::string> lines);

    // Log Start.
    void AppendHeader();

    struct StepResult {
        bool Wrote = false; // a file was written and the memo restarted with a header
        LogFileResult File; // the write attempt, when the memo passed the thousand lines
    };
    // One timer step: the line from the last decode; past 1000 lines the memo goes to a file and starts
    // over with a fresh header. If the file cannot be written the memo keeps every line and the next step
    // tries again.
    StepResult AddLine(const StatusSnapshot &snapshot, const std::tm &now);

    // Save: the memo goes to a file and keeps its lines.
    LogFileResult Save(const std::tm &now);
    // Delete: empties the memo without writing.
    void Delete();

    // Lines added or edited since the last file; a memo holding only a fresh header has none.
    bool HasUnsavedLines() const { return unsaved_; }
    // At exit: writes the memo when it has unsaved lines; a success with an empty path otherwise. If the
    // log's folder cannot be written by then, the file goes to fallback (when given) rather than be lost.
    LogFileResult SaveUnsaved(const std::tm &now, const std::filesystem::path &fallback = {});

private:
    std::filesystem::path directory_;
    TextTranslator tr_;
    std::vector<std::string> lines_;
    bool unsaved_ = false;
};

} // namespace zephyra
