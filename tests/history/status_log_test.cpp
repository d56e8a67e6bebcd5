#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

#include "history/status_log.h"
#include "support/local_time.h"

namespace zephyra {
namespace {

namespace fs = std::filesystem;

using test::At;

// A status block with the given registers set, through the real decoder.
StatusSnapshot Decoded(std::initializer_list<std::pair<int, int>> registers) {
    Bytes data(kStatusByteCount, 0);
    for (auto [address, value] : registers) {
        data[static_cast<std::size_t>(2 * (address - 1))] = static_cast<uint8_t>(value >> 8);
        data[static_cast<std::size_t>(2 * (address - 1) + 1)] = static_cast<uint8_t>(value & 0xFF);
    }
    StatusSnapshot s;
    StatusViewModel view;
    DecodeStatus(data, s, view);
    return s;
}

StatusSnapshot ExampleStatus() {
    return Decoded({{reg::kYear, 2025},
                    {reg::kMonth, 3},
                    {reg::kDay, 7},
                    {reg::kHour, 14},
                    {reg::kMinute, 5},
                    {reg::kSecond, 9},
                    {reg::kACV, 221},
                    {reg::kDCV, 540},
                    {reg::kLCA, 123},
                    {reg::kBCA, 15},
                    {reg::kRT, 253},
                    {reg::kAlarmBits, 0}});
}

std::string ReadFile(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class StatusLogFiles : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        dir_ =
            fs::temp_directory_path() / ("zephyra-status-log-" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::vector<fs::path> Files() const {
        std::vector<fs::path> files;
        for (const auto &entry : fs::directory_iterator(dir_))
            files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        return files;
    }

    fs::path dir_;
};

TEST(StatusLogFormat, HeaderLinesAreExactTrailingBlanksIncluded) {
    std::vector<std::string> header = LogHeader();
    ASSERT_EQ(header.size(), 6u);
    EXPECT_EQ(header[0],
              "---------------------Alarm------------------------------------------------------------------"
              "------------");
    EXPECT_EQ(header[0].size(), 104u);
    EXPECT_EQ(header[1], "Alarm //0x01 : ACF,             0x02 : DC_OV,            0x04 : DC_UV ");
    EXPECT_EQ(header[2], "      //0x08 : RECT1,           0x10 : RECT2 ");
    EXPECT_EQ(header[3], "      //0x40 : BATT_DISCONNECT, 0x80 : BATT_CELL_FAIL ");
    EXPECT_EQ(header[4], std::string(106, '-'));
    EXPECT_EQ(header[5], "    Date/Time;  ACV;  DCV;  DC Amp;  Batt Amp;  RTemp;  Alarm; ");
}

TEST(StatusLogFormat, LineBeforeAnyDecodeIsSeparatorsOnly) {
    EXPECT_EQ(LogLine(StatusSnapshot{}), "[  ] ;  ;  ;  ;  ;  ;  ; ");
}

TEST(StatusLogFormat, LineFromDecodedValues) {
    EXPECT_EQ(LogLine(ExampleStatus()),
              "[2025-03-07  14:05:09] ; 221 V ; 54.0 V ; 12.3 A ; +1.5 A ; +25.3 C ; 0x00 ; ");
}

TEST(StatusLogFormat, FileNameCarriesTheModelAndFourteenDigitTime) {
    EXPECT_EQ(LogFileName(At(2025, 8, 7, 9, 5, 3)), "ZEPHYRA-M10_20250807090503.txt");
    EXPECT_EQ(LogFileName(At(2031, 12, 31, 23, 59, 59)), "ZEPHYRA-M10_20311231235959.txt");
}

TEST(StatusLogFormat, KoreanGoesOutInCodePage949AndUnmappableTextAsQuestionMarks) {
    EXPECT_EQ(ToCp949("미사용"), "\xB9\xCC\xBB\xE7\xBF\xEB");
    EXPECT_EQ(ToCp949("a\xF0\x9F\x98\x80"
                      "b"),
              "a?b");
    EXPECT_EQ(ToCp949("a\xFF"
                      "b"),
              "a?b");
    EXPECT_EQ(ToCp949("a\xEB\xAF"), "a?");
}

TEST_F(StatusLogFiles, FileHoldsTheLinesEndedByCrLfInCodePage949) {
    StatusSnapshot s = Decoded({{reg::kYear, 2025}, {reg::kMonth, 8}, {reg::kDay, 7}, {reg::kRT, 9999}});
    ASSERT_EQ(s.RTText, "미사용");
    StatusLog log(dir_, TextTranslator());
    log.AppendHeader();
    log.AddLine(s, At(2025, 8, 7, 9, 5, 3));
    LogFileResult saved = log.Save(At(2025, 8, 7, 9, 5, 3));
    ASSERT_TRUE(saved.Ok()) << saved.Error;
    EXPECT_EQ(saved.Path, dir_ / "ZEPHYRA-M10_20250807090503.txt");
    std::string expected;
    for (const std::string &line : LogHeader())
        expected += line + "\r\n";
    expected +=
        "[2025-08-07  00:00:00] ; 0 V ; 0.0 V ; 0.0 A ; +0.0 A ; \xB9\xCC\xBB\xE7\xBF\xEB ; 0x00 ; \r\n";
    EXPECT_EQ(ReadFile(saved.Path), expected);
    EXPECT_EQ(log.Lines().size(), 7u);
}

TEST_F(StatusLogFiles, SaveWithAnEmptyMemoWritesAnEmptyFile) {
    StatusLog log(dir_, TextTranslator());
    LogFileResult saved = log.Save(At(2025, 1, 1, 0, 0, 0));
    ASSERT_TRUE(saved.Ok()) << saved.Error;
    EXPECT_TRUE(fs::exists(saved.Path));
    EXPECT_EQ(fs::file_size(saved.Path), 0u);
}

TEST_F(StatusLogFiles, TheThousandAndFirstLineWritesTheMemoAndLeavesAFreshHeader) {
    StatusLog log(dir_, TextTranslator());
    log.AppendHeader();
    const StatusSnapshot s = ExampleStatus();
    const std::tm now = At(2025, 3, 7, 14, 5, 9);
    for (int i = 0; i < 994; ++i)
        ASSERT_FALSE(log.AddLine(s, now).Wrote);
    EXPECT_EQ(log.Lines().size(), 1000u);
    EXPECT_TRUE(Files().empty());

    StatusLog::StepResult step = log.AddLine(s, now);
    ASSERT_TRUE(step.Wrote);
    ASSERT_TRUE(step.File.Ok()) << step.File.Error;
    EXPECT_EQ(log.Lines(), LogHeader());
    EXPECT_FALSE(log.HasUnsavedLines());

    ASSERT_EQ(Files().size(), 1u);
    const std::string text = ReadFile(Files()[0]);
    std::size_t crlf = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
        ++crlf;
    EXPECT_EQ(crlf, 1001u);
    EXPECT_EQ(text.substr(text.size() - LogLine(s).size() - 2), LogLine(s) + "\r\n");
}

TEST_F(StatusLogFiles, TwoWritesInOneSecondKeepBothFiles) {
    StatusLog log(dir_, TextTranslator());
    const std::tm now = At(2025, 8, 7, 9, 5, 3);
    log.ReplaceLines({"first"});
    LogFileResult one = log.Save(now);
    log.ReplaceLines({"second"});
    LogFileResult two = log.Save(now);
    log.ReplaceLines({"third"});
    LogFileResult three = log.Save(now);
    ASSERT_TRUE(one.Ok() && two.Ok() && three.Ok());
    EXPECT_EQ(one.Path.filename(), "ZEPHYRA-M10_20250807090503.txt");
    EXPECT_EQ(two.Path.filename(), "ZEPHYRA-M10_20250807090503_2.txt");
    EXPECT_EQ(three.Path.filename(), "ZEPHYRA-M10_20250807090503_3.txt");
    EXPECT_EQ(ReadFile(one.Path), "first\r\n");
    EXPECT_EQ(ReadFile(two.Path), "second\r\n");
    EXPECT_EQ(ReadFile(three.Path), "third\r\n");
}

TEST_F(StatusLogFiles, UnwritableDirectoryReportsTheFileAndLosesNoLine) {
    std::ofstream(dir_ / "plain-file") << "x";
    // Root may write anywhere: a path below a plain file is one nobody can create.
    for (const fs::path &bad : {dir_ / "plain-file" / "logs"}) {
        StatusLog log(bad, TextTranslator());
        log.AppendHeader();
        const StatusSnapshot s = ExampleStatus();
        const std::tm now = At(2025, 3, 7, 14, 5, 9);
        for (int i = 0; i < 994; ++i)
            log.AddLine(s, now);

        StatusLog::StepResult step = log.AddLine(s, now);
        EXPECT_FALSE(step.Wrote);
        EXPECT_FALSE(step.File.Ok());
        EXPECT_NE(step.File.Error.find((bad / "ZEPHYRA-M10_20250307140509.txt").string()), std::string::npos)
            << step.File.Error;
        EXPECT_EQ(log.Lines().size(), 1001u);
        EXPECT_TRUE(log.HasUnsavedLines());

        EXPECT_FALSE(log.AddLine(s, now).Wrote);
        EXPECT_EQ(log.Lines().size(), 1002u);
        EXPECT_FALSE(log.Save(now).Ok());
        EXPECT_FALSE(log.SaveUnsaved(now).Ok());
        EXPECT_EQ(log.Lines().size(), 1002u);
    }
    EXPECT_EQ(Files().size(), 1u);
}

TEST_F(StatusLogFiles, UnsavedLinesAreWrittenAtExitAndNothingOtherwise) {
    StatusLog log(dir_, TextTranslator());
    log.AppendHeader();
    EXPECT_FALSE(log.HasUnsavedLines());
    EXPECT_TRUE(log.SaveUnsaved(At(2025, 1, 1, 0, 0, 0)).Path.empty());
    EXPECT_TRUE(Files().empty());

    log.AddLine(ExampleStatus(), At(2025, 1, 1, 0, 0, 0));
    EXPECT_TRUE(log.HasUnsavedLines());
    LogFileResult atExit = log.SaveUnsaved(At(2025, 1, 1, 0, 0, 1));
    ASSERT_TRUE(atExit.Ok()) << atExit.Error;
    EXPECT_EQ(Files().size(), 1u);
    EXPECT_FALSE(log.HasUnsavedLines());

    log.Delete();
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_FALSE(log.HasUnsavedLines());
}

TEST_F(StatusLogFiles, AtExitLinesGoToTheFallbackWhenTheLogsFolderCannotBeWritten) {
    std::ofstream(dir_ / "plain-file") << "x";
    const fs::path bad = dir_ / "plain-file" / "logs";
    struct Case {
        const char *name;
        fs::path folder, fallback;
        fs::path writtenIn; // empty: nothing could be written
    };
    const Case cases[] = {
        {"a missing folder is made", dir_ / "new" / "logs", dir_ / "user", dir_ / "new" / "logs"},
        {"the fallback, made when missing", bad, dir_ / "user" / "ZEPHYRA-M10",
         dir_ / "user" / "ZEPHYRA-M10"},
        {"no fallback", bad, {}, {}},
        {"the fallback fails too", bad, dir_ / "plain-file" / "user", {}},
    };
    const std::tm now = At(2025, 3, 7, 14, 5, 9);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        StatusLog log(c.folder, TextTranslator());
        log.AppendHeader();
        log.AddLine(ExampleStatus(), now);
        const LogFileResult result = log.SaveUnsaved(now, c.fallback);
        EXPECT_EQ(result.Ok(), !c.writtenIn.empty()) << result.Error;
        EXPECT_EQ(log.HasUnsavedLines(), c.writtenIn.empty());
        if (c.writtenIn.empty()) {
            EXPECT_NE(result.Error.find(bad.string()), std::string::npos) << result.Error;
            EXPECT_NE(result.Error.find(c.fallback.string()), std::string::npos) << result.Error;
            continue;
        }
        EXPECT_EQ(result.Path.parent_path(), c.writtenIn);
        std::string text;
        for (const std::string &line : log.Lines())
            text += line + "\r\n";
        EXPECT_EQ(ReadFile(result.Path), ToCp949(text));
        // Moved files say why, naming the folder that failed.
        EXPECT_EQ(result.FallbackReason.find(bad.string()) != std::string::npos, c.folder == bad)
            << result.FallbackReason;
    }
}

TEST(StatusLogMemo, OnlyAnEditThatLeavesNewTextCountsAsUnsaved) {
    StatusLog log("", TextTranslator());
    log.AppendHeader();
    log.ReplaceLines(LogHeader()); // typed and taken back again
    EXPECT_FALSE(log.HasUnsavedLines());
    log.ReplaceLines({"note"});
    EXPECT_TRUE(log.HasUnsavedLines());
    log.ReplaceLines({}); // the operator cleared the memo
    EXPECT_FALSE(log.HasUnsavedLines());
    EXPECT_TRUE(log.Lines().empty());
}

} // namespace
} // namespace zephyra
