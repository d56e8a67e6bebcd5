// The console in English: every window it opens shows no Korean and every text fits its widget.
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sstream>

#include "app/console.h"
#include "app/language.h"
#include "config/acl_settings.h"
#include "config/setting_parse.h"
#include "history/history_controller.h"
#include "history/history_list_window.h"
#include "profile/site_profile.h"
#include "support/fakes.h"
#include "support/gui_helpers.h"
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

int Widest(const QFontMetrics &fm, const QString &text) {
    int widest = 0;
    for (const QString &line : text.split('\n'))
        widest = std::max(widest, fm.horizontalAdvance(line));
    return widest;
}

// Every visible widget of `top`: its texts without Korean, each whole inside its widget.
void ExpectEnglishAndWhole(QWidget *top) {
    const std::string where = top->objectName().toStdString();
    QStringList texts{top->windowTitle()};
    QList<QWidget *> widgets = top->findChildren<QWidget *>();
    widgets.prepend(top);
    for (QWidget *w : widgets) {
        if (!w->isVisible())
            continue;
        const std::string name = where + "/" + w->objectName().toStdString();
        texts << w->toolTip();
        if (auto *label = qobject_cast<QLabel *>(w)) {
            texts << label->text();
            const int indent = label->frameWidth() > 0 ? label->fontMetrics().horizontalAdvance('x') / 2 : 0;
            if (!label->wordWrap() && !label->text().isEmpty()) {
                EXPECT_LE(Widest(label->fontMetrics(), label->text()), label->contentsRect().width() - indent)
                    << name << ": " << label->text().toStdString();
            }
        } else if (auto *button = qobject_cast<QAbstractButton *>(w)) {
            texts << button->text();
            if (!button->text().isEmpty()) {
                EXPECT_LE(button->sizeHint().width(), button->width())
                    << name << ": " << button->text().toStdString();
            }
        } else if (auto *group = qobject_cast<QGroupBox *>(w)) {
            texts << group->title();
            // The title with the frame's indent on either side.
            EXPECT_LE(group->fontMetrics().horizontalAdvance(group->title()) + 16, group->width())
                << name << ": " << group->title().toStdString();
        } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
            QStyleOptionComboBox opt;
            opt.initFrom(combo);
            const int room =
                combo->style()
                    ->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, combo)
                    .width();
            for (int i = 0; i < combo->count(); ++i) {
                texts << combo->itemText(i);
                EXPECT_LE(combo->fontMetrics().horizontalAdvance(combo->itemText(i)), room)
                    << name << ": " << combo->itemText(i).toStdString();
            }
        } else if (auto *edit = qobject_cast<QLineEdit *>(w)) {
            texts << edit->text() << edit->placeholderText();
            EXPECT_LE(edit->fontMetrics().horizontalAdvance(edit->text()), test::TextRoom(edit))
                << name << ": " << edit->text().toStdString();
        } else if (auto *tabs = qobject_cast<QTabBar *>(w)) {
            for (int i = 0; i < tabs->count(); ++i) {
                texts << tabs->tabText(i);
                EXPECT_LE(tabs->fontMetrics().horizontalAdvance(tabs->tabText(i)), tabs->tabRect(i).width())
                    << name;
            }
        } else if (auto *plain = qobject_cast<QPlainTextEdit *>(w)) {
            texts << plain->toPlainText();
        } else if (auto *table = qobject_cast<QTableView *>(w)) {
            for (int c = 0; c < table->model()->columnCount(); ++c)
                texts << table->model()->headerData(c, Qt::Horizontal).toString();
        }
    }
    for (const QString &text : texts)
        EXPECT_FALSE(HasHangul(text)) << where << ": " << text.toStdString();
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
        console->Controller().ResponseDispatcher(0x04, test::StatusBlock().Payload());
        QApplication::processEvents();
    }
    TMain_Form &window() { return console->MainWindow(); }
    static void Shot(QWidget *w, const char *file) {
        EXPECT_TRUE(w->grab().save(QDir::current().filePath(file)));
    }

    // Opens a menu command's window and checks it (and what it opens next) before closing it.
    void CheckCommand(const char *action, const char *shot = nullptr) {
        QObject scope; // ends the watch for a follow-up box with the command
        bool seen = false;
        std::function<void(QWidget *)> check = [&](QWidget *w) {
            seen = true;
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
        window().Action(action)->setEnabled(true);
        window().Action(action)->trigger();
        ASSERT_TRUE(test::WaitFor([&] { return seen; })) << action;
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
    for (const LinkHealth &h : WidestHealths()) {
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
    CheckCommand("mEventLog", "event_history_en.png");
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

// Sentences the core builds with the operator's values in them come out English, values in place.
TEST_F(English, CoreSentencesWithValues) {
    std::array<int32_t, 3> words{};
    ProfileApplyResult refused;
    refused.Outcome = ApplyOutcome::NotConfirmed;
    refused.Decoded = "57.0";
    SiteProfile profile;
    const std::pair<std::string, std::string> cases[] = {
        {RangeError("DC 고전압", "59.1", "55.0", "59.0"), "DC 고전압"},
        {NothingSelectedError("경보시험"), "경보시험"},
        {ReadDeviceId("12%2x", words), "12%2x"},
        {HistoryCompletionText(2000), "2000"},
        {OutcomeText(refused), "57.0"},
        {ProfileFromJson(R"({"format": "other"})", profile), ""},
    };
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
    EXPECT_EQ(ChosenLanguage("", ini), "ko");
    EXPECT_EQ(ChosenLanguage("en", ini), "en");
    RememberLanguage(ini, "en");
    EXPECT_EQ(ChosenLanguage("", ini), "en");
    EXPECT_EQ(ChosenLanguage("ko", ini), "ko");
    RememberLanguage(ini, "fr");
    EXPECT_EQ(ChosenLanguage("", ini), "en");
}

} // namespace
} // namespace zephyra
