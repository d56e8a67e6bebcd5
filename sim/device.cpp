#include "device.h"

#include "link/link_types.h"
#include "polling/status_decoder.h"

namespace zephyra::sim {
namespace {

constexpr int64_t kAlarmTestTimeoutMs = 180000; // the test ends by itself after three minutes without a PC
constexpr uint8_t kSourceSerial = 1;            // "RS232"
constexpr uint8_t kSourceTcp = 2;               // "TCP/IP"

// Event codes as the controller's event log writes them.
constexpr int kEvAcAlarm = 1, kEvDcAlarm = 2, kEvDeviceEnvironment = 22, kEvLogInit = 23, kEvOperateSet = 31,
              kEvDateTimeSet = 32, kEvSlopeSet = 33;
constexpr int kOpChargeLimit = 5, kOpBattery = 6, kOpFactoryReset = 11, kOpAlarmTest = 30, kOpAcl = 31;

bool ValidDay(const std::tm &tm) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (tm.tm_mon < 0 || tm.tm_mon > 11 || tm.tm_mday < 1)
        return false;
    int year = tm.tm_year + 1900;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    int days = kDays[tm.tm_mon] + (tm.tm_mon == 1 && leap ? 1 : 0);
    return tm.tm_mday <= days;
}

// 0, 1 .. amp .. 1, 0, -1 .. -amp .. -1: a slow integer triangle, one step every stepMs.
int Triangle(int64_t elapsedMs, int64_t stepMs, int amp, int phase) {
    if (amp <= 0)
        return 0;
    int k = static_cast<int>((elapsedMs / stepMs + phase) % (4 * amp));
    if (k <= amp)
        return k;
    if (k <= 3 * amp)
        return 2 * amp - k;
    return k - 4 * amp;
}

uint16_t Be16(ByteView b, std::size_t at) {
    return static_cast<uint16_t>(b[at] << 8 | b[at + 1]);
}

std::string Hex4(int v) {
    static const char *digits = "0123456789ABCDEF";
    std::string s = "0x";
    for (int shift = 12; shift >= 0; shift -= 4)
        s += digits[(v >> shift) & 0xF];
    return s;
}

} // namespace

Bytes ExceptionReply(ByteView unit, uint8_t code) {
    uint8_t address = unit.empty() ? kUnitAddress : unit[0];
    uint8_t function = unit.size() > 1 ? unit[1] : 0;
    return {address, static_cast<uint8_t>(function | kExceptionBit), code};
}

DeviceClock::DeviceClock(const std::tm &start, bool running, int64_t nowMs)
    : fields_(start), baseMs_(nowMs), running_(running) {}

std::tm DeviceClock::Now(int64_t nowMs) const {
    std::tm copy = fields_;
    time_t t = timegm(&copy);
    if (running_)
        t += (nowMs - baseMs_) / 1000;
    std::tm out{};
    gmtime_r(&t, &out);
    return out;
}

void DeviceClock::Set(int field, int value, int64_t nowMs) {
    int64_t elapsed = running_ ? (nowMs - baseMs_) / 1000 : 0;
    if (ValidDay(fields_)) {
        std::tm copy = fields_;
        time_t t = timegm(&copy) + elapsed;
        gmtime_r(&t, &fields_);
    } else {
        // Keep the pending day until the month or year that makes it valid is written.
        fields_.tm_sec += static_cast<int>(elapsed);
    }
    baseMs_ += elapsed * 1000;
    switch (field) {
    case 0:
        fields_.tm_year = value - 1900;
        break;
    case 1:
        fields_.tm_mon = value - 1;
        break;
    case 2:
        fields_.tm_mday = value;
        break;
    case 3:
        fields_.tm_hour = value;
        break;
    case 4:
        fields_.tm_min = value;
        break;
    default:
        fields_.tm_sec = value;
        break;
    }
}

namespace {
std::tm StartOf(const Scenario &s) {
    if (s.startTime)
        return *s.startTime;
    time_t now = time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return tm;
}
} // namespace

Device::Device(const Scenario &scenario, int64_t nowMs)
    : scenario_(scenario), regs_(scenario.registers), clock_(StartOf(scenario), scenario.clockRunning, nowMs),
      logs_(scenario.logs), startMs_(nowMs), lastRequestMs_(nowMs) {}

std::vector<std::string> Device::TakeNotes() {
    std::vector<std::string> out;
    out.swap(notes_);
    return out;
}

