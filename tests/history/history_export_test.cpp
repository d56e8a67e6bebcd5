// The exported workbook as an independent reader (Debian's python3-xlrd) sees it, and export failures.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "history/history_export.h"
#include "history/workbook_writer.h"

namespace zephyra {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr int kXlText = 1;
constexpr int kXlDate = 3;

class TempDir {
public:
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "history-export-XXXXXX").string();
        path_ = fs::path(mkdtemp(tmpl.data()));
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path &Path() const { return path_; }
    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (const auto &e : fs::directory_iterator(path_))
            out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }

private:
    fs::path path_;
};

// Reads a workbook with python3-xlrd: Debian's interpreter, not whichever python3 is first on PATH.
json ReadBack(const std::string &path) {
    std::string command = std::string("/usr/bin/python3 ") + ZEPHYRA_XLS_READER + " '" + path + "'";
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe)
        return {};
    std::string out;
    char buffer[65536];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    int status = pclose(pipe);
    EXPECT_EQ(status, 0) << out;
    return json::parse(out, nullptr, false);
}

Bytes AlarmRecord(uint8_t year, uint8_t month, uint8_t day, int ac, int battery, uint8_t code,
                  uint8_t state) {
    Bytes b{0, 0, year, month, day, 14, 5, 9};
    for (int v : {ac, 540, 123, battery, 253})
        AppendBE16(b, v);
    b.push_back(code);
    b.push_back(state);
    return b;
}

Bytes EventRecord(uint8_t e1, uint8_t e2, uint8_t e3, uint16_t value) {
    Bytes b{0, 0, 24, 2, 29, 23, 59, 59, 1, e1, e2, e3};
    AppendBE16(b, value);
    return b;
}

std::vector<HistoryRow> Grid(HistoryKind kind, const std::vector<Bytes> &records) {
    std::vector<HistoryRow> rows{HistoryHeader(kind)};
    for (std::size_t i = 0; i < records.size(); ++i)
        rows.push_back(DecodeHistoryRecord(kind, static_cast<int32_t>(i + 1), records[i]));
    return rows;
}

// Every grid cell in its sheet cell: texts as texts, the DATE column of records as dates.
void ExpectSheetHoldsGrid(const json &sheet, const std::vector<HistoryRow> &rows, int columns) {
    ASSERT_EQ(sheet["nrows"].get<int>(), static_cast<int>(rows.size()) + 1);
    ASSERT_EQ(sheet["ncols"].get<int>(), columns);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < columns; ++c) {
            const json &cell = sheet["rows"][r + 1][c];
            const std::string &text = rows[r][static_cast<std::size_t>(c)];
            SCOPED_TRACE("grid row " + std::to_string(r) + " column " + std::to_string(c));
            if (r > 0 && c == 1 && cell["type"] == kXlDate) {
                EXPECT_EQ(cell["format"], "yyyy/mm/dd");
                int y = std::stoi(text.substr(0, 4)), m = std::stoi(text.substr(5, 2)),
                    d = std::stoi(text.substr(8, 2));
                EXPECT_EQ(cell["date"], json::array({y, m, d}));
            } else if (text.empty()) {
                EXPECT_EQ(cell["type"], 0);
            } else {
                ASSERT_EQ(cell["type"], kXlText);
                EXPECT_EQ(cell["text"].get<std::string>(), text);
            }
        }
    }
}

TEST(HistoryExport, AlarmWorkbookReadsBackCellForCell) {
    TempDir dir;
    std::vector<HistoryRow> rows =
        Grid(HistoryKind::Alarm,
             {
                 AlarmRecord(25, 3, 7, 221, 0xFFF1, 2, 1), AlarmRecord(24, 2, 29, 0, 0x8000, 8, 0),
                 AlarmRecord(99, 12, 31, 1234, 0, 6, 0), AlarmRecord(25, 2, 30, 5, 7, 1, 1), // no such day
             });
    ExportResult result =
        SpreadsheetExport(HistoryKind::Alarm, rows, dir.Path().string(), {14, 30, 5}, TextTranslator());
    ASSERT_TRUE(result.Ok) << result.Error;
    EXPECT_EQ(fs::path(result.Path).filename(), "ZEPHYRA-M10 Alarm Log(143005).xls");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"ZEPHYRA-M10 Alarm Log(143005).xls"});

    json sheet = ReadBack(result.Path);
    ASSERT_TRUE(sheet.is_object());
    EXPECT_EQ(sheet["sheets"], 1);
    EXPECT_EQ(sheet["rows"][0][0]["text"], "ZEPHYRA-M10 Alarm Log Data");
    ExpectSheetHoldsGrid(sheet, rows, 9);
    // Real dates where the record holds one; an impossible date stays as the grid shows it.
    for (int r = 2; r <= 4; ++r)
        EXPECT_EQ(sheet["rows"][r][1]["type"], kXlDate) << r;
    EXPECT_EQ(sheet["rows"][5][1]["type"], kXlText);
    EXPECT_EQ(sheet["rows"][3][1]["date"], json::array({2024, 2, 29}));
    // Widths fitted to the texts: the alarm column is the widest, the title plays no part.
    std::map<int, int> widths;
    for (int c = 0; c < 9; ++c)
        widths[c] = sheet["widths"].value(std::to_string(c), 0);
    for (int c = 0; c < 8; ++c)
        EXPECT_GT(widths[8], widths[c]) << c;
    EXPECT_LT(widths[0], TextDisplayWidth("ZEPHYRA-M10 Alarm Log Data") * 256);
    EXPECT_GE(widths[1], 10 * 256); // room for yyyy/mm/dd
}

