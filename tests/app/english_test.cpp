// The console in English: every window it opens shows no Korean and every text fits its widget.
#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sstream>

#include "app/console.h"
#include "app/language.h"
#include "config/acl_settings.h"
#include "config/date_time_settings.h"
#include "config/operating_settings.h"
#include "config/setting_parse.h"
#include "device/language_endpoint.h"
#include "history/event_tables.h"
#include "history/history_controller.h"
#include "history/history_list_window.h"
#include "profile/commissioning_report.h"
#include "profile/profile_window.h"
#include "profile/site_profile.h"
#include "support/fakes.h"
#include "support/gui_helpers.h"
#include "support/history_reply.h"
#include "support/status_block.h"

namespace zephyra {
namespace {

using test::Child;
using test::OnNextModal;

bool HasHangul(const QString &text) {
    for (QChar c : text)
        if ((c.unicode() >= 0x1100 && c.unicode() <= 0x11FF) ||
            (c.unicode() >= 0x3130 && c.unicode() <= 0x318F) ||
            (c.unicode() >= 0xAC00 && c.unicode() <= 0xD7AF))
            return true;
    return false;
}

// The widest line; a message box breaks its text at a carriage return too ("%1 records\rsaved!!").
int Widest(const QFontMetrics &fm, const QString &text) {
    int widest = 0;
    for (const QString &line : text.split(QRegularExpression("[\r\n]")))
        widest = std::max(widest, fm.horizontalAdvance(line));
    return widest;
}

// What the English walk objects to in `top` and its visible widgets: a text with Korean in it (captions,
// items, cells, tooltips), or a one-line text wider than the room its widget gives it.
QStringList EnglishFaults(QWidget *top) {
    QStringList faults;
    const QString where = top->objectName();
    auto cut = [&](const QWidget *w, const QString &text, int need, int room) {
        if (!text.isEmpty() && need > room)
            faults << QString("%1/%2 cut off (%3 > %4 px): %5")
                          .arg(where, w->objectName())
                          .arg(need)
                          .arg(room)
                          .arg(text);
    };
    QList<std::pair<const QWidget *, QString>> texts{{top, top->windowTitle()}};
    QList<QWidget *> widgets = top->findChildren<QWidget *>();
    widgets.prepend(top);
    for (QWidget *w : widgets) {
        if (!w->isVisible())
            continue;
        texts.append({w, w->toolTip()});
        // A text widget pushed past its parent's edge by its longer neighbours is cut off as well (a scroll
        // area's contents are meant to be larger than it).
        const QWidget *parent = w->parentWidget();
        const bool scrolled = parent && qobject_cast<const QAbstractScrollArea *>(parent->parentWidget());
        const bool text = qobject_cast<QLabel *>(w) || qobject_cast<QAbstractButton *>(w) ||
                          qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w) ||
                          qobject_cast<QGroupBox *>(w);
        if (w != top && text && !scrolled && !parent->rect().contains(w->geometry()))
            faults << QString("%1/%2 outside %3").arg(where, w->objectName(), parent->objectName());
        if (auto *label = qobject_cast<QLabel *>(w)) {
            texts.append({w, label->text()});
            const int indent = label->frameWidth() > 0 ? label->fontMetrics().horizontalAdvance('x') / 2 : 0;
            if (!label->wordWrap())
                cut(w, label->text(), Widest(label->fontMetrics(), label->text()),
                    label->contentsRect().width() - indent);
        } else if (auto *button = qobject_cast<QAbstractButton *>(w)) {
            texts.append({w, button->text()});
            cut(w, button->text(), button->sizeHint().width(), button->width());
        } else if (auto *group = qobject_cast<QGroupBox *>(w)) {
            texts.append({w, group->title()});
            // The title with the frame's indent on either side.
            cut(w, group->title(), group->fontMetrics().horizontalAdvance(group->title()) + 16,
                group->width());
        } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
            QStyleOptionComboBox opt;
            opt.initFrom(combo);
            const int room =
                combo->style()
                    ->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, combo)
                    .width();
            for (int i = 0; i < combo->count(); ++i) {
                texts.append({w, combo->itemText(i)});
                cut(w, combo->itemText(i), combo->fontMetrics().horizontalAdvance(combo->itemText(i)), room);
            }
        } else if (auto *edit = qobject_cast<QLineEdit *>(w)) {
            texts.append({w, edit->text()});
            texts.append({w, edit->placeholderText()});
            cut(w, edit->text(), edit->fontMetrics().horizontalAdvance(edit->text()), test::TextRoom(edit));
        } else if (auto *tabs = qobject_cast<QTabBar *>(w)) {
            for (int i = 0; i < tabs->count(); ++i) {
                texts.append({w, tabs->tabText(i)});
                cut(w, tabs->tabText(i), tabs->fontMetrics().horizontalAdvance(tabs->tabText(i)),
                    tabs->tabRect(i).width());
            }
        } else if (auto *plain = qobject_cast<QPlainTextEdit *>(w)) {
            texts.append({w, plain->toPlainText()});
        } else if (auto *table = qobject_cast<QTableView *>(w)) {
            const QAbstractItemModel *model = table->model();
            for (int c = 0; c < model->columnCount(); ++c) {
                texts.append({w, model->headerData(c, Qt::Horizontal).toString()});
                for (int r = 0; r < model->rowCount(); ++r)
                    texts.append({w, model->data(model->index(r, c)).toString()});
            }
        }
    }
    for (const auto &[w, text] : texts)
        if (HasHangul(text))
            faults << QString("%1/%2 Korean: %3").arg(where, w->objectName(), text);
    return faults;
}

