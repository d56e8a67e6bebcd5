#include "history/workbook_writer.h"

#include "core/text_key.h"

#include <algorithm>
#include <bit>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

namespace zephyra {

namespace {

// Record types.
constexpr uint16_t kBof = 0x0809, kEof = 0x000A, kCodepage = 0x0042, kWindow1 = 0x003D, kDateMode = 0x0022,
                   kFont = 0x0031, kFormat = 0x041E, kXf = 0x00E0, kStyle = 0x0293, kBoundSheet = 0x0085,
                   kSst = 0x00FC, kContinue = 0x003C, kExtSst = 0x00FF, kColInfo = 0x007D,
                   kDimensions = 0x0200, kLabelSst = 0x00FD, kNumber = 0x0203, kWindow2 = 0x023E;

// Longest record body; the shared-string table goes on in CONTINUE records beyond it.
constexpr std::size_t kMaxRecordBody = 8224;
constexpr uint16_t kUtf16Codepage = 1200;
constexpr uint16_t kDateFormatIndex = 164; // first index free for custom formats
constexpr uint16_t kDefaultCellXf = 15;    // after the 15 style XFs Excel expects
constexpr uint16_t kDateCellXf = 16;
constexpr uint8_t kHighByteFlag = 0x01; // string characters stored as UTF-16
constexpr std::size_t kMaxCellChars = 32767;

class Stream {
public:
    Bytes &Data() { return b_; }
    std::size_t Size() const { return b_.size(); }
    void U8(uint8_t v) { b_.push_back(v); }
    void U16(uint16_t v) {
        b_.push_back(static_cast<uint8_t>(v));
        b_.push_back(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v) {
        U16(static_cast<uint16_t>(v));
        U16(static_cast<uint16_t>(v >> 16));
    }
    void F64(double v) {
        uint64_t bits = std::bit_cast<uint64_t>(v);
        U32(static_cast<uint32_t>(bits));
        U32(static_cast<uint32_t>(bits >> 32));
    }
    void Chars(const char16_t *p, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            U16(static_cast<uint16_t>(p[i]));
    }
    void Ascii(std::string_view s) {
        for (char c : s)
            U8(static_cast<uint8_t>(c));
    }
    void PatchU32(std::size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b_[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    }

    // A record's header is written now; its length when it ends.
    std::size_t Begin(uint16_t type) {
        std::size_t at = b_.size();
        U16(type);
        U16(0);
        return at;
    }
    void End(std::size_t at) {
        std::size_t len = b_.size() - at - 4;
        b_[at + 2] = static_cast<uint8_t>(len);
        b_[at + 3] = static_cast<uint8_t>(len >> 8);
    }
    std::size_t BodySize(std::size_t at) const { return b_.size() - at - 4; }

private:
    Bytes b_;
};

void WriteBof(Stream &s, uint16_t substream) {
    std::size_t r = s.Begin(kBof);
    s.U16(0x0600); // BIFF8
    s.U16(substream);
    s.U16(0x0DBB); // build
    s.U16(0x07CC); // year
    s.U32(0);      // file history
    s.U32(0x0006); // lowest BIFF version that can read it
    s.End(r);
}

void WriteEof(Stream &s) {
    s.End(s.Begin(kEof));
}

void WriteFont(Stream &s) {
    std::size_t r = s.Begin(kFont);
    s.U16(200);    // 10 points, in twips
    s.U16(0);      // attributes
    s.U16(0x7FFF); // automatic colour
    s.U16(400);    // normal weight
    s.U16(0);      // no super/subscript
    s.U8(0);       // no underline
    s.U8(0);       // family
    s.U8(0);       // character set
    s.U8(0);
    constexpr std::string_view kName = "Arial";
    s.U8(static_cast<uint8_t>(kName.size()));
    s.U8(0); // compressed: the name is ASCII
    s.Ascii(kName);
    s.End(r);
}

void WriteXf(Stream &s, uint16_t format, bool style, uint8_t usedAttributes) {
    std::size_t r = s.Begin(kXf);
    s.U16(0); // font
    s.U16(format);
    s.U16(style ? 0xFFF5 : 0x0001); // locked; a style XF has no parent, a cell XF the Normal style
    s.U8(0x20);                     // bottom aligned
    s.U8(0);
    s.U8(0);
    s.U8(usedAttributes);
    s.U32(0); // borders
    s.U32(0);
    s.U16(0x20C0); // default pattern colours
    s.End(r);
}

void WriteUnicodeString16(Stream &s, const std::u16string &text) {
    s.U16(static_cast<uint16_t>(text.size()));
    s.U8(kHighByteFlag);
    s.Chars(text.data(), text.size());
}

// Shared strings in SST and CONTINUE records, then EXTSST with a bucket index into them.
void WriteSharedStrings(Stream &s, const std::vector<std::u16string> &strings, uint32_t references) {
    const std::size_t unique = strings.size();
    const std::size_t perBucket = std::max<std::size_t>(8, unique / 128 + 1);
    std::vector<std::pair<uint32_t, uint16_t>> buckets; // stream position, offset in its record

    std::size_t r = s.Begin(kSst);
    s.U32(references);
    s.U32(static_cast<uint32_t>(unique));
    for (std::size_t i = 0; i < unique; ++i) {
        const std::u16string &text = strings[i];
        // The length and flag must not be split from the first character.
        std::size_t need = 3 + (text.empty() ? 0 : 2);
        if (s.BodySize(r) + need > kMaxRecordBody) {
            s.End(r);
            r = s.Begin(kContinue);
        }
        if (i % perBucket == 0)
            buckets.emplace_back(static_cast<uint32_t>(s.Size()), static_cast<uint16_t>(s.Size() - r));
        s.U16(static_cast<uint16_t>(text.size()));
        s.U8(kHighByteFlag);
        std::size_t done = 0;
        for (;;) {
            std::size_t room = (kMaxRecordBody - s.BodySize(r)) / 2;
            std::size_t n = std::min(room, text.size() - done);
            s.Chars(text.data() + done, n);
            done += n;
            if (done == text.size())
                break;
            // A string split across records repeats its flag byte at the start of the continuation.
            s.End(r);
            r = s.Begin(kContinue);
            s.U8(kHighByteFlag);
        }
    }
    s.End(r);

    r = s.Begin(kExtSst);
    s.U16(static_cast<uint16_t>(perBucket));
    for (const auto &[position, offset] : buckets) {
        s.U32(position);
        s.U16(offset);
        s.U16(0);
    }
    s.End(r);
}

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

// libgsf, and the GLib object system, gio and libxml2 it pulls in, are loaded at the first save: a
// console that never exports does not carry them (about 1.6 MB resident, and their start-up).
struct GsfApi {
    decltype(&gsf_output_memory_new) MemoryNew = nullptr;
    decltype(&gsf_outfile_msole_new) MsoleNew = nullptr;
    decltype(&gsf_outfile_new_child) NewChild = nullptr;
    decltype(&gsf_output_write) Write = nullptr;
    decltype(&gsf_output_close) Close = nullptr;
    decltype(&gsf_output_size) Size = nullptr;
    decltype(&gsf_output_memory_get_bytes) Bytes = nullptr;
    decltype(&g_object_unref) Unref = nullptr;
    bool Loaded = false;
};

constexpr const char *kGsfLibrary = "libgsf-1.so.114";

const GsfApi &Gsf() {
    static const GsfApi api = [] {
        GsfApi a;
        void *lib = dlopen(kGsfLibrary, RTLD_NOW | RTLD_LOCAL);
        if (!lib)
            return a;
        auto bind = [lib](auto &fn, const char *name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, name));
            return fn != nullptr;
        };
        decltype(&gsf_init) init = nullptr;
        // g_object_unref is found through libgsf's own dependencies.
        a.Loaded = bind(init, "gsf_init") && bind(a.MemoryNew, "gsf_output_memory_new") &&
                   bind(a.MsoleNew, "gsf_outfile_msole_new") && bind(a.NewChild, "gsf_outfile_new_child") &&
                   bind(a.Write, "gsf_output_write") && bind(a.Close, "gsf_output_close") &&
                   bind(a.Size, "gsf_output_size") && bind(a.Bytes, "gsf_output_memory_get_bytes") &&
                   bind(a.Unref, "g_object_unref");
        if (a.Loaded)
            init();
        return a;
    }();
    return api;
}

} // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t c = NextCodePoint(utf8, i);
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

bool ExcelSerialDate(int year, int month, int day, double &serial) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1900 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    int last = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
    if (day > last)
        return false;
    // Serials before March 1900 carry Excel's phantom 29 February 1900; none of ours go there.
    if (year == 1900 && month < 3)
        return false;
    serial =
        static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                            DaysFromCivil(1899, 12, 30));
    return true;
}

