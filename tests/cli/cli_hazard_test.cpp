// zephyra-cli in scripts and as an unattended service, against one simulated device over loopback TCP:
// it ends when its reader or its device is gone, refuses what it cannot do before it starts, and its
// metrics endpoint answers while idle clients hold connections.
#include <poll.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>

#include "cli/cli_run.h"
#include "sim/sim_fixture.h"

namespace zephyra::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

int64_t MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class CliHazard : public ::testing::Test {
protected:
    void SetUp() override { StartSim(FrozenScenario()); }
    void StartSim(const json &scenario) {
        if (sim_)
            sim_->Stop();
        SimOptions options;
        options.scenarioJson = scenario.dump();
        options.pty = false;
        options.link = false;
        std::string error;
        sim_ = SimProcess::Start(options, &error);
        ASSERT_TRUE(sim_) << error;
    }
    void TearDown() override {
        if (sim_)
            kill(sim_->Pid(), SIGCONT);
    }
    std::string Device() const { return "tcp:127.0.0.1:" + std::to_string(sim_->TcpPort()); }
    std::vector<std::string> Tcp(std::vector<std::string> args) const {
        args.insert(args.begin(), {"--tcp", "127.0.0.1:" + std::to_string(sim_->TcpPort())});
        return args;
    }
    // The device keeps its connection but answers nothing.
    void Freeze() const { kill(sim_->Pid(), SIGSTOP); }
    // A running metrics service and its port.
    std::unique_ptr<ChildProcess> Serve(std::vector<std::string> args, int *port) const {
        // Port 0 unless told: the default port may be taken by another test running beside this one.
        if (std::find(args.begin(), args.end(), "--listen") == args.end())
            args.insert(args.begin(), {"--listen", "127.0.0.1:0"});
        args.insert(args.begin(), {ZEPHYRA_CLI_PATH, "metrics", "--interval", "0.2"});
        auto server = ChildProcess::Start(args);
        std::smatch m;
        std::string err;
        const bool serving = server->WaitForOutput([&](const std::string &, const std::string &e) {
            err = e;
            return std::regex_search(err, m, std::regex(R"(serving https?://[^ ]*:(\d+)/metrics)"));
        });
        EXPECT_TRUE(serving) << err;
        *port = serving ? std::stoi(m[1]) : 0;
        return server;
    }
    std::vector<JournalEntry> Received() const {
        std::vector<JournalEntry> rx;
        for (const JournalEntry &e : sim_->ReadJournal())
            if (e.dir == "RX")
                rx.push_back(e);
        return rx;
    }

    std::unique_ptr<SimProcess> sim_;
};

TEST_F(CliHazard, WatchEndsAtOnceWhenItsReaderGoesAway) {
    const auto start = Clock::now();
    // The outer timeout only reaps a watch that never ends.
    const SimRun run = RunToEnd({"/bin/bash", "-c",
                                 "timeout -s KILL 20 \"$0\" --tcp 127.0.0.1:$1 watch | head -1 >/dev/null; "
                                 "echo ${PIPESTATUS[0]}",
                                 ZEPHYRA_CLI_PATH, std::to_string(sim_->TcpPort())});
    EXPECT_LT(MsSince(start), 2000);
    EXPECT_EQ(run.out, "141\n") << run.err;
}

TEST_F(CliHazard, WatchBoundsEachLineReportsOutagesAndFailsWithoutAReply) {
    auto watch = ChildProcess::Start([&] {
        std::vector<std::string> argv = Tcp({"--timeout", "30", "watch", "--interval", "0.2"});
        argv.insert(argv.begin(), ZEPHYRA_CLI_PATH);
        return argv;
    }());
    ASSERT_TRUE(watch->WaitForOutput([](const std::string &out, const std::string &) {
        return Lines(out).size() >= 2;
    })) << watch->Err();
    Freeze();
    ASSERT_TRUE(watch->WaitForOutput([](const std::string &, const std::string &err) {
        return err.find(": down: ") != std::string::npos;
    })) << watch->Err();
    kill(sim_->Pid(), SIGCONT);
    ASSERT_TRUE(watch->WaitForOutput([](const std::string &, const std::string &err) {
        return err.find(": up again after ") != std::string::npos;
    })) << watch->Err();
    watch->Signal(SIGTERM);
    EXPECT_EQ(watch->Wait(), 0) << watch->Err();

    // Never a reply: the count's lines never come, the time-out ends it, and the run is a failure.
    Freeze();
    const SimRun silent = Cli(Tcp({"--timeout", "1", "watch", "--count", "3"}), 20000);
    EXPECT_FALSE(silent.timedOut);
    EXPECT_EQ(silent.exitCode, 1) << silent.err;
    EXPECT_NE(silent.err.find("no status reply from " + Device()), std::string::npos) << silent.err;
    EXPECT_EQ(silent.err.find(" 0.0% loss"), std::string::npos) << silent.err;
}

