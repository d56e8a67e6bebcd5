// The set-point, calibration, clock and command windows as widgets: names, captions, prefill, key
// filtering, the focus-loss rule, the calendar and the buttons that write nothing.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <gtest/gtest.h>
#include <sstream>

#include "app/console.h"
#include "config/control_command_dialog.h"
#include "config/date_time_dialog.h"
#include "config/measurement_setting_dialog.h"
#include "config/month_calendar_widget.h"
#include "config/operating_setting_dialog.h"
#include "config/spin_field_widget.h"
#include "core/local_clock.h"
#include "support/gui_helpers.h"
#include "support/status_block.h"

namespace zephyra {
namespace {

using test::Child;
using test::StatusBlock;

class SettingsDialogsA : public ::testing::Test {
protected:
    void SetUp() override {
        ConsoleOptions options;
        options.Trace = &trace;
        console = std::make_unique<Console>(options);
    }
    TMain_Form &main() { return console->MainWindow(); }
    void Decode(const StatusBlock &block) { console->Controller().ResponseDispatcher(0x04, block.Payload()); }

    // For a look at the layout: build-*/tests/config/<name>.png
    static void Shot(QWidget &w, const char *name) {
        w.show();
        QCoreApplication::processEvents();
        EXPECT_TRUE(w.grab().save(QDir::current().filePath(name)));
    }

    // Types over the whole text, as an operator would after selecting it.
    static void Type(SpinFieldWidget *w, const QString &keys) {
        w->selectAll();
        if (keys.isEmpty())
            QTest::keyClick(w, Qt::Key_Backspace);
        else
            QTest::keyClicks(w, keys);
    }
    static void LeaveField(QWidget *w) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(w, &out);
    }
    static QStringList Entries(QComboBox *list) {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->itemText(i);
        return out;
    }

