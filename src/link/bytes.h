// Byte strings and the small byte/text helpers used to cut and format device frames.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zephyra {

using Bytes = std::vector<uint8_t>;
using ByteView = std::span<const uint8_t>;

// High byte first; each byte reduced to its low 8 bits (callers pass 0..65535).
void AppendBE16(Bytes &out, int32_t v);

// Removes and returns the first n bytes (fewer if the string is shorter).
Bytes TakeFront(Bytes &bytes, std::size_t n);

// Two uppercase hex digits per byte, no separators.
std::string BytesToHex(ByteView bytes);
// Same, with a blank between bytes: for logs and journals.
std::string BytesToSpacedHex(ByteView bytes);

// The value of one hex digit, either case; -1 for any other character.
int HexValue(char c);
// Hexadecimal text to integer; an empty text reads as 0. Stops at the first non-hex character.
int32_t ParseHex(std::string_view text);
// Hex text with optional blanks ("01 04 00 01") to bytes; returns false on a malformed text.
bool ParseHexBytes(std::string_view text, Bytes &out);

// First byte * 256 + second byte.
int32_t ParseBE16(ByteView two);

} // namespace zephyra
