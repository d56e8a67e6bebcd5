// The console's windows driven for real on the offscreen platform, without a device.
#include <QAction>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <sstream>

#include "access/confirm_window.h"
#include "app/console.h"
#include "device/language_endpoint.h"
#include "status/cached_panel_widget_style.h"
#include "status/lamp_widget.h"
#include "support/fakes.h"
#include "support/gui_helpers.h"
#include "support/status_block.h"

namespace zephyra {
namespace {

using test::Child;
using test::OnNextModal;
using test::StatusBlock;

class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ConsoleOptions options;
        options.Trace = &trace;
        console = std::make_unique<Console>(options);
        window().show();
    }
    TMain_Form &window() { return console->MainWindow(); }
    bool enabled(const char *name) { return window().Action(name)->isEnabled(); }
    QString field(const char *name) { return Child<QLineEdit>(&window(), name)->text(); }
    QString panel(int i) {
        return Child<QLabel>(&window(), QStringLiteral("ComSettingPanel%1").arg(i).toLatin1().constData())
            ->text();
    }
    void Decode(const StatusBlock &block) { console->Controller().ResponseDispatcher(0x04, block.Payload()); }

    // Logs in through the real dialog with the login button.
    QString LoginWithButton(const QString &user, const QString &password) {
        QString message;
        OnNextModal(&window(), [&, user, password](QWidget *dialog) {
            Child<QLineEdit>(dialog, "ID_Input")->setText(user);
            Child<QLineEdit>(dialog, "PW_Input")->setText(password);
            OnNextModal(
                &window(),
                [&](QWidget *box) {
                    message = test::BoxText(box);
                    test::CloseBox(box);
                },
                500, dialog);
            Child<QPushButton>(dialog, "bbtnOK")->click();
        });
        window().mLoginClick();
        return message;
    }

    std::ostringstream trace;
    std::unique_ptr<Console> console;
};

TEST_F(ConsoleTest, StartsLoggedOutWithOnlyLoginExitAndHomePage) {
    EXPECT_EQ(window().windowTitle(), "ZEPHYRA-M10 V0.8 (2025-08-07)");
    EXPECT_EQ(window().centralWidget()->height() + window().statusBar()->height(), 513);
    EXPECT_EQ(window().width(), 932);
    for (const char *name : {"mLogin", "mExit", "mHomePage"})
        EXPECT_TRUE(enabled(name)) << name;
    for (const char *name : {"mConnect", "mDisconnect", "mLogout", "mSystemOperation", "mMeasurementSet",
                             "mDataTimeSet", "mIPSet", "mACLSet", "mControllerReset", "mFactoryInitial",
                             "mAlarmTest", "mAlarmLog", "mEventLog", "mInitialLog"})
        EXPECT_FALSE(enabled(name)) << name;
    EXPECT_FALSE(Child<QTabWidget>(&window(), "PageControl1")->isVisible());
    EXPECT_FALSE(console->Controller().Ticking());
    EXPECT_EQ(Child<QWidget>(&window(), "edtACV")->accessibleDescription(), "edtACV");
}

TEST_F(ConsoleTest, LoginButtonAcceptsTheThreeAccountsAndRejectsNearMisses) {
    struct Case {
        const char *user, *password, *panel;
    };
    for (Case c : {Case{"super", "905172648", "  Super User Mode"},
                   Case{"admin", "6472", "  Admin User Mode"}, Case{"guest", "6793", "  User Mode"}}) {
        console = std::make_unique<Console>(ConsoleOptions{{}, 502, "127.0.0.1", {}, &trace, {}});
        window().show();
        EXPECT_EQ(LoginWithButton(c.user, c.password), "") << c.user;
        EXPECT_EQ(panel(1), c.panel);
        EXPECT_TRUE(enabled("mConnect"));
        EXPECT_TRUE(enabled("mLogout"));
        EXPECT_FALSE(enabled("mLogin"));
        EXPECT_FALSE(enabled("mDisconnect"));
    }
    console = std::make_unique<Console>(ConsoleOptions{{}, 502, "127.0.0.1", {}, &trace, {}});
    window().show();
    for (auto [user, password] :
         {std::pair{"Super", "905172648"}, std::pair{"super", "6472"}, std::pair{"guest", "905172648"},
          std::pair{"", ""}, std::pair{"admin ", "6472"}}) {
        EXPECT_EQ(LoginWithButton(user, password), " Please try again ") << user;
        EXPECT_TRUE(enabled("mLogin"));
        EXPECT_EQ(panel(1), "");
    }
}