TEST(HistoryExport, EventWorkbookKeepsKoreanTexts) {
    TempDir dir;
    std::vector<HistoryRow> rows = Grid(HistoryKind::Event, {
                                                                EventRecord(31, 11, 3, 0),
                                                                EventRecord(31, 11, 7, 1),
                                                                EventRecord(31, 31, 2, 0xC0A8),
                                                                EventRecord(60, 0, 0, 0xFFFF),
                                                            });
    ASSERT_EQ(rows[1][6], "구성정보 초기화");
    ExportResult result =
        SpreadsheetExport(HistoryKind::Event, rows, dir.Path().string(), {9, 0, 0}, TextTranslator());
    ASSERT_TRUE(result.Ok) << result.Error;
    EXPECT_EQ(fs::path(result.Path).filename(), "ZEPHYRA-M10 Event Log(090000).xls");
    json sheet = ReadBack(result.Path);
    ASSERT_TRUE(sheet.is_object());
    EXPECT_EQ(sheet["rows"][0][0]["text"], "ZEPHYRA-M10 Event Log Data");
    ExpectSheetHoldsGrid(sheet, rows, 8);
    EXPECT_EQ(sheet["rows"][2][1]["date"], json::array({2024, 2, 29}));
}

TEST(HistoryExport, TwoThousandRowsAcrossManyContinueRecords) {
    TempDir dir;
    std::vector<Bytes> records;
    for (int i = 0; i < 2000; ++i)
        records.push_back(AlarmRecord(static_cast<uint8_t>(i % 100), static_cast<uint8_t>(1 + i % 12),
                                      static_cast<uint8_t>(1 + i % 28), i % 1000, (i * 37) & 0xFFFF,
                                      static_cast<uint8_t>(i % 9), static_cast<uint8_t>(i % 2)));
    std::vector<HistoryRow> rows = Grid(HistoryKind::Alarm, records);
    ExportResult result =
        SpreadsheetExport(HistoryKind::Alarm, rows, dir.Path().string(), {23, 59, 59}, TextTranslator());
    ASSERT_TRUE(result.Ok) << result.Error;
    json sheet = ReadBack(result.Path);
    ASSERT_TRUE(sheet.is_object());
    ExpectSheetHoldsGrid(sheet, rows, 9);
    EXPECT_EQ(sheet["rows"][2001][0]["text"], "2000");
}

// Counts CONTINUE records that follow the shared-string table in a workbook stream.
int SharedStringContinuations(const Bytes &stream) {
    int count = 0;
    bool inSst = false;
    for (std::size_t at = 0; at + 4 <= stream.size();) {
        uint16_t type = static_cast<uint16_t>(stream[at] | stream[at + 1] << 8);
        std::size_t len = static_cast<std::size_t>(stream[at + 2] | stream[at + 3] << 8);
        if (type == 0x00FC)
            inSst = true;
        else if (type == 0x003C && inSst)
            ++count;
        else
            inSst = false;
        at += 4 + len;
    }
    return count;
}

TEST(Workbook, StringsSplitAcrossContinuationsReadBackWhole) {
    TempDir dir;
    Workbook book{TextTranslator()};
    std::vector<std::string> texts;
    // Each string is longer than a record, so every one is split, some more than once.
    for (int i = 0; i < 12; ++i) {
        std::string t = "행" + std::to_string(i) + ":";
        for (int k = 0; k < 3000 + 700 * i; ++k)
            t += (k % 3 == 0) ? "가" : (k % 3 == 1 ? "b" : "다");
        texts.push_back(t);
        ASSERT_TRUE(book.SetText(i, 0, t));
        ASSERT_TRUE(book.SetText(i, 1, "x" + std::to_string(i))); // short ones in between
    }
    EXPECT_GE(SharedStringContinuations(book.BuildStream()), 10);
    std::string path = (dir.Path() / "long.xls").string();
    ASSERT_EQ(book.Save(path), "");
    json sheet = ReadBack(path);
    ASSERT_TRUE(sheet.is_object());
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(sheet["rows"][i][0]["text"].get<std::string>(), texts[static_cast<std::size_t>(i)]) << i;
        EXPECT_EQ(sheet["rows"][i][1]["text"], "x" + std::to_string(i));
    }
}

TEST(Workbook, TableOfTwoThousandRowsNeedsContinuations) {
    Workbook book{TextTranslator()};
    for (int r = 0; r < 2000; ++r)
        for (int c = 0; c < 9; ++c)
            book.SetText(r, c, "cell " + std::to_string(r) + "/" + std::to_string(c));
    EXPECT_GE(SharedStringContinuations(book.BuildStream()), 3);
}

