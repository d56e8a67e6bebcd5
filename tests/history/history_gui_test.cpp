// The history windows and the initialise dialog on the offscreen platform, driven through the main
// window's menu commands; replies are handed to the dispatcher directly (no device).
#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>
#include <sstream>

#include "app/console.h"
#include "history/history_initial_dialog.h"
#include "history/history_list_window.h"
#include "history/history_window.h"
#include "link/modbus_codec.h"
#include "support/fakes.h"
#include "support/gui_helpers.h"
#include "support/history_reply.h"

namespace zephyra {
namespace {

using test::Child;
using test::CloseBox;
using test::HistoryReply;
using test::OnNextModal;
using test::WaitFor;

// Stands in for the desktop's file manager.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void Open(const QUrl &url) { urls << url; }
};

class HistoryGuiTest : public ::testing::Test {
protected:
    void SetUp() override {
        ConsoleOptions options;
        options.Trace = &trace;
        options.ProgramDir = dir.path();
        console = std::make_unique<Console>(options);
        // As after a serial connect whose port is not opened here: the poll may run.
        console->Controller().LinkConfirmed(LinkKind::Serial);
        window().show();
    }
    TMain_Form &window() { return console->MainWindow(); }

    // Runs a menu command whose window is answered by `during` inside its modal loop.
    void Run(const char *action, UserLevel level, const std::function<void(QWidget *)> &during) {
        window().LogIn(level);
        window().Action(action)->setEnabled(true);
        bool ran = false;
        OnNextModal(&window(), [&](QWidget *w) {
            during(w);
            ran = true;
            // A failed expectation must not leave the window open.
            if (w->isVisible()) {
                if (auto *close = Child<QPushButton>(w, "bbtClose")) {
                    close->setEnabled(true);
                    close->click();
                } else {
                    CloseBox(w);
                }
            }
        });
        window().Action(action)->trigger();
        ASSERT_TRUE(WaitFor([&] { return ran && !QApplication::activeModalWidget(); }, 20000));
    }

    // As the receiver hands a reply on: the link monitor settles the awaited request first, so the next
    // record may be asked on the one-request serial line.
    void Reply(HistoryKind kind, uint8_t command, const Bytes &body) {
        const Bytes payload = HistoryReply(kind, command, body);
        Bytes wire{0x01, kFnHistory};
        wire.insert(wire.end(), payload.begin(), payload.end());
        console->Monitor().FrameReceived(LinkKind::Serial, wire, 0);
        console->Controller().ResponseDispatcher(kFnHistory, payload);
    }

