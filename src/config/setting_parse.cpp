#include "config/setting_parse.h"

#include <limits>

#include "core/formatters.h"
#include "core/text_key.h"
#include "link/bytes.h"

namespace zephyra {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

} // namespace

std::string IntegerError(std::string_view text) {
    return Quoted(text) + " is not a valid integer value";
}

std::string FloatError(std::string_view text) {
    return Quoted(text) + " is not a valid floating point value";
}

std::string FieldCaption(std::string_view label, const TextTranslator &tr) {
    return tr.Text(std::string(label).c_str());
}

std::string FieldError(std::string_view label, std::string_view error, const TextTranslator &tr) {
    return FieldCaption(label, tr) + ": " + std::string(error);
}

std::string RangeError(std::string_view label, std::string_view text, std::string_view lo,
                       std::string_view hi, const TextTranslator &tr) {
    return tr.Format(ZEPHYRA_TEXT("zephyra", "%1: '%2' 값이 범위(%3..%4)를 벗어났습니다"),
                     {FieldCaption(label, tr), text, lo, hi});
}

std::string NothingSelectedError(std::string_view label, const TextTranslator &tr) {
    return tr.Format(ZEPHYRA_TEXT("zephyra", "%1: 선택된 항목이 없습니다"), {FieldCaption(label, tr)});
}

std::string_view TrimBlanks(std::string_view text) {
    const char *blanks = " \t";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool ParseInteger(std::string_view text, int32_t &out) {
    text = TrimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return false;
    int64_t value = 0;
    for (char c : text) {
        if (!IsDigit(c))
            return false;
        value = value * 10 + (c - '0');
        if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1)
            return false;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int32_t>::max())
        return false;
    out = static_cast<int32_t>(value);
    return true;
}

bool ParseTenths(std::string_view text, int32_t &tenths) {
    text = TrimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    std::size_t point = text.find('.');
    std::string_view whole = text.substr(0, point);
    std::string_view fraction = point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
    if (whole.empty() && fraction.empty())
        return false;
    int64_t value = 0;
    for (char c : whole) {
        if (!IsDigit(c))
            return false;
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<int32_t>::max() / 10)
            return false;
    }
    value *= 10;
    for (char c : fraction) {
        if (!IsDigit(c))
            return false;
    }
    if (!fraction.empty())
        value += fraction[0] - '0';
    if (value > std::numeric_limits<int32_t>::max())
        return false;
    tenths = static_cast<int32_t>(negative ? -value : value);
    return true;
}

std::string ReadInteger(std::string_view label, std::string_view text, int32_t lo, int32_t hi, int32_t &out,
                        const TextTranslator &tr) {
    int32_t v = 0;
    if (!ParseInteger(text, v))
        return FieldError(label, IntegerError(text), tr);
    if (v < lo || v > hi)
        return RangeError(label, text, std::to_string(lo), std::to_string(hi), tr);
    out = v;
    return {};
}

std::string ReadTenths(std::string_view label, std::string_view text, int32_t loTenths, int32_t hiTenths,
                       int32_t &out, const TextTranslator &tr) {
    int32_t v = 0;
    if (!ParseTenths(text, v))
        return FieldError(label, FloatError(text), tr);
    if (v < loTenths || v > hiTenths)
        return RangeError(label, text, FormatTenths(loTenths), FormatTenths(hiTenths), tr);
    out = v;
    return {};
}

std::string ReadDecimalOctet(std::string_view label, std::string_view text, uint8_t &out,
                             const TextTranslator &tr) {
    int32_t v = 0;
    if (!ParseInteger(text, v))
        return FieldError(label, IntegerError(text), tr);
    if (v < 0 || v > 255)
        return tr.Format(ZEPHYRA_TEXT("zephyra", "%1: '%2' 값은 주소 자리(0..255)로 쓸 수 없습니다"),
                         {FieldCaption(label, tr), text});
    out = static_cast<uint8_t>(v);
    return {};
}

std::string ReadHexOctet(std::string_view label, std::string_view text, uint8_t &out,
                         const TextTranslator &tr) {
    std::string_view digits = TrimBlanks(text);
    bool allHex = !digits.empty();
    int value = 0;
    for (char c : digits) {
        int h = HexValue(c);
        if (h < 0) {
            allHex = false;
            break;
        }
        value = (value * 16 + h) & 0xFFFF;
    }
    // The hexadecimal marker in front shows the radix the text was read in.
    if (!allHex)
        return FieldError(label, IntegerError("$" + std::string(text)), tr);
    if (digits.size() > 2)
        return tr.Format(ZEPHYRA_TEXT("zephyra", "%1: '%2' 값은 주소 자리(00..FF)로 쓸 수 없습니다"),
                         {FieldCaption(label, tr), text});
    out = static_cast<uint8_t>(value);
    return {};
}

std::vector<std::string> SplitParts(std::string_view text, char sep, std::size_t n) {
    std::vector<std::string> parts(n);
    for (std::size_t i = 0; i < n && !text.empty(); ++i) {
        std::size_t at = text.find(sep);
        if (i + 1 == n || at == std::string_view::npos) {
            parts[i] = std::string(text);
            break;
        }
        parts[i] = std::string(text.substr(0, at));
        text.remove_prefix(at + 1);
    }
    return parts;
}

bool IsSpinFieldChar(char c) {
    return IsDigit(c) || c == '+' || c == '-' || c == '.';
}

std::string LeaveIntegerSpin(std::string_view text, int32_t lo, int32_t hi, std::string_view emptyText) {
    if (TrimBlanks(text).empty() && !emptyText.empty())
        return std::string(emptyText);
    int32_t v = 0;
    if (!ParseInteger(text, v))
        return std::string(text);
    if (v < lo)
        return std::to_string(lo);
    if (v > hi)
        return std::to_string(hi);
    return std::string(text);
}

std::string LeaveTenthsSpin(std::string_view text, int32_t loTenths, int32_t hiTenths) {
    int32_t v = 0;
    if (!ParseTenths(text, v))
        return std::string(text);
    if (v < loTenths)
        return FormatTenths(loTenths);
    if (v > hiTenths)
        return FormatTenths(hiTenths);
    return std::string(text);
}

} // namespace zephyra