TEST(HistoryExport, NeverReplacesAnEarlierWorkbook) {
    TempDir dir;
    std::vector<HistoryRow> first = Grid(HistoryKind::Alarm, {AlarmRecord(25, 3, 7, 221, 0, 2, 1)});
    std::vector<HistoryRow> second = Grid(HistoryKind::Alarm, {AlarmRecord(25, 3, 8, 222, 0, 3, 1)});
    ExportResult a =
        SpreadsheetExport(HistoryKind::Alarm, first, dir.Path().string(), {10, 0, 1}, TextTranslator());
    ExportResult b =
        SpreadsheetExport(HistoryKind::Alarm, second, dir.Path().string(), {10, 0, 1}, TextTranslator());
    ExportResult c =
        SpreadsheetExport(HistoryKind::Alarm, second, dir.Path().string(), {10, 0, 1}, TextTranslator());
    ASSERT_TRUE(a.Ok && b.Ok && c.Ok);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"ZEPHYRA-M10 Alarm Log(100001) (2).xls",
                                                     "ZEPHYRA-M10 Alarm Log(100001) (3).xls",
                                                     "ZEPHYRA-M10 Alarm Log(100001).xls"}));
    EXPECT_EQ(ReadBack(a.Path)["rows"][2][3]["text"], "221 V");
    EXPECT_EQ(ReadBack(b.Path)["rows"][2][3]["text"], "222 V");
}

// The operator is told which file was tried and why it could not be written.
TEST(HistoryExport, FailureReportsThePathAndTheCauseAndLeavesNoFile) {
    TempDir dir;
    std::vector<HistoryRow> rows = Grid(HistoryKind::Alarm, {AlarmRecord(25, 3, 7, 221, 0, 2, 1)});
    fs::path regular = dir.Path() / "plain-file";
    std::ofstream(regular) << "not a directory";
    fs::path taken = dir.Path() / "taken";
    fs::create_directories(taken / "ZEPHYRA-M10 Alarm Log(010203).xls.part"); // a folder where the file goes
    const std::pair<fs::path, std::string> cases[] = {
        {regular / "sub", "폴더가 없습니다"},
        {regular, "폴더 경로가 폴더가 아닌 파일을 가리킵니다"},
        {dir.Path() / "missing" / "deeper", "폴더가 없습니다"},
        {taken, "파일을 만들 수 없습니다 (Is a directory)"},
    };
    for (const auto &[target, cause] : cases) {
        ExportResult result =
            SpreadsheetExport(HistoryKind::Alarm, rows, target.string(), {1, 2, 3}, TextTranslator());
        EXPECT_FALSE(result.Ok) << target;
        EXPECT_EQ(result.Path, (target / "ZEPHYRA-M10 Alarm Log(010203).xls").string());
        EXPECT_EQ(result.Error, cause) << target;
    }
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"plain-file", "taken"}));
    EXPECT_EQ(std::distance(fs::directory_iterator(taken), fs::directory_iterator()), 1);
}

TEST(HistoryExport, MoreRowsThanASheetHoldsIsAFailure) {
    TempDir dir;
    std::vector<HistoryRow> rows(65536, HistoryRow(9, "x"));
    ExportResult result =
        SpreadsheetExport(HistoryKind::Alarm, rows, dir.Path().string(), {1, 2, 3}, TextTranslator());
    EXPECT_FALSE(result.Ok);
    EXPECT_TRUE(dir.Names().empty());
    rows.pop_back(); // header and 65534 records: the last in sheet row 65536
    EXPECT_TRUE(
        SpreadsheetExport(HistoryKind::Alarm, rows, dir.Path().string(), {1, 2, 3}, TextTranslator()).Ok);
}

TEST(Workbook, TextHelpers) {
    EXPECT_EQ(Utf8ToUtf16("a가"), u"a가");
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
    // Malformed input never throws or reads past the end.
    EXPECT_EQ(Utf8ToUtf16("\xC3"), u"\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xE0\x80\x80z"), u"\uFFFD\uFFFD\uFFFDz"); // overlong
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");   // surrogate
    EXPECT_EQ(TextDisplayWidth("DC HIGH VOLT"), 12);
    EXPECT_EQ(TextDisplayWidth("공장 초기화"), 11);
    double serial = 0;
    ASSERT_TRUE(ExcelSerialDate(2025, 3, 7, serial));
    EXPECT_EQ(serial, 45723);
    ASSERT_TRUE(ExcelSerialDate(1900, 3, 1, serial));
    EXPECT_EQ(serial, 61);
    EXPECT_FALSE(ExcelSerialDate(2023, 2, 29, serial));
    EXPECT_FALSE(ExcelSerialDate(2025, 13, 1, serial));
    EXPECT_FALSE(ExcelSerialDate(2025, 4, 31, serial));
}

} // namespace
} // namespace zephyra
