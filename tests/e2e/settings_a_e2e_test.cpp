// The set-point, calibration, clock and command windows against zephyra-sim: the registers, values and
// order that reach the device, the messages, and how the poll pauses and resumes around each window.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QRadioButton>
#include <memory>

#include "config/month_calendar_widget.h"
#include "config/spin_field_widget.h"
#include "config/wire_order.h"
#include "core/local_clock.h"
#include "e2e/console_fixture.h"

namespace zephyra::test {
namespace {

constexpr const char *kSuccess = " Setting Sucess!!";
constexpr const char *kFail = " Setting Fail!!";

// Single-register writes the simulator received on a link, in order.
std::vector<WireWrite> JournalWrites(const SimProcess &sim, const std::string &link) {
    std::vector<WireWrite> out;
    const std::size_t skip = link == "TCP" ? 6 : 0;
    for (const Bytes &f : JournalFrames(sim.ReadJournal(), link, "RX"))
        if (f.size() >= skip + 6 && f[skip + 1] == 0x06)
            out.push_back({f[skip + 2] * 256 + f[skip + 3], f[skip + 4] * 256 + f[skip + 5]});
    return out;
}

struct Message {
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    int ModeWhileShown = -1;
    bool Seen = false;
};

class SettingsA : public ConsoleWithSim {
protected:
    void Start(LinkKind link, const std::string &scenario = kSteadyScenario, bool decode = true) {
        link_ = link == LinkKind::Tcp ? "TCP" : "RTU";
        StartSim(scenario, link == LinkKind::Tcp, link == LinkKind::Serial);
        StartConsole(UserLevel::Super);
        Connect(link);
        if (decode) {
            ASSERT_TRUE(WaitForDecode()) << sim->Stderr();
        }
    }

    const PollState &State() { return console->State(); }
    int Mode() { return State().RequestMode; }

    // Runs a menu command and hands its window to body. The window is closed afterwards if body left it
    // open, also when body stops at a failed assertion.
    void Run(const char *command, const std::function<void(QDialog &)> &body, bool forceEnabled = false) {
        QAction *action = console->MainWindow().Action(command);
        ASSERT_NE(action, nullptr) << command;
        if (forceEnabled)
            action->setEnabled(true);
        ASSERT_TRUE(action->isEnabled()) << command;
        auto done = std::make_shared<bool>(false);
        OnNextModal(&console->MainWindow(), [body, done](QWidget *w) {
            struct Finally {
                QWidget *W;
                std::shared_ptr<bool> Done;
                ~Finally() {
                    if (W->isVisible())
                        W->close();
                    *Done = true;
                }
            } finally{w, done};
            auto *dialog = qobject_cast<QDialog *>(w);
            ASSERT_NE(dialog, nullptr);
            WaitFor([dialog] { return dialog->isActiveWindow(); }, 2000);
            body(*dialog);
        });
        // A message box nobody expected would hold the test forever: note it and close it.
        QTimer watchdog;
        QPointer<QWidget> seen;
        QObject::connect(&watchdog, &QTimer::timeout, [&seen] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box && box == seen) {
                ADD_FAILURE() << "unexpected message: " << box->text().toStdString();
                CloseBox(box);
            }
            seen = box;
        });
        watchdog.start(1500);
        action->trigger();
        ASSERT_TRUE(WaitFor([done] { return *done && !QApplication::activeModalWidget(); }, 30000))
            << command;
    }

    // Catches the next message box over `dialog` into a Message and closes it.
    std::shared_ptr<Message> Catch(QDialog &dialog, int timeoutMs) {
        auto message = std::make_shared<Message>();
        const PollState *state = &State();
        OnNextModal(
            &dialog,
            [message, state](QWidget *box) {
                message->Text = BoxText(box);
                if (auto *b = qobject_cast<QMessageBox *>(box))
                    message->Icon = b->icon();
                // A look at a partial failure as the operator reads it: build/tests/e2e/partial_failure.png
                if (message->Text.contains("Refused:"))
                    box->grab().save(QDir::current().filePath("partial_failure.png"));
                message->ModeWhileShown = state->RequestMode;
                message->Seen = true;
                CloseBox(box);
            },
            timeoutMs, &dialog);
        return message;
    }