TEST_F(ConsoleTest, EnterChecksOnlyInThePasswordBoxAndAFailureKeepsTheDialog) {
    QStringList messages;
    bool stillOpenAfterFailure = false;
    OnNextModal(&window(), [&](QWidget *dialog) {
        auto *id = Child<QLineEdit>(dialog, "ID_Input");
        auto *pw = Child<QLineEdit>(dialog, "PW_Input");
        EXPECT_EQ(pw->echoMode(), QLineEdit::Password);
        id->setText("admin");
        pw->setText("1234");
        QTest::keyClick(id, Qt::Key_Return); // nothing happens
        EXPECT_TRUE(dialog->isVisible());
        OnNextModal(
            &window(),
            [&](QWidget *box) {
                messages << test::BoxText(box);
                test::CloseBox(box);
            },
            1000, dialog);
        QTest::keyClick(pw, Qt::Key_Return);
        EXPECT_TRUE(test::WaitFor([&] { return !messages.isEmpty(); }));
        stillOpenAfterFailure = dialog->isVisible();
        pw->setText("6472");
        QTest::keyClick(pw, Qt::Key_Return);
    });
    window().mLoginClick();
    EXPECT_EQ(messages, QStringList{" Please try again "});
    EXPECT_TRUE(stillOpenAfterFailure);
    EXPECT_EQ(panel(1), "  Admin User Mode");
}

TEST_F(ConsoleTest, RelayGroupStaysAfterLogoutAndUserLogin) {
    window().LogIn(UserLevel::Super);
    Decode(StatusBlock());
    window().LogIn(UserLevel::User);
    Decode(StatusBlock());
    EXPECT_FALSE(Child<QWidget>(&window(), "gbEtcRelay")->isHidden());
    EXPECT_FALSE(enabled("mMeasurementSet"));
}

TEST_F(ConsoleTest, DecodeFillsFieldsLampsLabelAndLinkPanel) {
    window().LogIn(UserLevel::Super);
    Decode(test::SiteBlock());
    EXPECT_EQ(field("edtDate"), "2025-08-07");
    EXPECT_EQ(field("edtTime"), "09:05:03");
    EXPECT_EQ(field("edtACV"), "221 V");
    EXPECT_EQ(field("edtDCV"), "53.5 V");
    EXPECT_EQ(field("edtBCA"), "-1.5 A");
    EXPECT_EQ(field("edtRT"), "미사용");
    EXPECT_EQ(field("edtVer"), "V0.8 (25-8-7)");
    EXPECT_EQ(field("edtIP"), "192.168.30.70");
    EXPECT_EQ(field("edtACLEn"), "미사용");
    EXPECT_TRUE(Child<LampWidget>(&window(), "spACF")->Active());
    EXPECT_TRUE(Child<LampWidget>(&window(), "spBF")->Active());
    EXPECT_FALSE(Child<LampWidget>(&window(), "spDCH")->Active());
    EXPECT_TRUE(Child<LampWidget>(&window(), "spMA_RY")->Active());
    EXPECT_TRUE(Child<QLabel>(&window(), "Lab_Alarm_Test")->isVisible());
    EXPECT_TRUE(Child<QTabWidget>(&window(), "PageControl1")->isVisible());
    EXPECT_EQ(panel(3), " Link Up : Full-Duplex 1G, TCP (RX:1,TX:2)");
    // For a look at the layout: build/tests/app/main_window_decoded.png
    EXPECT_TRUE(window().grab().save(QDir::current().filePath("main_window_decoded.png")));
}