void ExpectEnglishAndWhole(QWidget *top) {
    const QStringList faults = EnglishFaults(top);
    EXPECT_TRUE(faults.isEmpty()) << faults.join('\n').toStdString();
}

// The detector itself: each kind of fault is found, and a clean widget passes.
TEST(EnglishWalk, FindsKoreanCutOffAndTooltipOnlyTexts) {
    const struct {
        const char *Case;
        std::function<void(QWidget &)> Build;
        bool Fault;
    } cases[] = {
        {"clean", [](QWidget &w) { (new QLabel("Battery current", &w))->adjustSize(); }, false},
        {"Korean label", [](QWidget &w) { (new QLabel("축전지 전류", &w))->adjustSize(); }, true},
        {"cut-off label", [](QWidget &w) { (new QLabel("Battery current", &w))->setFixedWidth(30); }, true},
        {"cut-off button", [](QWidget &w) { (new QPushButton("Select all", &w))->setFixedWidth(20); }, true},
        {"field past its parent's edge",
         [](QWidget &w) {
             auto *field = new QLineEdit("0.0.0.0", &w);
             field->setGeometry(w.width() - 20, 0, 100, 20);
         },
         true},
        {"Korean tooltip only",
         [](QWidget &w) {
             auto *label = new QLabel("OK", &w);
             label->adjustSize();
             label->setToolTip("정상");
         },
         true},
        {"Korean table cell",
         [](QWidget &w) {
             auto *table = new QTableWidget(1, 1, &w);
             table->setItem(0, 0, new QTableWidgetItem("아트라스"));
         },
         true},
    };
    for (const auto &c : cases) {
        QWidget top;
        top.resize(300, 200);
        c.Build(top);
        top.show();
        EXPECT_EQ(!EnglishFaults(&top).isEmpty(), c.Fault) << c.Case;
    }
}

void ExpectMenusEnglish(const QMenu *menu) {
    for (const QAction *a : menu->actions()) {
        // The language menu names each language in its own words.
        if (a->objectName().startsWith("mLanguage") || (a->menu() && a->menu()->objectName() == "mLanguage"))
            continue;
        EXPECT_FALSE(HasHangul(a->text()))
            << a->objectName().toStdString() << ": " << a->text().toStdString();
        if (a->menu())
            ExpectMenusEnglish(a->menu());
    }
}

