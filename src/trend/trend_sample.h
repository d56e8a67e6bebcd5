// One decoded status as numbers on a time line: what the Trend page draws, the recording writes and the
// command line prints.
#pragma once

#include <cstdint>
#include <string>

#include "polling/status_decoder.h"

namespace zephyra {

// Wall-clock time of a decode: milliseconds since the Unix epoch and the local offset from UTC then.
struct WallTime {
    int64_t UnixMs = 0;
    int32_t UtcOffsetSeconds = 0;
};

struct TrendSample {
    WallTime Time;
    // The device's own clock, as the Information page shows it: "2025-03-07 14:05:09".
    std::string DeviceTime;
    // Measurements in their units; NaN where the device reports the quantity as unused.
    double AcV = 0, DcV = 0, LoadA = 0, BatteryA = 0, RackC = 0;
    uint16_t AlarmBits = 0, RelayBits = 0;
};

// The wall clock now, with the local offset from UTC in force.
WallTime NowWallTime();

TrendSample MakeTrendSample(const StatusSnapshot &snapshot, WallTime time);

// "2026-12-07T19:05:03.120+09:00"
std::string FormatIsoLocal(WallTime time);

// The recording's columns, with units; one line per decode, neither with a line end.
std::string TrendCsvHeader();
std::string TrendCsvLine(const TrendSample &sample);

} // namespace zephyra
