// Site profiles against zephyra-sim: saved from one controller, applied to another through the console's
// write sequence (what reaches the device, in which order, what each setting ends as), compared by
// zephyra-cli, and the commissioning report read back from its PDF.
#include <QMenu>
#include <QMessageBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <algorithm>
#include <csignal>
#include <memory>
#include <sys/resource.h>

#include "e2e/console_fixture.h"
#include "profile/report_pdf_endpoint.h"

namespace zephyra::test {
namespace {

using S = ProfileSetting;

// Device A: set-points, Ethernet speed and one access range off the factory values of device B.
constexpr const char *kDeviceA =
    R"({"steady": true, "registers": {"ACHigh": 260, "DCLow": 450, "EthSpeed": 1},
    "acl": {"enabled": true, "added": [["10.0.0.1", "10.0.0.254"], ["0.0.0.0", "0.0.0.0"], ["0.0.0.0", "0.0.0.0"],
    ["0.0.0.0", "0.0.0.0"], ["0.0.0.0", "0.0.0.0"]]}})";
constexpr const char *kDeviceB = R"({"steady": true})";
// Device B refusing the AC high-voltage register.
constexpr const char *kDeviceBRefusing =
    R"({"steady": true, "faults": {"exception_registers": [37], "exception_code": 2}})";

struct Write {
    int Address, Value;
    bool operator==(const Write &) const = default;
};
std::ostream &operator<<(std::ostream &os, const Write &w) {
    return os << std::hex << "0x" << w.Address << " := 0x" << w.Value << std::dec;
}

// The single-register writes the device received on a link ("RTU" or "TCP"), in order.
std::vector<Write> JournalWrites(const SimProcess &sim, const std::string &link = "RTU") {
    std::vector<Write> out;
    for (const Bytes &f : JournalFrames(sim.ReadJournal(), link, "RX")) {
        const ByteView unit = FrameUnit(link == "TCP" ? LinkKind::Tcp : LinkKind::Serial, f);
        if (unit.size() == 6 && unit[1] == 0x06)
            out.push_back({unit[2] << 8 | unit[3], unit[4] << 8 | unit[5]});
    }
    return out;
}

const std::vector<Write> kAllDifferences{{0x28, 450},    {0x25, 260},    {0x4D, 0x00FE}, {0x4C, 0x0A00},
                                         {0x4B, 0x0001}, {0x4A, 0x0A00}, {0x49, 1},      {0x3C, 1}};

class ProfileWithSim : public ConsoleWithSim {
protected:
    // Saves device A's profile, then leaves the console connected to device B.
    void SaveFromAThenConnectTo(const char *deviceB, LinkKind linkToB = LinkKind::Serial) {
        StartSim(kDeviceA);
        StartConsole(UserLevel::Admin);
        Connect(LinkKind::Serial);
        ASSERT_TRUE(WaitForDecode());
        profilePath = QDir::tempPath().toStdString() + "/zephyra_profile_" +
                      std::to_string(QCoreApplication::applicationPid()) + ".json";
        ASSERT_EQ(SaveProfile(console->Profiles(), QString::fromStdString(profilePath)), "");
        console.reset();
        sim->Stop();
        StartSim(deviceB);
        StartConsole(UserLevel::Admin);
        // Nothing to save, compare or apply before a status has been read.
        EXPECT_NE(LiveValuesRefusal(console->Profiles()), "");
        EXPECT_FALSE(ProfileApplyAllowed(console->Profiles()));
        Connect(LinkKind::Serial);
        ASSERT_TRUE(WaitForDecode());
        if (linkToB == LinkKind::Tcp) {
            // Only a serial decode enables the operating settings; they stay so when the link changes.
            const uint64_t decodes = console->Controller().DecodeCount();
            Connect(LinkKind::Tcp);
            ASSERT_TRUE(WaitFor([&] { return console->Controller().DecodeCount() > decodes; }));
            ASSERT_EQ(console->Controller().Link(), LinkKind::Tcp);
        }
        ASSERT_TRUE(ProfileApplyAllowed(console->Profiles()));
        ASSERT_EQ(LoadProfile(QString::fromStdString(profilePath), profile), "");
    }