std::array<uint16_t, kRegisterSpace> Device::Registers(int64_t nowMs) const {
    std::array<uint16_t, kRegisterSpace> r = regs_;
    std::tm tm = clock_.Now(nowMs);
    r[reg::kYear] = static_cast<uint16_t>(tm.tm_year + 1900);
    r[reg::kMonth] = static_cast<uint16_t>(tm.tm_mon + 1);
    r[reg::kDay] = static_cast<uint16_t>(tm.tm_mday);
    r[reg::kHour] = static_cast<uint16_t>(tm.tm_hour);
    r[reg::kMinute] = static_cast<uint16_t>(tm.tm_min);
    r[reg::kSecond] = static_cast<uint16_t>(tm.tm_sec);

    if (r[reg::kAlarmTestOn] != 0) {
        // The alarm test raises the selected alarms and the contacts that follow them.
        uint16_t test = r[reg::kAlarmTestBits] & 0xDF;
        r[reg::kAlarmBits] |= test;
        uint16_t relays = 0;
        if (test & 0x01)
            relays |= 0x01;
        if (test & 0x06)
            relays |= 0x02;
        if (test & 0xC0)
            relays |= 0x04;
        if (test & 0x18)
            relays |= 0x08;
        if (test)
            relays |= 0x10;
        r[reg::kRelayBits] |= relays;
    }

    if (!scenario_.steady) {
        int64_t elapsed = nowMs - startMs_;
        r[reg::kACV] = static_cast<uint16_t>(r[reg::kACV] + Triangle(elapsed, 3000, 1, 0));
        r[reg::kDCV] = static_cast<uint16_t>(r[reg::kDCV] + Triangle(elapsed, 2000, 2, 1));
        r[reg::kLCA] = static_cast<uint16_t>(r[reg::kLCA] + Triangle(elapsed, 1500, 2, 3));
        r[reg::kBCA] = static_cast<uint16_t>(r[reg::kBCA] + Triangle(elapsed, 2500, 1, 2));
        if (r[reg::kRT] != 9999 && r[reg::kRT] != 0xD8F1)
            r[reg::kRT] = static_cast<uint16_t>(r[reg::kRT] + Triangle(elapsed, 7000, 1, 1));
        // Each count is one byte and wraps on its own.
        uint32_t rx = ((r[reg::kTcpRxTx] >> 8) + tcpRx_) & 0xFF;
        uint32_t tx = ((r[reg::kTcpRxTx] & 0xFF) + tcpTx_) & 0xFF;
        r[reg::kTcpRxTx] = static_cast<uint16_t>(rx << 8 | tx);
        if (tcpConnected_)
            r[reg::kTcpFlag] = 1;
    }
    return r;
}

Bytes Device::Handle(ByteView unit, Channel channel, int64_t nowMs) {
    if (channel == Channel::Tcp)
        ++tcpRx_;
    if (unit.size() < 2)
        return ExceptionReply(unit, kIllegalFunction);
    if (regs_[reg::kAlarmTestOn] != 0 && nowMs - lastRequestMs_ >= kAlarmTestTimeoutMs) {
        regs_[reg::kAlarmTestOn] = 0;
        Note("alarm test ended: no request for three minutes");
    }
    lastRequestMs_ = nowMs;
    switch (unit[1]) {
    case kFnReadInput:
        return ReadInputs(unit, nowMs);
    case kFnWriteSingle:
        return WriteSingle(unit, channel, nowMs);
    case kFnHistory:
        return History(unit, channel, nowMs);
    case kFnNetwork:
        return Network(unit, channel, nowMs);
    default:
        return ExceptionReply(unit, kIllegalFunction);
    }
}

Bytes Device::ReadInputs(ByteView unit, int64_t nowMs) {
    if (unit.size() != 6)
        return ExceptionReply(unit, kIllegalValue);
    int start = Be16(unit, 2);
    int count = Be16(unit, 4);
    if (count < 1 || count > kStatusRegisterCount)
        return ExceptionReply(unit, kIllegalValue);
    if (start < 1 || start + count - 1 >= kRegisterSpace)
        return ExceptionReply(unit, kIllegalAddress);
    auto r = Registers(nowMs);
    Bytes reply{unit[0], kFnReadInput, static_cast<uint8_t>(count * 2)};
    for (int a = start; a < start + count; ++a)
        AppendBE16(reply, r[static_cast<std::size_t>(a)]);
    return reply;
}

