#include "history/history_record.h"

#include "core/formatters.h"
#include "history/event_tables.h"

namespace zephyra {

namespace {

// Reads fields front to back; bytes past the end read as zero.
class RecordReader {
public:
    explicit RecordReader(ByteView bytes) : bytes_(bytes) {}
    void Skip(std::size_t n) { pos_ += n; }
    uint8_t Byte() {
        uint8_t b = pos_ < bytes_.size() ? bytes_[pos_] : 0;
        ++pos_;
        return b;
    }
    uint16_t BE16() {
        uint16_t hi = Byte();
        return static_cast<uint16_t>(hi << 8 | Byte());
    }

private:
    ByteView bytes_;
    std::size_t pos_ = 0;
};

struct Stamp {
    uint8_t Year, Month, Day, Hour, Minute, Second;
};

Stamp TakeStamp(RecordReader &r) {
    Stamp s{};
    s.Year = r.Byte();
    s.Month = r.Byte();
    s.Day = r.Byte();
    s.Hour = r.Byte();
    s.Minute = r.Byte();
    s.Second = r.Byte();
    return s;
}

std::string DateText(const Stamp &s) {
    return "20" + DecDigits(s.Year, 2) + "-" + DecDigits(s.Month, 2) + "-" + DecDigits(s.Day, 2);
}

std::string TimeText(const Stamp &s) {
    return DecDigits(s.Hour, 2) + ":" + DecDigits(s.Minute, 2) + ":" + DecDigits(s.Second, 2);
}

// Two's complement split into a sign and a magnitude; zero counts as positive.
std::string SignedTenths(uint16_t raw) {
    if (raw & 0x8000)
        return "-" + FormatTenthsFixed(65536 - raw);
    return "+" + FormatTenthsFixed(raw);
}

HistoryRow DecodeMeasurementRecord(HistoryKind kind, int32_t row, RecordReader &r) {
    Stamp s = TakeStamp(r);
    uint16_t ac = r.BE16(), dc = r.BE16(), load = r.BE16(), battery = r.BE16(), temperature = r.BE16();
    HistoryRow cells{
        DecDigits(row, 3),
        DateText(s),
        TimeText(s),
        DecDigits(ac, 3) + " V",
        FormatTenthsFixed(dc) + " V",
        FormatTenthsFixed(load) + " A",
        SignedTenths(battery) + " A",
        SignedTenths(temperature) + " C",
        std::string(),
    };
    if (kind != HistoryKind::Data) {
        uint8_t code = r.Byte(), state = r.Byte();
        cells[8] = AlarmText(code);
        if (state == 0)
            cells[8] += " Recov";
    }
    return cells;
}

HistoryRow DecodeEventRecord(int32_t row, RecordReader &r) {
    Stamp s = TakeStamp(r);
    uint8_t source = r.Byte(), e1 = r.Byte(), e2 = r.Byte(), e3 = r.Byte();
    uint16_t value = r.BE16();
    return {DecDigits(row, 3),
            DateText(s),
            TimeText(s),
            SourceText(source),
            Event1Text(e1),
            Event2Text(e1, e2),
            Event3Text(e1, e2, e3),
            EventValueText(e1, e2, e3, value)};
}

} // namespace

int HistoryColumnCount(HistoryKind kind) {
    return kind == HistoryKind::Event ? 8 : 9;
}

HistoryRow HistoryHeader(HistoryKind kind) {
    if (kind == HistoryKind::Event)
        return {"Ord", "DATE", "TIME", "Set", "Event1", "Event2", "Event3", "Value"};
    return {"Ord",   "DATE",  "TIME",
            "AC(V)", "DC(V)", "LC(A)",
            "BC(A)", "RT(C)", kind == HistoryKind::Alarm ? "Alarm" : ""};
}

std::string AlarmText(uint8_t code) {
    switch (code) {
    case 1:
        return "AC INPUT FAIL";
    case 2:
        return "DC HIGH VOLT";
    case 3:
        return "DC LOW VOLT";
    case 4:
        return "RECT1 FAIL";
    case 5:
        return "RECT2 FAIL";
    case 7:
        return "BATTERY DISCONNECT";
    case 8:
        return "BATTERY CELL FAIL";
    default:
        return {};
    }
}

HistoryRow DecodeHistoryRecord(HistoryKind kind, int32_t row, ByteView record) {
    RecordReader r(record);
    r.Skip(2); // the leading field is not examined
    if (kind == HistoryKind::Event)
        return DecodeEventRecord(row, r);
    return DecodeMeasurementRecord(kind, row, r);
}

} // namespace zephyra