class English : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(InstallLanguage("en")); }
    void SetUp() override {
        ConsoleOptions options;
        options.Trace = &trace;
        options.ProgramDir = dir.path();
        options.SettingsFile = dir.filePath("console.ini");
        console = std::make_unique<Console>(options);
        window().show();
        // Logged in as the highest level on the serial link, every field and page is shown.
        window().LogIn(UserLevel::Super);
        console->Controller().LinkChosen(LinkKind::Serial);
        QTest::mouseClick(Child<QWidget>(&window(), "Image10"), Qt::LeftButton);
        console->Controller().ResponseDispatcher(0x04, test::SiteBlock().Payload());
        QApplication::processEvents();
    }
    TMain_Form &window() { return console->MainWindow(); }
    static void Shot(QWidget *w, const char *file) {
        EXPECT_TRUE(w->grab().save(QDir::current().filePath(file)));
    }

    // Opens a menu command's window and checks it (and what it opens next) before closing it.
    // `fill` gives the window something to show first.
    // Returns the name of the window the command opened.
    QString CheckCommand(const char *action, const char *shot = nullptr,
                         const std::function<void(QWidget *)> &fill = {}) {
        QObject scope; // ends the watch for a follow-up box with the command
        bool seen = false;
        QString opened;
        std::function<void(QWidget *)> check = [&](QWidget *w) {
            seen = true;
            opened = w->objectName();
            if (fill)
                fill(w);
            QApplication::processEvents();
            ExpectEnglishAndWhole(w);
            if (shot)
                Shot(w, shot);
            // A window may answer with a box of its own (a refusal or an error): that one too.
            OnNextModal(
                &scope,
                [&](QWidget *next) {
                    ExpectEnglishAndWhole(next);
                    test::CloseBox(next);
                },
                5000, w);
            // History windows close only through their own button.
            if (auto *close = w->findChild<QAbstractButton *>("bbtClose"))
                close->click();
            else
                test::CloseBox(w);
        };
        OnNextModal(&scope, check);
        auto *command = window().findChild<QAction *>(action);
        if (!command) {
            ADD_FAILURE() << action;
            return {};
        }
        command->setEnabled(true);
        command->trigger();
        EXPECT_TRUE(test::WaitFor([&] { return seen; })) << action;
        return opened;
    }

    QTemporaryDir dir;
    std::ostringstream trace;
    std::unique_ptr<Console> console;
};

TEST_F(English, MainWindowItsPagesAndMenus) {
    auto *pages = Child<QTabWidget>(&window(), "PageControl1");
    ASSERT_GE(pages->count(), 3);
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        QApplication::processEvents();
        ExpectEnglishAndWhole(&window());
        if (pages->currentWidget()->objectName() == "TrendPage")
            Shot(&window(), "trend_page_en.png");
    }
    pages->setCurrentIndex(0);
    QApplication::processEvents();
    // For a look: build/tests/app/main_window_en.png
    Shot(&window(), "main_window_en.png");
    // Each of the widest health texts whole in its panel, and every panel inside the fixed-width bar.
    auto *health = Child<QLabel>(&window(), "pnlLinkHealth");
    for (const LinkHealth &h : WidestHealths(QtTextTranslator())) {
        health->setText(TMain_Form::HealthText(h));
        QApplication::processEvents();
        ExpectEnglishAndWhole(window().statusBar());
        for (const QLabel *panel : window().statusBar()->findChildren<QLabel *>())
            EXPECT_TRUE(!panel->isVisible() || window().statusBar()->rect().contains(panel->geometry()))
                << panel->objectName().toStdString() << " beside " << health->text().toStdString();
    }
    ExpectMenusEnglish(qobject_cast<QMenu *>(window().menuBar()->actions().first()->menu()));
    for (QAction *a : window().menuBar()->actions()) {
        EXPECT_FALSE(HasHangul(a->text())) << a->text().toStdString();
        ExpectMenusEnglish(a->menu());
    }
}

TEST_F(English, EveryWindowTheMenusOpen) {
    for (const char *action :
         {"mLogout", "mConnect", "mSystemOperation", "mMeasurementSet", "mDataTimeSet", "mIPSet", "mACLSet",
          "mControllerReset", "mFactoryInitial", "mAlarmTest", "mAlarmLog", "mInitialLog"})
        CheckCommand(action,
                     std::string_view(action) == "mSystemOperation" ? "operating_settings_en.png" : nullptr);
    // The event history with a record the tables word in Korean: a reset of the configuration.
    CheckCommand("mEventLog", "event_history_en.png", [&](QWidget *history) {
        auto reply = [&](uint8_t command, const Bytes &body) {
            console->Controller().ResponseDispatcher(kFnHistory,
                                                     test::HistoryReply(HistoryKind::Event, command, body));
        };
        console->Controller().LinkConfirmed(LinkKind::Serial); // records are asked for on a confirmed link
        reply(1, {0x00, 0x01});
        // A due tick sends the request the reply answers, once the silence after the count's reply is kept.
        QTest::qWait(PollController::kInterFrameMs + 1);
        console->Controller().Timer1Timer();
        // The last record brings the completion box.
        OnNextModal(
            &window(),
            [](QWidget *box) {
                ExpectEnglishAndWhole(box);
                test::CloseBox(box);
            },
            5000, history);
        reply(2, {0x00, 0x01, 25, 3, 7, 14, 6, 0, 2, 31, 11, 3, 0x00, 0x00});
    });
    // The login window, after logging out.
    window().Action("mDisconnect")->setEnabled(true);
    CheckCommand("mLogin");
}

