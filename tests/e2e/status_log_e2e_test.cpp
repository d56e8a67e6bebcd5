// The Log page of the console against zephyra-sim: real Timer5 periods, lines from what the device sent,
// files in the program's directory.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <set>

#include "e2e/console_fixture.h"
#include "history/status_log.h"
#include "history/status_log_page.h"

namespace zephyra::test {
namespace {

// The device's clock runs and its measured values wander, so consecutive lines differ.
// One log line for every status block the simulator sent on a link.
std::set<std::string> LinesFromJournal(const SimProcess &sim, const std::string &link) {
    std::set<std::string> lines;
    for (const Bytes &block : SentStatusBlocks(sim, link)) {
        StatusSnapshot snapshot;
        StatusViewModel view;
        DecodeStatus(block, snapshot, view);
        lines.insert(LogLine(snapshot));
    }
    return lines;
}

class StatusLogWithSim : public ConsoleWithSim {
protected:
    void OpenLogPage() {
        Child<QTabWidget>(&console->MainWindow(), "PageControl1")
            ->setCurrentWidget(console->MainWindow().LogPage());
        page = Child<TStatusLogPage>(&console->MainWindow(), "LocalStatusLog");
        ASSERT_NE(page, nullptr);
        memo = Child<QPlainTextEdit>(page, "mmLogo");
        // What the Information page showed at the moment each line went into the memo.
        QObject::connect(memo, &QPlainTextEdit::blockCountChanged, memo, [this](int) {
            std::string line =
                "[" + Field("edtDate").toStdString() + "  " + Field("edtTime").toStdString() + "] ; ";
            for (const char *name : {"edtACV", "edtDCV", "edtLCA", "edtBCA", "edtRT"})
                line += Field(name).toStdString() + " ; ";
            shown.push_back(line + console->Controller().Snapshot().AlarmText + " ; ");
            shownAtMs.push_back(clock.elapsed());
        });
        clock.start();
    }
    void Click(const char *name) { QTest::mouseClick(Child<QWidget>(page, name), Qt::LeftButton); }
    std::vector<std::string> MemoLines() const {
        std::vector<std::string> lines;
        for (const QString &line : memo->toPlainText().split('\n'))
            lines.push_back(line.toStdString());
        return lines;
    }
    QStringList LogFiles() const {
        return QDir(QString::fromStdString(sim->Dir()))
            .entryList({"ZEPHYRA-M10_*.txt"}, QDir::Files, QDir::Name);
    }
    std::string ReadLogFile(const QString &name) const {
        QFile f(QDir(QString::fromStdString(sim->Dir())).filePath(name));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll().toStdString();
    }

    TStatusLogPage *page = nullptr;
    QPlainTextEdit *memo = nullptr;
    QElapsedTimer clock;
    std::vector<std::string> shown;
    std::vector<qint64> shownAtMs;
};

TEST_F(StatusLogWithSim, SerialLogTakesWhatTheDeviceSentEachPeriodAndExitKeepsIt) {
    StartSim(kMovingScenario);
    StartConsole();
    Connect(LinkKind::Serial);
    ASSERT_TRUE(WaitForDecode()) << sim->Stderr();
    OpenLogPage();

    Click("btnLogo");
    const qint64 startedAt = clock.elapsed();
    EXPECT_EQ(MemoLines(), LogHeader()) << "the header comes at once, the first line one period later";
    ASSERT_TRUE(WaitFor([this] { return memo->blockCount() >= 8; }, 10000));

    const std::vector<std::string> lines = MemoLines();
    ASSERT_EQ(lines.size(), 8u);
    ASSERT_EQ(shown.size(), 3u); // the header, then one per line
    // Coarse timers may fire up to 5 % early; about a full period lies between start and each line.
    EXPECT_GE(shownAtMs[1] - startedAt, 1800);
    EXPECT_GE(shownAtMs[2] - shownAtMs[1], 1800);
    const std::set<std::string> sent = LinesFromJournal(*sim, "RTU");
    for (std::size_t i : {6u, 7u}) {
        EXPECT_EQ(lines[i], shown[i - 5]) << "the line shows what the page showed";
        EXPECT_TRUE(sent.count(lines[i])) << lines[i] << " was not sent by the device";
    }
    EXPECT_NE(lines[6], lines[7]) << "the device's clock runs";
    EXPECT_EQ(lines[6].rfind("[2025-08-07  09:0", 0), 0u) << lines[6];

    console->MainWindow().mExitClick();
    const QStringList files = LogFiles();
    ASSERT_EQ(files.size(), 1);
    std::string text;
    for (const std::string &line : lines)
        text += line + "\r\n";
    EXPECT_EQ(ReadLogFile(files[0]), ToCp949(text));
}

TEST_F(StatusLogWithSim, TcpLogTakesANewPeriodWhileRunningAndStopStartAddsAHeader) {
    StartSim(kMovingScenario, true, false);
    StartConsole();
    Connect(LinkKind::Tcp);
    ASSERT_TRUE(WaitForDecode()) << sim->Stderr();
    OpenLogPage();

    Click("rgLogoTime1"); // 10sec
    Click("btnLogo");
    ASSERT_EQ(page->Timer5().interval(), 10000);
    Click("rgLogoTime0"); // back to 2sec while running
    EXPECT_TRUE(page->Timer5().isActive());
    EXPECT_EQ(page->Timer5().interval(), 2000);
    ASSERT_TRUE(WaitFor([this] { return memo->blockCount() >= 7; }, 8000))
        << "the log runs on the new period";
    EXPECT_TRUE(LinesFromJournal(*sim, "TCP").count(MemoLines()[6]));

    Click("btnLogo");
    EXPECT_FALSE(page->Timer5().isActive());
    std::vector<std::string> lines = MemoLines();
    Click("btnLogo");
    for (const std::string &line : LogHeader())
        lines.push_back(line);
    EXPECT_EQ(MemoLines(), lines) << "a second header below the earlier lines";

    Click("Button2");
    Click("Button1");
    const QStringList files = LogFiles();
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(ReadLogFile(files[0]), "") << "Save of an empty memo writes an empty file";
}

} // namespace
} // namespace zephyra::test