bool Workbook::SetText(int row, int column, std::string_view utf8) {
    if (row < 0 || row >= kWorkbookMaxRows || column < 0 || column >= kWorkbookMaxColumns)
        return false;
    std::u16string text = Utf8ToUtf16(utf8);
    if (text.size() > kMaxCellChars) {
        std::size_t cut = kMaxCellChars;
        if (text[cut - 1] >= 0xD800 && text[cut - 1] <= 0xDBFF)
            --cut; // keep surrogate pairs whole
        text.resize(cut);
    }
    auto [it, added] = stringIndex_.try_emplace(text, static_cast<uint32_t>(strings_.size()));
    if (added)
        strings_.push_back(std::move(text));
    cells_.push_back({static_cast<uint16_t>(row), static_cast<uint16_t>(column), false, it->second, 0.0});
    return true;
}

bool Workbook::SetDate(int row, int column, int year, int month, int day) {
    if (row < 0 || row >= kWorkbookMaxRows || column < 0 || column >= kWorkbookMaxColumns)
        return false;
    double serial = 0;
    if (!ExcelSerialDate(year, month, day, serial))
        return false;
    cells_.push_back({static_cast<uint16_t>(row), static_cast<uint16_t>(column), true, 0, serial});
    return true;
}

void Workbook::SetColumnWidth(int column, double characters) {
    if (column < 0 || column >= kWorkbookMaxColumns)
        return;
    double units = std::clamp(characters, 0.0, 255.0) * 256.0;
    widths_[static_cast<uint16_t>(column)] = static_cast<uint16_t>(units);
}

