// Builds status replies register by register, for tests that feed the dispatcher.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <utility>

#include "link/bytes.h"

namespace zephyra::test {

class StatusBlock {
public:
    StatusBlock &Set(int address, int value) {
        regs_[static_cast<std::size_t>(address - 1)] = static_cast<uint16_t>(value);
        return *this;
    }
    StatusBlock &Set(std::initializer_list<std::pair<int, int>> values) {
        for (auto [a, v] : values) Set(a, v);
        return *this;
    }
    // The reply after its function code: byte count 0xFE, then 254 data bytes.
    Bytes Payload() const {
        Bytes p{0xFE};
        for (uint16_t r : regs_) {
            p.push_back(static_cast<uint8_t>(r >> 8));
            p.push_back(static_cast<uint8_t>(r & 0xFF));
        }
        return p;
    }

private:
    std::array<uint16_t, 127> regs_{};
};

} // namespace zephyra::test
