#include "scenario.h"

#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "polling/status_decoder.h"

namespace zephyra::sim {
namespace {

using nlohmann::json;

struct ScenarioError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

const std::map<std::string, int, std::less<>> &RegisterNames() {
    static const std::map<std::string, int, std::less<>> names = {
        {"Year", reg::kYear},
        {"Month", reg::kMonth},
        {"Day", reg::kDay},
        {"Hour", reg::kHour},
        {"Minute", reg::kMinute},
        {"Second", reg::kSecond},
        {"ACV", reg::kACV},
        {"DCV", reg::kDCV},
        {"LCA", reg::kLCA},
        {"BCA", reg::kBCA},
        {"RT", reg::kRT},
        {"AlarmBits", reg::kAlarmBits},
        {"FwVersion", reg::kFwVersion},
        {"FwDate", reg::kFwDate},
        {"FwCnt", reg::kFwCnt},
        {"RelayBits", reg::kRelayBits},
        {"DischRelay", reg::kDischRelay},
        {"TempHRelay", reg::kTempHRelay},
        {"TempLRelay", reg::kTempLRelay},
        {"ChRelay", reg::kChRelay},
        {"ChRef", reg::kChRef},
        {"EthLinkBits", reg::kEthLinkBits},
        {"TcpRxTx", reg::kTcpRxTx},
        {"TcpFlag", reg::kTcpFlag},
        {"TcpComFailCnt", reg::kTcpComFailCnt},
        {"WatchdogCnt", reg::kWatchdogCnt},
        {"ChLimit", reg::kChLimit},
        {"B_Model", reg::kBModel},
        {"B_Cho", reg::kBCho},
        {"ACHigh", reg::kACHigh},
        {"ACLow", reg::kACLow},
        {"DCHigh", reg::kDCHigh},
        {"DCLow", reg::kDCLow},
        {"AlarmTestOn", reg::kAlarmTestOn},
        {"AlarmTestBits", reg::kAlarmTestBits},
        {"EthSpeed", reg::kEthSpeed},
        {"ACLEn", reg::kACLEn},
    };
    return names;
}

[[noreturn]] void Fail(const std::string &where, const std::string &what) {
    throw ScenarioError(where + ": " + what);
}

long long ParseInteger(const json &v, const std::string &where) {
    if (v.is_number_integer())
        return v.get<long long>();
    if (v.is_string()) {
        const std::string s = v.get<std::string>();
        std::size_t used = 0;
        long long n = 0;
        try {
            n = std::stoll(s, &used, 0); // "0x0819" or "2073"
        } catch (const std::exception &) {
            used = 0;
        }
        if (used == 0 || used != s.size())
            Fail(where, "'" + s + "' is not a number");
        return n;
    }
    Fail(where, "expected a number");
}

long long IntegerIn(const json &v, const std::string &where, long long lo, long long hi) {
    long long n = ParseInteger(v, where);
    if (n < lo || n > hi)
        Fail(where, std::to_string(n) + " is outside " + std::to_string(lo) + ".." + std::to_string(hi));
    return n;
}

// 16-bit register value; negative numbers are two's complement.
uint16_t Word(const json &v, const std::string &where) {
    return static_cast<uint16_t>(IntegerIn(v, where, -32768, 65535) & 0xFFFF);
}

bool Flag(const json &v, const std::string &where) {
    if (v.is_boolean())
        return v.get<bool>();
    return IntegerIn(v, where, 0, 1) != 0;
}

std::string Text(const json &v, const std::string &where) {
    if (!v.is_string())
        Fail(where, "expected a text");
    return v.get<std::string>();
}

void CheckKeys(const json &obj, const std::string &where, std::initializer_list<const char *> allowed) {
    if (!obj.is_object())
        Fail(where, "expected an object");
    for (const auto &[key, value] : obj.items()) {
        (void)value;
        bool known = false;
        for (const char *a : allowed)
            known = known || key == a;
        if (!known)
            Fail(where, "unknown key '" + key + "'");
    }
}

std::tm ParseTime(const json &v, const std::string &where) {
    const std::string s = Text(v, where);
    std::tm tm{};
    char tail = 0;
    int n = std::sscanf(s.c_str(), "%d-%d-%d %d:%d:%d%c", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour,
                        &tm.tm_min, &tm.tm_sec, &tail);
    if (n != 6 || tm.tm_year < 1970 || tm.tm_year > 2999 || tm.tm_mon < 1 || tm.tm_mon > 12 ||
        tm.tm_mday < 1 || tm.tm_mday > 31 || tm.tm_hour < 0 || tm.tm_hour > 23 || tm.tm_min < 0 ||
        tm.tm_min > 59 || tm.tm_sec < 0 || tm.tm_sec > 59)
        Fail(where, "expected a time like \"2025-08-07 09:05:03\", got \"" + s + "\"");
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    return tm;
}

std::array<uint8_t, 4> ParseIpv4(const json &v, const std::string &where) {
    const std::string s = Text(v, where);
    unsigned a = 0, b = 0, c = 0, d = 0;
    char tail = 0;
    if (std::sscanf(s.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) != 4 || a > 255 || b > 255 ||
        c > 255 || d > 255)
        Fail(where, "expected an IPv4 address, got \"" + s + "\"");
    return {static_cast<uint8_t>(a), static_cast<uint8_t>(b), static_cast<uint8_t>(c),
            static_cast<uint8_t>(d)};
}

std::array<uint8_t, 6> ParseMac(const json &v, const std::string &where) {
    const std::string s = Text(v, where);
    std::string hex;
    for (char ch : s)
        if (ch != ':' && ch != '.' && ch != '-')
            hex += ch;
    Bytes bytes;
    if (hex.size() != 12 || !ParseHexBytes(hex, bytes) || bytes.size() != 6)
        Fail(where, "expected six hex bytes such as 0A:5E:21:FE:FF:10, got \"" + s + "\"");
    std::array<uint8_t, 6> out{};
    std::copy(bytes.begin(), bytes.end(), out.begin());
    return out;
}

void PutAddress(Scenario &s, int address, const std::array<uint8_t, 4> &ip) {
    s.registers[static_cast<std::size_t>(address)] = static_cast<uint16_t>(ip[0] << 8 | ip[1]);
    s.registers[static_cast<std::size_t>(address + 1)] = static_cast<uint16_t>(ip[2] << 8 | ip[3]);
}

void ApplyIdentity(const json &obj, Scenario &s) {
    CheckKeys(obj, "identity", {"mac", "ip", "mask", "gateway"});
    if (obj.contains("ip"))
        PutAddress(s, reg::kIP, ParseIpv4(obj["ip"], "identity.ip"));
    if (obj.contains("gateway"))
        PutAddress(s, reg::kGW, ParseIpv4(obj["gateway"], "identity.gateway"));
    if (obj.contains("mask"))
        PutAddress(s, reg::kSM, ParseIpv4(obj["mask"], "identity.mask"));
    if (obj.contains("mac")) {
        auto mac = ParseMac(obj["mac"], "identity.mac");
        for (int i = 0; i < 3; ++i)
            s.registers[static_cast<std::size_t>(reg::kMAC + i)] =
                static_cast<uint16_t>(mac[2 * i] << 8 | mac[2 * i + 1]);
    }
}

void ApplyRanges(const json &list, const std::string &where, int base, Scenario &s) {
    if (!list.is_array() || list.size() > 5)
        Fail(where, "expected a list of at most five [start, end] pairs");
    for (std::size_t k = 0; k < list.size(); ++k) {
        const std::string at = where + "[" + std::to_string(k) + "]";
        const json &pair = list[k];
        if (!pair.is_array() || pair.size() != 2)
            Fail(at, "expected [start, end]");
        PutAddress(s, base + 4 * static_cast<int>(k), ParseIpv4(pair[0], at));
        PutAddress(s, base + 4 * static_cast<int>(k) + 2, ParseIpv4(pair[1], at));
    }
}

void ApplyAcl(const json &obj, Scenario &s) {
    CheckKeys(obj, "acl", {"enabled", "added", "default"});
    if (obj.contains("enabled"))
        s.registers[reg::kACLEn] = Flag(obj["enabled"], "acl.enabled") ? 1 : 0;
    if (obj.contains("added"))
        ApplyRanges(obj["added"], "acl.added", reg::kAclAdded, s);
    if (obj.contains("default"))
        ApplyRanges(obj["default"], "acl.default", reg::kAclDefault, s);
}

void ApplyRegisters(const json &obj, Scenario &s) {
    if (!obj.is_object())
        Fail("registers", "expected an object of name or address: value");
    for (const auto &[key, value] : obj.items()) {
        const std::string where = "registers." + key;
        int address = -1;
        if (auto named = RegisterByName(key)) {
            address = *named;
        } else {
            std::size_t used = 0;
            try {
                address = std::stoi(key, &used, 0);
            } catch (const std::exception &) {
                used = 0;
            }
            if (used == 0 || used != key.size())
                Fail(where, "unknown register name");
        }
        if (address < 1 || address >= kRegisterSpace)
            Fail(where, "address outside 0x0001..0x007F");
        s.registers[static_cast<std::size_t>(address)] = Word(value, where);
    }
}

uint8_t Byte(const json &rec, const char *key, const std::string &where, int fallback) {
    if (!rec.contains(key))
        return static_cast<uint8_t>(fallback);
    return static_cast<uint8_t>(IntegerIn(rec[key], where + "." + key, 0, 255));
}

void AppendWord(Bytes &out, const json &rec, const char *key, const std::string &where) {
    uint16_t v = rec.contains(key) ? Word(rec[key], where + "." + key) : 0;
    AppendBE16(out, v);
}

Bytes RecordBody(int kind, const json &rec, const std::string &where) {
    if (kind == 2)
        CheckKeys(
            rec, where,
            {"time", "year", "month", "day", "hour", "minute", "second", "acv", "dcv", "lca", "bca", "rt"});
    else if (kind == 1)
        CheckKeys(rec, where,
                  {"time", "year", "month", "day", "hour", "minute", "second", "acv", "dcv", "lca", "bca",
                   "rt", "code", "state"});
    else
        CheckKeys(rec, where,
                  {"time", "year", "month", "day", "hour", "minute", "second", "source", "event1", "event2",
                   "event3", "value"});
    std::tm tm{};
    tm.tm_year = 125;
    tm.tm_mon = 0;
    tm.tm_mday = 1;
    if (rec.contains("time"))
        tm = ParseTime(rec["time"], where + ".time");
    Bytes body;
    body.push_back(Byte(rec, "year", where, (tm.tm_year + 1900) % 100));
    body.push_back(Byte(rec, "month", where, tm.tm_mon + 1));
    body.push_back(Byte(rec, "day", where, tm.tm_mday));
    body.push_back(Byte(rec, "hour", where, tm.tm_hour));
    body.push_back(Byte(rec, "minute", where, tm.tm_min));
    body.push_back(Byte(rec, "second", where, tm.tm_sec));
    if (kind == 3) {
        body.push_back(Byte(rec, "source", where, 1));
        body.push_back(Byte(rec, "event1", where, 0));
        body.push_back(Byte(rec, "event2", where, 0));
        body.push_back(Byte(rec, "event3", where, 0));
        AppendWord(body, rec, "value", where);
        return body;
    }
    for (const char *key : {"acv", "dcv", "lca", "bca", "rt"})
        AppendWord(body, rec, key, where);
    if (kind == 1) {
        body.push_back(Byte(rec, "code", where, 0));
        body.push_back(Byte(rec, "state", where, 1));
    }
    return body;
}

void ApplyLogs(const json &obj, Scenario &s) {
    CheckKeys(obj, "logs", {"alarm", "data", "event"});
    const char *names[kLogKinds] = {"alarm", "data", "event"};
    for (int kind = 1; kind <= kLogKinds; ++kind) {
        const char *name = names[kind - 1];
        if (!obj.contains(name))
            continue;
        const json &v = obj[name];
        const std::string where = std::string("logs.") + name;
        auto &log = s.logs[static_cast<std::size_t>(kind - 1)];
        if (v.is_array()) {
            if (v.size() > kMaxLogRecords)
                Fail(where, "more than 65535 records");
            log.clear();
            for (std::size_t i = 0; i < v.size(); ++i)
                log.push_back(RecordBody(kind, v[i], where + "[" + std::to_string(i) + "]"));
        } else {
            auto n = static_cast<std::size_t>(IntegerIn(v, where, 0, static_cast<long long>(kMaxLogRecords)));
            log = GenerateLog(kind, n, s);
        }
    }
}

Bytes ParseNoise(const json &v, const std::string &where) {
    Bytes out;
    if (v.is_string()) {
        if (!ParseHexBytes(v.get<std::string>(), out))
            Fail(where, "expected hex bytes such as \"00 FF\"");
        return out;
    }
    if (!v.is_array())
        Fail(where, "expected hex bytes or a list of byte values");
    for (std::size_t i = 0; i < v.size(); ++i)
        out.push_back(static_cast<uint8_t>(IntegerIn(v[i], where + "[" + std::to_string(i) + "]", 0, 255)));
    return out;
}

void ApplyFaults(const json &obj, Scenario &s) {
    CheckKeys(obj, "faults",
              {"latency_ms", "write_latency_ms", "jitter_ms", "drop_every", "corrupt_crc_every", "chunk", "noise_before",
               "exception_registers", "exception_code", "close_tcp_after", "refuse_network_write",
               "refuse_initialise", "one_at_a_time", "seed"});
    Faults &f = s.faults;
    auto count = [&](const char *key, int &out, int hi) {
        if (obj.contains(key))
            out = static_cast<int>(IntegerIn(obj[key], std::string("faults.") + key, 0, hi));
    };
    count("latency_ms", f.latencyMs, 60000);
    count("write_latency_ms", f.writeLatencyMs, 60000);
    count("jitter_ms", f.jitterMs, 60000);
    count("drop_every", f.dropEvery, 1000000);
    count("corrupt_crc_every", f.corruptCrcEvery, 1000000);
    count("close_tcp_after", f.closeTcpAfter, 1000000);
    if (obj.contains("exception_code"))
        f.exceptionCode = static_cast<int>(IntegerIn(obj["exception_code"], "faults.exception_code", 1, 255));
    if (obj.contains("seed"))
        f.seed = static_cast<uint32_t>(IntegerIn(obj["seed"], "faults.seed", 0, 0xFFFFFFFF));
    if (obj.contains("chunk")) {
        const json &c = obj["chunk"];
        CheckKeys(c, "faults.chunk", {"size", "gap_ms"});
        f.chunkSize =
            c.contains("size") ? static_cast<int>(IntegerIn(c["size"], "faults.chunk.size", 1, 4096)) : 1;
        f.chunkGapMs = c.contains("gap_ms")
                           ? static_cast<int>(IntegerIn(c["gap_ms"], "faults.chunk.gap_ms", 0, 10000))
                           : 0;
    }
    if (obj.contains("noise_before"))
        f.noiseBefore = ParseNoise(obj["noise_before"], "faults.noise_before");
    if (obj.contains("exception_registers")) {
        const json &list = obj["exception_registers"];
        if (!list.is_array())
            Fail("faults.exception_registers", "expected a list of register addresses");
        f.exceptionRegisters.clear();
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::string where = "faults.exception_registers[" + std::to_string(i) + "]";
            if (list[i].is_string()) {
                if (auto named = RegisterByName(list[i].get<std::string>())) {
                    f.exceptionRegisters.insert(*named);
                    continue;
                }
            }
            f.exceptionRegisters.insert(static_cast<int>(IntegerIn(list[i], where, 0, 0xFFFF)));
        }
    }
    if (obj.contains("refuse_network_write"))
        f.refuseNetworkWrite = Flag(obj["refuse_network_write"], "faults.refuse_network_write");
    if (obj.contains("one_at_a_time"))
        f.oneAtATime = Flag(obj["one_at_a_time"], "faults.one_at_a_time");
    if (obj.contains("refuse_initialise"))
        f.refuseInitialise = Flag(obj["refuse_initialise"], "faults.refuse_initialise");
}

} // namespace