Bytes Workbook::BuildStream() const {
    // Cells in row order, then column order; a cell set twice keeps its last value.
    std::vector<Cell> cells = cells_;
    std::stable_sort(cells.begin(), cells.end(), [](const Cell &a, const Cell &b) {
        return a.Row != b.Row ? a.Row < b.Row : a.Column < b.Column;
    });
    std::vector<Cell> unique;
    unique.reserve(cells.size());
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i + 1 < cells.size() && cells[i + 1].Row == cells[i].Row &&
            cells[i + 1].Column == cells[i].Column)
            continue;
        unique.push_back(cells[i]);
    }
    uint32_t references = 0;
    for (const Cell &c : unique)
        references += c.IsDate ? 0 : 1;

    Stream s;
    s.Data().reserve(64 + unique.size() * 16 + strings_.size() * 24);

    // Workbook globals.
    WriteBof(s, 0x0005);
    std::size_t r = s.Begin(kCodepage);
    s.U16(kUtf16Codepage);
    s.End(r);
    r = s.Begin(kWindow1);
    s.U16(0); // position
    s.U16(0);
    s.U16(0x3A98); // size
    s.U16(0x2328);
    s.U16(0x0038); // scroll bars and sheet tabs shown
    s.U16(0);      // active sheet
    s.U16(0);      // first visible tab
    s.U16(1);      // selected sheets
    s.U16(600);    // tab bar ratio
    s.End(r);
    r = s.Begin(kDateMode);
    s.U16(0); // dates count from 1900
    s.End(r);
    // Font index 4 does not exist in BIFF; four fonts cover 0..3.
    for (int i = 0; i < 4; ++i)
        WriteFont(s);
    r = s.Begin(kFormat);
    s.U16(kDateFormatIndex);
    WriteUnicodeString16(s, Utf8ToUtf16(kWorkbookDateFormat));
    s.End(r);
    for (int i = 0; i < 15; ++i)
        WriteXf(s, 0, true, i == 0 ? 0x00 : 0xF4);
    WriteXf(s, 0, false, 0x00);
    WriteXf(s, kDateFormatIndex, false, 0x04); // number format differs from the style
    r = s.Begin(kStyle);
    s.U16(0x8000); // built-in style on XF 0
    s.U8(0);       // Normal
    s.U8(0xFF);
    s.End(r);
    r = s.Begin(kBoundSheet);
    std::size_t sheetOffsetAt = s.Size();
    s.U32(0); // patched once the sheet's position is known
    s.U8(0);  // visible
    s.U8(0);  // worksheet
    std::u16string name = Utf8ToUtf16(sheetName_);
    if (name.size() > 31)
        name.resize(31);
    s.U8(static_cast<uint8_t>(name.size()));
    s.U8(kHighByteFlag);
    s.Chars(name.data(), name.size());
    s.End(r);
    WriteSharedStrings(s, strings_, references);
    WriteEof(s);

    // The sheet.
    s.PatchU32(sheetOffsetAt, static_cast<uint32_t>(s.Size()));
    WriteBof(s, 0x0010);
    for (const auto &[column, width] : widths_) {
        r = s.Begin(kColInfo);
        s.U16(column);
        s.U16(column);
        s.U16(width);
        s.U16(kDefaultCellXf);
        s.U16(0);
        s.U16(0);
        s.End(r);
    }
    r = s.Begin(kDimensions);
    if (unique.empty()) {
        s.U32(0);
        s.U32(0);
        s.U16(0);
        s.U16(0);
    } else {
        uint16_t firstColumn = 0xFFFF, lastColumn = 0;
        for (const Cell &c : unique) {
            firstColumn = std::min(firstColumn, c.Column);
            lastColumn = std::max(lastColumn, c.Column);
        }
        s.U32(unique.front().Row);
        s.U32(static_cast<uint32_t>(unique.back().Row) + 1);
        s.U16(firstColumn);
        s.U16(static_cast<uint16_t>(lastColumn + 1));
    }
    s.U16(0);
    s.End(r);
    for (const Cell &c : unique) {
        if (c.IsDate) {
            r = s.Begin(kNumber);
            s.U16(c.Row);
            s.U16(c.Column);
            s.U16(kDateCellXf);
            s.F64(c.Serial);
        } else {
            r = s.Begin(kLabelSst);
            s.U16(c.Row);
            s.U16(c.Column);
            s.U16(kDefaultCellXf);
            s.U32(c.StringIndex);
        }
        s.End(r);
    }
    r = s.Begin(kWindow2);
    s.U16(0x06B6); // grid, headers, zeros, outline symbols; selected and shown
    s.U16(0);      // top row
    s.U16(0);      // left column
    s.U16(64);     // default header colour
    s.U16(0);
    s.U16(0); // zoom: default
    s.U16(0);
    s.U32(0);
    s.End(r);
    WriteEof(s);
    return std::move(s.Data());
}

