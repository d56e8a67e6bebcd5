// Number-to-text formatters shared by the status page, the settings dialogs and the history grids.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace zephyra {

// Tenths with one decimal and a unit letter after a blank: 535,'V' -> "53.5 V". Values below 0 or
// from 10000 are shown unscaled.
std::string FormatTenthsUnit(int32_t v, char unit);
std::string FormatTenths(int32_t v);
// Fixed-width form of the history grids: 48 -> "04.8", 0 -> "  0".
std::string FormatTenthsFixed(int32_t v);
// Exactly n uppercase hex digits (for 0 <= v < 16^n).
std::string HexDigits(int64_t v, int n);
// A register address or 16-bit word as the device's documents write it: "0x" and four uppercase digits.
std::string HexWord(int64_t v);
// Decimal, zero-padded to at least n digits.
std::string DecDigits(int64_t v, int n);
// Four bytes as DecDigits(b, 2) joined by "."; six bytes as HexDigits(b, 2) joined by ".".
std::string DottedDecimal(std::span<const uint8_t> four);
std::string DottedHex(std::span<const uint8_t> six);
// Four bytes in plain decimal joined by "." (the status page's address fields).
std::string PlainDottedDecimal(std::span<const uint8_t> four);

} // namespace zephyra
