#include <gtest/gtest.h>

#include "config/date_time_settings.h"
#include "support/local_time.h"
#include "wire_order.h"

namespace zephyra {
namespace {

using test::WireOrder;
using test::WireWrite;

using test::At;

TEST(DateTimeSettings, ClockFillThenOkWritesMinuteHourDayMonthYearSecond) {
    DateTimeInputs in = FillFromClock(At(2025, 8, 7, 9, 5, 3));
    EXPECT_EQ(in.Year, "2025");
    EXPECT_EQ(in.Month, "8");
    EXPECT_EQ(in.Hour, "9");
    EXPECT_EQ(in.Minute, "5");
    EXPECT_EQ(in.Second, "3");
    EXPECT_EQ(in.Calendar.Day, 7);
    SettingWrites w = DateTimeWrites(in, TextTranslator());
    ASSERT_TRUE(w.Ok()) << w.Error;
    EXPECT_EQ(WireOrder(w.Writes),
              (std::vector<WireWrite>{{0x05, 5}, {0x04, 9}, {0x03, 7}, {0x02, 8}, {0x01, 2025}, {0x06, 3}}));
}

TEST(DateTimeSettings, DaysPerMonthFollowTheLeapYearRule) {
    const int common[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int m = 1; m <= 12; ++m)
        EXPECT_EQ(DaysInMonth(2025, m), common[m - 1]) << m;
    EXPECT_EQ(DaysInMonth(2024, 2), 29);
    EXPECT_EQ(DaysInMonth(2100, 2), 28);
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
    EXPECT_EQ(DaysInMonth(2025, 0), 0);
    EXPECT_EQ(DaysInMonth(2025, 13), 0);
}

TEST(DateTimeSettings, MonthGridAgreesWithTheLibraryCalendar) {
    for (int year = 2001; year <= 2100; ++year) {
        for (int month = 1; month <= 12; ++month) {
            std::tm t = At(year, month, 1, 12, 0, 0);
            t.tm_isdst = -1;
            std::mktime(&t);
            auto grid = MonthGrid(year, month);
            ASSERT_FALSE(grid.empty());
            EXPECT_EQ(grid.front()[static_cast<std::size_t>(t.tm_wday)], 1) << year << "-" << month;
            int cells = 0, last = 0;
            for (const auto &week : grid)
                for (int day : week)
                    if (day != 0) {
                        EXPECT_EQ(day, last + 1);
                        last = day;
                        ++cells;
                    }
            EXPECT_EQ(cells, DaysInMonth(year, month));
            EXPECT_NE(grid.back()[0], 0) << "no empty trailing week";
        }
    }
}

TEST(DateTimeSettings, CalendarDayFollowsTheMonthLength) {
    struct Case {
        const char *year, *month;
        int day, expectedDay;
    };
    for (const Case &c : {Case{"2025", "04", 31, 30}, Case{"2024", "02", 31, 29}, Case{"2100", "02", 31, 28},
                          Case{"2025", "03", 31, 31}, Case{"2025", "06", 15, 15}}) {
        DateTimeInputs in;
        in.Year = c.year;
        in.Month = c.month;
        in.Calendar = {2025, 1, c.day};
        AdjustCalendar(in, false);
        EXPECT_EQ(in.Calendar.Day, c.expectedDay) << c.year << "-" << c.month;
        EXPECT_EQ(in.Calendar.Month, std::stoi(c.month));
        EXPECT_EQ(in.Calendar.Year, std::stoi(c.year));
    }
}

TEST(DateTimeSettings, UnusableMonthLeavesTheCalendarAndEmptyYearBecomes2001) {
    for (const char *month : {"13", "0", "ab", ""}) {
        DateTimeInputs in;
        in.Year = "2025";
        in.Month = month;
        in.Calendar = {2025, 1, 31};
        AdjustCalendar(in, false);
        EXPECT_EQ(in.Calendar.Year, 2025);
        EXPECT_EQ(in.Calendar.Month, 1) << month;
        EXPECT_EQ(in.Calendar.Day, 31) << month;
    }
    DateTimeInputs in;
    in.Month = "02";
    in.Calendar = {2024, 2, 29};
    AdjustCalendar(in, true);
    EXPECT_EQ(in.Year, "2001");
    EXPECT_EQ(in.Calendar.Year, 2001);
    EXPECT_EQ(in.Calendar.Day, 28);
}

TEST(DateTimeSettings, LeavingAnEmptyOrOutOfRangeField) {
    EXPECT_EQ(LeaveYear(""), "2001");
    EXPECT_EQ(LeaveYear("3500"), "2999");
    EXPECT_EQ(LeaveHour(""), "") << "an empty hour must not become midnight";
    EXPECT_EQ(LeaveHour("24"), "23");
    EXPECT_EQ(LeaveMinuteOrSecond(""), "");
    EXPECT_EQ(LeaveMinuteOrSecond("60"), "59");
    EXPECT_EQ(LeaveMinuteOrSecond("07"), "07");
}

TEST(DateTimeSettings, UnusablePartsStopOkWithAMessageAndQueueNothing) {
    struct Case {
        std::string DateTimeInputs::*field;
        const char *text;
        const char *error;
    };
    const Case cases[] = {
        {&DateTimeInputs::Hour, "", "시: '' is not a valid integer value"},
        {&DateTimeInputs::Second, "", "초: '' is not a valid integer value"},
        {&DateTimeInputs::Hour, "25", "시: '25' 값이 범위(0..23)를 벗어났습니다"},
        {&DateTimeInputs::Hour, "-1", "시: '-1' 값이 범위(0..23)를 벗어났습니다"},
        {&DateTimeInputs::Minute, "6o", "분: '6o' is not a valid integer value"},
        {&DateTimeInputs::Second, "60", "초: '60' 값이 범위(0..59)를 벗어났습니다"},
        {&DateTimeInputs::Month, "ab", "월: 'ab' is not a valid integer value"},
        {&DateTimeInputs::Month, "13", "월: '13' 값이 범위(1..12)를 벗어났습니다"},
        {&DateTimeInputs::Year, "2000", "년: '2000' 값이 범위(2001..2999)를 벗어났습니다"},
        {&DateTimeInputs::Year, "02025x", "년: '02025x' is not a valid integer value"},
    };
    for (const Case &c : cases) {
        DateTimeInputs in = FillFromClock(At(2025, 8, 7, 9, 5, 3));
        in.*c.field = c.text;
        SettingWrites w = DateTimeWrites(in, TextTranslator());
        EXPECT_EQ(w.Error, c.error);
        EXPECT_TRUE(w.Writes.empty()) << c.text;
    }
}

TEST(DateTimeSettings, DayMustExistInTheChosenMonth) {
    DateTimeInputs in = FillFromClock(At(2025, 8, 31, 9, 5, 3));
    in.Month = "4";
    EXPECT_EQ(DateTimeWrites(in, TextTranslator()).Error, "일: '31' 값이 범위(1..30)를 벗어났습니다");
    in.Calendar.Day = 0;
    EXPECT_EQ(DateTimeWrites(in, TextTranslator()).Error, "일: 선택된 항목이 없습니다");
    in.Calendar.Day = 30;
    EXPECT_TRUE(DateTimeWrites(in, TextTranslator()).Ok());
}

} // namespace
} // namespace zephyra