    // Clicks a window's button and answers the message box it brings up (none: Seen stays false).
    Message Click(QDialog &dialog, const char *button, int timeoutMs = 5000) {
        auto message = Catch(dialog, timeoutMs);
        auto *b = Child<QPushButton>(&dialog, button);
        EXPECT_NE(b, nullptr) << button;
        if (!b)
            return {};
        b->click();
        WaitFor([message] { return message->Seen; }, timeoutMs);
        return *message;
    }

    // A button that asks Yes/No first: the question's text, then (after Yes) the message that follows.
    struct Asked {
        QString Question;
        Message After;
    };
    Asked ClickAnswering(QDialog &dialog, const char *button, QMessageBox::StandardButton answer) {
        auto question = std::make_shared<QString>();
        auto after = std::make_shared<std::shared_ptr<Message>>();
        OnNextModal(
            &dialog,
            [this, &dialog, question, after, answer](QWidget *w) {
                auto *box = qobject_cast<QMessageBox *>(w);
                if (!box || !box->button(answer)) {
                    ADD_FAILURE() << "no Yes/No question: " << BoxText(w).toStdString();
                    CloseBox(w);
                    return;
                }
                *question = box->text();
                if (answer == QMessageBox::Yes)
                    *after = Catch(dialog, 5000);
                box->button(answer)->click();
            },
            5000, &dialog);
        auto *b = Child<QPushButton>(&dialog, button);
        EXPECT_NE(b, nullptr) << button;
        if (!b)
            return {};
        b->click();
        if (answer == QMessageBox::Yes)
            WaitFor([after] { return *after && (*after)->Seen; }, 5000);
        return {*question, *after ? **after : Message{}};
    }
    std::size_t Mark() { return JournalWrites(*sim, link_).size(); }
    // The writes after `mark`, once at least `expected` of them are in the journal.
    std::vector<WireWrite> WritesSince(std::size_t mark, std::size_t expected) {
        std::vector<WireWrite> all;
        WaitFor(
            [&] {
                all = JournalWrites(*sim, link_);
                return all.size() >= mark + expected;
            },
            5000);
        return {all.begin() + static_cast<std::ptrdiff_t>(std::min(mark, all.size())), all.end()};
    }

    // Status reads the console has sent: one trace line each.
    int PollsSent() {
        const std::string t = trace.str();
        int n = 0;
        for (std::size_t at = t.find("RectMode >>  [ 00 ]"); at != std::string::npos;
             at = t.find("RectMode >>  [ 00 ]", at + 1))
            ++n;
        return n;
    }
    bool PollGoesOn() {
        const int before = PollsSent();
        return WaitFor([&] { return PollsSent() > before; }, 5000);
    }
    // More than one poll period: long enough for a read to go out if the poll were running (a paused
    // poll has no tick to wait on).
    void WaitTicks(int n) {
        QElapsedTimer waited;
        waited.start();
        const int64_t span = int64_t{n} * console->Controller().TickIntervalMs();
        WaitFor([&] { return waited.elapsed() > span; }, static_cast<int>(span) + 5000);
    }
    bool NextDecode() {
        const uint64_t decodes = console->Controller().DecodeCount();
        return WaitFor([&] { return console->Controller().DecodeCount() > decodes; }, 5000);
    }

    std::string link_;
};

template <typename T> T *Get(QDialog &d, const char *name) {
    T *w = Child<T>(&d, name);
    EXPECT_NE(w, nullptr) << name;
    return w;
}
void Tick(QDialog &d, const char *name) {
    Get<QCheckBox>(d, name)->setChecked(true);
}
void SetSpin(QDialog &d, const char *name, const char *text) {
    Get<SpinFieldWidget>(d, name)->SetText(text);
}
void SetMasked(QDialog &d, const char *name, const char *text) {
    Get<QLineEdit>(d, name)->setText(text);
}