std::optional<int> RegisterByName(std::string_view name) {
    const auto &names = RegisterNames();
    auto it = names.find(name);
    if (it == names.end())
        return std::nullopt;
    return it->second;
}

bool PackDeviceId(std::string_view digits, std::array<uint16_t, 3> &out) {
    if (digits.size() != 10)
        return false;
    int d[10];
    for (std::size_t i = 0; i < 10; ++i) {
        if (digits[i] < '0' || digits[i] > '9')
            return false;
        d[i] = digits[i] - '0';
    }
    out[0] = static_cast<uint16_t>(d[0] << 4 | d[1]);
    out[1] = static_cast<uint16_t>(d[2] << 12 | d[3] << 8 | d[4] << 4 | d[5]);
    out[2] = static_cast<uint16_t>(d[6] << 12 | d[7] << 8 | d[8] << 4 | d[9]);
    return true;
}

std::string ApplyScenarioJson(std::string_view text, Scenario &s) {
    try {
        json root = json::parse(text);
        CheckKeys(root, "scenario",
                  {"start_time", "clock_running", "steady", "registers", "device_id", "identity", "acl",
                   "logs", "faults", "comment"});
        if (root.contains("start_time"))
            s.startTime = ParseTime(root["start_time"], "start_time");
        if (root.contains("clock_running"))
            s.clockRunning = Flag(root["clock_running"], "clock_running");
        if (root.contains("steady"))
            s.steady = Flag(root["steady"], "steady");
        if (root.contains("identity"))
            ApplyIdentity(root["identity"], s);
        if (root.contains("device_id")) {
            std::array<uint16_t, 3> packed{};
            if (!PackDeviceId(Text(root["device_id"], "device_id"), packed))
                Fail("device_id", "expected exactly ten decimal digits");
            s.registers[reg::kDeviceId1] = packed[0];
            s.registers[reg::kDeviceId2] = packed[1];
            s.registers[reg::kDeviceId3] = packed[2];
        }
        if (root.contains("acl"))
            ApplyAcl(root["acl"], s);
        // Registers by address come last so that they can override anything above.
        if (root.contains("registers"))
            ApplyRegisters(root["registers"], s);
        if (root.contains("logs"))
            ApplyLogs(root["logs"], s);
        if (root.contains("faults"))
            ApplyFaults(root["faults"], s);
    } catch (const json::exception &e) {
        return std::string("not valid JSON: ") + e.what();
    } catch (const ScenarioError &e) {
        return e.what();
    }
    return {};
}