    std::ostringstream trace;
    std::unique_ptr<Console> console;
};

TEST_F(SettingsDialogsA, OperatingWindowHasEveryRowAndIsPrefilledFromTheLastStatus) {
    Decode(StatusBlock().Set(
        {{0x21, 4}, {0x23, 1}, {0x24, 2}, {0x25, 260}, {0x26, 165}, {0x27, 575}, {0x28, 435}}));
    TfrmPoint_Setting d(console->Settings(), &main());
    EXPECT_EQ(d.windowTitle(), "운용/알람 설정 ");
    EXPECT_EQ(Child<QGroupBox>(&d, "gbOperation")->title(), "운용설정 ");
    const std::pair<const char *, const char *> ticks[] = {{"ckbCHLimit", "충전전류 제한 (Off, 3~ 5A) "},
                                                           {"ckbB_MODEL", "축전지 종류 "},
                                                           {"ckbB_Cho", "축전지 수량 "},
                                                           {"ckbACOV", "AC 고전압 (230V ~ 270V)"},
                                                           {"ckbACUV", "AC 저전압 (160V ~ 210V)"},
                                                           {"ckbDCOV", "DC 고전압 (55.0V ~ 59.0V) "},
                                                           {"ckbDCUV", "DC 저전압 (43.0V ~ 50.0V) "}};
    for (auto [name, caption] : ticks) {
        auto *tick = Child<QCheckBox>(&d, name);
        ASSERT_NE(tick, nullptr) << name;
        EXPECT_EQ(tick->text(), QString::fromUtf8(caption));
        EXPECT_FALSE(tick->isChecked()) << name;
    }
    EXPECT_EQ(Entries(Child<QComboBox>(&d, "cbbCHLimit")), QStringList({"OFF", "3 A", "4 A", "5 A"}));
    EXPECT_EQ(Entries(Child<QComboBox>(&d, "cbbB_MODEL")), QStringList({"아트라스", "세방전지"}));
    EXPECT_EQ(Entries(Child<QComboBox>(&d, "cbbB_Cho")), QStringList({"1조", "2조", "3조"}));
    EXPECT_EQ(Child<QComboBox>(&d, "cbbCHLimit")->currentText(), "4 A");
    EXPECT_EQ(Child<QComboBox>(&d, "cbbB_MODEL")->currentText(), "세방전지");
    EXPECT_EQ(Child<QComboBox>(&d, "cbbB_Cho")->currentText(), "3조");
    EXPECT_EQ(Child<SpinFieldWidget>(&d, "mskACOV")->Text(), "260");
    EXPECT_EQ(Child<SpinFieldWidget>(&d, "mskACUV")->Text(), "165");
    EXPECT_EQ(Child<SpinFieldWidget>(&d, "mskDCOV")->Text(), "57.5");
    EXPECT_EQ(Child<SpinFieldWidget>(&d, "mskDCUV")->Text(), "43.5");
    for (auto [name, caption] : {std::pair{"bbtnOK", "설정"}, std::pair{"bbtnDefault", "기본값 "},
                                 std::pair{"bbtnSelectAll", "전체 선택 "}, std::pair{"bbtnExit", "나가기 "}})
        EXPECT_EQ(Child<QPushButton>(&d, name)->text(), QString::fromUtf8(caption));
    Shot(d, "operating_setting_dialog.png");
}

TEST_F(SettingsDialogsA, SpinFieldsRefuseOtherKeysAndPullToTheNearerLimitOnLeaving) {
    TfrmPoint_Setting d(console->Settings(), &main());
    const struct {
        const char *Field;
        const char *Keys;
        const char *Typed;
        const char *Left;
    } cases[] = {
        {"mskACOV", "300", "300", "270"},    {"mskACUV", "1x7y5", "175", "175"},
        {"mskDCUV", "4a2,9", "429", "50.0"}, {"mskDCUV", "42.9", "42.9", "43.0"},
        {"mskDCUV", "-", "-", "-"},
    };
    for (const auto &c : cases) {
        auto *field = Child<SpinFieldWidget>(&d, c.Field);
        Type(field, c.Keys);
        EXPECT_EQ(field->Text(), c.Typed) << c.Field << " typed " << c.Keys;
        LeaveField(field);
        EXPECT_EQ(field->Text(), c.Left) << c.Field << " typed " << c.Keys;
    }
    // The arrows step by one unit and stop at the limits.
    auto *dcov = Child<SpinFieldWidget>(&d, "mskDCOV");
    dcov->SetText("58.0");
    dcov->stepBy(1);
    EXPECT_EQ(dcov->Text(), "58.1");
    dcov->stepBy(20);
    EXPECT_EQ(dcov->Text(), "59.0");
    auto *acuv = Child<SpinFieldWidget>(&d, "mskACUV");
    acuv->SetText("abc");
    acuv->stepBy(-1);
    EXPECT_EQ(acuv->Text(), "160");
}

TEST_F(SettingsDialogsA, MeasurementWindowHasMaskedFieldsThatKeepBlankPositions) {
    TfrmSetting d(console->Settings(), &main());
    EXPECT_EQ(d.windowTitle(), "계측값 설정 ");
    EXPECT_EQ(Child<QGroupBox>(&d, "gbMeasurement")->title(), "계측값 설정 ");
    const struct {
        const char *Tick, *Caption, *Field, *Initial;
    } rows[] = {{"cbACVR", "AC 전압 ", "MskACVR", "000.0"},
                {"cbDCV", "DC 전압 ", "MskDCV", "00.00"},
                {"cbLCA", "부하 전류 ", "MskLCA", "00.00"},
                {"cbBCAP", "축전지 전류 (+)", "MskBCAP", "00.00"},
                {"cbBCAN", "축전지 전류 (-)", "MskBCAN", "00.00"}};
    for (const auto &r : rows) {
        EXPECT_EQ(Child<QCheckBox>(&d, r.Tick)->text(), QString::fromUtf8(r.Caption));
        EXPECT_FALSE(Child<QCheckBox>(&d, r.Tick)->isChecked());
        EXPECT_EQ(Child<QLineEdit>(&d, r.Field)->displayText(), r.Initial) << r.Field;
    }
    // Typing fills digit positions only; the point stays where it is and letters find no place.
    auto *ac = Child<QLineEdit>(&d, "MskACVR");
    ac->setCursorPosition(0);
    QTest::keyClicks(ac, "2x205");
    EXPECT_EQ(ac->displayText(), "220.5");
    EXPECT_EQ(d.Inputs().Texts[kRowACVR], "220.5");
    auto *dc = Child<QLineEdit>(&d, "MskDCV");
    dc->clear();
    dc->setCursorPosition(1);
    QTest::keyClicks(dc, "5");
    EXPECT_EQ(d.Inputs().Texts[kRowDCV], "_5.__");
    Shot(d, "measurement_setting_dialog.png");
}

TEST_F(SettingsDialogsA, DateTimeWindowOpensWithThePcClockAndAMonthGridFromSunday) {
    // Read on both sides of the window's own reading: a run across midnight matches one of them.
    const std::tm before = LocalNow();
    TfrmSetTime d(console->Settings(), &main());
    const std::tm after = LocalNow();
    EXPECT_EQ(d.windowTitle(), "날짜/시간 설정 ");
    auto *pages = Child<QTabWidget>(&d, "PageControl1");
    ASSERT_EQ(pages->count(), 1);
    EXPECT_EQ(pages->tabText(0), "날짜 / 시간");
    EXPECT_EQ(Child<QGroupBox>(&d, "gbDate")->title(), "날짜");
    EXPECT_EQ(Child<QGroupBox>(&d, "gbTime")->title(), "시간");
    const DateTimeInputs in = d.Inputs();
    const std::tm &now = in.Calendar.Month == after.tm_mon + 1 ? after : before;
    EXPECT_EQ(in.Year, std::to_string(now.tm_year + 1900));
    EXPECT_EQ(in.Month, std::to_string(now.tm_mon + 1)); // no leading zero
    EXPECT_EQ(in.Calendar.Year, now.tm_year + 1900);
    EXPECT_EQ(in.Calendar.Month, now.tm_mon + 1);
    EXPECT_GE(in.Calendar.Day, 1);
    EXPECT_EQ(Entries(Child<QComboBox>(&d, "cbMonth")).join(","), "01,02,03,04,05,06,07,08,09,10,11,12");
    EXPECT_TRUE(Child<QComboBox>(&d, "cbMonth")->isEditable());

    auto *calendar = Child<MonthCalendarWidget>(&d, "EngCalendar1");
    QString header;
    for (int c = 0; c < 7; ++c)
        header += calendar->horizontalHeaderItem(c)->text();
    EXPECT_EQ(header, "SMTWTFS");
    // August 2025 starts on a Friday and ends on a Sunday, alone in a sixth week.
    std::tm august{};
    august.tm_year = 125;
    august.tm_mon = 7;
    august.tm_mday = 7;
    d.Fill(FillFromClock(august));
    EXPECT_EQ(calendar->DayAt(0, 4), 0);
    EXPECT_EQ(calendar->DayAt(0, 5), 1);
    EXPECT_EQ(calendar->DayAt(4, 6), 30);
    EXPECT_EQ(calendar->DayAt(5, 0), 31);
    EXPECT_EQ(calendar->DayAt(5, 1), 0);
    Shot(d, "date_time_dialog.png");
}

TEST_F(SettingsDialogsA, CalendarFollowsMonthAndYearWithTheDaysOfThatMonth) {
    TfrmSetTime d(console->Settings(), &main());
    auto *year = Child<SpinFieldWidget>(&d, "spinedtYear");
    auto *month = Child<QComboBox>(&d, "cbMonth");
    auto *calendar = Child<MonthCalendarWidget>(&d, "EngCalendar1");
    auto start = [&](const char *y, const char *m, int day) {
        d.Fill(DateTimeInputs{y, m, {std::atoi(y), std::atoi(m), day}, "9", "5", "3"});
    };
    const struct {
        const char *Year, *Month;
        int Day;
        const char *NewYear, *NewMonth;
        int Y, M, D;
    } cases[] = {
        {"2025", "8", 31, nullptr, "04", 2025, 4, 30},
        {"2024", "2", 29, "2023", nullptr, 2023, 2, 28},
        {"2025", "8", 15, nullptr, "13", 2025, 8, 15},
        {"2025", "3", 31, "", nullptr, 2001, 3, 31},
    };
    for (const auto &c : cases) {
        start(c.Year, c.Month, c.Day);
        if (c.NewYear)
            year->SetText(c.NewYear);
        if (c.NewMonth)
            month->setEditText(c.NewMonth);
        const CalendarDate got = calendar->Date();
        EXPECT_EQ(got.Year, c.Y) << c.Year << "-" << c.Month << "-" << c.Day;
        EXPECT_EQ(got.Month, c.M) << c.Year << "-" << c.Month << "-" << c.Day;
        EXPECT_EQ(got.Day, c.D) << c.Year << "-" << c.Month << "-" << c.Day;
    }
    // Clearing the year puts its minimum in at once.
    EXPECT_EQ(year->Text(), "2001");

    // A click on a day picks it; a click on a blank cell keeps the day.
    start("2025", "8", 7);
    calendar->PickCell(2, 6);
    EXPECT_EQ(calendar->Date().Day, 16);
    calendar->PickCell(0, 0);
    EXPECT_EQ(calendar->Date().Day, 16);
    EXPECT_EQ(d.Inputs().Calendar.Day, 16);
}

// The operator clears a part and clicks OK with the mouse: the field loses focus on the way, and the
// clock must not be set to a time nobody typed.
TEST_F(SettingsDialogsA, ClearedClockPartAndAMouseClickOnOkWritesNothingAndNamesThePart) {
    for (const auto &[name, label] :
         {std::pair{"spinedtHour", "시"}, std::pair{"spinedtMIn", "분"}, std::pair{"spinedtSec", "초"}}) {
        TfrmSetTime d(console->Settings(), &main());
        d.show();
        QApplication::setActiveWindow(&d);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
        auto *field = Child<SpinFieldWidget>(&d, name);
        field->setFocus();
        Type(field, "");
        auto *ok = Child<QPushButton>(&d, "bbtnOK");
        QString shown;
        test::OnNextModal(
            &d,
            [&](QWidget *box) {
                shown = test::BoxText(box);
                test::CloseBox(box);
            },
            5000, &d);
        QTest::mousePress(ok, Qt::LeftButton);
        EXPECT_FALSE(field->hasFocus()) << "the click moved the focus";
        QTest::mouseRelease(ok, Qt::LeftButton);
        EXPECT_TRUE(test::WaitFor([&] { return !shown.isEmpty(); }));
        EXPECT_EQ(shown, QString::fromUtf8(label) + ": '' is not a valid integer value");
        EXPECT_FALSE(console->Controller().Writes().Running()) << name;
        d.close();
    }
}

TEST_F(SettingsDialogsA, ClockFieldsTakeFourOrTwoCharactersAndKeepEmptyOnesWhenLeft) {
    TfrmSetTime d(console->Settings(), &main());
    const struct {
        const char *Field, *Keys, *Typed, *Left;
    } cases[] = {
        {"spinedtHour", "", "", ""},
        {"spinedtSec", "612", "61", "59"},
        {"spinedtYear", "20251", "2025", "2025"},
        {"spinedtMIn", "a7", "7", "7"},
    };
    for (const auto &c : cases) {
        auto *field = Child<SpinFieldWidget>(&d, c.Field);
        Type(field, c.Keys);
        EXPECT_EQ(field->Text(), c.Typed) << c.Field << " typed '" << c.Keys << "'";
        LeaveField(field);
        EXPECT_EQ(field->Text(), c.Left) << c.Field << " typed '" << c.Keys << "'";
    }
}

TEST_F(SettingsDialogsA, ControllerResetOkWaitsForTheChoiceAndClearsIt) {
    TfrmControl d(console->Settings(), &main());
    EXPECT_EQ(d.windowTitle(), "제어보드 리셋 ");
    EXPECT_EQ(Child<QGroupBox>(&d, "rgReset")->title(), "제어보드 리셋 ");
    auto *choice = Child<QRadioButton>(&d, "rbReset");
    auto *ok = Child<QPushButton>(&d, "bbtnOK");
    EXPECT_EQ(choice->text(), "정말 실행하시겠습니까?");
    EXPECT_FALSE(choice->isChecked());
    EXPECT_FALSE(ok->isEnabled());
    Shot(d, "control_dialog.png");
    choice->click();
    EXPECT_TRUE(ok->isEnabled());
    ok->click();
    EXPECT_FALSE(choice->isChecked());
    EXPECT_FALSE(ok->isEnabled());
    // Chosen again, OK waits until the write is answered.
    choice->click();
    EXPECT_TRUE(choice->isChecked());
    EXPECT_FALSE(ok->isEnabled());
    test::OnNextModal(
        &d, [](QWidget *box) { test::CloseBox(box); }, 5000, &d);
    console->Controller().ResponseDispatcher(kFnWriteSingle, Bytes{0x00, 0x22, 0x00, 0x01});
    EXPECT_TRUE(ok->isEnabled());
}

TEST_F(SettingsDialogsA, FactoryInitialListsEntriesByLevelAndIsSizedToThem) {
    int heights[3] = {};
    for (UserLevel level : {UserLevel::User, UserLevel::Admin, UserLevel::Super}) {
        main().LogIn(level);
        TFactory_Initial d(console->Settings(), &main());
        EXPECT_EQ(d.windowTitle(), "공장초기화 ");
        EXPECT_EQ(Child<QGroupBox>(&d, "rgFactory")->title(), "공장초기화 ");
        QStringList entries;
        for (QRadioButton *b : d.findChildren<QRadioButton *>()) {
            entries << b->text();
            EXPECT_FALSE(b->isChecked());
        }
        EXPECT_EQ(entries, level == UserLevel::User ? QStringList({"구성정보 초기화"})
                                                    : QStringList({"구성정보 초기화", "환경정보 초기화"}));
        heights[static_cast<int>(level)] = d.height();
        if (level == UserLevel::Super)
            Shot(d, "factory_initial_dialog.png");
    }
    EXPECT_GE(heights[0], 96);
    EXPECT_GE(heights[2], 149);
    EXPECT_LT(heights[0], heights[2]);
}

TEST_F(SettingsDialogsA, AlarmTestIsPrefilledFromTheLastStatusWithTheDischargeBoxHidden) {
    Decode(StatusBlock().Set({{0x2E, 1}, {0x2F, 0x94}}));
    TfrmAlarmTest d(console->Settings(), &main());
    d.show();
    EXPECT_EQ(d.windowTitle(), "경보 시험 ");
    auto *list = Child<QComboBox>(&d, "cbbAlarmTestUsed");
    EXPECT_EQ(Entries(list), QStringList({"미사용", "사용"}));
    EXPECT_EQ(list->currentText(), "사용");
    EXPECT_EQ(Child<QCheckBox>(&d, "ckbAlarmTestUsed")->text(), "경보시험 ");
    EXPECT_FALSE(Child<QCheckBox>(&d, "ckbAlarmTestUsed")->isChecked());
    const struct {
        const char *Name, *Caption;
        bool Ticked;
    } boxes[] = {{"CheckBox0_0", "AC 전원이상  ", false},  {"CheckBox0_1", "DC 고전압 ", false},
                 {"CheckBox0_2", "DC 저전압 ", true},      {"CheckBox0_3", "Rect1 Fail", false},
                 {"CheckBox0_4", "Rect2 Fail", true},      {"CheckBox0_6", "축전지 차단 ", false},
                 {"CheckBox0_7", "축전지 방전시험 ", true}};
    for (const auto &b : boxes) {
        auto *box = Child<QCheckBox>(&d, b.Name);
        ASSERT_NE(box, nullptr) << b.Name;
        EXPECT_EQ(box->text(), QString::fromUtf8(b.Caption));
        EXPECT_EQ(box->isChecked(), b.Ticked) << b.Name;
        EXPECT_EQ(box->isVisible(), std::string(b.Name) != "CheckBox0_7") << b.Name;
    }
    EXPECT_EQ(d.Inputs().Bits, 0x94);
    Shot(d, "alarm_test_dialog.png");
}

} // namespace
} // namespace zephyra
