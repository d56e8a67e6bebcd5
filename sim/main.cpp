// zephyra-sim: a simulated ZEPHYRA-M10 controller (Modbus unit 1) on a pseudo-terminal and on loopback TCP.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

#include "scenario.h"
#include "sim_server.h"

namespace {

constexpr const char *kUsage =
    R"(Usage: zephyra-sim [options]

A simulated ZEPHYRA-M10 rectifier controller, Modbus unit 1: Modbus RTU on a pseudo-terminal and
Modbus TCP on 127.0.0.1. When it is ready it prints one line:
  zephyra-sim ready pty=/dev/pts/N link=PATH tcp=127.0.0.1:PORT
and serves until SIGINT or SIGTERM.

Options:
  --scenario FILE   JSON scenario laid over the default device (see sim/scenarios/)
  --link PATH       make PATH a symbolic link to the pseudo-terminal (an existing link is replaced;
                    removed at exit)
  --tcp-port N      Modbus TCP port on 127.0.0.1 (default 0: the system chooses; the line says which)
  --no-pty          no pseudo-terminal (TCP only)
  --no-tcp          no TCP (pseudo-terminal only)
  --max-clients N   TCP clients served at once (default 1, as the controller); a client beyond them
                    pushes the oldest off
  --journal FILE    one line per frame: "<ms> <RTU|TCP> <RX|TX|DROP|NOISE|JUNK> <hex>" and NOTE lines
  --print-default-scenario
                    print the built-in default scenario and exit
  -h, --help        this text
  --version         the program's version

Scenario keys: start_time "YYYY-MM-DD hh:mm:ss", clock_running, steady, registers {name or address:
value}, device_id "ten digits", identity {mac, ip, mask, gateway}, acl {enabled, added, default},
logs {alarm|data|event: N generated records or a list of records}, faults {latency_ms,
write_latency_ms, jitter_ms,
drop_every, corrupt_crc_every, chunk {size, gap_ms}, noise_before, exception_registers,
exception_code, close_tcp_after, refuse_network_write, refuse_initialise, one_at_a_time, seed}.
drop_every counts the replies of both links, corrupt_crc_every the serial replies only,
close_tcp_after the requests of one connection; one_at_a_time makes a request wait until the one
before it is answered; write_latency_ms delays the answer to a 0x06 write by that much more.
)";

int Fail(const std::string &message) {
    std::cerr << "zephyra-sim: " << message << "\n";
    return 2;
}

bool ParsePort(const std::string &text, int &port) {
    if (text.empty() || text.size() > 5)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    port = std::stoi(text);
    return port <= 65535;
}

} // namespace

int main(int argc, char **argv) {
    using namespace zephyra::sim;
    ServerOptions options;
    std::string scenarioPath;

    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool inlineValue = false;
        if (auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            inlineValue = true;
        }
        auto takeValue = [&](std::string &out) {
            if (inlineValue) {
                out = value;
                return true;
            }
            if (i + 1 >= argc)
                return false;
            out = argv[++i];
            return true;
        };
        if (arg == "-h" || arg == "--help") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--version") {
            std::cout << "zephyra-sim " ZEPHYRA_VERSION "\n";
            return 0;
        } else if (arg == "--print-default-scenario") {
            std::cout << DefaultScenarioJson();
            return 0;
        } else if (arg == "--scenario") {
            if (!takeValue(scenarioPath) || scenarioPath.empty())
                return Fail("--scenario needs a file");
        } else if (arg == "--link") {
            if (!takeValue(options.linkPath) || options.linkPath.empty())
                return Fail("--link needs a path");
        } else if (arg == "--journal") {
            if (!takeValue(options.journalPath) || options.journalPath.empty())
                return Fail("--journal needs a file");
        } else if (arg == "--tcp-port") {
            std::string port;
            if (!takeValue(port) || !ParsePort(port, options.tcpPort))
                return Fail("--tcp-port needs a port number 0..65535");
        } else if (arg == "--no-pty" && !inlineValue) {
            options.pty = false;
        } else if (arg == "--max-clients") {
            std::string text;
            if (!takeValue(text) || text.empty() || text.size() > 4 ||
                text.find_first_not_of("0123456789") != std::string::npos || std::stoi(text) < 1)
                return Fail("--max-clients needs a number from 1 to 9999");
            options.maxClients = std::stoi(text);
        } else if (arg == "--no-tcp" && !inlineValue) {
            options.tcp = false;
        } else {
            return Fail("unknown option '" + std::string(argv[i]) + "' (see --help)");
        }
    }
    if (!options.pty && !options.tcp)
        return Fail("--no-pty and --no-tcp leave nothing to serve");
    if (!options.pty && !options.linkPath.empty())
        return Fail("--link needs the pseudo-terminal");

    Scenario scenario = DefaultScenario();
    if (!scenarioPath.empty()) {
        std::ifstream in(scenarioPath);
        if (!in)
            return Fail("cannot read the scenario " + scenarioPath);
        std::stringstream text;
        text << in.rdbuf();
        std::string error = ApplyScenarioJson(text.str(), scenario);
        if (!error.empty())
            return Fail("scenario " + scenarioPath + ": " + error);
    }

    Server server(scenario, options);
    std::string error = server.Setup();
    if (!error.empty())
        return Fail(error);
    std::cout << server.ReadyLine() << std::endl;
    server.Run();
    return 0;
}
