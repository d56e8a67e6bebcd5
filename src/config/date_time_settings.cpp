#include "config/date_time_settings.h"
#include "core/text_key.h"

#include "polling/status_decoder.h"

namespace zephyra {

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

int DayOfWeek(int year, int month, int day) {
    static constexpr int kOffset[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 1 || month > 12)
        return -1;
    if (month < 3)
        year -= 1;
    int w = (year + year / 4 - year / 100 + year / 400 + kOffset[month - 1] + day) % 7;
    return w < 0 ? w + 7 : w;
}

std::vector<std::array<int, 7>> MonthGrid(int year, int month) {
    std::vector<std::array<int, 7>> weeks;
    int days = DaysInMonth(year, month);
    if (days == 0)
        return weeks;
    int column = DayOfWeek(year, month, 1);
    std::array<int, 7> week{};
    for (int day = 1; day <= days; ++day) {
        week[static_cast<std::size_t>(column)] = day;
        if (++column == 7) {
            weeks.push_back(week);
            week = {};
            column = 0;
        }
    }
    if (column != 0)
        weeks.push_back(week);
    return weeks;
}

DateTimeInputs FillFromClock(const std::tm &now) {
    DateTimeInputs in;
    in.Calendar = {now.tm_year + 1900, now.tm_mon + 1, now.tm_mday};
    in.Year = std::to_string(in.Calendar.Year);
    in.Month = std::to_string(in.Calendar.Month);
    in.Hour = std::to_string(now.tm_hour);
    in.Minute = std::to_string(now.tm_min);
    in.Second = std::to_string(now.tm_sec);
    return in;
}

void AdjustCalendar(DateTimeInputs &in, bool yearFieldChanged) {
    if (yearFieldChanged && TrimBlanks(in.Year).empty())
        in.Year = std::to_string(kYearMin);
    int32_t year = 0;
    if (!ParseInteger(in.Year, year))
        year = kYearMin;
    if (year == 0 || TrimBlanks(in.Month).empty())
        return;
    int32_t month = 0;
    if (!ParseInteger(in.Month, month))
        return;
    int days = DaysInMonth(year, month);
    if (days == 0)
        return;
    if (in.Calendar.Day > days)
        in.Calendar.Day = days;
    in.Calendar.Month = month;
    in.Calendar.Year = year;
}

std::string LeaveYear(std::string_view text) {
    return LeaveIntegerSpin(text, kYearMin, kYearMax, "2001");
}
// An empty hour, minute or second stays empty: turned into "0" it would set the device clock to a time
// nobody entered. OK then stops with a message naming the field.
std::string LeaveHour(std::string_view text) {
    return LeaveIntegerSpin(text, 0, 23, "");
}
std::string LeaveMinuteOrSecond(std::string_view text) {
    return LeaveIntegerSpin(text, 0, 59, "");
}

SettingWrites DateTimeWrites(const DateTimeInputs &in, const TextTranslator &tr) {
    SettingWrites out;
    int32_t year = 0, month = 0, hour = 0, minute = 0, second = 0;
    std::string error = ReadInteger(ZEPHYRA_TEXT("zephyra", "년"), in.Year, kYearMin, kYearMax, year, tr);
    if (error.empty())
        error = ReadInteger(ZEPHYRA_TEXT("zephyra", "월"), in.Month, 1, 12, month, tr);
    const int day = in.Calendar.Day;
    if (error.empty()) {
        if (day == 0) {
            error = NothingSelectedError(ZEPHYRA_TEXT("zephyra", "일"), tr);
        } else if (day < 0 || day > DaysInMonth(year, month)) {
            error = RangeError(ZEPHYRA_TEXT("zephyra", "일"), std::to_string(day), "1",
                               std::to_string(DaysInMonth(year, month)), tr);
        }
    }
    if (error.empty())
        error = ReadInteger(ZEPHYRA_TEXT("zephyra", "시"), in.Hour, 0, 23, hour, tr);
    if (error.empty())
        error = ReadInteger(ZEPHYRA_TEXT("zephyra", "분"), in.Minute, 0, 59, minute, tr);
    if (error.empty())
        error = ReadInteger(ZEPHYRA_TEXT("zephyra", "초"), in.Second, 0, 59, second, tr);
    if (!error.empty()) {
        out.Error = error;
        return out;
    }
    out.Writes = {{reg::kSecond, second}, {reg::kYear, year}, {reg::kMonth, month},
                  {reg::kDay, day},       {reg::kHour, hour}, {reg::kMinute, minute}};
    return out;
}

} // namespace zephyra