TEST_F(English, TrafficMonitorAndAbbreviations) {
    window().Action("mTraffic")->trigger();
    QWidget *traffic = nullptr;
    ASSERT_TRUE(
        test::WaitFor([&] { return (traffic = window().findChild<QWidget *>("TfrmTraffic")) != nullptr; }));
    QApplication::processEvents();
    ExpectEnglishAndWhole(traffic);
    TfrmHistList list(&window());
    list.show();
    QApplication::processEvents();
    ExpectEnglishAndWhole(&list);
}

// The questions asked before something on the device is reset or erased.
TEST_F(English, ConfirmationQuestions) {
    for (auto [action, entry, ok] : {std::tuple{"mFactoryInitial", "rbFactory1", "bbtnOK"},
                                     std::tuple{"mInitialLog", "rgInitialItem1", "BitBtnI_OK"}}) {
        QObject scope;
        bool asked = false;
        OnNextModal(&scope, [&](QWidget *dialog) {
            OnNextModal(
                &scope,
                [&](QWidget *question) {
                    asked = true;
                    ExpectEnglishAndWhole(question);
                    qobject_cast<QMessageBox *>(question)->button(QMessageBox::No)->click();
                },
                5000, dialog);
            Child<QAbstractButton>(dialog, entry)->click();
            Child<QAbstractButton>(dialog, ok)->click();
            test::CloseBox(dialog);
        });
        window().Action(action)->setEnabled(true);
        window().Action(action)->trigger();
        EXPECT_TRUE(test::WaitFor([&] { return asked; })) << action;
    }
}

