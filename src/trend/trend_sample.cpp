#include "trend/trend_sample.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <limits>

#include "core/formatters.h"
#include "core/local_clock.h"

namespace zephyra {

namespace {

constexpr int32_t kUnusedSensor = 9999;

double Signed16(int32_t raw) {
    SignedMagnitude s = SplitSign(raw);
    return s.Sign[0] == '-' ? -s.Magnitude : s.Magnitude;
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(int64_t z, int64_t &y, int &m, int &d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2);
}

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Tenths as a plain number: 535 -> "53.5", -15 -> "-1.5".
std::string Tenths(double v) {
    if (std::isnan(v))
        return {};
    const auto t = static_cast<int64_t>(std::llround(v * 10));
    const int64_t a = t < 0 ? -t : t;
    return (t < 0 ? "-" : "") + std::to_string(a / 10) + "." + std::to_string(a % 10);
}

} // namespace

TrendSample MakeTrendSample(const StatusSnapshot &s, WallTime time) {
    TrendSample t;
    t.Time = time;
    t.DeviceTime = s.DateText + " " + s.TimeText;
    t.AcV = s.Reg(reg::kACV);
    t.DcV = s.Reg(reg::kDCV) / 10.0;
    t.LoadA = s.Reg(reg::kLCA) / 10.0;
    t.BatteryA = Signed16(s.Reg(reg::kBCA)) / 10.0;
    t.RackC = SplitSign(s.Reg(reg::kRT)).Magnitude == kUnusedSensor ? std::numeric_limits<double>::quiet_NaN()
                                                                    : Signed16(s.Reg(reg::kRT)) / 10.0;
    t.AlarmBits = static_cast<uint16_t>(s.Reg(reg::kAlarmBits));
    t.RelayBits = static_cast<uint16_t>(s.Reg(reg::kRelayBits));
    return t;
}

WallTime NowWallTime() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    return {std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count(),
            static_cast<int32_t>(LocalTimeAt(seconds).tm_gmtoff)};
}

std::string FormatIsoLocal(WallTime time) {
    const int64_t local = time.UnixMs + int64_t{time.UtcOffsetSeconds} * 1000;
    const int64_t days = FloorDiv(local, 86'400'000);
    const int64_t msOfDay = local - days * 86'400'000;
    int64_t y = 0;
    int m = 0, d = 0;
    CivilFromDays(days, y, m, d);
    const int32_t off = time.UtcOffsetSeconds < 0 ? -time.UtcOffsetSeconds : time.UtcOffsetSeconds;
    return std::to_string(y) + "-" + DecDigits(m, 2) + "-" + DecDigits(d, 2) + "T" +
           DecDigits(msOfDay / 3'600'000, 2) + ":" + DecDigits(msOfDay / 60'000 % 60, 2) + ":" +
           DecDigits(msOfDay / 1000 % 60, 2) + "." + DecDigits(msOfDay % 1000, 3) +
           (time.UtcOffsetSeconds < 0 ? "-" : "+") + DecDigits(off / 3600, 2) + ":" +
           DecDigits(off / 60 % 60, 2);
}

std::string TrendCsvHeader() {
    return "time,device time,AC input (V),DC output (V),load current (A),battery current (A),"
           "rack temperature (°C),alarm bits (hex),relay bits (hex)";
}

std::string TrendCsvLine(const TrendSample &t) {
    return FormatIsoLocal(t.Time) + "," + t.DeviceTime + "," + std::to_string(static_cast<int64_t>(t.AcV)) +
           "," + Tenths(t.DcV) + "," + Tenths(t.LoadA) + "," + Tenths(t.BatteryA) + "," + Tenths(t.RackC) +
           "," + HexWord(t.AlarmBits) + "," + HexWord(t.RelayBits);
}

} // namespace zephyra
