// The recording: every decoded status as one CSV line in a file per day, and reading such a file back.
#pragma once

#include <filesystem>
#include <fstream>
#include <istream>
#include <optional>
#include <string>
#include <string_view>

#include "core/text_key.h"
#include "trend/trend_sample.h"
#include "trend/trend_store.h"

namespace zephyra {

struct TrendRecordResult {
    bool Wrote = false;
    std::filesystem::path Path; // the file written, or the one that failed
    std::string Error;          // why the line was not written
};

class TrendRecorder {
public:
    // tr: the language of the write errors.
    TrendRecorder(std::filesystem::path dir, TextTranslator tr) : dir_(std::move(dir)), tr_(tr) {}

    // Appends the sample's line to its day's file, trend-YYYY-MM-DD.csv, and flushes it, so a killed
    // program loses at most the line being written. A file of that day with the same header is continued;
    // one with another header is never touched: the next free trend-YYYY-MM-DD-N.csv is started instead.
    // After a failure the next call tries the file again.
    TrendRecordResult Record(const TrendSample &sample);
    void Close();
    const std::filesystem::path &Path() const { return path_; }

private:
    std::string Open(const std::string &day);

    std::filesystem::path dir_, path_;
    TextTranslator tr_;
    std::string day_;
    std::ofstream out_;
};

// The line as TrendCsvLine writes it; nullopt for anything else (the header included).
std::optional<TrendSample> ParseTrendCsvLine(std::string_view line);

struct TrendCsvRead {
    std::size_t Samples = 0;
    std::size_t Skipped = 0; // lines that are neither a sample, the header nor empty
};
// Every sample of a recording into store, in file order.
TrendCsvRead ReadTrendCsv(std::istream &in, TrendStore &store);

} // namespace zephyra
