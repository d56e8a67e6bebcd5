// The console against zephyra-sim over the pseudo-terminal and over TCP.
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTcpServer>
#include <QTcpSocket>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>

#include "device/connection_window.h"
#include "device/traffic_window.h"
#include "e2e/console_fixture.h"
#include "link/modbus_codec.h"
#include "status/lamp_widget.h"

namespace zephyra::test {
namespace {

const Bytes kStatusRead{0x01, 0x04, 0x00, 0x01, 0x00, 0x7F};

Bytes Unit(const JournalEntry &e) {
    return e.link == "TCP" && e.bytes.size() > 6 ? Bytes(e.bytes.begin() + 6, e.bytes.end()) : e.bytes;
}

// The status exchange on a link in the simulator's order: 'R' a read received, 'A' a status block sent.
// The cadence itself is the poll's, tested without a clock; here only the order counts.
std::string StatusExchange(const std::vector<JournalEntry> &journal, const std::string &link) {
    std::string order;
    for (const JournalEntry &e : journal) {
        const Bytes unit = Unit(e);
        if (e.link != link || unit.size() < 3)
            continue;
        if (e.dir == "RX" && unit.size() >= 6 &&
            std::equal(kStatusRead.begin(), kStatusRead.end(), unit.begin()))
            order += 'R';
        else if (e.dir == "TX" && unit[1] == 0x04 && unit[2] == 0xFE)
            order += 'A';
    }
    return order;
}

std::size_t StatusReads(const std::vector<JournalEntry> &journal, const std::string &link) {
    const std::string order = StatusExchange(journal, link);
    return static_cast<std::size_t>(std::count(order.begin(), order.end(), 'R'));
}

// What the decode rules give for the block the simulator last sent: the reference for the page.
StatusViewModel ExpectedView(const SimProcess &sim, const std::string &link) {
    std::vector<Bytes> replies = JournalFrames(sim.ReadJournal(), link, "TX");
    for (auto it = replies.rbegin(); it != replies.rend(); ++it) {
        std::size_t skip = link == "TCP" ? 6 : 0;
        if (it->size() >= skip + 3 + 254 && (*it)[skip + 1] == 0x04 && (*it)[skip + 2] == 0xFE) {
            StatusSnapshot snapshot;
            StatusViewModel view;
            DecodeStatus(ByteView(*it).subspan(skip + 3, 254), snapshot, view);
            return view;
        }
    }
    ADD_FAILURE() << "no status reply in the journal";
    return {};
}

void ExpectPageShows(TMain_Form &w, const StatusViewModel &expected) {
    ASSERT_GT(expected.Fields.size(), 50u);
    for (const FieldText &f : expected.Fields)
        EXPECT_EQ(Child<QLineEdit>(&w, f.Name)->text().toStdString(), f.Text) << f.Name;
}

TEST_F(ConsoleWithSim, SerialLinkFillsEveryFieldAndEachPollIsAnsweredBeforeTheNext) {
    StartSim();
    StartConsole();
    Connect(LinkKind::Serial);
    ASSERT_TRUE(WaitForDecode()) << sim->Stderr();
    // Hand-checked texts of the steady scenario.
    EXPECT_EQ(Field("edtDate"), "2025-08-07");
    EXPECT_EQ(Field("edtTime"), "09:05:03");
    EXPECT_EQ(Field("edtACV"), "221 V");
    EXPECT_EQ(Field("edtDCV"), "53.5 V");
    EXPECT_EQ(Field("edtBCA"), "+1.5 A");
    EXPECT_EQ(Field("edtRT"), "+25.3 C");
    EXPECT_EQ(Field("edtVer"), "V0.8 (25-8-7)");
    EXPECT_EQ(Field("edtIP"), "192.168.30.70");
    EXPECT_EQ(Field("edtMAC"), "0A.5E.21.FE.FF.10");
    EXPECT_EQ(Field("edtB_Model"), "아트라스");
    EXPECT_EQ(Field("edtDeviceID"), "0123456789");
    ExpectPageShows(console->MainWindow(), ExpectedView(*sim, "RTU"));

    ASSERT_TRUE(WaitFor(
        [this] {
            const auto j = sim->ReadJournal();
            return StatusExchange(j, "RTU").size() >= 12;
        },
        8000));
    EXPECT_EQ(StatusExchange(sim->ReadJournal(), "RTU").substr(0, 12), "RARARARARARA");
    EXPECT_NE(trace.str().find("RectMode >>  [ 00 ]\n"), std::string::npos);

    // The traffic lights blink with each request and reply and go back to their idle colours.
    auto *tx = Child<IndicatorWidget>(&console->MainWindow(), "pnl_TX");
    auto *rx = Child<IndicatorWidget>(&console->MainWindow(), "pnl_RX");
    EXPECT_TRUE(WaitFor([&] { return tx->Background() == QColor(0x00, 0x00, 0x80); }, 2000))
        << "TX never lit";
    EXPECT_TRUE(WaitFor([&] { return rx->Background() == QColor(0, 255, 0); }, 2000)) << "RX never lit";
    EXPECT_TRUE(WaitFor([&] { return tx->Background() == QColor(0x00, 0x80, 0x80); }, 2000))
        << "TX stayed lit";
    EXPECT_TRUE(WaitFor([&] { return rx->Background() == QColor(0x00, 0x80, 0x00); }, 2000))
        << "RX stayed lit";

    // A look at the live page: build/tests/e2e/main_window_live.png
    EXPECT_TRUE(console->MainWindow().grab().save(QDir::current().filePath("main_window_live.png")));
}

TEST_F(ConsoleWithSim, TcpLinkPollsInTurnAndShowsTheSameTexts) {
    StartSim(kSteadyScenario, true, false);
    StartConsole();
    Connect(LinkKind::Tcp);
    EXPECT_EQ(Child<IndicatorWidget>(&console->MainWindow(), "pnlConnect")->Background(), QColor(0, 255, 0));
    ASSERT_TRUE(WaitForDecode()) << sim->Stderr();
    ASSERT_TRUE(WaitFor(
        [this] {
            const auto j = sim->ReadJournal();
            return StatusExchange(j, "TCP").size() >= 10;
        },
        8000));
    ExpectPageShows(console->MainWindow(), ExpectedView(*sim, "TCP"));
    EXPECT_EQ(StatusExchange(sim->ReadJournal(), "TCP").substr(0, 10), "RARARARARA");
}

TEST_F(ConsoleWithSim, TcpConnectionDroppedByTheDeviceIsReestablishedByThePoll) {
    StartSim(R"({"steady": true, "faults": {"close_tcp_after": 3}})", true, false);
    StartConsole();
    Connect(LinkKind::Tcp);
    ASSERT_TRUE(WaitForDecode());
    // Three requests, a hang-up, then the poll reconnects and reads again on a fresh connection.
    ASSERT_TRUE(WaitFor(
        [this] {
            const auto j = sim->ReadJournal();
            return StatusReads(j, "TCP") >= 6;
        },
        15000))
        << sim->Stderr();
    uint64_t decodes = console->Controller().DecodeCount();
    EXPECT_TRUE(WaitFor([&] { return console->Controller().DecodeCount() > decodes; }, 5000))
        << "no status decoded on the new connection";
    // The device hangs up after every third request; the poll keeps connecting again.
    EXPECT_GE(console->Monitor().Counters().Reconnects, 1u);
}

QString Health(TMain_Form &w) {
    return Child<QLabel>(&w, "pnlLinkHealth")->text();
}

// The device's pseudo-terminal vanishes while polling: the values turn stale and the panel says why;
// when a device appears on the same path again the poll opens it and goes on by itself.
TEST_F(ConsoleWithSim, PseudoTerminalThatDisappearsIsShownAndReopenedByThePoll) {
    SimOptions first;
    first.scenarioJson = kSteadyScenario;
    first.tcp = false;
    first.link = false;
    sim = SimProcess::Start(first);
    ASSERT_TRUE(sim);
    // Our own stable path, pointed at whichever device is there, as a USB adapter's name would be.
    const std::string path = std::filesystem::path(sim->Dir()).parent_path().string() +
                             "/zephyra-e2e-ttyV0-" + std::to_string(::getpid());
    ::unlink(path.c_str());
    ASSERT_EQ(::symlink(sim->PtyPath().c_str(), path.c_str()), 0);
    ConsoleOptions options;
    options.ExtraSerialPaths << QString::fromStdString(path);
    StartConsole(options, UserLevel::User);
    TMain_Form &w = console->MainWindow();
    OnNextModal(&w, [&](QWidget *dialog) {
        Child<QRadioButton>(dialog, "Serial")->click();
        auto *ports = Child<QComboBox>(dialog, "PortSelect");
        const int index = ports->findData(QString::fromStdString(path));
        ASSERT_GE(index, 0);
        ports->setCurrentIndex(index);
        emit ports->activated(index);
        Child<QPushButton>(dialog, "BitBtn1")->click();
    });
    w.mConnectClick();
    ASSERT_TRUE(WaitForDecode());
    ASSERT_TRUE(WaitFor([&] { return Health(w).startsWith("정상"); }, 3000)) << Health(w).toStdString();
    EXPECT_FALSE(w.ValuesStale());

    sim->Stop();
    ASSERT_TRUE(WaitFor([&] { return Health(w).startsWith("시리얼 포트 끊김"); }, 1800))
        << Health(w).toStdString();
    EXPECT_TRUE(w.ValuesStale());
    // The Ethernet link text is a decoded value too: greyed like the fields.
    auto linkTextColour = [&] {
        return Child<QLabel>(&w, "ComSettingPanel3")->palette().color(QPalette::WindowText);
    };
    const QColor greyed = Child<QLineEdit>(&w, "edtACV")->palette().color(QPalette::Text);
    EXPECT_EQ(linkTextColour(), greyed);
    EXPECT_TRUE(w.grab().save(QDir::current().filePath("main_window_stale.png")));
    // The dead port must not spin: the event loop stays idle enough to run timers on time.
    QElapsedTimer t;
    t.start();
    QTest::qWait(300);
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_TRUE(w.Action("mDisconnect")->isEnabled());
    EXPECT_GE(console->Monitor().Counters().PortLosses, 1u);

    SimOptions second = first;
    sim = SimProcess::Start(second);
    ASSERT_TRUE(sim);
    ::unlink(path.c_str());
    ASSERT_EQ(::symlink(sim->PtyPath().c_str(), path.c_str()), 0);
    const uint64_t decodes = console->Controller().DecodeCount();
    EXPECT_TRUE(WaitFor([&] { return console->Controller().DecodeCount() > decodes; }, 5000))
        << "no status from the device on the same path";
    EXPECT_TRUE(WaitFor([&] { return !w.ValuesStale() && Health(w).startsWith("정상"); }, 3000))
        << Health(w).toStdString();
    EXPECT_NE(linkTextColour(), greyed);
    EXPECT_EQ(linkTextColour(), Child<QLineEdit>(&w, "edtACV")->palette().color(QPalette::Text));
    ::unlink(path.c_str());
}

// A device slower than the TCP poll period is decoded at its own pace, without counting errors; the polls
// held back meanwhile are counted where the link figures are.
TEST_F(ConsoleWithSim, SlowTcpDeviceIsDecodedAtItsOwnPace) {
    StartSim(R"({"steady": true, "faults": {"latency_ms": 1500, "one_at_a_time": true}})", true, false);
    StartConsole();
    Connect(LinkKind::Tcp);
    ASSERT_TRUE(WaitForDecode(8000)) << sim->Stderr();
    const uint64_t decodes = console->Controller().DecodeCount();
    const LinkCounters &c = console->Monitor().Counters();
    ASSERT_TRUE(
        WaitFor([&] { return console->Controller().DecodeCount() >= decodes + 3 && c.HeldBack > 0; }, 15000));
    EXPECT_LE(c.Timeouts, 1u);
    TMain_Form &w = console->MainWindow();
    EXPECT_FALSE(w.ValuesStale()) << Health(w).toStdString();
    const QString heldBack = QString::number(c.HeldBack);
    EXPECT_TRUE(Child<QLabel>(&w, "pnlLinkHealth")->toolTip().contains("보류된 폴링: " + heldBack + "건"))
        << Child<QLabel>(&w, "pnlLinkHealth")->toolTip().toStdString();
    w.Action("mTraffic")->trigger();
    QLabel *counters = nullptr;
    EXPECT_TRUE(WaitFor([&] {
        counters = w.findChild<QLabel *>("labCounters");
        return counters && counters->text().contains("보류 " + QString::number(c.HeldBack) + " ");
    })) << (counters ? counters->text().toStdString() : "no traffic monitor");
}

// Another client takes the device's one connection: the device closes ours and accepts our reconnect
// at once, which the panel and the counter call a takeover; the poll takes the connection back.
TEST_F(ConsoleWithSim, ATakenConnectionIsSaidInTheHealthPanel) {
    StartSim(kSteadyScenario, true, false);
    StartConsole();
    Connect(LinkKind::Tcp);
    ASSERT_TRUE(WaitForDecode());
    TMain_Form &w = console->MainWindow();
    ASSERT_TRUE(WaitFor([&] { return Health(w).startsWith("정상"); }));
    QTcpSocket technician;
    QString tip;
    technician.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(sim->TcpPort()));
    EXPECT_TRUE(WaitFor([&] {
        if (Health(w).startsWith("연결 끊김 (다른 클라이언트?)"))
            tip = Child<QLabel>(&w, "pnlLinkHealth")->toolTip();
        return console->Monitor().Counters().Takeovers == 1;
    })) << Health(w).toStdString();
    EXPECT_EQ(console->Monitor().Counters().LastError, kTakeoverText);
    EXPECT_TRUE(WaitFor([&] { return Health(w).startsWith("정상"); }, 10000)) << Health(w).toStdString();
    EXPECT_TRUE(tip.isEmpty() ||
                tip.startsWith("장비가 이 연결을 끊었습니다. 다른 클라이언트가 사용 중일 수 있습니다"))
        << tip.toStdString();
}

// No device yet: the panel says the console is retrying, and turns healthy once one appears.
TEST_F(ConsoleWithSim, FailedConnectSaysRetryingUntilTheDeviceAppears) {
    quint16 port = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
        port = probe.serverPort();
    }
    ConsoleOptions options;
    options.TcpPort = port;
    options.DefaultHost = "127.0.0.1";
    StartConsole(options, UserLevel::User);
    TMain_Form &w = console->MainWindow();
    OnNextModal(&w, [&](QWidget *dialog) {
        Child<QRadioButton>(dialog, "TCP")->click();
        OnNextModal(
            &w, [](QWidget *box) { CloseBox(box); }, 10000, dialog);
        Child<QPushButton>(dialog, "BitBtn1")->click();
    });
    w.mConnectClick();
    EXPECT_EQ(Health(w), "연결 안 됨 — 재시도 중");
    EXPECT_TRUE(w.ValuesStale());

