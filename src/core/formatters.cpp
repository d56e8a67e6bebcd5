#include "core/formatters.h"

namespace zephyra {

namespace {

// "digits" split as integer part and last digit, following the formatter table.
std::string TenthsDigits(int32_t v) {
    std::string d = std::to_string(v);
    if (v < 0 || v >= 10000)
        return d;
    if (v < 10)
        return "0." + d;
    return d.substr(0, d.size() - 1) + "." + d.substr(d.size() - 1);
}

std::string RightAlign(const std::string &s, std::size_t width) {
    return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

} // namespace

std::string FormatTenthsUnit(int32_t v, char unit) {
    std::string s = TenthsDigits(v);
    s.push_back(' ');
    s.push_back(unit);
    return s;
}

std::string FormatTenths(int32_t v) {
    return TenthsDigits(v);
}

std::string FormatTenthsFixed(int32_t v) {
    std::string d = std::to_string(v);
    if (v == 0 || v < 0 || v >= 10000)
        return RightAlign(d, 3);
    if (v < 10)
        return "00." + d;
    if (v < 100)
        return "0" + d.substr(0, 1) + "." + d.substr(1);
    return d.substr(0, d.size() - 1) + "." + d.substr(d.size() - 1);
}

std::string HexDigits(int64_t v, int n) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string s(static_cast<std::size_t>(n), '0');
    uint64_t u = static_cast<uint64_t>(v);
    for (int i = n - 1; i >= 0; --i) {
        s[static_cast<std::size_t>(i)] = kHex[u & 0xF];
        u >>= 4;
    }
    return s;
}

std::string HexWord(int64_t v) {
    return "0x" + HexDigits(v & 0xFFFF, 4);
}

std::string DecDigits(int64_t v, int n) {
    std::string d = std::to_string(v);
    if (static_cast<int>(d.size()) >= n)
        return d;
    return std::string(static_cast<std::size_t>(n) - d.size(), '0') + d;
}

std::string DottedDecimal(std::span<const uint8_t> four) {
    std::string s;
    for (std::size_t i = 0; i < four.size() && i < 4; ++i) {
        if (i)
            s.push_back('.');
        s += DecDigits(four[i], 2);
    }
    return s;
}

std::string DottedHex(std::span<const uint8_t> six) {
    std::string s;
    for (std::size_t i = 0; i < six.size() && i < 6; ++i) {
        if (i)
            s.push_back('.');
        s += HexDigits(six[i], 2);
    }
    return s;
}

std::string PlainDottedDecimal(std::span<const uint8_t> four) {
    std::string s;
    for (std::size_t i = 0; i < four.size() && i < 4; ++i) {
        if (i)
            s.push_back('.');
        s += std::to_string(four[i]);
    }
    return s;
}

} // namespace zephyra
