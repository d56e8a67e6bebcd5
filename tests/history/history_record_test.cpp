// Record bytes to grid texts: alarm and data records, and the event vocabulary.
#include <gtest/gtest.h>

#include "history/event_tables.h"
#include "history/history_record.h"

namespace zephyra {
namespace {

struct Measurement {
    uint8_t year = 25, month = 3, day = 7, hour = 14, minute = 5, second = 9;
    uint16_t ac = 221, dc = 540, load = 123, battery = 0xFFF1, temperature = 253;
    uint8_t code = 2, state = 1;
};

Bytes MeasurementRecord(const Measurement &m, bool alarm = true) {
    Bytes b{0x00, 0x07, m.year, m.month, m.day, m.hour, m.minute, m.second};
    for (uint16_t v : {m.ac, m.dc, m.load, m.battery, m.temperature})
        AppendBE16(b, v);
    if (alarm) {
        b.push_back(m.code);
        b.push_back(m.state);
    }
    return b;
}

TEST(AlarmRecord, DecodesEveryColumn) {
    Bytes record = MeasurementRecord({});
    ASSERT_EQ(record.size(), kAlarmRecordSize);
    EXPECT_EQ(DecodeHistoryRecord(HistoryKind::Alarm, 1, record),
              (HistoryRow{"001", "2025-03-07", "14:05:09", "221 V", "54.0 V", "12.3 A", "-01.5 A", "+25.3 C",
                          "DC HIGH VOLT"}));
    Measurement cleared;
    cleared.state = 0;
    EXPECT_EQ(DecodeHistoryRecord(HistoryKind::Alarm, 1, MeasurementRecord(cleared))[8],
              "DC HIGH VOLT Recov");
}

TEST(AlarmRecord, AlarmTextsAndRecovery) {
    const std::pair<uint8_t, const char *> cases[] = {
        {1, "AC INPUT FAIL"},
        {2, "DC HIGH VOLT"},
        {3, "DC LOW VOLT"},
        {4, "RECT1 FAIL"},
        {5, "RECT2 FAIL"},
        {6, ""},
        {7, "BATTERY DISCONNECT"},
        {8, "BATTERY CELL FAIL"},
        {0, ""},
        {9, ""},
        {255, ""},
    };
    for (auto [code, text] : cases) {
        Measurement m;
        m.code = code;
        m.state = 0x80; // any non-zero state is an occurrence
        EXPECT_EQ(DecodeHistoryRecord(HistoryKind::Alarm, 1, MeasurementRecord(m))[8], text) << int(code);
        m.state = 0;
        EXPECT_EQ(DecodeHistoryRecord(HistoryKind::Alarm, 1, MeasurementRecord(m))[8],
                  std::string(text) + " Recov")
            << int(code);
    }
}

// Column index and field for the value cases below.
struct ValueCase {
    int column;
    uint16_t Measurement::*field;
    uint16_t raw;
    const char *text;
};

TEST(AlarmRecord, FixedPointAndSignedColumns) {
    const ValueCase cases[] = {
        {3, &Measurement::ac, 0, "000 V"},
        {3, &Measurement::ac, 5, "005 V"},
        {3, &Measurement::ac, 1234, "1234 V"},
        {4, &Measurement::dc, 0, "  0 V"},
        {4, &Measurement::dc, 5, "00.5 V"},
        {4, &Measurement::dc, 15, "01.5 V"},
        {4, &Measurement::dc, 99, "09.9 V"},
        {4, &Measurement::dc, 100, "10.0 V"},
        {4, &Measurement::dc, 999, "99.9 V"},
        {4, &Measurement::dc, 1000, "100.0 V"},
        {4, &Measurement::dc, 9999, "999.9 V"},
        {4, &Measurement::dc, 20000, "20000 V"},
        {4, &Measurement::dc, 0xFFFF, "65535 V"}, // unsigned field: no sign split
        {5, &Measurement::load, 540, "54.0 A"},
        {6, &Measurement::battery, 0, "+  0 A"},
        {6, &Measurement::battery, 0x8000, "-32768 A"},
        {6, &Measurement::battery, 0x7FFF, "+32767 A"},
        {6, &Measurement::battery, 0xFFFF, "-00.1 A"},
        {6, &Measurement::battery, 0xFC18, "-100.0 A"},    // -1000
        {7, &Measurement::temperature, 0xFF9C, "-10.0 C"}, // -100
        {7, &Measurement::temperature, 9, "+00.9 C"},
        {7, &Measurement::temperature, 0x8000, "-32768 C"},
    };
    for (const ValueCase &c : cases) {
        Measurement m;
        m.*c.field = c.raw;
        EXPECT_EQ(DecodeHistoryRecord(HistoryKind::Alarm, 1,
                                      MeasurementRecord(m))[static_cast<std::size_t>(c.column)],
                  c.text)
            << "column " << c.column << " raw " << c.raw;
    }
}

TEST(AlarmRecord, RowNumberDateAndTime) {
    Measurement m;
    m.year = 0;
    m.month = 1;
    m.day = 2;
    m.hour = 0;
    m.minute = 0;
    m.second = 59;
    Bytes r = MeasurementRecord(m);
    HistoryRow row = DecodeHistoryRecord(HistoryKind::Alarm, 7, r);
    EXPECT_EQ(row[0], "007");
    EXPECT_EQ(row[1], "2000-01-02");
    EXPECT_EQ(row[2], "00:00:59");
    EXPECT_EQ(DecodeHistoryRecord(HistoryKind::Alarm, 999, r)[0], "999");
    EXPECT_EQ(DecodeHistoryRecord(HistoryKind::Alarm, 1000, r)[0], "1000");
    EXPECT_EQ(DecodeHistoryRecord(HistoryKind::Alarm, 65535, r)[0], "65535");
}

TEST(DataRecord, LeavesTheAlarmColumnEmpty) {
    Bytes record = MeasurementRecord({}, false);
    ASSERT_EQ(record.size(), kDataRecordSize);
    HistoryRow row = DecodeHistoryRecord(HistoryKind::Data, 2, record);
    ASSERT_EQ(row.size(), 9u);
    EXPECT_EQ(row[0], "002");
    EXPECT_EQ(row[7], "+25.3 C");
    EXPECT_EQ(row[8], "");
    EXPECT_EQ(HistoryHeader(HistoryKind::Data)[8], "");
    EXPECT_EQ(HistoryHeader(HistoryKind::Alarm)[8], "Alarm");
}

TEST(HistoryRecords, ShortOrEmptyBytesDecodeWithoutFault) {
    for (HistoryKind kind : {HistoryKind::Alarm, HistoryKind::Data, HistoryKind::Event}) {
        HistoryRow empty = DecodeHistoryRecord(kind, 1, Bytes{});
        EXPECT_EQ(static_cast<int>(empty.size()), HistoryColumnCount(kind));
        EXPECT_EQ(empty[1], "2000-00-00");
        Bytes odd{0x00, 0x01, 25, 3}; // cut inside the date
        EXPECT_EQ(DecodeHistoryRecord(kind, 1, odd)[1], "2025-03-00");
    }
}

Bytes EventRecord(uint8_t source, uint8_t e1, uint8_t e2, uint8_t e3, uint16_t value) {
    Bytes b{0x00, 0x03, 25, 12, 31, 23, 59, 58, source, e1, e2, e3};
    AppendBE16(b, value);
    return b;
}

TEST(EventRecord, DecodesEveryColumn) {
    Bytes record = EventRecord(2, 31, 4, 2, 0x0102);
    ASSERT_EQ(record.size(), kEventRecordSize);
    EXPECT_EQ(DecodeHistoryRecord(HistoryKind::Event, 12, record),
              (HistoryRow{"012", "2025-12-31", "23:59:58", "TCP/IP", "Operate Set", "EQ MODE Set",
                          "EQ Start Current", "258"}));
    EXPECT_EQ(HistoryHeader(HistoryKind::Event),
              (HistoryRow{"Ord", "DATE", "TIME", "Set", "Event1", "Event2", "Event3", "Value"}));
}

TEST(EventTables, Sources) {
    const std::pair<uint8_t, const char *> cases[] = {{0, "Etc"}, {1, "RS232"}, {2, "TCP/IP"},
                                                      {3, "LCD"}, {4, "UDP"},   {5, "SNMP"},
                                                      {6, "USB"}, {7, "Etc"},   {255, "Etc"}};
    for (auto [code, text] : cases)
        EXPECT_EQ(SourceText(code), text) << int(code);
}

TEST(EventTables, Event1WithTheCodeWhereNoTextIsGiven) {
    const std::pair<uint8_t, const char *> cases[] = {
        {1, "AC ALARM"},
        {6, "BMS ALARM"},
        {21, "Firmware Download"},
        {23, "LOG History Init"},
        {30, "Ac Fuse Info Set"},
        {31, "Operate Set"},
        {34, "Watchdog"},
        {60, "Controller Reset"},
        {0, "0"},
        {7, "7"},
        {20, "20"},
        {35, "35"},
        {44, "44"},
        {51, "51"},
        {255, "255"},
    };
    for (auto [code, text] : cases)
        EXPECT_EQ(Event1Text(code), text) << int(code);
}

TEST(EventTables, Event2Rules) {
    struct Case {
        uint8_t e1, e2;
        const char *text;
    };
    const Case cases[] = {
        {21, 9, "1"},
        {22, 0, "1"},
        {23, 5, "1"},
        {32, 200, "1"},
        {33, 1, "1"},
        {31, 1, "Charge Mode"},
        {31, 4, "EQ MODE Set"},
        {31, 25, "Shelf Type Set"},
        {31, 28, "Battery String Volt"},
        {31, 31, "ACL Set"},
        {31, 26, "26"},
        {31, 27, "27"},
        {31, 0, "0"},
        {31, 32, "32"},
        {34, 1, "Semapore"},
        {34, 2, "Tcp Comm"},
        {34, 3, "3"},
        {1, 3, "3"},
        {50, 77, "77"},
        {24, 1, "1"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Event2Text(c.e1, c.e2), c.text) << int(c.e1) << "/" << int(c.e2);
}

struct Event3Case {
    uint8_t e1, e2, e3;
    const char *text;
};

TEST(EventTables, Event3EveryGroup) {
    const Event3Case cases[] = {
        // Alarm groups 1..7 ignore Event2.
        {1, 3, 4, "Limit"},
        {6, 200, 1, "Enable"},
        {7, 0, 6, "Alarm Name"},
        {4, 1, 3, "Detect Time Delay"},
        {21, 0, 3, "Fail"},
        {22, 9, 2, "Nok"},
        {23, 5, 2, "Data Log"},
        {23, 0, 3, "Event Log"},
        {24, 1, 3, "Serial Number"},
        {25, 0, 4, "Map Change"},
        {26, 0, 1, "Name"},
        {45, 3, 3, "Mode"},
        {27, 0, 6, "Company Name"},
        {28, 0, 2, "Use/Unuse"},
        {30, 0, 3, "Mode"},
        {31, 4, 2, "EQ Start Current"},
        {31, 4, 5, "EQ Period"},
        {31, 6, 13, "Batt Test Alarm Stop"},
        {31, 6, 16, "Battery Cho"},
        {31, 7, 1, "Energy Mode "},
        {31, 8, 6, "Temp Comp Center"},
        {31, 9, 1, "LLVD OFF "},
        {31, 11, 1, "Control Reset"},
        {31, 11, 3, "구성정보 초기화"},
        {31, 11, 7, "공장 초기화"},
        {31, 12, 1, "ON/OFF"},
        {31, 15, 1, "Info Change"},
        {31, 16, 1, "MODE"},
        {47, 0, 1, "MODE"},
        {31, 17, 2, "Shunt Amp"},
        {31, 18, 3, "Shunt Volt"},
        {49, 9, 1, "Shunt Select"},
        {31, 19, 4, "3Phase 380V Comm"},
        {31, 21, 2, "Load Capa Delay"},
        {31, 22, 1, "Use Change"},
        {44, 0, 1, "Use Change"},
        {46, 0, 1, "Use Change"},
        {48, 0, 1, "Use Change"},
        {31, 27, 1, "Rect Control"},
        {31, 29, 1, "Dischagre"},
        {31, 29, 13, "AC Recov Alarm"},
        {31, 30, 1, "Test Start"},
        {31, 30, 0, "Test End"},
        {31, 30, 2, "Test End"},
        {31, 30, 255, "Test End"},
        {31, 31, 1, "ACL Enable"},
        {31, 31, 2, "ACL IP1 START1"},
        {31, 31, 5, "ACL IP1 END2"},
        {31, 31, 6, "ACL IP2 START1"},
        {31, 31, 12, "ACL IP3 END1"},
        {31, 31, 21, "ACL IP5 END2"},
        {31, 31, 31, "Device ID1"},
        {31, 31, 33, "Device ID3"},
        {31, 31, 40, "Ethernet Speed"},
        {33, 1, 1, "AC Volt"},
        {33, 1, 8, "Battery Amp(-)"},
        {33, 1, 18, "Battery2 Cell 4 Volt"},
        {34, 1, 0, "SemaPore"},
        {34, 1, 7, "SemaPore"},
        {34, 1, 255, "SemaPore"},
        {34, 2, 1, "TCP Wctchdog Count"},
        {34, 2, 2, "Comm Clear"},
        {50, 3, 9, "Battery Temp"},
        {50, 0, 1, "DI1"},
        {51, 0, 8, "Amp Offset"},
        {51, 0, 5, "Temp"},
    };
    for (const Event3Case &c : cases)
        EXPECT_EQ(Event3Text(c.e1, c.e2, c.e3), c.text) << int(c.e1) << "/" << int(c.e2) << "/" << int(c.e3);
}

TEST(EventTables, Event3OutsideTheTables) {
    const Event3Case cases[] = {
        // A group that matches but has no text for the code: the code.
        {1, 0, 7, "7"},
        {31, 6, 14, "14"},
        {31, 11, 2, "2"},
        {31, 31, 22, "22"},
        {34, 2, 3, "3"},
        {50, 0, 0, "0"},
        // No group matches: empty.
        {0, 0, 1, ""},
        {8, 0, 1, ""},
        {31, 1, 1, ""},
        {31, 26, 1, ""},
        {32, 1, 1, ""},
        {33, 2, 1, ""},
        {34, 3, 1, ""},
        {60, 0, 1, ""},
        {52, 0, 1, ""},
    };
    for (const Event3Case &c : cases)
        EXPECT_EQ(Event3Text(c.e1, c.e2, c.e3), c.text) << int(c.e1) << "/" << int(c.e2) << "/" << int(c.e3);
}

TEST(EventTables, ValueRules) {
    struct Case {
        uint8_t e1, e2, e3;
        uint16_t raw;
        const char *text;
    };
    const Case cases[] = {
        {1, 3, 4, 0xFFFF, "-1"},          {1, 3, 4, 0x8000, "-32768"},
        {1, 3, 4, 0x7FFF, "32767"},       {1, 3, 4, 0, "0"},
        {31, 4, 1, 0xFFFE, "-2"},         {31, 29, 1, 0xFFFF, "65535"},
        {31, 29, 11, 0x8000, "32768"},    {31, 31, 2, 0xC0A8, "192.168"},
        {31, 31, 21, 0x0001, "0.1"},      {31, 31, 10, 0xFF00, "255.0"},
        {31, 31, 31, 0x5678, "5678"},     {31, 31, 32, 0x0A1F, "010115"},
        {31, 31, 33, 0xFFFF, "15151515"}, {31, 31, 1, 0xFFFF, "65535"},
        {31, 31, 40, 0x8001, "32769"},    {31, 31, 22, 0xC0A8, "49320"},
        {31, 31, 30, 0x1234, "4660"},     {34, 1, 0, 0x8001, "-32767"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(EventValueText(c.e1, c.e2, c.e3, c.raw), c.text)
            << int(c.e1) << "/" << int(c.e2) << "/" << int(c.e3) << " raw " << c.raw;
}

TEST(EventRecord, WholeRowsOfTheListedExamples) {
    struct Case {
        Bytes record;
        HistoryRow tail; // columns 3..7
    };
    const Case cases[] = {
        {EventRecord(0, 23, 5, 2, 0), {"Etc", "LOG History Init", "1", "Data Log", "0"}},
        {EventRecord(7, 1, 3, 4, 0xFFFF), {"Etc", "AC ALARM", "3", "Limit", "-1"}},
        {EventRecord(3, 50, 4, 9, 5), {"LCD", "50", "4", "Battery Temp", "5"}},
        {EventRecord(1, 31, 31, 2, 0xC0A8), {"RS232", "Operate Set", "ACL Set", "ACL IP1 START1", "192.168"}},
        {EventRecord(6, 34, 1, 9, 1), {"USB", "Watchdog", "Semapore", "SemaPore", "1"}},
        {EventRecord(5, 31, 30, 1, 0), {"SNMP", "Operate Set", "Alarm Test", "Test Start", "0"}},
    };
    for (const Case &c : cases) {
        HistoryRow row = DecodeHistoryRecord(HistoryKind::Event, 1, c.record);
        EXPECT_EQ(HistoryRow(row.begin() + 3, row.end()), c.tail) << BytesToSpacedHex(c.record);
    }
}

} // namespace
} // namespace zephyra
