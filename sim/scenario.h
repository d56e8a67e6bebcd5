// What the simulated controller holds and how it misbehaves, read from a JSON scenario laid over the
// built-in default device.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "link/bytes.h"

namespace zephyra::sim {

inline constexpr int kRegisterSpace = 0x80; // addresses 0x0000..0x007F; the status block is 0x0001..0x007F
inline constexpr int kLogKinds = 3;         // alarm, data, event
inline constexpr std::size_t kMaxLogRecords = 65535;

// Record bodies without their two leading index bytes.
inline constexpr std::size_t kAlarmBodySize = 18;
inline constexpr std::size_t kDataBodySize = 16;
inline constexpr std::size_t kEventBodySize = 12;

struct Faults {
    int latencyMs = 0;
    // Added to the latency of the answer to a single-register write (0x06: its echo or exception), as a
    // controller that commits a set-point to flash before it answers.
    int writeLatencyMs = 0;
    // The device takes up a request only after it answered the one before, as a single-threaded
    // controller does: requests sent while it is busy wait, and each costs the full latency.
    bool oneAtATime = false;
    int jitterMs = 0;
    int dropEvery = 0;       // every N-th reply is not sent
    int corruptCrcEvery = 0; // every N-th serial reply carries a wrong CRC
    int chunkSize = 0;       // reply written in pieces of this many bytes ...
    int chunkGapMs = 0;      // ... with this pause between them
    Bytes noiseBefore;
    std::set<int> exceptionRegisters;
    int exceptionCode = 4; // server device failure
    int closeTcpAfter = 0; // requests per TCP connection
    bool refuseNetworkWrite = false;
    bool refuseInitialise = false;
    uint32_t seed = 1;
};

struct Scenario {
    std::array<uint16_t, kRegisterSpace> registers{};
    // Broken-down start time of the device clock; empty = the host's local time at start.
    std::optional<std::tm> startTime;
    bool clockRunning = true;
    bool steady = false; // measured values and traffic counters stay exactly as given
    std::array<std::vector<Bytes>, kLogKinds> logs;
    Faults faults;
};

// Reads `text` over `scenario` (keys that are absent keep their values). Returns an error text, empty
// when the scenario is good.
std::string ApplyScenarioJson(std::string_view text, Scenario &scenario);

// The default device (sim/scenarios/default.json, built in).
Scenario DefaultScenario();
std::string_view DefaultScenarioJson();

// Names accepted in "registers"; nullopt for an unknown name.
std::optional<int> RegisterByName(std::string_view name);

// Deterministic log content for the generator form {"alarm": N, ...}.
std::vector<Bytes> GenerateLog(int kind, std::size_t count, const Scenario &scenario);

// Ten decimal digits as the device keeps them: two in the low byte of 0x003D, four in each of the next two.
bool PackDeviceId(std::string_view digits, std::array<uint16_t, 3> &out);

} // namespace zephyra::sim