Bytes Device::WriteSingle(ByteView unit, Channel channel, int64_t nowMs) {
    if (unit.size() != 6)
        return ExceptionReply(unit, kIllegalValue);
    const int address = Be16(unit, 2);
    const uint16_t value = Be16(unit, 4);
    const Bytes echo(unit.begin(), unit.end());
    if (scenario_.faults.exceptionRegisters.count(address))
        return ExceptionReply(unit, static_cast<uint8_t>(scenario_.faults.exceptionCode));

    auto store = [&](int e1, int e2, int e3) {
        regs_[static_cast<std::size_t>(address)] = value;
        AppendEvent(channel, nowMs, e1, e2, e3, value);
        return echo;
    };

    if (address >= reg::kYear && address <= reg::kSecond) {
        static const int kLow[] = {1970, 1, 1, 0, 0, 0};
        static const int kHigh[] = {2999, 12, 31, 23, 59, 59};
        int field = address - reg::kYear;
        if (value < kLow[field] || value > kHigh[field])
            return ExceptionReply(unit, kIllegalValue);
        clock_.Set(field, value, nowMs);
        AppendEvent(channel, nowMs, kEvDateTimeSet, 1, field + 1, value);
        return echo;
    }
    switch (address) {
    case reg::kChLimit:
        return store(kEvOperateSet, kOpChargeLimit, 1);
    case reg::kBModel:
        return store(kEvOperateSet, kOpBattery, 15);
    case reg::kBCho:
        return store(kEvOperateSet, kOpBattery, 16);
    case reg::kACHigh:
        return store(kEvAcAlarm, 1, 4);
    case reg::kACLow:
        return store(kEvAcAlarm, 2, 4);
    case reg::kDCHigh:
        return store(kEvDcAlarm, 1, 4);
    case reg::kDCLow:
        return store(kEvDcAlarm, 2, 4);
    case reg::kAlarmTestOn:
        regs_[reg::kAlarmTestOn] = value;
        AppendEvent(channel, nowMs, kEvOperateSet, kOpAlarmTest, value ? 1 : 2, regs_[reg::kAlarmTestBits]);
        return echo;
    case reg::kAlarmTestBits:
        regs_[reg::kAlarmTestBits] = value;
        return echo;
    case reg::kEthSpeed:
        return store(kEvOperateSet, kOpAcl, 40);
    case reg::kDeviceId1:
    case reg::kDeviceId2:
    case reg::kDeviceId3:
        return store(kEvOperateSet, kOpAcl, 31 + address - reg::kDeviceId1);
    case reg::kACLEn:
        return store(kEvOperateSet, kOpAcl, 1);
    case reg::kCommand: {
        const char *what = value == 1   ? "controller reset"
                           : value == 4 ? "configuration initialise"
                           : value == 8 ? "environment initialise"
                                        : nullptr;
        if (!what)
            return ExceptionReply(unit, kIllegalValue);
        Note("command " + Hex4(address) + "=" + std::to_string(value) + " " + what);
        AppendEvent(channel, nowMs, kEvOperateSet, kOpFactoryReset,
                    value == 1   ? 1
                    : value == 4 ? 3
                                 : 4,
                    value);
        return echo;
    }
    default:
        break;
    }
    if (address >= reg::kAclAdded && address < reg::kAclDefault)
        return store(kEvOperateSet, kOpAcl, 2 + address - reg::kAclAdded);
    if (address >= reg::kCalibrationFirst && address <= reg::kCalibrationLast) {
        // The operator enters what a meter shows; the controller trims its reading to match.
        Note("calibration " + Hex4(address) + "=" + std::to_string(value));
        static const int kItem[] = {1, 4, 6, 7}; // AC Volt, DC Volt, Load Amp, Battery Amp(+)
        int i = address - reg::kCalibrationFirst;
        AppendEvent(channel, nowMs, kEvSlopeSet, 1, kItem[i], value);
        switch (address - reg::kCalibrationFirst) {
        case 0:
            regs_[reg::kACV] = static_cast<uint16_t>((value + 5) / 10);
            break;
        case 1:
            regs_[reg::kDCV] = static_cast<uint16_t>((value + 5) / 10);
            break;
        case 2:
            regs_[reg::kLCA] = static_cast<uint16_t>((value + 5) / 10);
            break;
        default: {
            bool negative = regs_[reg::kBCA] & 0x8000;
            int magnitude = (value + 5) / 10;
            regs_[reg::kBCA] = static_cast<uint16_t>(negative ? -magnitude : magnitude);
        }
        }
        return echo;
    }
    return ExceptionReply(unit, kIllegalAddress);
}

