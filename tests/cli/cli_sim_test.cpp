// zephyra-cli against zephyra-sim over the pseudo-terminal and loopback TCP: what the program prints is
// checked against what the simulator journalled as sent, decoded by the console's own core.
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "cli/cli_run.h"
#include "cli/cli_text.h"
#include "history/history_export.h"
#include "polling/readable_names.h"
#include "sim/sim_fixture.h"
#include "trend/trend_sample.h"

namespace zephyra::test {
namespace {

namespace fs = std::filesystem;

// The unit of a journalled frame: serial without its CRC, TCP without its MBAP header.
ByteView Unit(const std::string &link, const Bytes &frame) {
    return FrameUnit(link == "TCP" ? LinkKind::Tcp : LinkKind::Serial, frame);
}

// Counts of the summary line "N requests, N replies, N time-outs, N CRC errors, ...".
std::map<std::string, long> SummaryCounts(const std::string &err) {
    std::map<std::string, long> counts;
    const std::regex item(
        R"((\d+) (requests|replies|time-outs|superseded|cancelled|awaiting reply|CRC errors|exceptions|dropped frames))");
    for (std::sregex_iterator it(err.begin(), err.end(), item), end; it != end; ++it)
        counts[(*it)[2]] = std::stol((*it)[1]);
    return counts;
}

class CliSim : public SimLinkTest {
protected:
    void SetUp() override {}
    void Begin(const json &scenario) { StartSim(scenario, false); }
    std::vector<std::string> LinkArgs() const {
        if (Serial())
            return {"--serial", sim_->SerialPath()};
        return {"--tcp", "127.0.0.1:" + std::to_string(sim_->TcpPort())};
    }
    std::vector<std::string> With(std::vector<std::string> args) const {
        std::vector<std::string> all = LinkArgs();
        all.insert(all.end(), args.begin(), args.end());
        return all;
    }
    std::string Tmp(const std::string &name) const { return sim_->Dir() + "/" + name; }
};

TEST_P(CliSim, StatusJsonIsTheWindowsDecodeOfTheBlockSent) {
    Begin(FrozenScenario());
    const SimRun run = Cli(With({"status", "--json"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const json got = json::parse(run.out);

    const std::vector<Bytes> blocks = SentStatusBlocks(*sim_, LinkTag());
    ASSERT_FALSE(blocks.empty());
    const Bytes &block = blocks.back();
    StatusSnapshot snapshot;
    StatusViewModel view;
    DecodeStatus(block, snapshot, view);

    EXPECT_EQ(got["device"], (Serial() ? "serial:" + sim_->SerialPath()
                                       : "tcp:127.0.0.1:" + std::to_string(sim_->TcpPort())));
    ASSERT_EQ(got["fields"].size(), view.Fields.size());
    for (const FieldText &f : view.Fields)
        EXPECT_EQ(got["fields"][ReadableKey(f.Name)], f.Text) << f.Name;
    for (const LampState &l : view.Lamps)
        EXPECT_EQ(got["lamps"][ReadableKey(l.Name)], l.Active) << l.Name;
    for (int i = 0; i < kStatusRegisterCount; ++i)
        EXPECT_EQ(got["registers"][static_cast<std::size_t>(i)], snapshot.Raw[static_cast<std::size_t>(i)])
            << i;
    const TrendSample sample = MakeTrendSample(snapshot, {});
    EXPECT_EQ(got["sample"]["device_time"], sample.DeviceTime);
    EXPECT_DOUBLE_EQ(got["sample"]["dc_output_voltage"].get<double>(), sample.DcV);

    // Plain text: the same texts, one field a line.
    const SimRun plain = Cli(With({"status"}));
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(plain.out, cli::StatusText(view));
    EXPECT_NE(plain.out.find("\nbattery_cutoff: "), std::string::npos) << plain.out;
}

TEST_P(CliSim, WatchPrintsALinePerDecodeAndTheLinkSummary) {
    Begin(FrozenScenario());
    const SimRun csv = Cli(With({"watch", "--interval", "0.2", "--count", "4"}));
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    const std::vector<std::string> lines = Lines(csv.out);
    ASSERT_EQ(lines.size(), 5u) << csv.out;
    EXPECT_EQ(lines[0], "time,device_time,ac_input_voltage (V),dc_output_voltage (V),load_current (A),"
                        "battery_current (A),rack_temperature (°C),alarm_bits (hex),relay_bits (hex)");
    const std::regex row(
        R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d,2025-08-07 09:05:03,.*,0x[0-9A-F]{4},0x[0-9A-F]{4})");
    for (std::size_t i = 1; i < lines.size(); ++i)
        EXPECT_TRUE(std::regex_match(lines[i], row)) << lines[i];
    auto counts = SummaryCounts(csv.err);
    EXPECT_GE(counts["requests"], 4) << csv.err;
    EXPECT_EQ(counts["replies"], 4) << csv.err;
    EXPECT_EQ(counts["time-outs"], 0) << csv.err;
    EXPECT_NE(csv.err.find(", 0.0% loss"), std::string::npos) << csv.err;

    const SimRun jsonl = Cli(With({"watch", "--interval", "0.2", "--count", "2", "--jsonl"}));
    ASSERT_EQ(jsonl.exitCode, 0) << jsonl.err;
    for (const std::string &line : Lines(jsonl.out)) {
        const json j = json::parse(line);
        EXPECT_EQ(j["device_time"], "2025-08-07 09:05:03");
        EXPECT_EQ(j.size(), 9u) << line; // the CSV's columns
    }
    EXPECT_EQ(Lines(jsonl.out).size(), 2u);
}

TEST_P(CliSim, AFaultyLineShowsInTheSummaryAlsoAfterSigterm) {
    json scenario = FrozenScenario();
    scenario["faults"] = {{"drop_every", 3}, {"corrupt_crc_every", 4}, {"seed", 3}};
    Begin(scenario);
    std::vector<std::string> args{ZEPHYRA_CLI_PATH};
    for (const std::string &a : With({"watch", "--interval", "0.15", "--timeout", "1"}))
        args.push_back(a);
    auto watch = ChildProcess::Start(args);
    ASSERT_TRUE(watch);
    // Ten decodes take at least fourteen requests with a third of the replies dropped; no more than four
    // requests are awaited at a time, so some were settled as lost.
    ASSERT_TRUE(watch->WaitForOutput(
        [](const std::string &out, const std::string &) { return Lines(out).size() >= 11; }, 60000))
        << watch->Err();
    watch->Signal(SIGTERM);
    ASSERT_EQ(watch->Wait(), 0);
    const std::string err = watch->Err();
    auto counts = SummaryCounts(err);
    ASSERT_GE(counts["requests"], 14) << err;
    // Every decode printed a line; some replies were lost, the serial ones also to bad CRCs.
    EXPECT_GE(counts["replies"], static_cast<long>(Lines(watch->Out()).size() - 1)) << err;
    EXPECT_EQ(counts["requests"],
              counts["replies"] + counts["time-outs"] + counts["superseded"] + counts["awaiting reply"])
        << err;
    EXPECT_GT(counts["time-outs"] + counts["superseded"], 0) << err;
    if (Serial()) {
        EXPECT_GT(counts["CRC errors"], 0) << err;
    }
    EXPECT_EQ(err.find(", 0.0% loss"), std::string::npos) << err;
}

// A device that answers every request, slower than the poll asks: it is polled at its own pace, every
// request is settled once, and no reply is lost, talked over or booked to another request.
TEST_P(CliSim, ADeviceSlowerThanThePollIsAskedAtItsOwnPace) {
    json scenario = FrozenScenario();
    scenario["faults"] = {{"latency_ms", 400}, {"jitter_ms", 599}}; // 0.7 s ± 0.3
    Begin(scenario);
    const SimRun run = Cli(With({"watch", "--interval", "0.1", "--count", "12"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    auto counts = SummaryCounts(run.err);
    EXPECT_EQ(counts["requests"], counts["replies"] + counts["time-outs"] + counts["superseded"] +
                                      counts["cancelled"] + counts["awaiting reply"])
        << run.err;
    EXPECT_EQ(counts["superseded"], 0) << run.err;
    EXPECT_EQ(counts["dropped frames"], 0) << run.err;
    EXPECT_LE(counts["time-outs"] * 20, counts["requests"]) << run.err; // loss at most 5 %
    // The device never had two requests to answer at once.
    int awaited = 0, most = 0;
    for (const JournalEntry &e : sim_->ReadJournal()) {
        if (e.dir == "RX")
            most = std::max(most, ++awaited);
        else if (e.dir == "TX" || e.dir == "DROP")
            --awaited;
    }
    EXPECT_LE(most, Serial() ? 1 : static_cast<int>(LinkMonitor::kMaxOutstanding));
}

// A device slower than the first time-out, with ±50 % jitter: records asked again are stored once each,
// in their own rows.
TEST_P(CliSim, HistoryFromASlowJitteryDeviceHoldsEveryRecordOnce) {
    json scenario = FrozenScenario();
    scenario["logs"] = {{"event", 5}};
    scenario["faults"] = {{"latency_ms", 550}, {"jitter_ms", 1100}, {"seed", 7}}; // 1.1 s ± 50 %
    Begin(scenario);
    const std::string csv = Tmp("event.csv");
    const SimRun run = Cli(With({"history", "event", "--out", csv}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::map<int, Bytes> records;
    for (const Bytes &f : JournalFrames(sim_->ReadJournal(), LinkTag(), "TX")) {
        ByteView u = Unit(LinkTag(), f);
        if (u.size() >= 8 && u[1] == kFnHistory && u[5] == 2)
            records[u[6] << 8 | u[7]] = Bytes(u.begin() + 6, u.end());
    }
    ASSERT_EQ(records.size(), 5u);
    std::vector<HistoryRow> rows{HistoryHeader(HistoryKind::Event)};
    for (int k = 1; k <= 5; ++k)
        rows.push_back(DecodeHistoryRecord(HistoryKind::Event, k, records[5 - k]));
    std::ifstream in(csv, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()),
              cli::HistoryCsv(rows));
}

TEST_P(CliSim, HistoryWritesTheConsolesWorkbookAndNeverReplacesAFile) {
    json scenario = FrozenScenario();
    scenario["logs"] = {{"alarm", 23}, {"event", 17}};
    Begin(scenario);
    const std::string xls = Tmp("alarm.xls"), csv = Tmp("event.csv");
    const SimRun alarm = Cli(With({"history", "alarm", "--out", xls}));
    ASSERT_EQ(alarm.exitCode, 0) << alarm.err;
    EXPECT_NE(alarm.err.find("23 records written to " + xls), std::string::npos) << alarm.err;
    const SimRun event = Cli(With({"history", "event", "--out", csv}));
    ASSERT_EQ(event.exitCode, 0) << event.err;

    // The records the device sent, by their index; row k of the grid holds index total - k.
    auto sent = [&](HistoryKind kind) {
        std::map<int, Bytes> records;
        for (const Bytes &f : JournalFrames(sim_->ReadJournal(), LinkTag(), "TX")) {
            ByteView u = Unit(LinkTag(), f);
            if (u.size() >= 8 && u[1] == kFnHistory && u[4] == static_cast<uint8_t>(kind) && u[5] == 2)
                records[u[6] << 8 | u[7]] = Bytes(u.begin() + 6, u.end());
        }
        std::vector<HistoryRow> rows{HistoryHeader(kind)};
        const int total = static_cast<int>(records.size());
        for (int k = 1; k <= total; ++k)
            rows.push_back(DecodeHistoryRecord(kind, k, records[total - k]));
        return rows;
    };
    const std::vector<HistoryRow> alarmRows = sent(HistoryKind::Alarm);
    ASSERT_EQ(alarmRows.size(), 24u);
    // The console's Save File of the same rows, read back by an independent reader.
    const ExportResult console =
        SpreadsheetExport(HistoryKind::Alarm, alarmRows, sim_->Dir(), {14, 5, 9}, TextTranslator());
    ASSERT_TRUE(console.Ok) << console.Error;
    auto read = [](const std::string &path) {
        return RunToEnd({"/usr/bin/python3", ZEPHYRA_XLS_READER, path});
    };
    const SimRun mine = read(xls), theirs = read(console.Path);
    ASSERT_EQ(mine.exitCode, 0) << mine.err;
    EXPECT_EQ(json::parse(mine.out), json::parse(theirs.out));

    std::ifstream in(csv, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, cli::HistoryCsv(sent(HistoryKind::Event)));
    EXPECT_EQ(Lines(text).size(), 18u);

    const auto before = fs::last_write_time(xls);
    const SimRun again = Cli(With({"history", "alarm", "--out", xls}));
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find("exists already"), std::string::npos) << again.err;
    EXPECT_EQ(fs::last_write_time(xls), before);
}

INSTANTIATE_TEST_SUITE_P(Links, CliSim, ::testing::Values(LinkKind::Serial, LinkKind::Tcp), LinkName);

TEST(CliNoDevice, StatusFailsWithAReasonWhenNothingAnswers) {
    const SimRun serial = Cli({"--serial", "/nonexistent/ttyV9", "status"});
    EXPECT_EQ(serial.exitCode, 1);
    EXPECT_NE(serial.err.find("/nonexistent/ttyV9"), std::string::npos) << serial.err;

    const SimRun usage = Cli({"status"});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_NE(usage.err.find("--serial PATH or --tcp"), std::string::npos) << usage.err;
}

// --- metrics ---

// The value of `zephyra_up{device="NAME"}`, or -1.
int Up(const std::string &page, const std::string &device) {
    const std::string key = "zephyra_up{device=\"" + cli::EscapeLabelValue(device) + "\"} ";
    const auto at = page.find(key);
    return at == std::string::npos ? -1 : page[at + key.size()] - '0';
}

TEST(CliMetrics, ThreeDevicesServedPromtoolAcceptsAndASilentOneGoesDown) {
    std::vector<std::unique_ptr<SimProcess>> sims;
    for (int i = 0; i < 3; ++i) {
        SimOptions options;
        options.scenarioJson = FrozenScenario().dump();
        options.pty = i == 2;
        options.link = false;
        std::string error;
        sims.push_back(SimProcess::Start(options, &error));
        ASSERT_TRUE(sims.back()) << error;
    }
    // A device path with a quote and a backslash: its label must be escaped.
    const std::string odd = sims[2]->Dir() + "/tty\"odd\\0";
    fs::create_symlink(sims[2]->PtyPath(), odd);
    const std::vector<std::string> devices{"tcp:127.0.0.1:" + std::to_string(sims[0]->TcpPort()),
                                           "tcp:127.0.0.1:" + std::to_string(sims[1]->TcpPort()),
                                           "serial:" + odd};
    const int periodMs = 500;
    std::vector<std::string> args{ZEPHYRA_CLI_PATH, "metrics",    "--listen",
                                  "127.0.0.1:0",    "--interval", "0.5"};
    args.insert(args.end(), devices.begin(), devices.end());
    auto server = ChildProcess::Start(args);
    ASSERT_TRUE(server);
    std::smatch m;
    std::string err;
    ASSERT_TRUE(server->WaitForOutput([&](const std::string &, const std::string &e) {
        err = e;
        return std::regex_search(err, m, std::regex(R"(serving http://127\.0\.0\.1:(\d+)/metrics)"));
    })) << err;
    const int port = std::stoi(m[1]);

    std::string page;
    const auto allUp = [&] {
        page = Body(Http(port, "GET /metrics HTTP/1.1\r\nHost: test\r\n\r\n"));
        return Up(page, devices[0]) == 1 && Up(page, devices[1]) == 1 && Up(page, devices[2]) == 1;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!allUp() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(allUp()) << page << server->Err();
    EXPECT_NE(page.find("zephyra_alarm{device=\"" + devices[0] +
                        "\",alarm=\"battery_cutoff\",caption=\"축전지 차단\"} "),
              std::string::npos);
    EXPECT_NE(page.find("zephyra_requests_total{device=\"" + cli::EscapeLabelValue(devices[2]) + "\"} "),
              std::string::npos);
    // The exporter's own figures, as every exporter serves them (promtool checks their form below).
    for (const char *family :
         {"\nzephyra_exporter_build_info{version=\"", "\nprocess_cpu_seconds_total ",
          "\nprocess_resident_memory_bytes ", "\nprocess_open_fds ", "\nprocess_start_time_seconds "})
        EXPECT_NE(page.find(family), std::string::npos) << family;
    EXPECT_NE(Http(port, "GET / HTTP/1.0\r\n\r\n").find("<a href=\"/metrics\">"), std::string::npos);
    const std::string file = sims[0]->Dir() + "/metrics.txt";
    std::ofstream(file) << page;
    if (fs::exists("/usr/bin/promtool")) {
        const SimRun check = RunToEnd({"/bin/sh", "-c", "/usr/bin/promtool check metrics < '" + file + "'"});
        EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    } else {
        ADD_FAILURE() << "promtool is missing (Debian package prometheus)";
    }

    // Bad requests are answered and leave the server serving.
    EXPECT_EQ(Http(port, "POST /metrics HTTP/1.1\r\n\r\n").substr(0, 12), "HTTP/1.1 405");
    EXPECT_EQ(Http(port, "GET /nothing HTTP/1.1\r\n\r\n").substr(0, 12), "HTTP/1.1 404");
    EXPECT_EQ(Http(port, std::string(9000, 'x')).substr(0, 12), "HTTP/1.1 400");
    EXPECT_EQ(Http(port, "\x16\x03\x01\r\n\r\n").substr(0, 12), "HTTP/1.1 400");

    // The second device stops answering but keeps its connection.
    kill(sims[1]->Pid(), SIGSTOP);
    const auto stopped = std::chrono::steady_clock::now();
    while (Up(page = Body(Http(port, "GET /metrics HTTP/1.0\r\n\r\n")), devices[1]) != 0 &&
           std::chrono::steady_clock::now() - stopped < std::chrono::seconds(10))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto downAfter =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - stopped)
            .count();
    kill(sims[1]->Pid(), SIGCONT);
    EXPECT_EQ(Up(page, devices[1]), 0) << page;
    // Three poll periods, and one scrape's worth of slack for a busy machine.
    EXPECT_LE(downAfter, 3 * periodMs + 250);
    EXPECT_EQ(Up(page, devices[0]), 1);
    EXPECT_EQ(page.find("zephyra_dc_output_volts{device=\"" + devices[1] + "\"}"), std::string::npos)
        << "a stale device's values must not be served";
    server->Signal(SIGTERM);
    EXPECT_EQ(server->Wait(), 0);
}

} // namespace
} // namespace zephyra::test
