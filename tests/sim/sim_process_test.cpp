// The simulator as a process: its ready line, its symlink, clean stops, bad invocations and bad scenarios.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim/sim_fixture.h"

namespace zephyra::test {
namespace {

std::string ReadText(const std::string &path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::unique_ptr<SimProcess> MustStart(const SimOptions &options) {
    std::string error;
    auto sim = SimProcess::Start(options, &error);
    EXPECT_TRUE(sim) << error;
    return sim;
}

TEST(SimProcessTest, ReadyLineNamesWhatIsServedAndStopRemovesTheLink) {
    auto sim = MustStart({});
    ASSERT_TRUE(sim);
    const std::string expected = "zephyra-sim ready pty=" + sim->PtyPath() + " link=" + sim->Dir() +
                                 "/ttyV0 tcp=127.0.0.1:" + std::to_string(sim->TcpPort());
    EXPECT_EQ(sim->ReadyLine(), expected);
    EXPECT_EQ(sim->PtyPath().rfind("/dev/pts/", 0), 0u);
    EXPECT_GT(sim->TcpPort(), 0);
    EXPECT_EQ(std::filesystem::read_symlink(sim->LinkPath()).string(), sim->PtyPath());

    CoreLink link(LinkKind::Serial);
    ASSERT_TRUE(link.OpenSerial(sim->LinkPath()));
    ASSERT_TRUE(link.Exchange(ReadRequestUnit(1, 1)));
    const std::string linkPath = sim->LinkPath();
    EXPECT_EQ(sim->Stop(), 0);
    EXPECT_FALSE(std::filesystem::is_symlink(linkPath)) << "the link goes with the simulator";
    // Every frame reached the journal before the stop.
    auto journal = sim->ReadJournal();
    EXPECT_EQ(JournalFrames(journal, "RTU", "RX"), std::vector<Bytes>{WithCrc(ReadRequestUnit(1, 1))});
    EXPECT_EQ(JournalFrames(journal, "RTU", "TX").size(), 1u);
}

TEST(SimProcessTest, DisabledPartsAreLeftOutOfTheReadyLine) {
    SimOptions tcpOnly;
    tcpOnly.pty = false;
    auto a = MustStart(tcpOnly);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->ReadyLine(), "zephyra-sim ready tcp=127.0.0.1:" + std::to_string(a->TcpPort()));

    SimOptions ptyOnly;
    ptyOnly.tcp = false;
    ptyOnly.link = false;
    auto b = MustStart(ptyOnly);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->ReadyLine(), "zephyra-sim ready pty=" + b->PtyPath());
}

TEST(SimProcessTest, ExistingSymlinkIsReplacedButAFileIsNot) {
    char dirTemplate[] = "/tmp/zephyra-sim-link-XXXXXX";
    ASSERT_TRUE(mkdtemp(dirTemplate));
    const std::string dir = dirTemplate;
    const std::string link = dir + "/ttyV0", file = dir + "/plain";
    ASSERT_EQ(symlink("/nonexistent", link.c_str()), 0);
    std::ofstream(file) << "keep me";

    SimOptions options;
    options.link = false;
    options.extraArgs = {"--link", link};
    auto sim = MustStart(options);
    ASSERT_TRUE(sim);
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), sim->PtyPath());
    sim->Stop();

    SimRun run = RunSimToEnd({"--link", file, "--no-tcp"});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.err.find(file), std::string::npos) << run.err;
    EXPECT_EQ(ReadText(file), "keep me");
    std::filesystem::remove_all(dir);
}

TEST(SimProcessTest, SerialPortCanBeClosedAndOpenedAgain) {
    auto sim = MustStart({});
    ASSERT_TRUE(sim);
    for (int round = 0; round < 3; ++round) {
        CoreLink link(LinkKind::Serial);
        ASSERT_TRUE(link.OpenSerial(sim->SerialPath()));
        auto r = link.Exchange(ReadRequestUnit(1, 1));
        ASSERT_TRUE(r) << "round " << round;
        EXPECT_EQ(r->function, kFnReadInput);
    }
}

