// The computer's local date and time: the one place that reads it.
#pragma once

#include <ctime>

namespace zephyra {

// Broken down in the local time zone (tm_gmtoff holds the offset from UTC then).
std::tm LocalTimeAt(std::time_t seconds);
std::tm LocalNow();

} // namespace zephyra