    // Answers every window the apply opens: the question (Yes or No), message boxes (kept) and the result.
    void AnswerApply(bool yes) {
        auto *timer = new QTimer(&console->MainWindow());
        QObject::connect(timer, &QTimer::timeout, timer, [this, yes] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible())
                return;
            if (modal->objectName() == "ProfileApplyQuestion") {
                qobject_cast<QMessageBox *>(modal)->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
            } else if (auto *grid = modal->findChild<QTableWidget *>("grdResult")) {
                // The window opens when the writes end; its rows are final once the apply told its results.
                if (!told)
                    return;
                for (int r = 0; r < grid->rowCount(); ++r)
                    resultRows << grid->item(r, 0)->text() + " | " + grid->item(r, 3)->text();
                CloseBox(modal);
            } else {
                boxes << BoxText(modal);
                CloseBox(modal);
            }
        });
        timer->start(10);
    }

    // Downloads a log through its menu command to the completion message, then closes its window.
    void DownloadLog(const char *action) {
        bool done = false;
        OnNextModal(&console->MainWindow(), [&](QWidget *win) {
            OnNextModal(
                win, [&](QWidget *box) { CloseBox(box), done = true; }, 60000, win);
            WaitFor([&] { return done; }, 60000);
            auto *close = Child<QPushButton>(win, "bbtClose");
            WaitFor([&] { return close->isEnabled(); });
            close->click();
        });
        console->MainWindow().Action(action)->trigger();
        ASSERT_TRUE(WaitFor([&] { return done && !QApplication::activeModalWidget(); }, 120000)) << action;
    }

    // Applies the profile and waits, without blocking the console, until it told its results and the
    // result window (if any) was read and closed.
    std::vector<ProfileApplyResult> Apply() {
        std::vector<ProfileApplyResult> got;
        told = false;
        ApplyProfile(console->Profiles(), &console->MainWindow(), profile,
                     [&](const std::vector<ProfileApplyResult> &r) { got = r, told = true; });
        EXPECT_TRUE(WaitFor([&] { return told && !QApplication::activeModalWidget(); }, 60000));
        return got;
    }

    std::map<S, ApplyOutcome> Outcomes(const std::vector<ProfileApplyResult> &results) {
        std::map<S, ApplyOutcome> out;
        for (const ProfileApplyResult &r : results)
            out[r.Setting] = r.Outcome;
        return out;
    }

    void TearDown() override {
        if (!profilePath.empty())
            QFile::remove(QString::fromStdString(profilePath));
        ConsoleWithSim::TearDown();
    }

    std::string profilePath;
    SiteProfile profile;
    QStringList boxes, resultRows;
    bool told = false;
};

