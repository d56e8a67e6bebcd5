// The Trend page of the console against zephyra-sim whose values move: every decode a sample and a recorded
// line, alarm changes as markers, and a recording that survives a killed console.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTabWidget>
#include <csignal>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>

#include "e2e/console_fixture.h"
#include "support/sim_client.h"
#include "trend/trend_page.h"

extern char **environ;

namespace zephyra::test {
namespace {

// The samples of every status block the simulator sent on a link, in order.
std::vector<TrendSample> SentSamples(const SimProcess &sim, const std::string &link) {
    std::vector<TrendSample> out;
    for (const Bytes &block : SentStatusBlocks(sim, link)) {
        StatusSnapshot snapshot;
        StatusViewModel view;
        DecodeStatus(block, snapshot, view);
        out.push_back(MakeTrendSample(snapshot, {}));
    }
    return out;
}

// The measured values and bits of a line, without its times.
std::string Values(const TrendSample &s) {
    const std::string line = TrendCsvLine(s);
    return line.substr(line.find(',', line.find(',') + 1));
}

std::vector<std::string> CsvLines(const QString &path) {
    std::vector<std::string> lines;
    std::ifstream in(path.toStdString());
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

QString TodaysRecording(const std::string &dir) {
    const QStringList files = QDir(QString::fromStdString(dir)).entryList({"trend-*.csv"}, QDir::Files);
    return files.size() == 1 ? QString::fromStdString(dir) + "/" + files[0] : QString();
}

class TrendWithSim : public ConsoleWithSim {};

// ZEPHYRA_TREND_POLLS sets how long it watches (the picture after some minutes: 300).
TEST_F(TrendWithSim, EveryDecodeIsASampleAndARecordedLineAndAlarmChangesAreMarked) {
    const int polls = qEnvironmentVariableIsSet("ZEPHYRA_TREND_POLLS")
                          ? qEnvironmentVariableIntValue("ZEPHYRA_TREND_POLLS")
                          : 12;
    ASSERT_NO_FATAL_FAILURE(StartSim(kMovingScenario));
    ConsoleOptions options;
    options.ExtraSerialPaths << QString::fromStdString(sim->LinkPath());
    options.TcpPort = static_cast<quint16>(sim->TcpPort());
    options.ProgramDir = QString::fromStdString(sim->Dir());
    options.SettingsFile = QString::fromStdString(sim->Dir() + "/console.ini");
    StartConsole(options, UserLevel::User);
    TMain_Form &w = console->MainWindow();
    auto *page = Child<TTrendPage>(&w, "TrendPage");
    ASSERT_NE(page, nullptr);
    Child<QCheckBox>(page, "ckbTrendRecord")->click();
    EXPECT_TRUE(QSettings(options.SettingsFile, QSettings::IniFormat).value("trend/record").toBool())
        << "the tick is remembered for the next run";

    Connect(LinkKind::Serial);
    ASSERT_TRUE(WaitForDecode());
    Child<QTabWidget>(&w, "PageControl1")->setCurrentWidget(page);
    ASSERT_TRUE(
        WaitFor([&] { return console->Controller().DecodeCount() >= static_cast<uint64_t>(polls) / 2; },
                polls * 1000 + 5000));

    // The DC high-voltage alarm comes on by the device's alarm test, asked on the other link.
    CoreLink side(LinkKind::Tcp);
    ASSERT_TRUE(side.ConnectTcp(sim->TcpPort()));
    ASSERT_TRUE(side.Exchange(WriteRequestUnit(reg::kAlarmTestBits, 0x02)));
    ASSERT_TRUE(side.Exchange(WriteRequestUnit(reg::kAlarmTestOn, 1)));
    ASSERT_TRUE(WaitFor([&] { return !page->Session().Markers().empty(); }, 5000));
    ASSERT_TRUE(WaitFor([&] { return console->Controller().DecodeCount() >= static_cast<uint64_t>(polls); },
                        polls * 1000 + 5000));

    // The poll stops; the reply on its way is still taken.
    console->Controller().ConfirmationOpened(); // no tick runs from here
    ASSERT_TRUE(
        WaitFor([&] { return SentSamples(*sim, "RTU").size() == console->Controller().DecodeCount(); }));
    const std::vector<TrendSample> sent = SentSamples(*sim, "RTU");
    const TrendStore &store = page->Session();
    ASSERT_EQ(store.Size(), sent.size());

    const QString recording = TodaysRecording(sim->Dir());
    ASSERT_FALSE(recording.isEmpty());
    const std::vector<std::string> lines = CsvLines(recording);
    ASSERT_EQ(lines.size(), sent.size() + 1);
    EXPECT_EQ(lines[0], TrendCsvHeader());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        const std::optional<TrendSample> recorded = ParseTrendCsvLine(lines[i + 1]);
        ASSERT_TRUE(recorded) << lines[i + 1];
        EXPECT_EQ(Values(*recorded), Values(sent[i])) << "line " << i + 1;
        EXPECT_EQ(recorded->Time.UnixMs, store.At(i).TimeMs);
        const double values[] = {recorded->AcV, recorded->DcV, recorded->LoadA, recorded->BatteryA,
                                 recorded->RackC};
        for (int s = 0; s < kTrendSeriesCount; ++s)
            EXPECT_FLOAT_EQ(store.At(i).Values[s], static_cast<float>(values[s])) << "sample " << i;
    }

    // The marker on the time line carries the lamp's caption; the pointer on the newest sample reads its
    // values. The picture: build/tests/e2e/trend_page.png
    auto *chart = Child<TrendChart>(page, "TrendChart");
    int x = chart->width();
    while (--x > 0 && (chart->ShowValuesAt(x), chart->ReadoutText().isEmpty())) {
    }
    EXPECT_TRUE(
        chart->ReadoutText().contains("DC 출력전압  " + QString::number(sent.back().DcV, 'f', 1) + " V"))
        << chart->ReadoutText().toStdString();
    const QPixmap picture = page->grab();
    EXPECT_TRUE(chart->DrawnMarkerTexts().contains("DC출력 고전압 발생"))
        << chart->DrawnMarkerTexts().join(" | ").toStdString();
    EXPECT_TRUE(picture.save(QDir::current().filePath("trend_page.png")));
    ASSERT_TRUE(side.Exchange(WriteRequestUnit(reg::kAlarmTestOn, 0)));

    // The chart as a picture in the files folder, named on the page.
    Child<QPushButton>(page, "btnTrendSavePng")->click();
    const QStringList pictures = QDir(options.ProgramDir).entryList({"trend-*.png"}, QDir::Files);
    ASSERT_EQ(pictures.size(), 1);
    EXPECT_TRUE(page->Message().contains(pictures[0])) << page->Message().toStdString();

    // The recording opened again, with a line that is not one of ours.
    { std::ofstream(recording.toStdString(), std::ios::app) << "not a sample\n"; }
    ASSERT_TRUE(page->OpenRecording(recording));
    EXPECT_EQ(chart->Store()->Size(), sent.size());
    EXPECT_NE(chart->Store(), &store) << "read-only, beside the session";
    EXPECT_TRUE(page->Message().contains(QString("표본 %1개, 읽을 수 없는 1줄은 건너뜀").arg(sent.size())))
        << page->Message().toStdString();
}

#ifdef ZEPHYRA_CONSOLE_PROCESS
pid_t Spawn(const std::vector<std::string> &args) {
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    return posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? pid : -1;
}

// The console process killed outright while recording: what it wrote reads back whole.
TEST_F(TrendWithSim, AKilledConsoleLeavesARecordingWhoseEveryLineReads) {
    ASSERT_NO_FATAL_FAILURE(StartSim(kMovingScenario));
    const std::string settings = sim->Dir() + "/console.ini";
    QSettings(QString::fromStdString(settings), QSettings::IniFormat).setValue("trend/record", true);
    const pid_t console = Spawn({ZEPHYRA_CONSOLE_PROCESS, "--poll", "300", sim->LinkPath(), "--files-dir",
                                 sim->Dir(), "--settings", settings});
    ASSERT_GT(console, 0);
    const bool recorded = WaitFor(
        [&] {
            const QString path = TodaysRecording(sim->Dir());
            return !path.isEmpty() && CsvLines(path).size() > 10;
        },
        20000);
    kill(console, SIGKILL);
    int status = 0;
    waitpid(console, &status, 0);
    ASSERT_TRUE(recorded);

    std::ifstream in(TodaysRecording(sim->Dir()).toStdString(), std::ios::binary);
    TrendStore store;
    const TrendCsvRead read = ReadTrendCsv(in, store);
    EXPECT_GE(read.Samples, 10u);
    EXPECT_EQ(read.Skipped, 0u);
}
#endif

} // namespace
} // namespace zephyra::test
