// A status block built register by register, and the replies that carry it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <utility>

#include "link/bytes.h"
#include "polling/status_decoder.h"

namespace zephyra::test {

class StatusBlock {
public:
    StatusBlock() : data_(kStatusByteCount, 0) {}
    // address: 0x0001..0x007F; value as on the wire, 0..65535.
    StatusBlock &Set(int address, int32_t value) {
        std::size_t i = static_cast<std::size_t>(address - 1) * 2;
        data_.at(i) = static_cast<uint8_t>((value >> 8) & 0xFF);
        data_.at(i + 1) = static_cast<uint8_t>(value & 0xFF);
        return *this;
    }
    StatusBlock &Set(std::initializer_list<std::pair<int, int32_t>> values) {
        for (auto [address, value] : values)
            Set(address, value);
        return *this;
    }
    // The 254 data bytes.
    const Bytes &Data() const { return data_; }
    // 01 04 FE and the block: the status reply without link framing.
    Bytes Unit() const {
        Bytes unit;
        unit.reserve(3 + data_.size()); // built up like Payload(): g++ 12 warns falsely on an insert
        for (uint8_t b : {0x01, 0x04, 0xFE})
            unit.push_back(b);
        unit.insert(unit.end(), data_.begin(), data_.end());
        return unit;
    }
    // The reply after its function code, as the dispatcher gets it: FE and the block.
    Bytes Payload() const {
        Bytes payload;
        payload.reserve(1 + data_.size());
        payload.push_back(0xFE);
        payload.insert(payload.end(), data_.begin(), data_.end());
        return payload;
    }

private:
    Bytes data_;
};

// A block as a working site sends it: a date and time, AC and DC in range, a discharging battery, an unused
// temperature sensor, two alarm lamps and a relay on, the alarm test running, a 1G link with TCP traffic.
inline StatusBlock SiteBlock() {
    return StatusBlock().Set({{0x0001, 2025},   {0x0002, 8},      {0x0003, 7},      {0x0004, 9},
                              {0x0005, 5},      {0x0006, 3},      {0x0007, 221},    {0x0008, 535},
                              {0x000A, 0xFFF1}, {0x000B, 9999},   {0x000C, 0x41},   {0x000D, 0x0819},
                              {0x000E, 0x0807}, {0x0011, 0x10},   {0x0017, 0x3C},   {0x0018, 0x0102},
                              {0x002E, 1},      {0x0040, 0xC0A8}, {0x0041, 0x1E46}, {0x0049, 0}});
}

} // namespace zephyra::test
