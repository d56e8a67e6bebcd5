#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>

#include "trend/trend_recording.h"

namespace zephyra {
namespace {

namespace fs = std::filesystem;

// 2026-12-07 09:00:00 UTC, recorded at +09:00.
constexpr int64_t kMorning = 1796634000000;
constexpr int32_t kSeoul = 9 * 3600;

TrendSample Sample(int64_t ms, double v) {
    TrendSample t;
    t.Time = {ms, kSeoul};
    t.DeviceTime = "2026-12-07 18:00:00";
    t.AcV = 220 + v;
    t.DcV = 53.5 + v / 10;
    t.LoadA = 12.3;
    t.BatteryA = -1.5;
    t.RackC = v > 1 ? std::numeric_limits<double>::quiet_NaN() : 25.1;
    t.AlarmBits = static_cast<uint16_t>(v);
    return t;
}

std::string Slurp(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class TrendRecording : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        dir = fs::temp_directory_path() / ("zephyra-trend-" + std::to_string(rd()) + std::to_string(rd()));
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

TEST_F(TrendRecording, OneFlushedLinePerDecodeContinuedAcrossRunsNeverOverwritten) {
    const std::string header = TrendCsvHeader() + "\n";
    fs::create_directories(dir);
    { std::ofstream(dir / "trend-2026-12-07.csv") << "someone else's notes\n"; }
    std::string expected = header;
    {
        TrendRecorder recorder(dir, TextTranslator());
        for (int i = 0; i < 3; ++i) {
            const TrendRecordResult r = recorder.Record(Sample(kMorning + i * 600, i));
            ASSERT_TRUE(r.Wrote) << r.Error;
            EXPECT_EQ(r.Path, dir / "trend-2026-12-07-2.csv");
            expected += TrendCsvLine(Sample(kMorning + i * 600, i)) + "\n";
            EXPECT_EQ(Slurp(r.Path), expected) << "on disk before the recorder closes";
        }
    }
    // A run killed in the middle of a line, then a new run on the same day.
    { std::ofstream(dir / "trend-2026-12-07-2.csv", std::ios::app) << "2026-12-07T18:0"; }
    TrendRecorder recorder(dir, TextTranslator());
    ASSERT_TRUE(recorder.Record(Sample(kMorning + 5000, 4)).Wrote);
    expected += "2026-12-07T18:0\n" + TrendCsvLine(Sample(kMorning + 5000, 4)) + "\n";
    EXPECT_EQ(Slurp(dir / "trend-2026-12-07-2.csv"), expected);
    EXPECT_EQ(Slurp(dir / "trend-2026-12-07.csv"), "someone else's notes\n");

    // Local midnight starts the next day's file.
    const TrendRecordResult next = recorder.Record(Sample(kMorning + 15 * 3600 * 1000, 0));
    EXPECT_EQ(next.Path, dir / "trend-2026-12-08.csv");
    EXPECT_EQ(Slurp(next.Path), header + TrendCsvLine(Sample(kMorning + 15 * 3600 * 1000, 0)) + "\n");
}

TEST_F(TrendRecording, AFolderThatCannotBeWrittenIsReportedAndTriedAgain) {
    fs::create_directories(dir.parent_path());
    { std::ofstream(dir) << "a file where the folder should be"; }
    TrendRecorder recorder(dir / "sub", TextTranslator());
    const TrendRecordResult r = recorder.Record(Sample(kMorning, 0));
    EXPECT_FALSE(r.Wrote);
    EXPECT_NE(r.Error.find("trend-2026-12-07.csv"), std::string::npos) << r.Error;
    fs::remove(dir);
    EXPECT_TRUE(recorder.Record(Sample(kMorning + 600, 0)).Wrote);
}

TEST(TrendCsvParser, ReadsBackWhatTheRecorderWritesAndCountsWhatItCannot) {
    std::ostringstream file;
    file << "\xEF\xBB\xBF" << TrendCsvHeader() << "\r\n";
    std::vector<TrendSample> written;
    for (int i = 0; i < 4; ++i) {
        written.push_back(Sample(kMorning + i * 600, i));
        written.back().Time.UtcOffsetSeconds = i == 3 ? -(3 * 3600 + 1800) : kSeoul;
        file << TrendCsvLine(written.back()) << "\n";
        if (i == 1)
            file << "\n";
    }
    const std::string good = TrendCsvLine(written[0]);
    for (std::string bad : {good.substr(0, good.size() - 3), good + ",1", "2026-13" + good.substr(7),
                            good.substr(0, 30) + "," + good.substr(30), std::string("time,device time")}) {
        EXPECT_FALSE(ParseTrendCsvLine(bad)) << bad;
        file << bad << "\n";
    }
    file << "2026-12-07T18:00:00.000+09:00,x,220,53.5,12.3,-1.5,25.1,0x0000,0x00"; // cut off by a kill

    TrendStore store;
    std::istringstream in(file.str());
    const TrendCsvRead read = ReadTrendCsv(in, store);
    EXPECT_EQ(read.Samples, 4u);
    EXPECT_EQ(read.Skipped, 6u);
    ASSERT_EQ(store.Size(), 4u);
    for (std::size_t i = 0; i < written.size(); ++i) {
        const std::optional<TrendSample> back = ParseTrendCsvLine(TrendCsvLine(written[i]));
        ASSERT_TRUE(back);
        EXPECT_EQ(TrendCsvLine(*back), TrendCsvLine(written[i]));
        EXPECT_EQ(store.At(i).TimeMs, written[i].Time.UnixMs);
    }
    EXPECT_TRUE(std::isnan(store.At(3).Values[kSeriesRackC]));
}

} // namespace
} // namespace zephyra
