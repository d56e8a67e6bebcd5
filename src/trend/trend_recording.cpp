#include "trend/trend_recording.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "core/text_key.h"

namespace zephyra {

namespace {

std::string DayFileName(const std::string &day, int n) {
    return "trend-" + day + (n > 1 ? "-" + std::to_string(n) : "") + ".csv";
}

std::string WriteError(const std::filesystem::path &path, const TextTranslator &tr) {
    const int e = errno;
    return tr.Format(ZEPHYRA_TEXT("zephyra", "기록 파일 %1에 쓸 수 없습니다"), {path.string()}) +
           (e ? std::string(": ") + std::strerror(e) : "");
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool Digits(std::string_view s, std::size_t at, std::size_t n, int64_t &out) {
    if (at + n > s.size())
        return false;
    out = 0;
    for (std::size_t i = at; i < at + n; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        out = out * 10 + (s[i] - '0');
    }
    return true;
}

// "2026-12-07T19:05:03.120+09:00", as FormatIsoLocal writes it.
bool ParseIsoLocal(std::string_view s, WallTime &t) {
    int64_t y, mo, d, h, mi, se, ms, oh, om;
    if (s.size() != 29 || s[4] != '-' || s[7] != '-' || s[10] != 'T' || s[13] != ':' || s[16] != ':' ||
        s[19] != '.' || (s[23] != '+' && s[23] != '-') || s[26] != ':')
        return false;
    if (!Digits(s, 0, 4, y) || !Digits(s, 5, 2, mo) || !Digits(s, 8, 2, d) || !Digits(s, 11, 2, h) ||
        !Digits(s, 14, 2, mi) || !Digits(s, 17, 2, se) || !Digits(s, 20, 3, ms) || !Digits(s, 24, 2, oh) ||
        !Digits(s, 27, 2, om))
        return false;
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || se > 59 || oh > 14 || om > 59)
        return false;
    const int32_t offset = static_cast<int32_t>((oh * 3600 + om * 60) * (s[23] == '-' ? -1 : 1));
    const int64_t local =
        ((DaysFromCivil(y, static_cast<int>(mo), static_cast<int>(d)) * 24 + h) * 60 + mi) * 60 + se;
    t.UnixMs = (local - offset) * 1000 + ms;
    t.UtcOffsetSeconds = offset;
    return true;
}

// A number as TrendCsvLine writes it; empty is the unused sensor.
bool ParseValue(std::string_view s, double &out) {
    if (s.empty()) {
        out = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size() && std::isfinite(out);
}

bool ParseBits(std::string_view s, uint16_t &out) {
    if (s.size() != 6 || s[0] != '0' || s[1] != 'x')
        return false;
    unsigned v = 0;
    const auto [end, ec] = std::from_chars(s.data() + 2, s.data() + s.size(), v, 16);
    if (ec != std::errc() || end != s.data() + s.size())
        return false;
    out = static_cast<uint16_t>(v);
    return true;
}

} // namespace

std::string TrendRecorder::Open(const std::string &day) {
    std::error_code ec;
    std::filesystem::create_directories(dir_, ec); // the user's folder is made on the first file
    const std::string header = TrendCsvHeader();
    for (int n = 1; n < 1000; ++n) {
        const std::filesystem::path path = dir_ / DayFileName(day, n);
        bool endsInLine = true;
        if (std::filesystem::exists(path, ec)) {
            std::ifstream in(path, std::ios::binary);
            std::string first;
            std::getline(in, first);
            if (!first.empty() && first.back() == '\r')
                first.pop_back();
            if (!in || first != header)
                continue; // someone else's file, or another layout: never written into
            // A line cut off by a killed program must not swallow the next one.
            in.seekg(-1, std::ios::end);
            char last = '\n';
            endsInLine = in.get(last) && last == '\n';
        }
        errno = 0;
        // Append even for a new file: nothing that appeared meanwhile is overwritten.
        out_.open(path, std::ios::binary | std::ios::app);
        path_ = path;
        if (!out_)
            return WriteError(path, tr_);
        if (std::filesystem::file_size(path, ec) == 0)
            out_ << header << '\n';
        else if (!endsInLine)
            out_ << '\n';
        out_.flush();
        if (!out_) {
            out_.close();
            return WriteError(path, tr_);
        }
        day_ = day;
        return {};
    }
    return tr_.Format(ZEPHYRA_TEXT("zephyra", "%2 폴더에 %1 기록을 둘 빈 파일 이름이 없습니다"),
                      {day, dir_.string()});
}

TrendRecordResult TrendRecorder::Record(const TrendSample &sample) {
    const std::string line = TrendCsvLine(sample);
    const std::string day = line.substr(0, 10);
    if (!out_.is_open() || day != day_) {
        Close();
        if (std::string error = Open(day); !error.empty())
            return {false, path_, std::move(error)};
    }
    errno = 0;
    // One write per line: the flush hands the whole line to the system at once.
    out_ << line << '\n';
    out_.flush();
    if (!out_) {
        TrendRecordResult failed{false, path_, WriteError(path_, tr_)};
        Close();
        return failed;
    }
    return {true, path_, {}};
}

void TrendRecorder::Close() {
    if (out_.is_open())
        out_.close();
    out_.clear();
    day_.clear();
}

std::optional<TrendSample> ParseTrendCsvLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    std::vector<std::string_view> cells;
    for (std::size_t start = 0;;) {
        const std::size_t comma = line.find(',', start);
        cells.push_back(
            line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    TrendSample t;
    if (cells.size() != 9 || !ParseIsoLocal(cells[0], t.Time) || cells[1].empty() ||
        !ParseValue(cells[2], t.AcV) || !ParseValue(cells[3], t.DcV) || !ParseValue(cells[4], t.LoadA) ||
        !ParseValue(cells[5], t.BatteryA) || !ParseValue(cells[6], t.RackC) ||
        !ParseBits(cells[7], t.AlarmBits) || !ParseBits(cells[8], t.RelayBits))
        return std::nullopt;
    t.DeviceTime = std::string(cells[1]);
    return t;
}

TrendCsvRead ReadTrendCsv(std::istream &in, TrendStore &store) {
    TrendCsvRead read;
    const std::string header = TrendCsvHeader();
    std::string line;
    for (bool first = true; std::getline(in, line); first = false) {
        if (first && line.rfind("\xEF\xBB\xBF", 0) == 0)
            line.erase(0, 3); // a spreadsheet may have saved it with a byte-order mark
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line == header)
            continue;
        if (std::optional<TrendSample> sample = ParseTrendCsvLine(line)) {
            store.Push(*sample);
            ++read.Samples;
        } else {
            ++read.Skipped;
        }
    }
    return read;
}

} // namespace zephyra
