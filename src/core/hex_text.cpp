#include "core/hex_text.h"

namespace zephyra {

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

} // namespace zephyra
