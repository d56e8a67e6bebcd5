// Numbers as the device's documents write them: uppercase hex, registers and bit words as "0x002A".
#pragma once

#include <cstdint>
#include <string>

namespace zephyra {

// Exactly n uppercase hex digits (for 0 <= v < 16^n).
std::string HexDigits(int64_t v, int n);
// A register address or 16-bit word: "0x" and four uppercase digits.
std::string HexWord(int64_t v);

} // namespace zephyra