    SimOptions device;
    device.scenarioJson = kSteadyScenario;
    device.pty = false;
    device.link = false;
    device.extraArgs = {"--tcp-port", std::to_string(port)};
    sim = SimProcess::Start(device);
    ASSERT_TRUE(sim);
    ASSERT_EQ(sim->TcpPort(), port);
    EXPECT_TRUE(WaitForDecode(10000));
    EXPECT_TRUE(WaitFor([&] { return Health(w).startsWith("정상"); }, 5000)) << Health(w).toStdString();
    EXPECT_GE(console->Monitor().Counters().Reconnects, 1u);
}

// A poor serial line: each fault shows in its counter and as a line of the traffic window.
TEST_F(ConsoleWithSim, LineFaultsAreCountedAndListed) {
    StartSim(R"({"steady": true, "faults": {"drop_every": 4, "corrupt_crc_every": 3,
                 "noise_before": "00 FF"}})",
             false, true);
    StartConsole();
    Connect(LinkKind::Serial);
    const LinkCounters &c = console->Monitor().Counters();
    ASSERT_TRUE(WaitFor([&] { return c.Timeouts >= 1 && c.CrcErrors >= 1; }, 15000))
        << "time-outs " << c.Timeouts << " CRC " << c.CrcErrors;
    EXPECT_GE(c.Dropped[static_cast<std::size_t>(DropReason::Noise)], 1u);

    console->MainWindow().Action("mTraffic")->trigger();
    auto *traffic = console->MainWindow().findChild<TfrmTraffic *>("TfrmTraffic");
    ASSERT_TRUE(traffic);
    EXPECT_TRUE(traffic->isVisible());
    EXPECT_FALSE(QApplication::activeModalWidget()) << "the monitor must leave the main window usable";
    traffic->Refresh();
    const QString text = Child<QPlainTextEdit>(traffic, "lstTraffic")->toPlainText();
    for (const char *meaning :
         {"상태 읽기 127개 레지스터", "상태 응답 254바이트", "버림: CRC 불일치", "버림: 잡음"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(meaning))) << meaning;
    const QString counters = Child<QLabel>(traffic, "labCounters")->text();
    EXPECT_FALSE(counters.isEmpty());
    EXPECT_TRUE(traffic->grab().save(QDir::current().filePath("traffic_window_busy.png")));
    EXPECT_TRUE(console->MainWindow().grab().save(QDir::current().filePath("main_window_poor_line.png")));
}