    QTemporaryDir dir;
    std::ostringstream trace;
    std::unique_ptr<Console> console;
};

TEST_F(HistoryGuiTest, BothWindowsHaveTheirLayoutAndNoWayOutButClose) {
    struct Case {
        const char *action;
        const char *name;
        int width;
        std::vector<int> widths;
        QStringList header;
        bool listButton;
    };
    const Case cases[] = {
        {"mAlarmLog",
         "TfrmHistory",
         840,
         {27, 73, 61, 62, 65, 60, 63, 65, 306},
         {"Ord", "DATE", "TIME", "AC(V)", "DC(V)", "LC(A)", "BC(A)", "RT(C)", "Alarm"},
         true},
        {"mEventLog",
         "TfrmEventHistory",
         856,
         {27, 73, 61, 62, 142, 184, 173, 65},
         {"Ord", "DATE", "TIME", "Set", "Event1", "Event2", "Event3", "Value"},
         false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Run(c.action, UserLevel::Super, [&](QWidget *w) {
            auto *win = qobject_cast<HistoryWindowBase *>(w);
            ASSERT_TRUE(win);
            EXPECT_EQ(win->objectName(), c.name);
            EXPECT_EQ(win->windowTitle(), "이력 데이터 ");
            EXPECT_EQ(win->size(), QSize(c.width, 565));
            EXPECT_FALSE(win->windowFlags() & Qt::WindowCloseButtonHint);
            EXPECT_TRUE(win->windowFlags() & Qt::WindowMinimizeButtonHint);
            EXPECT_TRUE(win->windowFlags() & Qt::WindowMaximizeButtonHint);
            EXPECT_EQ(console->State().RequestMode, mode::kHistoryCount);

            QTableView *grid = win->StringGrid();
            ASSERT_EQ(grid->model()->columnCount(), static_cast<int>(c.widths.size()));
            EXPECT_EQ(win->Grid().GridRows(), 2001);
            EXPECT_EQ(grid->verticalHeader()->defaultSectionSize(), 20);
            QFontMetrics fm(grid->font());
            for (int col = 0; col < static_cast<int>(c.widths.size()); ++col) {
                EXPECT_EQ(win->Grid().Cell(0, col), c.header[col]) << col;
                EXPECT_GE(grid->columnWidth(col), c.widths[static_cast<std::size_t>(col)]) << col;
                EXPECT_GE(grid->columnWidth(col), fm.horizontalAdvance(c.header[col]) + 6) << col;
            }
            auto *save = Child<QPushButton>(win, "bbtFileSave");
            auto *close = Child<QPushButton>(win, "bbtClose");
            auto *stop = Child<QPushButton>(win, "bbtReqStop");
            ASSERT_TRUE(save && close && stop);
            EXPECT_EQ(save->toolTip(), "Save File");
            EXPECT_EQ(close->toolTip(), "Close");
            EXPECT_EQ(stop->toolTip(), "Stop Request ");
            EXPECT_EQ(stop->text(), "Stop Request");
            auto *openFolder = Child<QPushButton>(win, "bbtOpenFolder");
            ASSERT_TRUE(openFolder);
            EXPECT_EQ(openFolder->text(), "폴더 열기");
            EXPECT_FALSE(openFolder->isEnabled());
            for (const char *name : {"bbtReqStop", "bbtOpenFolder", "labStall", "labSaved"}) {
                QWidget *named = Child<QWidget>(win, name);
                ASSERT_TRUE(named) << name;
                EXPECT_EQ(named->accessibleDescription(), name);
            }
            EXPECT_FALSE(save->isEnabled());
            EXPECT_TRUE(close->isEnabled());
            EXPECT_TRUE(stop->isVisible());
            EXPECT_EQ(Child<QProgressBar>(win, "Gauge")->value(), 0);
            EXPECT_EQ(Child<QLabel>(win, "LabAlarm")->text(), "전체 : ");
            EXPECT_EQ(Child<QPushButton>(win, "BitBtn2") != nullptr, c.listButton);

            // The title bar's close (or a window manager's) and Esc leave the window open.
            win->close();
            QTest::keyClick(win, Qt::Key_Escape);
            QTest::qWait(20);
            EXPECT_TRUE(win->isVisible());
            EXPECT_EQ(console->State().RequestMode, mode::kHistoryCount);

            // A look at it with a few rows: build-dir/tests/history/<name>.png
            Reply(win->Kind(), 1, {0x00, 0x02});
            const Bytes record = win->Kind() == HistoryKind::Event
                                     ? Bytes{0x00, 0x01, 25, 3, 7, 14, 5, 9, 2, 31, 31, 2, 0xC0, 0xA8}
                                     : Bytes{0x00, 0x01, 25,   3,   7,    14,   5,    9,   0x00, 221,
                                             0x03, 0xE8, 0x00, 123, 0xFF, 0xF1, 0x00, 253, 7,    0};
            // The record is asked at the collector's moment, just after the count was stored.
            ASSERT_TRUE(WaitFor([&] { return console->Monitor().OutstandingCount() == 1; }));
            Reply(win->Kind(), 2, record);
            EXPECT_FALSE(win->Grid().Cell(1, 1).isEmpty());
            for (int col = 0; col < grid->model()->columnCount(); ++col)
                EXPECT_GE(grid->columnWidth(col), fm.horizontalAdvance(win->Grid().Cell(1, col)) + 6) << col;
            EXPECT_TRUE(win->grab().save(QDir::current().filePath(QString(c.name) + ".png")));

            close->setEnabled(true);
            close->click();
            EXPECT_FALSE(win->isVisible());
        });
        EXPECT_EQ(console->State().RequestMode, mode::kPoll);
        EXPECT_FALSE(console->State().History.Active);
        EXPECT_TRUE(console->Controller().Ticking());
    }
}

// The watchdog wakes the device link while a history window is open, and no more once it closed.
TEST_F(HistoryGuiTest, TheWatchdogWakesTheLinkOnlyWhileAHistoryWindowIsOpen) {
    PollController &poll = console->Controller();
    poll.LinkClosed(); // no poll to wake for
    ASSERT_EQ(poll.NextWakeMs(), INT64_MAX);
    Run("mEventLog", UserLevel::Super, [&](QWidget *) {
        const int64_t first = poll.NextWakeMs();
        ASSERT_NE(first, INT64_MAX);
        // Its moment moves on each time it is woken.
        EXPECT_TRUE(WaitFor([&] { return poll.NextWakeMs() > first; }));
    });
    EXPECT_EQ(poll.NextWakeMs(), INT64_MAX);
}

TEST_F(HistoryGuiTest, StopRequestEndsADownloadWhoseRepliesStoppedAndItsRowsCanBeSaved) {
    Run("mAlarmLog", UserLevel::User, [&](QWidget *w) {
        auto *win = qobject_cast<HistoryWindowBase *>(w);
        ASSERT_TRUE(win);
        Reply(HistoryKind::Alarm, 1, {0x00, 0x05});
        EXPECT_EQ(win->Grid().GridRows(), 6);
        ASSERT_TRUE(WaitFor([&] { return console->Monitor().OutstandingCount() == 1; }));
        Reply(HistoryKind::Alarm, 2,
              Bytes{0x00, 0x04, 25, 3, 7, 14, 5, 9, 0, 221, 0x02, 0x1C, 0, 123, 0, 15, 0, 253, 2, 1});
        EXPECT_EQ(win->Grid().Cell(1, 8), "DC HIGH VOLT");
        auto *close = Child<QPushButton>(win, "bbtClose");
        auto *save = Child<QPushButton>(win, "bbtFileSave");
        auto *stop = Child<QPushButton>(win, "bbtReqStop");
        EXPECT_FALSE(close->isEnabled()) << "records are still expected";
        // The device falls silent: the technician stops the download.
        stop->click();
        EXPECT_EQ(Child<QLabel>(win, "LabAlarm")->text(), "전체 : 5 중 1개 (중지됨)")
            << "partial, and says so";
        EXPECT_TRUE(close->isEnabled());
        EXPECT_TRUE(save->isEnabled());
        EXPECT_FALSE(stop->isEnabled());
        EXPECT_FALSE(console->Controller().Ticking());
        save->click();
        QStringList files = QDir(dir.path()).entryList({"ZEPHYRA-M10 Alarm Log(*).xls"}, QDir::Files);
        ASSERT_EQ(files.size(), 1) << files.join(", ").toStdString();
        // Where it went, for the eye and the screen reader, how much of the log it holds, and a way there.
        // A long folder is shortened in the middle: the file name stays in view.
        auto *saved = Child<QLabel>(win, "labSaved");
        EXPECT_TRUE(saved->text().endsWith(files[0])) << saved->text().toStdString();
        EXPECT_EQ(saved->toolTip(), QDir(dir.path()).filePath(files[0]));
        EXPECT_EQ(saved->accessibleName(), saved->toolTip());
        EXPECT_EQ(Child<QLabel>(win, "labSavedCount")->text(), "기록 5개 중 1개 저장됨");
        auto *openFolder = Child<QPushButton>(win, "bbtOpenFolder");
        EXPECT_TRUE(openFolder->isEnabled());
        UrlCatcher opened;
        QDesktopServices::setUrlHandler("file", &opened, "Open");
        openFolder->click();
        QDesktopServices::unsetUrlHandler("file");
        EXPECT_EQ(opened.urls, QList<QUrl>{QUrl::fromLocalFile(QDir(dir.path()).absolutePath())});
    });
    EXPECT_TRUE(console->Controller().Ticking());
}

TEST_F(HistoryGuiTest, AbbreviationListShowsBesideTheModalWindowAndOutlivesIt) {
    TfrmHistList *list = nullptr;
    Run("mAlarmLog", UserLevel::User, [&](QWidget *w) {
        Child<QPushButton>(w, "BitBtn2")->click();
        list = window().findChild<TfrmHistList *>("TfrmHistList");
        if (!list)
            list = w->findChild<TfrmHistList *>("TfrmHistList");
        ASSERT_TRUE(list);
        EXPECT_TRUE(list->isVisible());
        EXPECT_FALSE(list->isModal());
        EXPECT_EQ(list->windowTitle(), "LIST");
        EXPECT_EQ(list->size(), QSize(256, 173));
        EXPECT_EQ(Child<QPlainTextEdit>(list, "Memo1")->toPlainText(),
                  "  ( 계측 List )\n\n AC(V) : AC 입력전압\n DC(V) : DC 출력전압\n LC(A)  : DC 부하전류\n"
                  " BC(A)  : Battery 전류\n RT(C)  : Rack 온도");
        EXPECT_TRUE(Child<QPlainTextEdit>(list, "Memo1")->isReadOnly());
        QTest::qWait(50);
        EXPECT_TRUE(list->grab().save(QDir::current().filePath("TfrmHistList.png")));
    });
    // The history window is gone; the list it showed is not.
    ASSERT_EQ(window().findChild<TfrmHistList *>("TfrmHistList"), list);
    EXPECT_TRUE(list->isVisible());
    list->close();
}

TEST_F(HistoryGuiTest, InitialiseDialogOffersTheEventLogToSuperAndAdminOnly) {
    struct Case {
        UserLevel level;
        QStringList items;
        int listHeight, panelHeight;
    };
    const Case cases[] = {{UserLevel::User, {"알람이력"}, 79, 93},
                          {UserLevel::Admin, {"알람이력", "이벤트이력"}, 99, 113},
                          {UserLevel::Super, {"알람이력", "이벤트이력"}, 99, 113}};
    for (const Case &c : cases) {
        SCOPED_TRACE(static_cast<int>(c.level));
        Run("mInitialLog", c.level, [&](QWidget *w) {
            ASSERT_TRUE(qobject_cast<TfrmInitial *>(w));
            EXPECT_EQ(w->windowTitle(), "이력 초기화 ");
            EXPECT_EQ(console->State().RequestMode, mode::kHistoryInitialise);
            auto *group = Child<QGroupBox>(w, "rgInitial");
            EXPECT_EQ(group->title(), "이력 초기화 ");
            EXPECT_EQ(group->height(), c.listHeight);
            EXPECT_EQ(Child<QWidget>(w, "Panel1")->height(), c.panelHeight);
            QStringList items;
            for (QRadioButton *r : group->findChildren<QRadioButton *>()) {
                items << r->text();
                EXPECT_FALSE(r->isChecked());
            }
            EXPECT_EQ(items, c.items);
            auto *set = Child<QPushButton>(w, "BitBtnI_OK");
            EXPECT_EQ(set->text(), "설정 ");
            EXPECT_EQ(Child<QPushButton>(w, "BitBtnI_Cancel")->text(), "나가기 ");
            EXPECT_TRUE(set->isEnabled());
            set->click(); // nothing chosen: nothing sent
            EXPECT_TRUE(console->State().LastRawRequest.empty());
            if (c.level == UserLevel::Super) {
                EXPECT_TRUE(w->grab().save(QDir::current().filePath("TfrmInitial.png")));
            }
            console->Controller().Timer1Timer(); // the due tick: nothing is due after it
            ASSERT_FALSE(console->State().PollDue);
            w->close(); // the title-bar close box
        });
        EXPECT_EQ(console->State().RequestMode, mode::kPoll);
        EXPECT_TRUE(console->State().PollDue);
    }
}

} // namespace
} // namespace zephyra

#include "history_gui_test.moc"
