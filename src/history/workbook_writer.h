// A one-sheet Excel 97-2003 workbook (BIFF8 records in an OLE2 compound file) holding texts and dates.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/text_key.h"
#include "core/utf8_text.h"
#include "link/bytes.h"

namespace zephyra {

// Size of the BIFF8 sheet grid.
inline constexpr int kWorkbookMaxRows = 65536;
inline constexpr int kWorkbookMaxColumns = 256;
inline constexpr const char *kWorkbookDateFormat = "yyyy/mm/dd";

// UTF-8 to UTF-16 code units; malformed sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
// Days since 1899-12-30, Excel's serial date for the 1900 date system (valid from 1900-03-01).
bool ExcelSerialDate(int year, int month, int day, double &serial);

class Workbook {
public:
    // tr: the language of Save's errors.
    explicit Workbook(TextTranslator tr, std::string sheetName = "Sheet1")
        : tr_(tr), sheetName_(std::move(sheetName)) {}

    // Rows and columns count from 0 (A1 is 0, 0). Out-of-range cells are refused.
    bool SetText(int row, int column, std::string_view utf8);
    // A date cell shown as yyyy/mm/dd; false for a date that does not exist or is out of range.
    bool SetDate(int row, int column, int year, int month, int day);
    // Width in characters of the default font.
    void SetColumnWidth(int column, double characters);

    // The "Workbook" stream: globals, shared strings, the sheet.
    Bytes BuildStream() const;
    // Writes the compound file; returns an error text, empty on success. The file at `path` is
    // replaced, and on failure may be left partly written: callers write to a temporary name.
    std::string Save(const std::string &path) const;

private:
    struct Cell {
        uint16_t Row;
        uint16_t Column;
        bool IsDate;
        uint32_t StringIndex; // text cells
        double Serial;        // date cells
    };

    TextTranslator tr_;
    std::string sheetName_;
    std::vector<Cell> cells_;
    std::vector<std::u16string> strings_; // unique, in first-use order
    std::unordered_map<std::u16string, uint32_t> stringIndex_;
    std::map<uint16_t, uint16_t> widths_; // column -> width in 1/256 characters
};

} // namespace zephyra
