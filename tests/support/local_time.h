// A broken-down local time for tests that format or fill from the clock.
#pragma once

#include <ctime>

namespace zephyra::test {

inline std::tm At(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

} // namespace zephyra::test