// The window has a fixed size and its fields fixed widths: each field must hold the widest text a decode
// can give it (any register value, the clock's registers holding a calendar date) at the window's font,
// wholly inside its group; the level and link panels likewise.
TEST_F(ConsoleTest, EveryFieldHoldsTheWidestTextADecodeCanGiveIt) {
    window().LogIn(UserLevel::Super);
    console->Controller().LinkChosen(LinkKind::Serial); // shows the relay and charge fields
    QTest::mouseClick(Child<QWidget>(&window(), "Image10"), Qt::LeftButton); // and the firmware counter
    const QFontMetrics metrics(window().font());
    auto wider = [&](const QString &a, const QString &b) {
        return metrics.horizontalAdvance(a) > metrics.horizontalAdvance(b);
    };

    // Every register at one value: between them these give each formatter its longest text.
    QHash<QString, QString> widest;
    const QList<QLineEdit *> fields = window().findChildren<QLineEdit *>();
    for (int value : {0xFFFF, 0xDDDD, 0x8000, 0x7FFF, 0x270F, 0x0002, 0x0001, 0x0000}) {
        StatusBlock block;
        for (int address = 1; address <= kStatusRegisterCount; ++address)
            block.Set(address, value);
        Decode(block.Set({{reg::kYear, 2088},
                          {reg::kMonth, 12},
                          {reg::kDay, 28},
                          {reg::kHour, 23},
                          {reg::kMinute, 58},
                          {reg::kSecond, 58}}));
        for (QLineEdit *field : fields)
            if (wider(field->text(), widest.value(field->objectName())))
                widest[field->objectName()] = field->text();
    }
    int linkBits = 0;
    for (int bits = 1; bits < 0x40; ++bits)
        if (wider(QString::fromStdString(EthernetLinkText(bits, 0xFFFF)),
                  QString::fromStdString(EthernetLinkText(linkBits, 0xFFFF))))
            linkBits = bits;
    Decode(StatusBlock().Set({{reg::kEthLinkBits, linkBits}, {reg::kTcpRxTx, 0xFFFF}}));
    for (QLineEdit *field : fields)
        field->setText(widest.value(field->objectName()));
    // A long health text beside them must not squeeze the other panels.
    Child<QLabel>(&window(), "pnlLinkHealth")->setText("125초째 응답 없음 — 요청 42건 시간 초과");
    QApplication::processEvents();
    // For a look: build/tests/app/main_window_widest.png
    EXPECT_TRUE(window().grab().save(QDir::current().filePath("main_window_widest.png")));

    for (QLineEdit *field : fields) {
        const std::string name = field->objectName().toStdString();
        const QString text = field->text();
        ASSERT_FALSE(text.isEmpty()) << name;
        EXPECT_TRUE(field->isVisible()) << name;
        EXPECT_EQ(field->font().toString(), window().font().toString()) << name;
        EXPECT_LE(QFontMetrics(field->font()).horizontalAdvance(text), test::TextRoom(field))
            << name << ": " << text.toStdString();
        for (QWidget *w = field; w != &window(); w = w->parentWidget())
            EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry()))
                << name << " sticks out of " << w->parentWidget()->objectName().toStdString();
    }

    // The status bar's level and link panels, a framed label indenting its text by half an "x".
    auto panelHolds = [](QLabel *panel) {
        const QFontMetrics fm(panel->font());
        const int indent = panel->frameWidth() > 0 ? fm.horizontalAdvance('x') / 2 : 0;
        EXPECT_LE(fm.horizontalAdvance(panel->text()), panel->contentsRect().width() - indent)
            << panel->text().toStdString();
    };
    auto *link = Child<QLabel>(&window(), "ComSettingPanel3");
    EXPECT_EQ(link->text(), QString::fromStdString(EthernetLinkText(linkBits, 0xFFFF)));
    panelHolds(link);

    // A by-id port path beside the widest health texts: every panel whole inside the fixed-width bar,
    // each health text whole, the path shortened in the middle and whole in its tooltip.
    const QString byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    console->Controller().LinkConfirmed(LinkKind::Serial); // a port that is not really opened here
    window().LinkConfirmed(LinkKind::Serial, byId);
    Decode(StatusBlock().Set({{reg::kEthLinkBits, linkBits}, {reg::kTcpRxTx, 0xFFFF}}));
    auto *port = Child<QLabel>(&window(), "ComSettingPanel2");
    auto *health = Child<QLabel>(&window(), "pnlLinkHealth");
    for (const LinkHealth &h : WidestHealths(QtTextTranslator())) {
        const QString text = TMain_Form::HealthText(h);
        health->setText(text);
        QApplication::processEvents();
        panelHolds(health);
        for (const char *name : {"ComSettingPanel1", "ComSettingPanel2", "ComSettingPanel3", "pnlLinkHealth"})
            EXPECT_TRUE(window().statusBar()->rect().contains(Child<QWidget>(&window(), name)->geometry()))
                << name << " beside " << text.toStdString();
    }
    panelHolds(port);
    EXPECT_GE(port->contentsRect().width(), QFontMetrics(port->font()).horizontalAdvance("Not connected x"))
        << "room for a readable part of the path";
    EXPECT_TRUE(port->text().startsWith("/dev/")) << port->text().toStdString();
    EXPECT_TRUE(port->text().endsWith("port0")) << port->text().toStdString();
    EXPECT_EQ(port->toolTip(), byId);
    EXPECT_EQ(port->accessibleName(), byId);
    // For a look: build/tests/app/main_window_by_id.png
    EXPECT_TRUE(window().grab().save(QDir::current().filePath("main_window_by_id.png")));
    for (UserLevel level : {UserLevel::User, UserLevel::Admin, UserLevel::Super}) {
        window().LogIn(level);
        QApplication::processEvents();
        panelHolds(Child<QLabel>(&window(), "ComSettingPanel1"));
    }
}