Bytes Device::History(ByteView unit, Channel channel, int64_t nowMs) {
    if (unit.size() < 6 || Be16(unit, 2) != unit.size() - 4)
        return ExceptionReply(unit, kIllegalValue);
    const uint8_t kind = unit[4];
    const uint8_t command = unit[5];
    if (kind < 1 || kind > kLogKinds)
        return ExceptionReply(unit, kIllegalValue);
    auto &log = logs_[kind - 1u];
    Bytes reply{unit[0], kFnHistory};
    switch (command) {
    case 1:
        if (unit.size() != 6)
            return ExceptionReply(unit, kIllegalValue);
        AppendBE16(reply, 4);
        reply.insert(reply.end(), {kind, command});
        AppendBE16(reply, static_cast<int32_t>(log.size()));
        return reply;
    case 2: {
        if (unit.size() != 8)
            return ExceptionReply(unit, kIllegalValue);
        std::size_t index = Be16(unit, 6);
        if (index >= log.size())
            return ExceptionReply(unit, kIllegalAddress);
        const Bytes &body = log[index];
        AppendBE16(reply, static_cast<int32_t>(2 + 2 + body.size()));
        reply.insert(reply.end(), {kind, command});
        AppendBE16(reply, static_cast<int32_t>(index));
        reply.insert(reply.end(), body.begin(), body.end());
        return reply;
    }
    case 3: {
        if (unit.size() != 6)
            return ExceptionReply(unit, kIllegalValue);
        uint8_t result = 1;
        if (scenario_.faults.refuseInitialise) {
            result = 2;
        } else {
            log.clear();
            // Clearing the event log leaves it empty; clearing another log is itself an event.
            if (kind != 3)
                AppendEvent(channel, nowMs, kEvLogInit, 1, kind, 0);
        }
        Note("history initialise kind " + std::to_string(kind) + (result == 1 ? " done" : " refused"));
        AppendBE16(reply, 3);
        reply.insert(reply.end(), {kind, command, result});
        return reply;
    }
    default:
        return ExceptionReply(unit, kIllegalValue);
    }
}

Bytes Device::Network(ByteView unit, Channel channel, int64_t nowMs) {
    if (unit.size() < 5 || Be16(unit, 2) != unit.size() - 4)
        return ExceptionReply(unit, kIllegalValue);
    const uint8_t sub = unit[4];
    Bytes reply{unit[0], kFnNetwork};
    if (sub == 1 && unit.size() == 5) {
        AppendBE16(reply, 1 + kNetworkIdentityBytes);
        reply.push_back(1);
        for (int a : {reg::kMAC, reg::kMAC + 1, reg::kMAC + 2, reg::kIP, reg::kIP + 1, reg::kSM, reg::kSM + 1,
                      reg::kGW, reg::kGW + 1})
            AppendBE16(reply, regs_[static_cast<std::size_t>(a)]);
        return reply;
    }
    if (sub == 2 && unit.size() == 5 + kNetworkIdentityBytes) {
        uint8_t result = 1;
        if (scenario_.faults.refuseNetworkWrite) {
            result = 2;
        } else {
            const uint8_t *b = unit.data() + 5;
            int i = 0;
            for (int a : {reg::kMAC, reg::kMAC + 1, reg::kMAC + 2, reg::kIP, reg::kIP + 1, reg::kSM,
                          reg::kSM + 1, reg::kGW, reg::kGW + 1}) {
                regs_[static_cast<std::size_t>(a)] = static_cast<uint16_t>(b[i] << 8 | b[i + 1]);
                i += 2;
            }
        }
        Note(std::string("network identity write ") + (result == 1 ? "accepted" : "refused"));
        AppendEvent(channel, nowMs, kEvDeviceEnvironment, 1, result, 0);
        AppendBE16(reply, 2);
        reply.insert(reply.end(), {2, result});
        return reply;
    }
    return ExceptionReply(unit, kIllegalValue);
}

void Device::AppendEvent(Channel channel, int64_t nowMs, int event1, int event2, int event3, uint16_t value) {
    auto &log = logs_[2];
    if (log.size() >= kMaxLogRecords)
        log.erase(log.begin());
    std::tm tm = clock_.Now(nowMs);
    Bytes body{static_cast<uint8_t>((tm.tm_year + 1900) % 100),
               static_cast<uint8_t>(tm.tm_mon + 1),
               static_cast<uint8_t>(tm.tm_mday),
               static_cast<uint8_t>(tm.tm_hour),
               static_cast<uint8_t>(tm.tm_min),
               static_cast<uint8_t>(tm.tm_sec),
               channel == Channel::Rtu ? kSourceSerial : kSourceTcp,
               static_cast<uint8_t>(event1),
               static_cast<uint8_t>(event2),
               static_cast<uint8_t>(event3)};
    AppendBE16(body, value);
    log.push_back(std::move(body));
}

} // namespace zephyra::sim