TEST(SimProcessTest, NewTcpConnectionReplacesTheOldOne) {
    auto sim = MustStart({});
    ASSERT_TRUE(sim);
    CoreLink first(LinkKind::Tcp), second(LinkKind::Tcp);
    ASSERT_TRUE(first.ConnectTcp(sim->TcpPort()));
    ASSERT_TRUE(first.Exchange(ReadRequestUnit(1, 1)));
    ASSERT_TRUE(second.ConnectTcp(sim->TcpPort()));
    EXPECT_TRUE(first.Raw().WaitClosed(3000));
    auto r = second.Exchange(ReadRequestUnit(1, 1));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->function, kFnReadInput);
}

TEST(SimProcessTest, HelpListsTheOptions) {
    SimRun run = RunSimToEnd({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    for (const char *option : {"--scenario", "--link", "--tcp-port", "--no-pty", "--no-tcp", "--journal"})
        EXPECT_NE(run.out.find(option), std::string::npos) << option;
}

TEST(SimProcessTest, BadOptionsFailWithAMessage) {
    const std::vector<std::vector<std::string>> invocations = {
        {"--bogus"},
        {"--tcp-port", "x"},
        {"--tcp-port", "70000"},
        {"--tcp-port"},
        {"--no-pty", "--no-tcp"},
        {"--no-pty", "--link", "/tmp/x"},
        {"--scenario", "/nonexistent/s.json"},
    };
    for (const auto &args : invocations) {
        SimRun run = RunSimToEnd(args);
        EXPECT_NE(run.exitCode, 0) << args[0];
        EXPECT_FALSE(run.timedOut);
        EXPECT_NE(run.err.find("zephyra-sim: "), std::string::npos) << run.err;
        EXPECT_EQ(run.out.find("ready"), std::string::npos);
    }
}

TEST(SimProcessTest, BadScenariosFailWithTheirReason) {
    const struct {
        const char *json;
        const char *mentions;
    } cases[] = {
        {"{", "JSON"},
        {R"({"colour": 1})", "colour"},
        {R"({"registers": {"Voltage": 1}})", "Voltage"},
        {R"({"registers": {"ACV": 70000}})", "ACV"},
        {R"({"registers": {"0x0080": 1}})", "0x0080"},
        {R"({"device_id": "123"})", "device_id"},
        {R"({"identity": {"ip": "1.2.3"}})", "identity.ip"},
        {R"({"identity": {"mac": "0A:5E"}})", "identity.mac"},
        {R"({"logs": {"alarm": -1}})", "logs.alarm"},
        {R"({"logs": {"event": [{"colour": 1}]}})", "logs.event[0]"},
        {R"({"start_time": "2025-13-01 00:00:00"})", "start_time"},
        {R"({"faults": {"drop_evry": 2}})", "drop_evry"},
        {R"({"faults": {"noise_before": "ZZ"}})", "noise_before"},
    };
    char dirTemplate[] = "/tmp/zephyra-sim-bad-XXXXXX";
    ASSERT_TRUE(mkdtemp(dirTemplate));
    const std::string path = std::string(dirTemplate) + "/s.json";
    for (const auto &c : cases) {
        std::ofstream(path) << c.json;
        SimRun run = RunSimToEnd({"--scenario", path});
        EXPECT_NE(run.exitCode, 0) << c.json;
        EXPECT_NE(run.err.find(c.mentions), std::string::npos) << c.json << " -> " << run.err;
    }
    std::filesystem::remove_all(dirTemplate);
}

TEST(SimProcessTest, ShippedScenariosLoadAndTheDefaultIsBuiltIn) {
    const std::string dir = ZEPHYRA_SOURCE_DIR "/sim/scenarios/";
    SimRun printed = RunSimToEnd({"--print-default-scenario"});
    EXPECT_EQ(printed.exitCode, 0);
    EXPECT_EQ(printed.out, ReadText(dir + "default.json"));
    for (const char *name : {"default.json", "faults.json"}) {
        SimOptions options;
        options.scenarioPath = dir + name;
        EXPECT_TRUE(MustStart(options)) << name;
    }
}

} // namespace
} // namespace zephyra::test
