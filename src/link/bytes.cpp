#include "link/bytes.h"

#include <algorithm>

namespace zephyra {

namespace {
constexpr char kHex[] = "0123456789ABCDEF";
} // namespace

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void AppendBE16(Bytes &out, int32_t v) {
    out.push_back(static_cast<uint8_t>((v / 256) & 0xFF));
    out.push_back(static_cast<uint8_t>((v % 256) & 0xFF));
}

Bytes TakeFront(Bytes &bytes, std::size_t n) {
    n = std::min(n, bytes.size());
    Bytes front(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
    bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
    return front;
}

std::string BytesToHex(ByteView bytes) {
    std::string s;
    s.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        s.push_back(kHex[b >> 4]);
        s.push_back(kHex[b & 0x0F]);
    }
    return s;
}

std::string BytesToSpacedHex(ByteView bytes) {
    std::string s;
    s.reserve(bytes.size() * 3);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i)
            s.push_back(' ');
        s.push_back(kHex[bytes[i] >> 4]);
        s.push_back(kHex[bytes[i] & 0x0F]);
    }
    return s;
}

int32_t ParseHex(std::string_view text) {
    uint32_t v = 0;
    for (char c : text) {
        int d = HexValue(c);
        if (d < 0)
            break;
        v = (v << 4) | static_cast<uint32_t>(d);
    }
    return static_cast<int32_t>(v);
}

bool ParseHexBytes(std::string_view text, Bytes &out) {
    out.clear();
    int high = -1;
    for (char c : text) {
        if (c == ' ' || c == ':' || c == '\t') {
            if (high >= 0)
                return false;
            continue;
        }
        int d = HexValue(c);
        if (d < 0)
            return false;
        if (high < 0) {
            high = d;
        } else {
            out.push_back(static_cast<uint8_t>(high * 16 + d));
            high = -1;
        }
    }
    return high < 0;
}

int32_t ParseBE16(ByteView two) {
    if (two.size() < 2)
        return two.empty() ? 0 : two[0] * 256;
    return two[0] * 256 + two[1];
}

} // namespace zephyra