// Paused values show their true age though the poll sleeps: one update a second, no timer once live.
TEST_F(ConsoleTest, PausedValuesShowTheirAgeAsItGrows) {
    console->Controller().LinkConfirmed(LinkKind::Serial); // the pause comes before any request
    window().LinkConfirmed(LinkKind::Serial, "/dev/ttyV0");
    Decode(StatusBlock());
    console->Controller().SettingsWindowOpened(SettingsWindow::Operating);
    auto *health = Child<QLabel>(&window(), "pnlLinkHealth");
    auto *ageTimer = window().findChild<QTimer *>("tmrHealthAge");
    const QRegularExpression paused("^폴링 멈춤 · ([0-9.]+)초 전 값$");
    const auto shownAge = [&] {
        const QRegularExpressionMatch m = paused.match(health->text());
        return m.hasMatch() ? m.captured(1).toDouble() : -1.0;
    };
    // Stale three periods (1.8 s) after the decode; older than that only if the panel counts on.
    EXPECT_TRUE(test::WaitFor([&] { return shownAge() >= 4.0; }, 8000)) << health->text().toStdString();
    EXPECT_TRUE(ageTimer->isActive()); // a coarse timer: up to 5 % late, so no bound on what remains
    console->Controller().SettingsWindowClosed(SettingsWindow::Operating);
    Decode(StatusBlock());
    EXPECT_TRUE(health->text().startsWith("정상")) << health->text().toStdString();
    EXPECT_FALSE(ageTimer->isActive());
}

// Opens the confirmation window and answers it with the given button.
void Confirm(TMain_Form &w, void (TMain_Form::*command)(), const char *button,
             QString *groupCaption = nullptr) {
    OnNextModal(&w, [&, button](QWidget *dialog) {
        if (groupCaption)
            *groupCaption = Child<QGroupBox>(dialog, "GroupBox1")->title();
        Child<QPushButton>(dialog, button)->click();
    });
    (w.*command)();
}

TEST_F(ConsoleTest, DisconnectConfirmedOrCancelled) {
    window().LogIn(UserLevel::Super);
    console->Controller().LinkConfirmed(LinkKind::Serial); // a port that is not really opened here
    Decode(StatusBlock());
    QString caption;
    Confirm(window(), &TMain_Form::mDisconnectClick, "BitBtn2", &caption);
    EXPECT_EQ(caption, "Disconnect");
    EXPECT_TRUE(console->Controller().Ticking()) << "cancel resumes polling";
    EXPECT_TRUE(Child<QWidget>(&window(), "pnlInformation")->isVisible());
    EXPECT_TRUE(enabled("mSystemOperation"));

    Confirm(window(), &TMain_Form::mDisconnectClick, "BitBtn1");
    EXPECT_FALSE(console->Controller().Ticking());
    EXPECT_FALSE(Child<QWidget>(&window(), "pnlInformation")->isVisible());
    EXPECT_TRUE(enabled("mConnect"));
    EXPECT_TRUE(enabled("mLogout"));
    EXPECT_FALSE(enabled("mDisconnect"));
    EXPECT_FALSE(enabled("mLogin"));
    for (const char *name : DeviceMenuItems())
        EXPECT_FALSE(enabled(name)) << name;
}