TEST_F(ProfileWithSim, ApplyWritesExactlyTheDifferencesInTheDialogsOrderAndConfirmsEach) {
    SaveFromAThenConnectTo(kDeviceB);
    // zephyra-cli sees the differences before, and none after.
    const std::vector<std::string> diff{
        ZEPHYRA_CLI_PATH, "--tcp", "127.0.0.1:" + std::to_string(sim->TcpPort()),
        "profile",        "diff",  profilePath};
    SimRun before = RunToEnd(diff);
    EXPECT_EQ(before.exitCode, 3) << before.err;
    EXPECT_NE(before.out.find("ac_high_voltage (AC 고전압): device 270 V, profile 260 V"), std::string::npos)
        << before.out;
    EXPECT_NE(
        before.out.find("acl_range_1 (ACL #1): device 0.0.0.0 ~ 0.0.0.0, profile 10.0.0.1 ~ 10.0.0.254"),
        std::string::npos)
        << before.out;

    // Both logs go into the report, though the second download clears the first one's rows.
    DownloadLog("mAlarmLog");
    DownloadLog("mEventLog");

    AnswerApply(true);
    const auto results = Apply();
    EXPECT_EQ(JournalWrites(*sim), kAllDifferences);
    const auto outcomes = Outcomes(results);
    for (S s : {S::DCUV, S::ACOV, S::EthSpeed, S::AclEnable, S::AclRange1})
        EXPECT_EQ(outcomes.at(s), ApplyOutcome::Confirmed) << InfoOf(s).Key;
    EXPECT_EQ(outcomes.at(S::ACUV), ApplyOutcome::Unchanged);
    EXPECT_TRUE(resultRows.contains("AC 고전압 | 기록, 다음 상태 읽기에서 확인됨"))
        << resultRows.join("\n").toStdString();
    EXPECT_EQ(boxes, QStringList{" Setting Sucess!!"});

    SimRun after = RunToEnd(diff);
    EXPECT_EQ(after.exitCode, 0) << after.out << after.err;
    EXPECT_EQ(after.out, "");

    // The report of the device as it now is.
    const QString pdf = QString::fromStdString(sim->Dir()) + "/report.pdf";
    ASSERT_EQ(SaveReport(console->Profiles(), nullptr, pdf), "");
    SimRun text = RunToEnd({"/usr/bin/pdftotext", "-layout", pdf.toStdString(), "-"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    for (const QString &expected :
         {QString("ZEPHYRA-M10 시운전 보고서"), QString("펌웨어 버전"), Field("edtVer"), QString("260 V"),
          QString("45.0 V"), QString("170 V"), QString("58.0 V"), QString("3 A"), QString("10M"),
          QString("10.0.0.1 ~ 10.0.0.254"), QString("0.0.0.0 ~ 0.0.0.0"), QString("기술자 이름"),
          QString("이력: 알람 이력"), QString("기록 24건 중 마지막 20건"), QString("이력: 이벤트 이력"),
          QString("기록 36건 중 마지막 20건")})
        EXPECT_TRUE(QString::fromStdString(text.out).contains(expected)) << expected.toStdString();
    if (qEnvironmentVariableIsSet("ZEPHYRA_KEEP_REPORT"))
        QFile::copy(pdf, qEnvironmentVariable("ZEPHYRA_KEEP_REPORT"));

    // zephyra-cli hands the report to its Qt Gui build: the same device's set-points in its PDF.
    const std::string cliPdf = sim->Dir() + "/cli_report.pdf";
    SimRun cli = RunToEnd(
        {ZEPHYRA_CLI_PATH, "--tcp", "127.0.0.1:" + std::to_string(sim->TcpPort()), "report", cliPdf});
    ASSERT_EQ(cli.exitCode, 0) << cli.err;
    text = RunToEnd({"/usr/bin/pdftotext", "-layout", cliPdf, "-"});
    for (const char *expected : {"ZEPHYRA-M10 시운전 보고서", "260 V", "10.0.0.1 ~ 10.0.0.254"})
        EXPECT_NE(text.out.find(expected), std::string::npos) << expected;
}

TEST_F(ProfileWithSim, ARefusedWriteStopsTheRestAndIsReportedBySetting) {
    SaveFromAThenConnectTo(kDeviceBRefusing);
    AnswerApply(true);
    const auto outcomes = Outcomes(Apply());
    EXPECT_EQ(JournalWrites(*sim), (std::vector<Write>{{0x28, 450}, {0x25, 260}}));
    EXPECT_EQ(outcomes.at(S::DCUV), ApplyOutcome::Confirmed);
    EXPECT_EQ(outcomes.at(S::ACOV), ApplyOutcome::Refused);
    for (S s : {S::EthSpeed, S::AclEnable, S::AclRange1})
        EXPECT_EQ(outcomes.at(s), ApplyOutcome::NotSent) << InfoOf(s).Key;
    EXPECT_TRUE(resultRows.contains("AC 고전압 | 거부됨: 잘못된 데이터 주소"))
        << resultRows.join("\n").toStdString();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].startsWith(" Setting Fail!!")) << boxes[0].toStdString();
}

// Over TCP the set-points are written; the access list and Ethernet speed, which only the serial link may
// write, are reported not sent, with the reason.
TEST_F(ProfileWithSim, OverTcpTheSetPointsAreWrittenAndTheAccessListIsWithheld) {
    SaveFromAThenConnectTo(kDeviceB, LinkKind::Tcp);
    AnswerApply(true);
    const auto outcomes = Outcomes(Apply());
    EXPECT_EQ(JournalWrites(*sim, "TCP"), (std::vector<Write>{{0x28, 450}, {0x25, 260}}));
    EXPECT_TRUE(JournalWrites(*sim, "RTU").empty());
    for (S s : {S::DCUV, S::ACOV})
        EXPECT_EQ(outcomes.at(s), ApplyOutcome::Confirmed) << InfoOf(s).Key;
    for (S s : {S::EthSpeed, S::AclEnable, S::AclRange1})
        EXPECT_EQ(outcomes.at(s), ApplyOutcome::Withheld) << InfoOf(s).Key;
    EXPECT_TRUE(resultRows.contains("ACL #1 | 보내지 않음: ACL은 시리얼 연결에서만 쓸 수 있음"))
        << resultRows.join("\n").toStdString();
    EXPECT_EQ(boxes, QStringList{" Setting Sucess!!"});
}