// A device slower than the poll is asked no faster than it answers: the polls held back are summed up.
TEST_F(CliHazard, PollsHeldBackForASlowDeviceAreInTheSummary) {
    json scenario = FrozenScenario();
    scenario["faults"] = {{"latency_ms", 500}, {"one_at_a_time", true}};
    StartSim(scenario);
    const SimRun run = Cli(Tcp({"watch", "--interval", "0.1", "--count", "3"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(run.err, m, std::regex(R"((\d+) held back, (\d+) awaiting reply)")))
        << run.err;
    EXPECT_GT(std::stoi(m[1]), 0) << run.err;
    EXPECT_LE(std::stoi(m[2]), 4) << run.err;
}

TEST_F(CliHazard, HistoryRefusesAnUnwritableFolderBeforeTheFirstRequest) {
    const std::string missing = sim_->Dir() + "/no-such-folder/alarm.xls";
    const SimRun run = Cli(Tcp({"history", "alarm", "--out", missing}));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(missing + ": cannot be created"), std::string::npos) << run.err;
    EXPECT_TRUE(Received().empty()) << "the device was asked before the folder was checked";
}

// A headless host: zephyra-cli without the report's program. Only the command word asks for it.
TEST_F(CliHazard, OnlyTheCommandWordReportNeedsTheConsolePackage) {
    const fs::path alone = fs::path(sim_->Dir()) / "bin" / "zephyra-cli";
    fs::create_directories(alone.parent_path());
    fs::copy_file(ZEPHYRA_CLI_PATH, alone);
    const std::string profile = sim_->Dir() + "/report";
    const std::string tcp = "127.0.0.1:" + std::to_string(sim_->TcpPort());
    SimRun run = RunToEnd({alone.string(), "--tcp", tcp, "profile", "save", profile});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(fs::exists(profile));
    run = RunToEnd({alone.string(), "--tcp", tcp, "report", sim_->Dir() + "/r.pdf"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("report needs the zephyra-console package, which installs " +
                           (alone.parent_path().parent_path() / "libexec/zephyra/zephyra-report").string()),
              std::string::npos)
        << run.err;
}

// Nothing listening, or a name that cannot resolve (.invalid is reserved never to): waiting changes nothing.
TEST_F(CliHazard, ARefusedConnectionOrAnUnknownHostEndsAtOnce) {
    const struct {
        std::string host, cause;
    } cases[] = {
        {"127.0.0.1:" + std::to_string(FreePort()), "Connection refused"},
        {"zephyra-test.invalid", "not found"},
    };
    for (const auto &c : cases) {
        // The run is cut at 20 s, a third of the 60 s time-out it must not wait for.
        const SimRun run = Cli({"--tcp", c.host, "--timeout", "60", "status"}, 20000);
        EXPECT_FALSE(run.timedOut) << c.host << ": waited for the time-out";
        EXPECT_EQ(run.exitCode, 1) << c.host;
        EXPECT_NE(run.err.find(c.cause), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
}

TEST_F(CliHazard, LooseArgumentsAreRefusedAndHostNamesAccepted) {
    // One serial port under its own name and a link's.
    const std::string port = sim_->Dir() + "/ttyA", link = sim_->Dir() + "/ttyB";
    std::ofstream{port};
    fs::create_symlink(port, link);
    const std::string local = "tcp:localhost:" + std::to_string(sim_->TcpPort());
    const struct {
        std::vector<std::string> args;
        std::string message;
    } refused[] = {
        {Tcp({"status", "extra", "words"}), "status takes no words, not 'extra'"},
        {Tcp({"watch", "--interval", "0.003"}),
         "--interval takes a number of seconds from 0.1 to 86400, not '0.003'"},
        {Tcp({"watch", "--interval", "90000"}), "from 0.1 to 86400, not '90000'"},
        {{"metrics", Device(), Device()}, "is listed twice"},
        {{"metrics", local, Device()}, "devices " + local + " and " + Device() + " are both " + Device()},
        {{"metrics", "serial:" + link, "serial:" + port},
         "devices serial:" + link + " and serial:" + port + " are both serial:"},
        {Tcp({"metrics", Device()}), "metrics takes its devices as words"},
        {Tcp({"status", "--web-config", "web.yml"}), "--web-config and --read-on-scrape belong to metrics"},
    };
    for (const auto &c : refused) {
        const SimRun run = Cli(c.args, 20000);
        EXPECT_EQ(run.exitCode, 2) << c.args.back() << ": " << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    EXPECT_TRUE(Received().empty());
    const SimRun help = Cli({"help"});
    EXPECT_EQ(help.exitCode, 0) << help.err;
    EXPECT_EQ(help.out.rfind("Usage: zephyra-cli", 0), 0u) << help.out;

    int listening = 0;
    auto server = Serve({"--listen", "localhost:0", Device()}, &listening);
    EXPECT_NE(listening, 0);
    server->Signal(SIGTERM);
    EXPECT_EQ(server->Wait(), 0) << server->Err();
}

TEST_F(CliHazard, AScrapeIsAnsweredWhileIdleClientsHoldConnections) {
    int port = 0;
    auto server = Serve({Device()}, &port);
    ASSERT_NE(port, 0);
    std::vector<int> idle;
    for (int i = 0; i < 200; ++i)
        idle.push_back(ConnectLoopback(port));
    // One more that sends half a request and stops.
    idle.push_back(ConnectLoopback(port));
    ASSERT_EQ(write(idle.back(), "GET /met", 8), 8);
    const std::string page = Http(port, "GET /metrics HTTP/1.0\r\n\r\n");
    // Answered before the half request's read deadline ended it: the scrape did not wait behind it.
    pollfd half{idle.back(), POLLIN, 0};
    EXPECT_EQ(poll(&half, 1, 0), 0);
    EXPECT_EQ(page.substr(0, 12), "HTTP/1.1 200") << page;
    EXPECT_NE(page.find("zephyra_up{device=\"" + Device() + "\"}"), std::string::npos);
    // The half request is told why it ends when its read deadline passes.
    timeval wait{10, 0};
    setsockopt(idle.back(), SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    char answer[64];
    const ssize_t n = read(idle.back(), answer, sizeof answer);
    EXPECT_EQ(std::string(answer, static_cast<std::size_t>(std::max<ssize_t>(n, 0))).substr(0, 13),
              "HTTP/1.1 408 ");
    for (int s : idle)
        if (s >= 0)
            close(s);
    server->Signal(SIGTERM);
    EXPECT_EQ(server->Wait(), 0);
}

// A device list names the device; a second client on the device's one connection shows as a takeover.
TEST_F(CliHazard, ADeviceListNamesDevicesAndATakeoverIsCounted) {
    const std::string config = sim_->Dir() + "/metrics.conf";
    std::ofstream(config) << "# site A\nrect-a = " << Device() << "\n";
    int port = 0;
    auto server = Serve({"--config", config}, &port);
    ASSERT_NE(port, 0);
    std::string page;
    ASSERT_TRUE(server->WaitForOutput([&](const std::string &, const std::string &) {
        page = Body(Http(port, "GET /metrics HTTP/1.0\r\n\r\n"));
        return page.find("zephyra_up{device=\"rect-a\"} 1") != std::string::npos;
    })) << page;
    EXPECT_NE(
        page.find("zephyra_device_info{device=\"rect-a\",address=\"" + Device() + "\",firmware_version="),
        std::string::npos)
        << page;
    // The simulator keeps one client, the newest: it drops the exporter and takes its reconnect at once.
    const int technician = ConnectLoopback(sim_->TcpPort());
    ASSERT_GE(technician, 0);
    ASSERT_TRUE(server->WaitForOutput([&](const std::string &, const std::string &err) {
        return err.find("rect-a: up again") != std::string::npos;
    })) << server->Err();
    close(technician);
    page = Body(Http(port, "GET /metrics HTTP/1.0\r\n\r\n"));
    EXPECT_NE(page.find("zephyra_link_takeovers_total{device=\"rect-a\"} 1"), std::string::npos) << page;
    server->Signal(SIGTERM);
    EXPECT_EQ(server->Wait(), 0);
}

// Read-on-scrape: each scrape holds the device's one connection only while it reads.
TEST_F(CliHazard, ReadOnScrapeLetsTheDeviceGoBetweenScrapes) {
    int port = 0;
    auto server = Serve({"--read-on-scrape", "--timeout", "1", Device()}, &port);
    ASSERT_NE(port, 0);
    auto notes = [this](const std::string &text) {
        int n = 0;
        for (const JournalEntry &e : sim_->ReadJournal())
            n += e.dir == "NOTE" && e.text.find(text) != std::string::npos;
        return n;
    };
    for (int scrape = 1; scrape <= 2; ++scrape) {
        const std::string page = Body(Http(port, "GET /metrics HTTP/1.0\r\n\r\n"));
        EXPECT_NE(page.find("zephyra_up{device=\"" + Device() + "\"} 1"), std::string::npos) << page;
        EXPECT_NE(page.find("zephyra_requests_total{device=\"" + Device() + "\"} " + std::to_string(scrape)),
                  std::string::npos)
            << "counters add up across scrapes\n"
            << page;
        EXPECT_TRUE(sim_->WaitForJournal([&](const std::vector<JournalEntry> &) {
            return notes("connection closed: by the client") == scrape;
        }));
    }
    EXPECT_EQ(notes("connection opened"), 2);
    // A scrape that finds the device silent says so once; the next that reads it says it is back.
    Freeze();
    for (int scrape = 0; scrape < 2; ++scrape)
        EXPECT_NE(Body(Http(port, "GET /metrics HTTP/1.0\r\n\r\n"))
                      .find("zephyra_up{device=\"" + Device() + "\"} 0"),
                  std::string::npos);
    kill(sim_->Pid(), SIGCONT);
    EXPECT_NE(
        Body(Http(port, "GET /metrics HTTP/1.0\r\n\r\n")).find("zephyra_up{device=\"" + Device() + "\"} 1"),
        std::string::npos);
    const std::string log = server->Err();
    EXPECT_NE(log.find(Device() + ": down: no status reply within 1 s\n"), std::string::npos) << log;
    EXPECT_EQ(log.find(": down: "), log.rfind(": down: ")) << log;
    EXPECT_NE(log.find(Device() + ": up again after "), std::string::npos) << log;
    server->Signal(SIGTERM);
    EXPECT_EQ(server->Wait(), 0);
}

// The endpoint as a site secures it: a throwaway CA signs the server's certificate, a bcrypt hash guards
// the user, and Prometheus scrapes with its own TLS and basic-auth settings.
TEST_F(CliHazard, AWebConfigServesHttpsToTheRightUserAndPrometheusScrapesIt) {
    const std::string dir = sim_->Dir();
    const SimRun made = RunToEnd(
        {"/bin/sh", "-ec",
         "cd \"$0\"; o='openssl req -nodes -newkey rsa:2048 -subj'\n"
         "$o /CN=zephyra-test-ca -x509 -days 1 -keyout ca.key -out ca.pem 2>/dev/null\n"
         "$o /CN=localhost -keyout server.key -out server.csr 2>/dev/null\n"
         "echo subjectAltName=IP:127.0.0.1,DNS:localhost >san\n"
         "openssl x509 -req -days 1 -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -extfile san "
         "-out server.pem 2>/dev/null\n"
         "/usr/bin/python3 -c 'import bcrypt; print(bcrypt.hashpw(b\"s3cret\", bcrypt.gensalt(4)).decode())'",
         dir});
    ASSERT_EQ(made.exitCode, 0) << made.err << "(needs the Debian packages openssl and python3-bcrypt)";
    const std::string hash = Lines(made.out).at(0);
    const std::string web = dir + "/web.yml";
    // Files named in the configuration are found beside it.
    std::ofstream(web) << "tls_server_config:\n  cert_file: server.pem\n  key_file: " << dir
                       << "/server.key\nbasic_auth_users:\n  prom: " << hash << "\n";

    // A file it cannot use stops the service before any device is asked.
    const struct {
        std::string text, message;
    } bad[] = {
        {"tls_server_config:\n  cert_file: server.pem\n  key_file: missing.key\n",
         "missing.key: cannot be read"},
        {"tls_server_config:\n  cert_file: server.pem\n  key_file: ca.pem\n",
         "not an unencrypted PEM private key"},
        {"tls_server_config:\n  cert_file: server.pem\n  key_file: ca.key\n",
         "is the key the certificate's?"},
        {"basic_auth_users:\n  prom: " + hash + "\nrate_limit:\n  burst: 5\n",
         "rate_limit is not understood"},
    };
    for (const auto &c : bad) {
        std::ofstream(dir + "/bad.yml") << c.text;
        const SimRun run =
            Cli({"metrics", "--listen", "127.0.0.1:0", "--web-config", dir + "/bad.yml", Device()});
        EXPECT_EQ(run.exitCode, 2) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("PRIVATE KEY"), std::string::npos) << "the key must never be shown";
    }
    EXPECT_TRUE(Received().empty());

    int port = 0;
    auto server = Serve({"--web-config", web, Device()}, &port);
    ASSERT_NE(port, 0);
    // The key was read at start and is not needed again.
    fs::remove(dir + "/server.key");
    const std::string url = "https://127.0.0.1:" + std::to_string(port) + "/metrics";
    auto curl = [&](const std::string &user) {
        return RunToEnd({"/usr/bin/curl", "-sS", "-i", "--cacert", dir + "/ca.pem", "-u", user, url}).out;
    };
    const std::string good = curl("prom:s3cret");
    EXPECT_EQ(good.substr(0, 12), "HTTP/1.1 200") << good;
    EXPECT_NE(good.find("zephyra_up{device=\"" + Device() + "\"}"), std::string::npos) << good;
    const std::string wrong = curl("prom:guess");
    EXPECT_EQ(wrong.substr(0, 12), "HTTP/1.1 401") << wrong;
    EXPECT_NE(wrong.find("WWW-Authenticate: Basic realm="), std::string::npos) << wrong;
    EXPECT_EQ(curl("nobody:s3cret").substr(0, 12), "HTTP/1.1 401");
    // Plain HTTP on the TLS port gets no HTTP answer: the handshake fails and the connection is closed.
    const std::string plain = Http(port, "GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_EQ(plain.find("HTTP/"), std::string::npos) << plain;

    const int promPort = FreePort();
    std::ofstream(dir + "/prometheus.yml")
        << "global:\n  scrape_interval: 1s\nscrape_configs:\n  - job_name: zephyra\n    scheme: https\n"
        << "    tls_config:\n      ca_file: " << dir << "/ca.pem\n    basic_auth:\n      username: prom\n"
        << "      password: s3cret\n    static_configs:\n      - targets: ['127.0.0.1:" << port << "']\n";
    auto prometheus = ChildProcess::Start({"/usr/bin/prometheus", "--config.file=" + dir + "/prometheus.yml",
                                           "--storage.tsdb.path=" + dir + "/tsdb",
                                           "--web.listen-address=127.0.0.1:" + std::to_string(promPort)});
    std::string answer;
    const bool up = prometheus->WaitForOutput(
        [&](const std::string &, const std::string &) {
            answer =
                Body(Http(promPort, "GET /api/v1/query?query=up%7Bjob%3D%22zephyra%22%7D HTTP/1.0\r\n\r\n"));
            return answer.find("\"1\"]}") != std::string::npos;
        },
        30000);
    EXPECT_TRUE(up) << answer << prometheus->Err();
    server->Signal(SIGTERM);
    EXPECT_EQ(server->Wait(), 0) << server->Err();
}

// Durations are timed on the monotonic clock: a wall clock running 200 times too fast (as after a step)
// must not turn a slow first reply into "no status reply".
TEST_F(CliHazard, AWallClockStepDoesNotEndADownload) {
    const char *faketime = "/usr/lib/x86_64-linux-gnu/faketime/libfaketimeMT.so.1";
    ASSERT_TRUE(fs::exists(faketime)) << "libfaketime is missing (Debian package faketime)";
    json scenario = FrozenScenario();
    scenario["faults"] = {{"latency_ms", 300}};
    scenario["logs"] = {{"event", 2}};
    StartSim(scenario);
    const std::string out = sim_->Dir() + "/event.csv";
    // Under AddressSanitizer the preloaded clock comes before its runtime, which it then tolerates.
    const SimRun run = RunToEnd(
        {"/usr/bin/env", "FAKETIME=+0 x200", "DONT_FAKE_MONOTONIC=1", "ASAN_OPTIONS=verify_asan_link_order=0",
         std::string("LD_PRELOAD=") + faketime, ZEPHYRA_CLI_PATH, "--tcp",
         "127.0.0.1:" + std::to_string(sim_->TcpPort()), "--timeout", "5", "history", "event", "--out", out});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Lines(run.err).back(), "2 records written to " + out);
}

} // namespace
} // namespace zephyra::test