std::string Workbook::Save(const std::string &path) const {
    const GsfApi &gsf = Gsf();
    if (!gsf.Loaded)
        return tr_.Format(ZEPHYRA_TEXT("zephyra", "통합 문서 라이브러리 %1을(를) 불러올 수 없습니다"),
                          {kGsfLibrary});
    Bytes stream = BuildStream();

    // Plain casts: GLib's checked casts would tie the program to the library at link time.
    GsfOutput *memory = gsf.MemoryNew();
    GsfOutfile *ole = gsf.MsoleNew(memory);
    GsfOutput *child = ole ? gsf.NewChild(ole, "Workbook", FALSE) : nullptr;
    bool ok = child != nullptr;
    if (ok)
        ok = gsf.Write(child, stream.size(), stream.data());
    if (child)
        ok = gsf.Close(child) && ok;
    if (ole)
        ok = gsf.Close(reinterpret_cast<GsfOutput *>(ole)) && ok;
    std::string error;
    if (!ok) {
        error = tr_.Text(ZEPHYRA_TEXT("zephyra", "복합 문서 파일을 만들 수 없습니다"));
    } else {
        const guint8 *bytes = gsf.Bytes(reinterpret_cast<GsfOutputMemory *>(memory));
        auto size = static_cast<std::size_t>(gsf.Size(memory));
        std::ofstream file(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
        if (!file) {
            error = tr_.Format(ZEPHYRA_TEXT("zephyra", "%1 파일을 만들 수 없습니다"), {path});
        } else {
            file.write(reinterpret_cast<const char *>(bytes), static_cast<std::streamsize>(size));
            file.close();
            if (!file)
                error = tr_.Format(ZEPHYRA_TEXT("zephyra", "%1 파일에 쓸 수 없습니다"), {path});
        }
    }
    if (child)
        gsf.Unref(child);
    if (ole)
        gsf.Unref(ole);
    gsf.Unref(memory);
    return error;
}

} // namespace zephyra
