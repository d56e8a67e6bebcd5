#include "history/status_log.h"

#include "core/formatters.h"

namespace zephyra {

int LogPeriodMs(int index) {
    constexpr int count = static_cast<int>(std::size(kLogPeriods));
    return kLogPeriods[index >= 0 && index < count ? index : 0].Ms;
}

std::vector<std::string> LogHeader() {
    return {
        std::string(21, '-') + "Alarm" + std::string(78, '-'),
        "Alarm //0x01 : ACF,             0x02 : DC_OV,            0x04 : DC_UV ",
        "      //0x08 : RECT1,           0x10 : RECT2 ",
        "      //0x40 : BATT_DISCONNECT, 0x80 : BATT_CELL_FAIL ",
        std::string(106, '-'),
        std::string("    Date/Time; ") + " ACV; " + " DCV; " + " DC Amp; " + " Batt Amp; " + " RTemp; " +
            " Alarm; ",
    };
}

std::string LogLine(const StatusSnapshot &s) {
    std::string line = "[" + s.DateText + "  " + s.TimeText + "] ; ";
    for (const std::string *text : {&s.ACVText, &s.DCVText, &s.LCAText, &s.BCAText, &s.RTText, &s.AlarmText})
        line += *text + " ; ";
    return line;
}

std::string LogFileName(const std::tm &t) {
    return std::string(kModelName) + "_" + DecDigits(t.tm_year + 1900, 4) + DecDigits(t.tm_mon + 1, 2) +
           DecDigits(t.tm_mday, 2) + DecDigits(t.tm_hour, 2) + DecDigits(t.tm_min, 2) +
           DecDigits(t.tm_sec, 2) + ".txt";
}

void StatusLog::ReplaceLines(std::vector<std::string> lines) {
    // An edit that changed nothing, or emptied the memo, leaves nothing a file should keep.
    if (lines == lines_)
        return;
    lines_ = std::move(lines);
    unsaved_ = !lines_.empty();
}

void StatusLog::AppendHeader() {
    for (std::string &line : LogHeader())
        lines_.push_back(std::move(line));
}

StatusLog::StepResult StatusLog::AddLine(const StatusSnapshot &snapshot, const std::tm &now) {
    StepResult result;
    lines_.push_back(LogLine(snapshot));
    unsaved_ = true;
    if (lines_.size() <= kLogAutoWriteLines)
        return result;
    result.File = WriteLogFile(directory_, now, lines_, tr_);
    if (!result.File.Ok())
        return result;
    result.Wrote = true;
    lines_.clear();
    unsaved_ = false;
    AppendHeader();
    return result;
}

LogFileResult StatusLog::Save(const std::tm &now) {
    LogFileResult result = WriteLogFile(directory_, now, lines_, tr_);
    if (result.Ok())
        unsaved_ = false;
    return result;
}

void StatusLog::Delete() {
    lines_.clear();
    unsaved_ = false;
}

LogFileResult StatusLog::SaveUnsaved(const std::tm &now, const std::filesystem::path &fallback) {
    if (!unsaved_)
        return {};
    LogFileResult result = Save(now);
    if (result.Ok() || fallback.empty() || fallback == directory_)
        return result;
    LogFileResult moved = WriteLogFile(fallback, now, lines_, tr_);
    if (moved.Ok()) {
        unsaved_ = false;
        moved.FallbackReason = result.Error;
    } else {
        moved.Error = result.Error + "\n" + moved.Error;
    }
    return moved;
}

} // namespace zephyra