TEST_F(SettingsA, OperatingSetPointsGoOutLastTickedFirstAndShowAtTheNextPoll) {
    ASSERT_NO_FATAL_FAILURE(Start(LinkKind::Serial));
    Run("mSystemOperation", [&](QDialog &d) {
        EXPECT_EQ(Mode(), 20);
        // One row: DC low 43.5 V.
        std::size_t mark = Mark();
        Tick(d, "ckbDCUV");
        SetSpin(d, "mskDCUV", "43.5");
        Message m = Click(d, "bbtnOK");
        EXPECT_EQ(m.Text, kSuccess);
        EXPECT_EQ(m.Icon, QMessageBox::Information);
        EXPECT_EQ(WritesSince(mark, 1), (std::vector<WireWrite>{{0x0028, 435}}));
        EXPECT_FALSE(Get<QCheckBox>(d, "ckbDCUV")->isChecked());
        EXPECT_EQ(Mode(), 20) << "serial: paused until the window is left";

        // The charge limit list.
        for (auto [entry, value] : {std::pair{2, 4}, std::pair{0, 0}}) {
            mark = Mark();
            Tick(d, "ckbCHLimit");
            Get<QComboBox>(d, "cbbCHLimit")->setCurrentIndex(entry);
            EXPECT_EQ(Click(d, "bbtnOK").Text, kSuccess);
            EXPECT_EQ(WritesSince(mark, 1), (std::vector<WireWrite>{{0x0021, value}}));
        }

        // Defaults alone write nothing; select all writes six rows, never the charge limit.
        mark = Mark();
        Get<QPushButton>(d, "bbtnDefault")->click();
        Get<QPushButton>(d, "bbtnSelectAll")->click();
        Get<QComboBox>(d, "cbbB_MODEL")->setCurrentIndex(1);
        Get<QComboBox>(d, "cbbB_Cho")->setCurrentIndex(2);
        SetSpin(d, "mskACOV", "265");
        SetSpin(d, "mskACUV", "175");
        SetSpin(d, "mskDCOV", "57.5");
        SetSpin(d, "mskDCUV", "44.0");
        EXPECT_EQ(Click(d, "bbtnOK").Text, kSuccess);
        EXPECT_EQ(WritesSince(mark, 6),
                  (std::vector<WireWrite>{
                      {0x0028, 440}, {0x0027, 575}, {0x0026, 175}, {0x0025, 265}, {0x0024, 2}, {0x0023, 1}}));
        Get<QPushButton>(d, "bbtnExit")->click();
    });
    EXPECT_EQ(Mode(), 0);
    ASSERT_TRUE(NextDecode());
    EXPECT_EQ(Field("edtDCL"), "44.0 V");
    EXPECT_EQ(Field("edtDCH"), "57.5 V");
    EXPECT_EQ(Field("edtACH"), "265 V");
    EXPECT_EQ(Field("edtACL"), "175 V");
    EXPECT_EQ(Field("edtChLimit"), "OFF");
    EXPECT_EQ(Field("edtB_Model"), "세방전지");
    EXPECT_EQ(Field("edtB_Cho"), "3 조");
}