QString Panel(TMain_Form &w, int i) {
    return Child<QLabel>(&w, QStringLiteral("ComSettingPanel%1").arg(i).toLatin1().constData())->text();
}

// Answers the disconnect/logout question with its confirm button.
void Confirm(TMain_Form &w, void (TMain_Form::*command)()) {
    OnNextModal(&w, [](QWidget *dialog) { Child<QPushButton>(dialog, "BitBtn1")->click(); });
    (w.*command)();
}

// After a disconnect the status bar shows no port and no device link; after a logout no level. A
// connection window then left without a choice polls nothing, not even the last host.
TEST_F(ConsoleWithSim, DisconnectAndLogoutLeaveTheStatusBarTrueAndNoChoiceMeansNoPoll) {
    StartSim(kSteadyScenario, true, false);
    StartConsole(UserLevel::Admin);
    TMain_Form &w = console->MainWindow();
    EXPECT_EQ(Panel(w, 1), "  Admin User Mode");
    Connect(LinkKind::Tcp);
    ASSERT_TRUE(WaitForDecode()) << sim->Stderr();
    EXPECT_EQ(Panel(w, 2), "127.0.0.1");
    EXPECT_FALSE(Panel(w, 3).isEmpty());

    Confirm(w, &TMain_Form::mDisconnectClick);
    EXPECT_EQ(Panel(w, 2), "Not connected");
    EXPECT_EQ(Panel(w, 3), "");
    EXPECT_TRUE(w.Action("mConnect")->isEnabled());
    const std::size_t readsBefore = StatusReads(sim->ReadJournal(), "TCP");

    for (bool closeBox : {false, true}) {
        OnNextModal(&w, [&](QWidget *dialog) {
            if (!closeBox) {
                QString shown;
                OnNextModal(
                    &w,
                    [&](QWidget *box) {
                        shown = BoxText(box);
                        CloseBox(box);
                    },
                    5000, dialog);
                // The button is disabled until a choice; assistive tools may still press it.
                qobject_cast<TfrmComPort *>(dialog)->Btn_OK();
                EXPECT_EQ(shown, "Please, Select Port");
            }
            dialog->close();
        });
        w.mConnectClick();
        EXPECT_FALSE(console->Controller().Ticking()) << (closeBox ? "close box" : "no choice");
    }
    QTest::qWait(1200); // longer than a TCP poll period
    EXPECT_EQ(StatusReads(sim->ReadJournal(), "TCP"), readsBefore);
    EXPECT_TRUE(w.Action("mConnect")->isEnabled());

    Confirm(w, &TMain_Form::mLogoutClick);
    EXPECT_EQ(Panel(w, 1), "");
    EXPECT_TRUE(w.Action("mLogin")->isEnabled());
}

