// The simulated controller itself: its registers, clock, network identity and logs, and its answer to
// one request. Knows nothing about links, timing faults or sockets.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "link/bytes.h"
#include "scenario.h"

namespace zephyra::sim {

enum class Channel : uint8_t { Rtu, Tcp };

// Modbus exception codes.
inline constexpr uint8_t kIllegalFunction = 1;
inline constexpr uint8_t kIllegalAddress = 2;
inline constexpr uint8_t kIllegalValue = 3;

// The device clock: set fields plus the time run since they were set. Fields may briefly hold a date that
// does not exist (day 31 written before the month), as a controller's clock registers do.
class DeviceClock {
public:
    DeviceClock(const std::tm &start, bool running, int64_t nowMs);
    std::tm Now(int64_t nowMs) const;
    // field 0..5: year (full), month, day, hour, minute, second.
    void Set(int field, int value, int64_t nowMs);

private:
    std::tm fields_{};
    int64_t baseMs_ = 0;
    bool running_ = true;
};

class Device {
public:
    Device(const Scenario &scenario, int64_t nowMs);

    // unit: address, function and the rest, without CRC or MBAP header. Returns the reply unit.
    Bytes Handle(ByteView unit, Channel channel, int64_t nowMs);

    // Status registers as the next read would show them; index = address.
    std::array<uint16_t, kRegisterSpace> Registers(int64_t nowMs) const;
    const std::vector<Bytes> &Log(int kind) const { return logs_[static_cast<std::size_t>(kind - 1)]; }

    void SetTcpConnected(bool connected) { tcpConnected_ = connected; }
    void CountTcpReply() { ++tcpTx_; }
    // Things worth a journal line beyond the frames themselves (commands, calibrations, identity writes).
    std::vector<std::string> TakeNotes();

private:
    Bytes ReadInputs(ByteView unit, int64_t nowMs);
    Bytes WriteSingle(ByteView unit, Channel channel, int64_t nowMs);
    Bytes History(ByteView unit, Channel channel, int64_t nowMs);
    Bytes Network(ByteView unit, Channel channel, int64_t nowMs);
    void AppendEvent(Channel channel, int64_t nowMs, int event1, int event2, int event3, uint16_t value);
    void Note(std::string text) { notes_.push_back(std::move(text)); }

    Scenario scenario_;
    std::array<uint16_t, kRegisterSpace> regs_{};
    DeviceClock clock_;
    std::array<std::vector<Bytes>, kLogKinds> logs_;
    int64_t startMs_ = 0;
    int64_t lastRequestMs_ = 0;
    bool tcpConnected_ = false;
    uint32_t tcpRx_ = 0;
    uint32_t tcpTx_ = 0;
    std::vector<std::string> notes_;
};

Bytes ExceptionReply(ByteView unit, uint8_t code);

} // namespace zephyra::sim