TEST_F(SettingsA, BadInputShowsItsMessageAndNeverReachesTheDevice) {
    ASSERT_NO_FATAL_FAILURE(Start(LinkKind::Serial));
    const std::size_t mark = Mark();
    Run("mSystemOperation", [&](QDialog &d) {
        const struct {
            const char *Tick, *Field, *Text, *Message;
        } cases[] = {
            {"ckbACOV", "mskACOV", "", "AC 고전압: '' is not a valid integer value"},
            {"ckbACUV", "mskACUV", "-", "AC 저전압: '-' is not a valid integer value"},
            {"ckbDCOV", "mskDCOV", "+", "DC 고전압: '+' is not a valid floating point value"},
            {"ckbDCUV", "mskDCUV", "42.9", "DC 저전압: '42.9' 값이 범위(43.0..50.0)를 벗어났습니다"},
        };
        for (const auto &c : cases) {
            Tick(d, c.Tick);
            Tick(d, "ckbDCOV"); // a good row ticked too: nothing of the OK may go out
            SetSpin(d, c.Field, c.Text);
            Message m = Click(d, "bbtnOK");
            EXPECT_EQ(m.Text.toStdString(), c.Message) << c.Field << " '" << c.Text << "'";
            EXPECT_EQ(m.Icon, QMessageBox::Critical);
            EXPECT_TRUE(Get<QCheckBox>(d, c.Tick)->isChecked()) << "the ticks stay as they were";
            for (QCheckBox *tick : d.findChildren<QCheckBox *>())
                tick->setChecked(false);
            SetSpin(d, c.Field, "");
            Get<QPushButton>(d, "bbtnDefault")->click();
        }
    });
    Run("mMeasurementSet", [&](QDialog &d) {
        Tick(d, "cbDCV");
        SetMasked(d, "MskDCV", "");
        Get<QLineEdit>(d, "MskDCV")->setCursorPosition(1);
        QTest::keyClicks(Get<QLineEdit>(d, "MskDCV"), "5");
        EXPECT_EQ(Click(d, "bbtnOK").Text, "DC 전압: '_5.__' is not a valid floating point value");
        // A ticked row reading zero is skipped without a word.
        for (QCheckBox *tick : d.findChildren<QCheckBox *>())
            tick->setChecked(false);
        SetMasked(d, "MskDCV", "00.00");
        Tick(d, "cbLCA");
        // A box would come at once, from within the click.
        EXPECT_FALSE(Click(d, "bbtnOK", 300).Seen);
    });
    Run("mDataTimeSet", [&](QDialog &d) {
        const struct {
            const char *Field, *Text, *Message;
        } cases[] = {
            {"cbMonth", "ab", "월: 'ab' is not a valid integer value"},
            {"spinedtHour", "", "시: '' is not a valid integer value"},
            {"spinedtSec", "60", "초: '60' 값이 범위(0..59)를 벗어났습니다"},
        };
        for (const auto &c : cases) {
            if (std::string(c.Field) == "cbMonth")
                Get<QComboBox>(d, c.Field)->setEditText(c.Text);
            else
                SetSpin(d, c.Field, c.Text);
            EXPECT_EQ(Click(d, "bbtnOK").Text.toStdString(), c.Message) << c.Field << " '" << c.Text << "'";
        }
    });
    // Then one good write: it must be the only write since the start.
    Run("mSystemOperation", [&](QDialog &d) {
        Tick(d, "ckbACOV");
        SetSpin(d, "mskACOV", "250");
        EXPECT_EQ(Click(d, "bbtnOK").Text, kSuccess);
    });
    EXPECT_EQ(WritesSince(mark, 1), (std::vector<WireWrite>{{0x0025, 250}}));
}

TEST_F(SettingsA, MeasurementRowsWriteCalibrationWithTheMinusBatteryRowFirst) {
    ASSERT_NO_FATAL_FAILURE(Start(LinkKind::Serial));
    Run("mMeasurementSet", [&](QDialog &d) {
        EXPECT_EQ(Mode(), 20);
        const struct {
            std::vector<std::pair<const char *, const char *>> Rows; // tick box, field text
            std::vector<WireWrite> Expected;
        } cases[] = {
            {{{"cbACVR", "220.0"}}, {{0x0030, 2200}}},
            {{{"cbDCV", "53.50"}}, {{0x0031, 5350}}},
            {{{"cbLCA", "05.00"}}, {{0x0032, 500}}},
            {{{"cbBCAP", "01.00"}, {"cbBCAN", "02.00"}}, {{0x0033, 200}, {0x0033, 100}}},
        };
        for (const auto &c : cases) {
            const std::size_t mark = Mark();
            for (auto [tick, text] : c.Rows) {
                Tick(d, tick);
                SetMasked(d, (std::string("Msk") + (tick + 2)).c_str(), text);
            }
            EXPECT_EQ(Click(d, "bbtnOK").Text, kSuccess);
            EXPECT_EQ(WritesSince(mark, c.Expected.size()), c.Expected) << c.Rows.front().first;
            for (QCheckBox *tick : d.findChildren<QCheckBox *>())
                EXPECT_FALSE(tick->isChecked());
        }
        d.close();
    });
    EXPECT_EQ(Mode(), 0);
    ASSERT_TRUE(NextDecode());
    EXPECT_EQ(Field("edtACV"), "220 V");
    EXPECT_EQ(Field("edtDCV"), "53.5 V");
}

