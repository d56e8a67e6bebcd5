// An independent Modbus master (mbpoll, built on libmodbus) reads and writes the simulated controller over
// TCP and over the pseudo-terminal.
#include <unistd.h>

#include <cstdio>
#include <map>
#include <sstream>

#include "sim/sim_fixture.h"

namespace zephyra::test {
namespace {

constexpr const char *kMbpoll = "/usr/bin/mbpoll";

// Every register from 0x0007 on gets its own value; the clock registers come from the frozen start time.
uint16_t Pattern(int address) {
    return address == 0x002E ? 0 : static_cast<uint16_t>(address * 0x0301 + 0x1357);
}

json PatternScenario() {
    json s = FrozenScenario();
    json registers = json::object();
    for (int a = 0x0007; a <= 0x007F; ++a)
        registers[std::to_string(a)] = Pattern(a);
    s["registers"] = registers;
    return s;
}

std::string RunCommand(const std::string &command) {
    std::string out;
    FILE *p = popen((command + " 2>&1").c_str(), "r");
    if (!p)
        return out;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p))
        out += buf;
    pclose(p);
    return out;
}

// "[12]: 	0x0041" lines of mbpoll's output, by reference number.
std::map<int, uint16_t> ParseValues(const std::string &output) {
    std::map<int, uint16_t> values;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        int ref = 0;
        unsigned value = 0;
        if (std::sscanf(line.c_str(), "[%d]: 0x%4x", &ref, &value) == 2)
            values[ref] = static_cast<uint16_t>(value);
    }
    return values;
}

class SimMbpollTest : public SimLinkTest {
protected:
    void SetUp() override {
        if (access(kMbpoll, X_OK) != 0)
            GTEST_SKIP() << "mbpoll is not installed";
    }
    std::string Target() const {
        if (Serial())
            return "-m rtu -b 115200 -P none -d 8 -s 1 " + sim_->SerialPath();
        return "-m tcp -p " + std::to_string(sim_->TcpPort()) + " 127.0.0.1";
    }
    std::string Mbpoll(const std::string &args, const std::string &values = "") {
        // PDU addressing (-0): reference N is register address N, as the device numbers them.
        return RunCommand(std::string(kMbpoll) + " -a 1 -0 -1 -o 5 " + args + " " + Target() + " " + values);
    }
};

TEST_P(SimMbpollTest, WholeStatusBlockInTwoReadsMatchesTheScenario) {
    ASSERT_NO_FATAL_FAILURE(StartSim(PatternScenario(), false));
    // Each run opens and closes the pseudo-terminal: the second read also shows that a reopen works.
    std::string first = Mbpoll("-t 3:hex -r 1 -c 125");
    std::string second = Mbpoll("-t 3:hex -r 126 -c 2");
    std::map<int, uint16_t> values = ParseValues(first);
    for (auto [ref, v] : ParseValues(second))
        values[ref] = v;
    ASSERT_EQ(values.size(), 127u) << first << second;

    const uint16_t clock[] = {2025, 8, 7, 9, 5, 3};
    for (int a = 1; a <= 6; ++a)
        EXPECT_EQ(values[a], clock[a - 1]) << "clock register " << a;
    for (int a = 7; a <= 0x7F; ++a)
        EXPECT_EQ(values[a], Pattern(a)) << "register " << a;
}

TEST_P(SimMbpollTest, SingleRegisterWriteIsFunctionSixAndReadsBack) {
    ASSERT_NO_FATAL_FAILURE(StartSim(FrozenScenario(), false));
    std::string out = Mbpoll("-t 4 -r 37", "250");
    ASSERT_NE(out.find("Written 1 references"), std::string::npos) << out;

    Bytes unit = WriteRequestUnit(0x0025, 250);
    Bytes expected = Serial() ? WithCrc(unit) : unit;
    bool seen = false;
    for (const Bytes &rx : JournalFrames(sim_->ReadJournal(), LinkTag(), "RX"))
        seen = seen ||
               (rx.size() >= expected.size() && std::equal(expected.rbegin(), expected.rend(), rx.rbegin()));
    EXPECT_TRUE(seen) << "mbpoll's write reached the device as 01 06 00 25 00 FA";

    auto values = ParseValues(Mbpoll("-t 3:hex -r 37 -c 1"));
    EXPECT_EQ(values[37], 250);
}

INSTANTIATE_TEST_SUITE_P(Links, SimMbpollTest, ::testing::Values(LinkKind::Serial, LinkKind::Tcp), LinkName);

} // namespace
} // namespace zephyra::test