TEST_F(ConsoleTest, LogoutCancelledOrConfirmed) {
    window().LogIn(UserLevel::Admin);
    console->Controller().LinkConfirmed(LinkKind::Serial);
    Decode(StatusBlock());
    Confirm(window(), &TMain_Form::mLogoutClick, "BitBtn2");
    EXPECT_TRUE(enabled("mLogout"));
    EXPECT_FALSE(enabled("mLogin"));
    EXPECT_TRUE(console->Controller().Ticking());
    QString caption;
    Confirm(window(), &TMain_Form::mLogoutClick, "BitBtn1", &caption);
    EXPECT_EQ(caption, "Logout");
    EXPECT_FALSE(console->Controller().Ticking());
    EXPECT_EQ(panel(1), "") << "nobody is logged in";
    EXPECT_TRUE(enabled("mLogin"));
    for (const char *name : {"mConnect", "mDisconnect", "mLogout"})
        EXPECT_FALSE(enabled(name)) << name;
    EXPECT_FALSE(Child<QWidget>(&window(), "pnlInformation")->isVisible());
}

TEST_F(ConsoleTest, HiddenTogglesFlipTheFirmwareCounterAndTheChargeFields) {
    window().LogIn(UserLevel::User);
    Decode(StatusBlock());
    auto *fwCnt = Child<QWidget>(&window(), "edtFwCnt");
    auto *chRelay = Child<QWidget>(&window(), "edtChRelay");
    EXPECT_TRUE(fwCnt->isHidden());
    QTest::mouseClick(Child<QWidget>(&window(), "Image10"), Qt::LeftButton);
    EXPECT_FALSE(fwCnt->isHidden());
    QTest::mouseClick(Child<QWidget>(&window(), "Image10"), Qt::LeftButton);
    EXPECT_TRUE(fwCnt->isHidden());
    EXPECT_TRUE(chRelay->isHidden());
    QTest::mouseClick(Child<QWidget>(&window(), "Image1"), Qt::LeftButton);
    EXPECT_FALSE(chRelay->isHidden());
    EXPECT_FALSE(Child<QWidget>(&window(), "labChRef")->isHidden());
    QTest::mouseClick(Child<QWidget>(&window(), "Image1"), Qt::LeftButton);
    EXPECT_TRUE(chRelay->isHidden());
}

// The rules act on every decode: a Super decode on serial shows again the charge fields Image1 hid, an
// Admin decode leaves them as they are.
TEST_F(ConsoleTest, EverySuperDecodeOnSerialShowsTheChargeFieldsAgain) {
    auto shown = [&] {
        std::vector<bool> out;
        for (const char *name : {"labChRef", "edtChRef", "labChRelay", "edtChRelay"})
            out.push_back(!Child<QWidget>(&window(), name)->isHidden());
        return out;
    };
    const std::vector<bool> all(4, true), none(4, false);
    auto image1 = [&] { QTest::mouseClick(Child<QWidget>(&window(), "Image1"), Qt::LeftButton); };
    window().LogIn(UserLevel::Super);
    console->Controller().LinkChosen(LinkKind::Serial);
    Decode(StatusBlock());
    EXPECT_EQ(shown(), all);
    image1();
    EXPECT_EQ(shown(), none);
    Decode(StatusBlock());
    EXPECT_EQ(shown(), all) << "a hide lasts until the next Super decode";
    EXPECT_TRUE(enabled("mMeasurementSet"));

    window().LogIn(UserLevel::Admin);
    Decode(StatusBlock());
    EXPECT_EQ(shown(), all) << "nothing hides them again";
    image1();
    Decode(StatusBlock());
    EXPECT_EQ(shown(), none) << "only a Super decode shows them";
}

TEST_F(ConsoleTest, ExitWithoutTcpClosesAtOnce) {
    console->Controller().LinkConfirmed(LinkKind::Serial);
    window().mExitClick();
    EXPECT_FALSE(console->Controller().Ticking());
    EXPECT_FALSE(window().isVisible());
    EXPECT_FALSE(Child<TfrmMsg>(&window(), "TfrmMsg")->ClosingTicks() > 0);
}