TEST_F(SettingsA, ClockGoesOutMinuteHourDayMonthYearSecond) {
    ASSERT_NO_FATAL_FAILURE(Start(LinkKind::Serial));
    Run("mDataTimeSet", [&](QDialog &d) {
        EXPECT_EQ(Mode(), 20);
        // Straight through: exactly what the fields show, taken from the PC clock.
        Get<QPushButton>(d, "bbtnNow")->click();
        auto *calendar = Get<MonthCalendarWidget>(d, "EngCalendar1");
        std::size_t mark = Mark();
        const WireWrite shown[] = {{5, Get<SpinFieldWidget>(d, "spinedtMIn")->Text().toInt()},
                                   {4, Get<SpinFieldWidget>(d, "spinedtHour")->Text().toInt()},
                                   {3, calendar->Date().Day},
                                   {2, Get<QComboBox>(d, "cbMonth")->currentText().toInt()},
                                   {1, Get<SpinFieldWidget>(d, "spinedtYear")->Text().toInt()},
                                   {6, Get<SpinFieldWidget>(d, "spinedtSec")->Text().toInt()}};
        EXPECT_EQ(Click(d, "bbtnOK").Text, kSuccess);
        EXPECT_EQ(WritesSince(mark, 6), std::vector<WireWrite>(std::begin(shown), std::end(shown)));

        // Typed and picked: year, month from the list, a day clicked in the grid.
        mark = Mark();
        SetSpin(d, "spinedtYear", "2024");
        Get<QComboBox>(d, "cbMonth")->setCurrentIndex(11);
        for (int r = 0; r < MonthCalendarWidget::kWeekRows; ++r)
            for (int c = 0; c < 7; ++c)
                if (calendar->DayAt(r, c) == 25)
                    QTest::mouseClick(calendar->viewport(), Qt::LeftButton, {},
                                      calendar->visualRect(calendar->model()->index(r, c)).center());
        EXPECT_EQ(calendar->Date().Day, 25);
        SetSpin(d, "spinedtHour", "10");
        SetSpin(d, "spinedtMIn", "20");
        SetSpin(d, "spinedtSec", "30");
        const int yearBefore = LocalNow().tm_year + 1900;
        EXPECT_EQ(Click(d, "bbtnOK").Text, kSuccess);
        EXPECT_EQ(WritesSince(mark, 6),
                  (std::vector<WireWrite>{{5, 20}, {4, 10}, {3, 25}, {2, 12}, {1, 2024}, {6, 30}}));
        // Active again after the message: the PC's time is back in the fields (a new year may have begun).
        const int year = Get<SpinFieldWidget>(d, "spinedtYear")->Text().toInt();
        EXPECT_TRUE(year == yearBefore || year == LocalNow().tm_year + 1900) << year;
        Get<QPushButton>(d, "bbtClose")->click();
    });
    EXPECT_EQ(Mode(), 0);
    ASSERT_TRUE(NextDecode());
    EXPECT_EQ(Field("edtDate"), "2024-12-25");
    EXPECT_EQ(Field("edtTime"), "10:20:30");
}

TEST_F(SettingsA, AlarmTestWritesSelectionThenSwitchAndThePollRunsOn) {
    ASSERT_NO_FATAL_FAILURE(Start(LinkKind::Serial));
    Run("mAlarmTest", [&](QDialog &d) {
        EXPECT_EQ(Mode(), 0);
        EXPECT_TRUE(PollGoesOn()) << "the alarm test window does not pause the poll";
        for (QCheckBox *box : d.findChildren<QCheckBox *>())
            box->setChecked(false);
        std::size_t mark = Mark();
        Tick(d, "CheckBox0_2");
        Tick(d, "CheckBox0_4");
        Message m = Click(d, "bbtnOK");
        EXPECT_EQ(m.Text, kSuccess);
        EXPECT_EQ(m.ModeWhileShown, 20);
        EXPECT_EQ(WritesSince(mark, 1), (std::vector<WireWrite>{{0x002F, 0x14}}));
        EXPECT_EQ(Mode(), 0);
        EXPECT_EQ(State().AlarmTestActive, 1);
        EXPECT_TRUE(WaitFor([&] { return console->Controller().TickIntervalMs() == 400; }, 3000));

        for (auto [entry, value] : {std::pair{1, 1}, std::pair{0, 0}}) {
            for (QCheckBox *box : d.findChildren<QCheckBox *>())
                box->setChecked(false);
            mark = Mark();
            Tick(d, "ckbAlarmTestUsed");
            Get<QComboBox>(d, "cbbAlarmTestUsed")->setCurrentIndex(entry);
            EXPECT_EQ(Click(d, "bbtnOK").Text, kSuccess);
            EXPECT_EQ(WritesSince(mark, 2), (std::vector<WireWrite>{{0x002F, 0}, {0x002E, value}}));
            EXPECT_FALSE(Get<QCheckBox>(d, "ckbAlarmTestUsed")->isChecked());
            auto *label = Child<QLabel>(&console->MainWindow(), "Lab_Alarm_Test");
            EXPECT_TRUE(WaitFor([&] { return label->isVisibleTo(&console->MainWindow()) == (value == 1); }))
                << "the test state shows at the next poll";
        }
        Get<QPushButton>(d, "bbtClose")->click();
    });
    EXPECT_EQ(Mode(), 0);
    EXPECT_EQ(State().AlarmTestActive, 0);
}