// The profile compare list, the report's saved box and the report itself, with a downloaded log in it.
TEST_F(English, ProfileCompareAndReport) {
    SiteProfile profile = ProfileFromSnapshot(console->Controller().Snapshot());
    for (auto [setting, value] : {std::pair{ProfileSetting::BModel, "세방전지"},
                                  {ProfileSetting::ACOV, "260"},
                                  {ProfileSetting::ACUV, "180"},
                                  {ProfileSetting::DCOV, "57.0"},
                                  {ProfileSetting::DCUV, "45.0"}})
        profile.Values[static_cast<std::size_t>(setting)] = value;
    QFile file(dir.filePath("site.json"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromStdString(ProfileToJson(profile)));
    file.close();
    QString chosen = file.fileName();
    console->Profiles().ChooseFile = [&](QWidget *, const QString &, bool) { return chosen; };
    // Without a link the values may not be used, and the refusal says why.
    EXPECT_EQ(CheckCommand("mProfileCompare"), "MessageBox");
    // On a connected link that answered: the compare list, the question before applying (answered No).
    console->Controller().LinkConfirmed(LinkKind::Serial);
    console->Controller().ResponseDispatcher(0x04, test::SiteBlock().Payload());
    EXPECT_EQ(CheckCommand("mProfileCompare", "profile_compare_en.png"), "TfrmProfileCompare");
    EXPECT_EQ(CheckCommand("mProfileApply"), "ProfileApplyQuestion");
    chosen = dir.filePath("saved.json");
    EXPECT_EQ(CheckCommand("mProfileSave"), "ProfileSavedBox");
    // The report asks for the site first (closed here), then says where it saved.
    chosen = dir.filePath("report.pdf");
    EXPECT_EQ(CheckCommand("mReport"), "TfrmReportEntries");
    console->Profiles().AskReportEntries = [](QWidget *, ReportEntries &entries) {
        entries.Site = "Harbour Rack 7";
        return true;
    };
    EXPECT_EQ(CheckCommand("mReport"), "ProfileSavedBox");
    EXPECT_TRUE(QFile::exists(chosen));

    ReportInputs in = CollectReportInputs(console->Profiles());
    const HistoryRow reset{"1", "2026-05-01",          "10:00:00", "Set", "OPERATE SET",
                           "",  Event3Text(31, 11, 3), ""};
    ASSERT_TRUE(HasHangul(QString::fromStdString(reset[6])));
    in.Logs[HistoryKind::Event] = {HistoryHeader(HistoryKind::Event), reset};
    const CommissioningReport report = BuildCommissioningReport(in, QtTextTranslator());
    std::vector<std::string> texts{report.Title};
    texts.insert(texts.end(), report.SignatureLines.begin(), report.SignatureLines.end());
    for (const ReportTable &t : report.Tables) {
        texts.insert(texts.end(), {t.Heading, t.Note});
        texts.insert(texts.end(), t.Header.begin(), t.Header.end());
        for (const auto &row : t.Rows)
            texts.insert(texts.end(), row.begin(), row.end());
    }
    for (const std::string &text : texts)
        EXPECT_FALSE(HasHangul(QString::fromStdString(text))) << text;
}

// Sentences the core builds with the operator's values in them come out English, values in place.
TEST_F(English, CoreSentencesWithValues) {
    std::array<int32_t, 3> words{};
    ProfileApplyResult refused;
    refused.Outcome = ApplyOutcome::NotConfirmed;
    refused.Decoded = "57.0";
    SiteProfile profile;
    // Refusals name their field by the window's English caption.
    OperatingInputs operating;
    operating.Ticked[kRowDCOV] = true;
    operating.DCOV = "59.1";
    DateTimeInputs time{"2026", "5", {2026, 5, 0}, "1", "2", "3"};
    const std::pair<std::string, std::string> cases[] = {
        {OperatingWrites(operating, QtTextTranslator()).Error, "DC high voltage: '59.1'"},
        {DateTimeWrites(time, QtTextTranslator()).Error, "Day: "},
        {NothingSelectedError(ZEPHYRA_TEXT("zephyra", "경보시험"), QtTextTranslator()), "Alarm test: "},
        {ReadDeviceId("12%2x", words, QtTextTranslator()), "12%2x"},
        {HistoryCompletionText(2000, QtTextTranslator()), "2000"},
        {OutcomeText(refused, QtTextTranslator()), "57.0"},
        {ProfileFromJson(R"({"format": "other"})", profile, QtTextTranslator()), ""},
        // The compare list saved as CSV, as the window shows it (the device's battery model is a Korean
        // word).
        {CompareCsv(CompareProfile(console->Controller().Snapshot(), profile), QtTextTranslator()),
         "Battery type,0x0023,Atlas,"},
    };
    // A pick-list word the profile file must spell in Korean is named so, with its English meaning.
    SiteProfile english = ProfileFromSnapshot(console->Controller().Snapshot());
    english.Values[static_cast<std::size_t>(ProfileSetting::BModel)] = "Atlas";
    const std::string refusal =
        PlanProfileApply(console->Controller().Snapshot(), english, true, QtTextTranslator()).Error;
    EXPECT_NE(refusal.find("'Atlas'"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("아트라스 = Atlas, 세방전지 = Sebang"), std::string::npos) << refusal;
    for (const auto &[text, value] : cases) {
        EXPECT_FALSE(HasHangul(QString::fromStdString(text).remove(QString::fromStdString(value)))) << text;
        EXPECT_NE(text.find(value), std::string::npos) << text;
    }
}

// The choice is the command line's, else the remembered one, else Korean: never the locale's.
TEST_F(English, LanguageChoiceIsRememberedAndTheCommandLineWins) {
    const QString ini = dir.filePath("console.ini");
    qputenv("LANG", "en_US.UTF-8");
    EXPECT_EQ(ChosenLanguage("", dir.filePath("none.ini")), "ko");
    EXPECT_EQ(ChosenLanguage("", ""), "ko");
    // Chosen in the menu of this (English) console: a box says it takes effect at the next start.
    QString said;
    OnNextModal(&window(), [&](QWidget *box) {
        said = test::BoxText(box);
        test::CloseBox(box);
    });
    window().findChild<QAction *>("mLanguageKo")->trigger();
    ASSERT_TRUE(test::WaitFor([&] { return !said.isEmpty(); }));
    // Said in both languages.
    EXPECT_TRUE(HasHangul(said) && said.contains("next start")) << said.toStdString();
    EXPECT_EQ(ChosenLanguage("", ini), "ko");
    EXPECT_EQ(ChosenLanguage("en", ini), "en");
    // Taken back to the language shown: no box, but remembered.
    window().findChild<QAction *>("mLanguageEn")->trigger();
    EXPECT_TRUE(test::WaitFor([&] { return ChosenLanguage("", ini) == "en"; }));
    EXPECT_EQ(ChosenLanguage("ko", ini), "ko");
    RememberLanguage(ini, "fr");
    EXPECT_EQ(ChosenLanguage("", ini), "en");
}

} // namespace
} // namespace zephyra