// A device that echoes each write only after 6 s: the sequence ends at its 3 s deadline and the result
// window lists what the journal shows: the first write went in (no echo in time, but the next status read
// shows its value), the rest never went out. Its late echo sends nothing more.
TEST_F(ProfileWithSim, ASlowEchoEndsTheApplyAtItsDeadlineAndTheResultIsWhatTheDeviceGot) {
    for (LinkKind link : {LinkKind::Serial, LinkKind::Tcp}) {
        SCOPED_TRACE(link == LinkKind::Serial ? "serial" : "TCP");
        ConsoleWithSim::TearDown();
        boxes.clear();
        resultRows.clear();
        SaveFromAThenConnectTo(R"({"steady": true, "faults": {"write_latency_ms": 6000}})", link);
        const std::string j = link == LinkKind::Tcp ? "TCP" : "RTU";
        AnswerApply(true);
        const auto outcomes = Outcomes(Apply());
        EXPECT_EQ(JournalWrites(*sim, j), (std::vector<Write>{{0x28, 450}}));
        EXPECT_EQ(outcomes.at(S::DCUV), ApplyOutcome::Unconfirmed);
        EXPECT_EQ(outcomes.at(S::ACOV), ApplyOutcome::NotSent);
        EXPECT_TRUE(resultRows.contains("DC 저전압 | 보냈으나 응답 없음 — 다음 상태 읽기에서 장비에 들어간 것이 확인됨"))
            << resultRows.join("\n").toStdString();
        EXPECT_TRUE(resultRows.contains("AC 고전압 | 보내지 않음: 앞의 쓰기가 응답 시간 안에 확인되지 않음"))
            << resultRows.join("\n").toStdString();
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_TRUE(boxes[0].startsWith("설정 응답 시간 초과")) << boxes[0].toStdString();
        // The device answers in order, so the status that settled the result left after the echo; two
        // status reads later nothing more has reached the device.
        const auto echoes = JournalFrames(sim->ReadJournal(), j, "TX");
        EXPECT_TRUE(std::any_of(echoes.begin(), echoes.end(), [&](const Bytes &f) {
            return FrameUnit(link, f).size() == 6 && FrameUnit(link, f)[1] == 0x06;
        }));
        for (int i = 0; i < 2; ++i) {
            const uint64_t decodes = console->Controller().DecodeCount();
            ASSERT_TRUE(WaitFor([&] { return console->Controller().DecodeCount() > decodes; }, 10000));
        }
        EXPECT_EQ(JournalWrites(*sim, j).size(), 1u);
    }
}

TEST_F(ProfileWithSim, NoAtTheQuestionSendsNothing) {
    SaveFromAThenConnectTo(kDeviceB);
    AnswerApply(false);
    EXPECT_TRUE(Apply().empty());
    // The poll goes on as before: the next status arrives and still nothing was written.
    const uint64_t decodes = console->Controller().DecodeCount();
    ASSERT_TRUE(WaitFor([&] { return console->Controller().DecodeCount() > decodes; }));
    EXPECT_TRUE(JournalWrites(*sim).empty());
    EXPECT_TRUE(resultRows.isEmpty());
}

TEST_F(ProfileWithSim, CompareWindowMarksTheDifferencesAndSavesThemAsCsv) {
    SaveFromAThenConnectTo(kDeviceB);
    const QString csv = QString::fromStdString(sim->Dir()) + "/compare.csv";
    console->Profiles().ChooseFile = [csv](QWidget *, const QString &, bool) { return csv; };
    TfrmProfileCompare window(console->Profiles(), profile, QString::fromStdString(profilePath));
    auto *grid = Child<QTableWidget>(&window, "grdCompare");
    QStringList differ, highlighted;
    for (int r = 0; r < grid->rowCount(); ++r) {
        if (grid->item(r, 4)->text() == "다름")
            differ << grid->item(r, 0)->text();
        if (grid->item(r, 2)->background().style() != Qt::NoBrush)
            highlighted << grid->item(r, 0)->text();
    }
    const QStringList expected{"AC 고전압", "DC 저전압", "Ethernet Speed", "ACL 사용", "ACL #1"};
    EXPECT_EQ(differ, expected);
    EXPECT_EQ(highlighted, expected);
    OnNextModal(&window, [](QWidget *box) { CloseBox(box); });
    Child<QPushButton>(&window, "btnSaveCsv")->click();
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), 1 + static_cast<int>(kProfileSettings));
    EXPECT_TRUE(lines.contains("AC 고전압,0x0025,270,260,다름")) << lines.join("\n").toStdString();
}