TEST_F(SettingsA, ResetAndFactoryInitialiseWriteTheControlRegister) {
    ASSERT_NO_FATAL_FAILURE(Start(LinkKind::Serial));
    Run("mControllerReset", [&](QDialog &d) {
        EXPECT_EQ(Mode(), 20);
        auto *ok = Get<QPushButton>(d, "bbtnOK");
        EXPECT_FALSE(ok->isEnabled());
        const std::size_t mark = Mark();
        Get<QRadioButton>(d, "rbReset")->click();
        EXPECT_EQ(Click(d, "bbtnOK").Text, kSuccess);
        EXPECT_EQ(WritesSince(mark, 1), (std::vector<WireWrite>{{0x0022, 1}}));
        EXPECT_FALSE(Get<QRadioButton>(d, "rbReset")->isChecked());
        EXPECT_FALSE(ok->isEnabled());
        Get<QPushButton>(d, "bbtnExit")->click();
    });
    EXPECT_EQ(Mode(), 0);
    Run("mFactoryInitial", [&](QDialog &d) {
        EXPECT_EQ(Mode(), 20);
        std::size_t mark = Mark();
        // Nothing chosen: OK does nothing.
        Get<QPushButton>(d, "bbtnOK")->click();
        const struct {
            const char *Entry;
            int Value;
            const char *Question;
        } entries[] = {
            {"rbFactory1", 8,
             "환경정보 초기화: 제어기의 환경정보가 공장 출하값으로 되돌아갑니다. 계속하시겠습니까?"},
            {"rbFactory0", 4,
             "구성정보 초기화: 제어기의 구성정보가 공장 출하값으로 되돌아갑니다. 계속하시겠습니까?"},
        };
        for (auto [entry, value, question] : entries) {
            Get<QRadioButton>(d, entry)->click();
            // No sends nothing: the Yes after it must be the only write.
            EXPECT_EQ(ClickAnswering(d, "bbtnOK", QMessageBox::No).Question, question);
            EXPECT_TRUE(Get<QRadioButton>(d, entry)->isChecked());
            Asked yes = ClickAnswering(d, "bbtnOK", QMessageBox::Yes);
            EXPECT_EQ(yes.Question, question);
            EXPECT_EQ(yes.After.Text, kSuccess);
            EXPECT_EQ(WritesSince(mark, 1), (std::vector<WireWrite>{{0x0022, value}})) << entry;
            EXPECT_FALSE(Get<QRadioButton>(d, entry)->isChecked());
            EXPECT_TRUE(Get<QPushButton>(d, "bbtnOK")->isEnabled());
            mark = Mark();
        }
        Get<QPushButton>(d, "bbtnExit")->click();
    });
    EXPECT_EQ(Mode(), 0);
    EXPECT_TRUE(PollGoesOn());
}

