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

} // namespace zephyra::test