TEST_F(ConsoleTest, ExitWithTcpDisconnectsAndStartsTheClosingWindow) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    console = std::make_unique<Console>(ConsoleOptions{{}, server.serverPort(), "127.0.0.1", {}, &trace, {}});
    window().show();
    ASSERT_EQ(console->Link().Connect(LinkKind::Tcp, "127.0.0.1").Error, "");
    ASSERT_TRUE(server.hasPendingConnections() || server.waitForNewConnection(3000));
    QTcpSocket *device = server.nextPendingConnection();
    auto *closing = Child<TfrmMsg>(&window(), "TfrmMsg");
    bool shownWhileClosing = false;
    QObject::connect(&window(), &TMain_Form::Closing, [&] { shownWhileClosing = closing->isVisible(); });
    window().mExitClick();
    EXPECT_TRUE(shownWhileClosing);
    EXPECT_TRUE(test::WaitFor([&] { return device->state() == QAbstractSocket::UnconnectedState; }, 3000));
    EXPECT_FALSE(window().isVisible());
}

// An installed program's folder is read-only: its workbooks and logs go to the user's folder, made on the
// first file, and both kinds of file go to the same place.
TEST(FilesFolder, TheProgramsWhenWritableElseTheUsersOwn) {
    QTemporaryDir root;
    QFile plain(root.filePath("plain-file"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QString writable = root.filePath("program");
    ASSERT_TRUE(QDir().mkpath(writable));
    // Root may write anywhere: a path below a plain file is one nobody can create.
    const QString readOnly = root.filePath("plain-file/program");
    const QString user = root.filePath("home/Documents/ZEPHYRA-M10");
    struct Case {
        const char *name;
        QString program, user, expected;
    };
    const Case cases[] = {
        {"writable program folder", writable, user, writable},
        {"read-only program folder", readOnly, user, user},
        {"read-only, no user folder known", readOnly, {}, readOnly},
    };
    // An installed program's folder, writable for root, is still no place for the user's files.
    EXPECT_EQ(ChooseFilesDir("/usr/bin", true, user), user);
    std::ostringstream trace;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FolderWritable(c.program), c.program == writable);
        ConsoleOptions options;
        options.Trace = &trace;
        options.ProgramDir = c.program;
        options.UserDir = c.user;
        Console console(options);
        EXPECT_EQ(console.HistoryWindows().FilesDir, c.expected);
        EXPECT_FALSE(QFileInfo::exists(user)) << "made on the first file only";

        auto *page = Child<QWidget>(&console.MainWindow(), "LocalStatusLog");
        OnNextModal(
            &console.MainWindow(), [](QWidget *box) { test::CloseBox(box); }, 1000);
        Child<QPushButton>(page, "Button1")->click();
        const QStringList files = QDir(c.expected).entryList({"ZEPHYRA-M10_*.txt"}, QDir::Files);
        EXPECT_EQ(files.size(), c.expected == readOnly ? 0 : 1);
        QDir(user).removeRecursively();
    }
}

TEST(ClosingWindow, BarCountsFromElevenAndStopsAtFull) {
    TfrmMsg w;
    w.Start();
    EXPECT_TRUE(test::WaitFor([&] { return w.ClosingTicks() >= 2; }, 3000));
    EXPECT_GE(w.Bar()->value(), 11);
    EXPECT_LE(w.Bar()->value(), 100);
}

} // namespace
} // namespace zephyra

// The cached panel must look exactly like the style's own, in every state a field can be in.
TEST(CachedPanelStyle, FieldsLookAsTheStyleDrawsThem) {
    std::unique_ptr<QStyle> plain(QStyleFactory::create(QApplication::style()->name()));
    zephyra::CachedPanelStyle cached(QStyleFactory::create(QApplication::style()->name()));
    for (int state = 0; state < 4; ++state) {
        QLineEdit edit("221 V");
        edit.resize(77 + state, 21);
        edit.setReadOnly(state & 1);
        edit.setEnabled(state != 2);
        if (state == 3) {
            QPalette pal = edit.palette();
            pal.setColor(QPalette::Text, QColor(0x90, 0x90, 0x90)); // stale values
            edit.setPalette(pal);
        }
        edit.setStyle(plain.get());
        const QImage expected = edit.grab().toImage();
        for (int twice = 0; twice < 2; ++twice) { // drawn, then from the cache
            edit.setStyle(&cached);
            EXPECT_EQ(edit.grab().toImage(), expected) << "state " << state << " pass " << twice;
        }
    }
}