Scenario DefaultScenario() {
    Scenario s;
    std::string error = ApplyScenarioJson(DefaultScenarioJson(), s);
    if (!error.empty())
        throw std::logic_error("built-in scenario: " + error);
    return s;
}

std::vector<Bytes> GenerateLog(int kind, std::size_t count, const Scenario &scenario) {
    // Fixed origin so that a generated log is the same on every run and every machine.
    std::tm origin{};
    if (scenario.startTime) {
        origin = *scenario.startTime;
    } else {
        origin.tm_year = 125;
        origin.tm_mon = 7;
        origin.tm_mday = 1;
    }
    const time_t end = timegm(&origin);
    const auto &r = scenario.registers;
    static const uint8_t kAlarmCodes[] = {1, 2, 3, 4, 5, 7, 8};
    // Source, Event1, Event2, Event3, value: what a controller's event log typically holds.
    static const uint16_t kEvents[][5] = {
        {1, 31, 5, 1, 3},    {2, 32, 1, 1, 2025},  {3, 1, 1, 4, 270}, {1, 2, 2, 4, 460}, {2, 31, 31, 1, 1},
        {1, 31, 30, 1, 20},  {1, 31, 30, 2, 0},    {3, 34, 2, 1, 5},  {1, 23, 1, 1, 0},  {6, 21, 1, 1, 8},
        {1, 33, 1, 1, 2205}, {2, 22, 1, 1, 0},     {1, 31, 11, 1, 0}, {4, 31, 6, 15, 1}, {5, 3, 1, 1, 1},
        {1, 31, 31, 40, 2},  {2, 31, 31, 2, 2560}, {1, 2, 1, 4, 580},
    };
    std::vector<Bytes> log;
    log.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        time_t t = end - static_cast<time_t>((count - i) * 433); // older records at lower indexes
        std::tm tm{};
        gmtime_r(&t, &tm);
        Bytes body{static_cast<uint8_t>((tm.tm_year + 1900) % 100),
                   static_cast<uint8_t>(tm.tm_mon + 1),
                   static_cast<uint8_t>(tm.tm_mday),
                   static_cast<uint8_t>(tm.tm_hour),
                   static_cast<uint8_t>(tm.tm_min),
                   static_cast<uint8_t>(tm.tm_sec)};
        if (kind == 3) {
            const uint16_t *e = kEvents[i % std::size(kEvents)];
            for (int k = 0; k < 4; ++k)
                body.push_back(static_cast<uint8_t>(e[k]));
            AppendBE16(body, e[4]);
            log.push_back(std::move(body));
            continue;
        }
        const int wobble = static_cast<int>(i % 5) - 2;
        AppendBE16(body, r[reg::kACV] + wobble);
        AppendBE16(body, r[reg::kDCV] + wobble);
        AppendBE16(body, r[reg::kLCA] + wobble);
        AppendBE16(body, static_cast<uint16_t>(r[reg::kBCA] + wobble));
        const uint16_t rt = r[reg::kRT];
        const bool noSensor = rt == 9999 || rt == 0xD8F1;
        AppendBE16(body, noSensor ? rt : static_cast<uint16_t>(rt + wobble));
        if (kind == 1) {
            // Each alarm occurs and then clears: pairs of records with the same code.
            body.push_back(kAlarmCodes[(i / 2) % std::size(kAlarmCodes)]);
            body.push_back(i % 2 == 0 ? 1 : 0);
        }
        log.push_back(std::move(body));
    }
    return log;
}

} // namespace zephyra::sim