// The connection window's failure message, for a host that refuses and for one that never answers.
TEST_F(ConsoleWithSim, TcpConnectFailureIsReportedWithinSecondsWithoutFreezing) {
    // Refusing: a port nobody listens on.
    quint16 refused = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
        refused = probe.serverPort();
    }
    // Never answering: a listener whose backlog is full and that never accepts, so SYNs are dropped.
    int silent = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(silent, 0), 0);
    socklen_t len = sizeof addr;
    ::getsockname(silent, reinterpret_cast<sockaddr *>(&addr), &len);
    std::vector<std::unique_ptr<QTcpSocket>> fillers;
    for (int i = 0; i < 4; ++i) {
        fillers.push_back(std::make_unique<QTcpSocket>());
        fillers.back()->connectToHost(QHostAddress::LocalHost, ntohs(addr.sin_port));
    }
    QTest::qWait(200);

    for (quint16 port : {refused, static_cast<quint16>(ntohs(addr.sin_port))}) {
        ConsoleOptions options;
        options.TcpPort = port;
        options.DefaultHost = "127.0.0.1";
        StartConsole(options, UserLevel::User);
        QString message;
        int ticksDuringConnect = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticksDuringConnect; });
        ticker.start(50);
        OnNextModal(&console->MainWindow(), [&](QWidget *dialog) {
            Child<QRadioButton>(dialog, "TCP")->click();
            OnNextModal(
                &console->MainWindow(),
                [&](QWidget *box) {
                    message = BoxText(box);
                    CloseBox(box);
                },
                10000, dialog);
            Child<QPushButton>(dialog, "BitBtn1")->click();
        });
        QElapsedTimer t;
        t.start();
        console->MainWindow().mConnectClick();
        EXPECT_EQ(message, "Please, Check PC Lan Port Connection!") << "port " << port;
        EXPECT_LT(t.elapsed(), 6000);
        if (port != refused) {
            EXPECT_GT(ticksDuringConnect, 20) << "the window froze during the connect";
        }
        EXPECT_TRUE(console->Controller().Ticking()) << "the poll retries the connection";
    }
    ::close(silent);
}

} // namespace
} // namespace zephyra::test