TEST_F(SettingsA, RefusedWriteEndsTheSequenceSayingWhatWasAndWasNotWritten) {
    for (LinkKind link : {LinkKind::Serial, LinkKind::Tcp}) {
        SCOPED_TRACE(link == LinkKind::Serial ? "serial" : "TCP");
        TearDown();
        ASSERT_NO_FATAL_FAILURE(
            Start(link, R"({"steady": true, "faults": {"exception_registers": [39], "exception_code": 3}})"));
        Run(
            "mSystemOperation",
            [&](QDialog &d) {
                // DC low (0x0028) goes first and takes; DC high is refused: nothing after it may go out.
                std::size_t mark = Mark();
                Get<QPushButton>(d, "bbtnSelectAll")->click();
                Message m = Click(d, "bbtnOK");
                EXPECT_EQ(m.Text.toStdString(),
                          std::string(kFail) + "\n기록됨: DC 저전압"
                                               "\n거부됨: DC 고전압 (잘못된 데이터 값)"
                                               "\n보내지 않음: AC 저전압, AC 고전압, 축전지 수량, 축전지 종류");
                EXPECT_EQ(m.Icon, QMessageBox::Critical);
                EXPECT_EQ(Mode(), link == LinkKind::Serial ? 20 : 0);
                // The next OK starts afresh and its echo brings the success message.
                Tick(d, "ckbACOV");
                EXPECT_EQ(Click(d, "bbtnOK").Text, kSuccess);
                std::vector<int> addresses;
                for (const WireWrite &w : WritesSince(mark, 3))
                    addresses.push_back(w.Address);
                EXPECT_EQ(addresses, (std::vector<int>{0x0028, 0x0027, 0x0025}));
            },
            link == LinkKind::Tcp);
        EXPECT_EQ(Mode(), 0);
        EXPECT_TRUE(PollGoesOn());
    }
}

// A device that echoes a write only after 6 s: the sequence ends at its 3 s deadline saying what was not
// confirmed and what was not sent; OK pressed again while that echo is owed sends nothing; once the echo
// came (dropped as late) the next OK is a sequence of its own. The device gets exactly what the messages say.
TEST_F(SettingsA, ASlowEchoEndsTheSequenceAtItsDeadlineAndAnOkPressedTwiceSendsNothingUnsaid) {
    for (LinkKind link : {LinkKind::Serial, LinkKind::Tcp}) {
        SCOPED_TRACE(link == LinkKind::Serial ? "serial" : "TCP");
        TearDown();
        ASSERT_NO_FATAL_FAILURE(Start(link, R"({"steady": true, "faults": {"write_latency_ms": 6000}})"));
        const std::size_t skip = link == LinkKind::Tcp ? 6 : 0;
        auto echoes = [this, skip](const std::vector<JournalEntry> &j) {
            return std::count_if(j.begin(), j.end(), [&](const JournalEntry &e) {
                return e.link == link_ && e.dir == "TX" && e.bytes.size() > skip + 1 && e.bytes[skip + 1] == 0x06;
            });
        };
        Run(
            "mSystemOperation",
            [&](QDialog &d) {
                const std::size_t mark = Mark();
                auto *ok = Get<QPushButton>(d, "bbtnOK");
                for (int press = 1; press <= 2; ++press) {
                    SCOPED_TRACE(press);
                    Tick(d, "ckbDCUV");
                    SetSpin(d, "mskDCUV", "43.5");
                    Tick(d, "ckbDCOV");
                    SetSpin(d, "mskDCOV", "57.5");
                    const auto echoed = echoes(sim->ReadJournal());
                    Message m = Click(d, "bbtnOK", 10000);
                    EXPECT_EQ(m.Text.toStdString(),
                              "설정 응답 시간 초과: 장비가 3초 안에 응답하지 않았습니다\n"
                              "보냈으나 확인되지 않음 (장비에 들어갔는지 알 수 없음): DC 저전압\n"
                              "보내지 않음: DC 고전압");
                    // The echo is still owed: OK does nothing.
                    Tick(d, "ckbDCUV");
                    EXPECT_TRUE(console->Controller().WriteBusy());
                    ok->click();
                    ASSERT_TRUE(sim->WaitForJournal([&](const auto &j) { return echoes(j) > echoed; }, 10000));
                    ASSERT_TRUE(WaitFor([&] { return !console->Controller().WriteBusy(); }, 5000));
                    EXPECT_EQ(console->Controller().Writes().LateEchoes(), static_cast<uint64_t>(press));
                }
                EXPECT_EQ(WritesSince(mark, 2), (std::vector<WireWrite>{{0x0028, 435}, {0x0028, 435}}));
                Get<QPushButton>(d, "bbtnExit")->click();
            },
            link == LinkKind::Tcp);
        EXPECT_EQ(Mode(), 0);
        ASSERT_TRUE(NextDecode());
        EXPECT_EQ(JournalWrites(*sim, link_).size(), 2u);
    }
}

} // namespace
} // namespace zephyra::test
