// Number-to-text formatters shared by the status page, the settings dialogs and the history grids.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/hex_text.h"

namespace zephyra {

// Tenths with one decimal and a unit letter after a blank: 535,'V' -> "53.5 V". Values below 0 or
// from 10000 are shown unscaled.
std::string FormatTenthsUnit(int32_t v, char unit);
std::string FormatTenths(int32_t v);
// Fixed-width form of the history grids: 48 -> "04.8", 0 -> "  0".
std::string FormatTenthsFixed(int32_t v);
// Decimal, zero-padded to at least n digits.
std::string DecDigits(int64_t v, int n);
// Four bytes as DecDigits(b, 2) joined by "."; six bytes as HexDigits(b, 2) joined by ".".
std::string DottedDecimal(std::span<const uint8_t> four);
std::string DottedHex(std::span<const uint8_t> six);
// Four bytes in plain decimal joined by "." (the status page's address fields).
std::string PlainDottedDecimal(std::span<const uint8_t> four);

} // namespace zephyra
