// Reading what the operator typed into a settings dialog: numbers, tenths, address octets, and the
// messages that stop an OK before anything is queued.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/text_key.h"
#include "polling/poll_state.h"

namespace zephyra {

// What a dialog's OK turns its fields into: the writes in push order (the write sequence sends them
// last-first), or an error text with no writes. Nothing ticked gives no writes and no error.
struct SettingWrites {
    std::vector<PendingWrite> Writes;
    std::string Error;
    bool Ok() const { return Error.empty(); }
};

// The toolkit's conversion-error texts.
std::string IntegerError(std::string_view text);
std::string FloatError(std::string_view text);
// A field's caption in the language tr gives. Captions are marked Korean texts (English ones stay as
// they are), so a refusal names the field as the window shows it.
std::string FieldCaption(std::string_view label, const TextTranslator &tr);
// "<label>: <error>": a window has many fields, so every message names the one at fault.
std::string FieldError(std::string_view label, std::string_view error, const TextTranslator &tr);
// "<label>: '<text>' is out of range (<lo>..<hi>)".
std::string RangeError(std::string_view label, std::string_view text, std::string_view lo,
                       std::string_view hi, const TextTranslator &tr);
std::string NothingSelectedError(std::string_view label, const TextTranslator &tr);

// Blanks around a number are tolerated; everything else must be the number.
std::string_view TrimBlanks(std::string_view text);

// Optional sign and decimal digits, within 32 bits. Returns false for anything else.
bool ParseInteger(std::string_view text, int32_t &out);
// A decimal number as exact tenths: "57.9" -> 579, "58" -> 580, "57.95" -> 579 (digits past the first
// decimal are cut, toward zero). Optional sign; at least one digit; no exponent.
bool ParseTenths(std::string_view text, int32_t &tenths);

// Integer field: error text (empty when fine, else naming the field by label) and the value, checked
// against [lo, hi].
std::string ReadInteger(std::string_view label, std::string_view text, int32_t lo, int32_t hi, int32_t &out,
                        const TextTranslator &tr);
// Tenths field checked against [loTenths, hiTenths].
std::string ReadTenths(std::string_view label, std::string_view text, int32_t loTenths, int32_t hiTenths,
                       int32_t &out, const TextTranslator &tr);
// Decimal address octet 0..255; a larger value is refused rather than folded into another address.
// Both octet readers name the field in every refusal.
std::string ReadDecimalOctet(std::string_view label, std::string_view text, uint8_t &out,
                             const TextTranslator &tr);
// MAC part: one or two hexadecimal digits.
std::string ReadHexOctet(std::string_view label, std::string_view text, uint8_t &out,
                         const TextTranslator &tr);

// Splits at sep into exactly n parts: up to the first sep, up to the next, ...; the last part is the
// rest. Missing parts are empty (an empty text gives n empty parts).
std::vector<std::string> SplitParts(std::string_view text, char sep, std::size_t n);

// Keys a spin field lets through: digits, signs and the decimal point.
bool IsSpinFieldChar(char c);
// A spin field losing the focus: an out-of-range number moves to the nearer limit; an empty text
// becomes emptyText when one is given. Anything unparsable stays for OK to report.
std::string LeaveIntegerSpin(std::string_view text, int32_t lo, int32_t hi, std::string_view emptyText = {});
// Same for a one-decimal spin field; limits in tenths, written back as one-decimal text.
std::string LeaveTenthsSpin(std::string_view text, int32_t loTenths, int32_t hiTenths);

} // namespace zephyra