QByteArray FileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// pdftotext's pages, each cut into its non-blank lines.
std::vector<QStringList> PdfPages(const std::string &pdf) {
    const SimRun text = RunToEnd({"/usr/bin/pdftotext", "-layout", pdf, "-"});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    std::vector<QStringList> pages;
    for (const QString &page : QString::fromStdString(text.out).split('\f', Qt::SkipEmptyParts)) {
        QStringList lines;
        for (const QString &line : page.split('\n'))
            if (!line.trimmed().isEmpty())
                lines << line.simplified();
        pages.push_back(lines);
    }
    return pages;
}

// Device A on serial, then device B on TCP: B answers its first status 4 s late and holds other values.
TEST_F(ProfileWithSim, ValuesBelongToTheLinkTheyCameFrom) {
    StartSim(R"({"steady": true, "device_id": "1111100001", "registers": {"ACHigh": 260}})");
    SimOptions slow;
    slow.scenarioJson = R"({"steady": true, "device_id": "2222200002", "registers": {"ACHigh": 250},
        "faults": {"latency_ms": 4000}})";
    slow.pty = slow.link = false;
    std::string error;
    std::unique_ptr<SimProcess> b = SimProcess::Start(slow, &error);
    ASSERT_TRUE(b) << error;
    ConsoleOptions options;
    options.ExtraSerialPaths << QString::fromStdString(sim->LinkPath());
    options.TcpPort = static_cast<quint16>(b->TcpPort());
    options.DefaultHost = "127.0.0.1";
    options.ProgramDir = QString::fromStdString(sim->Dir());
    StartConsole(options, UserLevel::Admin);
    ProfileContext &ctx = console->Profiles();
    const QString dir = QString::fromStdString(sim->Dir());
    const QString json = dir + "/site.json", pdf = dir + "/report.pdf";

    Connect(LinkKind::Serial);
    ASSERT_TRUE(WaitForDecode());
    EXPECT_EQ(SaveProfile(ctx, json), "");

    Connect(LinkKind::Tcp);
    const QString noReply = LiveValuesRefusal(ctx);
    EXPECT_TRUE(noReply.startsWith("이 연결에서 장비가 아직 응답하지 않았습니다")) << noReply.toStdString();
    EXPECT_EQ(SaveReport(ctx, nullptr, pdf), noReply);
    EXPECT_EQ(SaveProfile(ctx, dir + "/b.json"), noReply);
    EXPECT_FALSE(QFile::exists(pdf) || QFile::exists(dir + "/b.json"));
    QString box;
    OnNextModal(&console->MainWindow(), [&](QWidget *w) { box = BoxText(w), CloseBox(w); });
    // The item is open as the menu shows it; the refusal then says why.
    auto *compare = console->MainWindow().findChild<QAction *>("mProfileCompare");
    emit qobject_cast<QMenu *>(compare->parent())->aboutToShow();
    compare->trigger();
    ASSERT_TRUE(WaitFor([&] { return !box.isEmpty(); }));
    EXPECT_TRUE(box.contains(noReply)) << box.toStdString();

    ASSERT_TRUE(WaitForDecode(15000));
    EXPECT_EQ(SaveReport(ctx, nullptr, pdf), "");
    QString text;
    for (const QStringList &page : PdfPages(pdf.toStdString()))
        text += page.join('\n');
    for (const char *expected : {"2222200002", "250 V", "127.0.0.1"})
        EXPECT_TRUE(text.contains(expected)) << expected;
    EXPECT_FALSE(text.contains("1111100001") || text.contains("260 V"));

    // A full disk (a write that fails past 8 KiB): the old files stay as they were, no part is left,
    // and the failure says why.
    const QByteArray oldPdf(6000, 'p'), oldJson(500, 'j');
    for (const auto &[path, bytes] : {std::pair{pdf, oldPdf}, std::pair{json, oldJson}}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    struct rlimit before {};
    getrlimit(RLIMIT_FSIZE, &before);
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = before;
    small.rlim_cur = 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    const QString reportError = SaveReport(ctx, nullptr, pdf);
    const QString profileError = SaveProfile(ctx, json);
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldSignal);
    EXPECT_TRUE(reportError.startsWith("보고서를 저장하지 못했습니다: 파일에 쓸 수 없습니다 ("))
        << reportError.toStdString();
    EXPECT_TRUE(profileError.startsWith("프로필을 저장하지 못했습니다: 파일에 쓸 수 없습니다 ("))
        << profileError.toStdString();
    EXPECT_EQ(FileBytes(pdf), oldPdf);
    EXPECT_EQ(FileBytes(json), oldJson);
    EXPECT_TRUE(QDir(dir).entryList({"*.part"}).isEmpty());

    // Silent, then gone.
    b->Stop();
    ASSERT_TRUE(WaitFor([&] { return console->Controller().Health().Stale; }, 15000));
    EXPECT_TRUE(LiveValuesRefusal(ctx).startsWith("값이 ")) << LiveValuesRefusal(ctx).toStdString();
    console->Link().Disconnect();
    EXPECT_EQ(LiveValuesRefusal(ctx), "장비에 연결되어 있지 않습니다. 연결한 뒤 다시 하십시오.");
}

