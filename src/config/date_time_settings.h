// Device clock: the month calendar, the fill from the PC clock and the OK writes.
#pragma once

#include <array>
#include <ctime>
#include <string>
#include <vector>

#include "config/setting_parse.h"

namespace zephyra {

inline constexpr int32_t kYearMin = 2001, kYearMax = 2999;

bool IsLeapYear(int year);
// 0 for a month outside 1..12.
int DaysInMonth(int year, int month);
// 0 = Sunday .. 6 = Saturday, proleptic Gregorian calendar; -1 for a month outside 1..12.
int DayOfWeek(int year, int month, int day);
// Weeks from Sunday; each cell a day of the month or 0 for the blanks before the 1st and after the last.
std::vector<std::array<int, 7>> MonthGrid(int year, int month);

struct CalendarDate {
    int Year = 0, Month = 0, Day = 0; // Day 0: no day picked
};

struct DateTimeInputs {
    std::string Year, Month; // year spin field, editable month list
    CalendarDate Calendar;   // the day comes from here
    std::string Hour, Minute, Second;
};

// The PC's local time into the fields: decimal texts without leading zeros, and the calendar.
DateTimeInputs FillFromClock(const std::tm &now);

// A change of the month list or the year field. An empty year text becomes "2001" when the year field
// changed; a month outside 1..12 (or not a number) leaves the calendar where it is.
void AdjustCalendar(DateTimeInputs &in, bool yearFieldChanged);

// Leaving a field: empty year -> "2001", empty hour/minute/second stay empty, out of range -> nearer limit.
std::string LeaveYear(std::string_view text);
std::string LeaveHour(std::string_view text);
std::string LeaveMinuteOrSecond(std::string_view text);

// Pushes second, year, month, day, hour, minute, so the clock goes out minute, hour, day, month, year,
// second. Empty, unparsable or out-of-range parts (and no day picked) stop with a message.
SettingWrites DateTimeWrites(const DateTimeInputs &in, const TextTranslator &tr);

} // namespace zephyra