// What the customer reads: the site, the profile check, the active alarms with room for a remark, units,
// and no table cut so that its heading or a lone row closes a page.
TEST_F(ProfileWithSim, CommandLineReportForTheCustomer) {
    StartSim(R"({"steady": true, "registers": {"AlarmBits": "0x41"}})");
    const std::string tcp = "127.0.0.1:" + std::to_string(sim->TcpPort());
    const std::string json = sim->Dir() + "/site.json", pdf = sim->Dir() + "/site.pdf";
    ASSERT_EQ(RunToEnd({ZEPHYRA_CLI_PATH, "--tcp", tcp, "profile", "save", json}).exitCode, 0);
    const SimRun run = RunToEnd({ZEPHYRA_CLI_PATH, "--tcp", tcp, "report", pdf, "--site", "Harbour Rack 7",
                                 "--technician", "J. Park", "--profile", json});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<QStringList> pages = PdfPages(pdf);
    QStringList lines;
    for (const QStringList &page : pages)
        lines << page;
    for (const char *expected :
         {"현장 이름 Harbour Rack 7", "기술자 J. Park", "프로필 site.json과(와) 대조: 일치합니다",
          "경보 상태 비고", "AC입력 전원이상 ON", "축전지 차단 ON", "AC 입력 전압 221 V",
          "DC 출력 전압 53.5 V", "부하 전류 12.3 A", "AC 고전압 270 V", "충전전류 제한 3 A"})
        EXPECT_TRUE(lines.contains(expected)) << expected << "\n" << lines.join('\n').toStdString();
    // The tables' own headers: a page that ends in one, or in its first row, cut the table badly.
    const QStringList headers{"항목 값", "경보 상태 비고", "램프 상태"};
    for (std::size_t p = 0; p + 1 < pages.size(); ++p) {
        const QStringList &page = pages[p];
        for (int back = 1; back <= 2 && back <= page.size(); ++back)
            EXPECT_FALSE(headers.contains(page[page.size() - back]))
                << "page " << p + 1 << " ends:\n"
                << page.mid(page.size() - 3).join('\n').toStdString();
    }
}

// The signature lines share a page however long the tables above them run.
TEST(ReportPdf, SignatureLinesAreNeverSplitAcrossPages) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath("report.pdf");
    for (int rows = 60; rows <= 100; ++rows) {
        CommissioningReport report{"보고서", {{"표", {"항목", "값"}, {}, "", false}}, {"이름: A", "서명: B", "날짜: C"}};
        for (int i = 0; i < rows; ++i)
            report.Tables[0].Rows.push_back({"항목 " + std::to_string(i), "값"});
        ASSERT_EQ(WriteReportPdf(report, pdf, true, TextTranslator()), "");
        const std::vector<QStringList> pages = PdfPages(pdf.toStdString());
        const auto onLast = std::count_if(report.SignatureLines.begin(), report.SignatureLines.end(),
                                          [&](const std::string &l) {
                                              return pages.back().contains(QString::fromStdString(l));
                                          });
        EXPECT_EQ(onLast, 3) << rows << " rows";
    }
}

} // namespace
} // namespace zephyra::test
