// Texts of the core's tables are Korean source texts; the windows translate them when English is chosen.
// The marker only lets the translation tools find them: the core stays free of the toolkit.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x
#endif
#ifndef QT_TRANSLATE_NOOP3
#define QT_TRANSLATE_NOOP3(scope, x, comment) x
#endif

namespace zephyra {
// The one context under which the core's texts are translated: QT_TRANSLATE_NOOP("zephyra", ...).
inline constexpr const char *kCoreTextContext = "zephyra";

// How a marked text reads in the chosen language. Unset, the Korean source text is used; the windows set
// it once English is chosen, so sentences the core builds follow the windows' language.
// The comment tells apart the same Korean word in two meanings (QT_TRANSLATE_NOOP3).
using CoreTextTranslator = std::string (*)(const char *text, const char *comment);
inline CoreTextTranslator coreTextTranslator = nullptr;

// A marked text in the chosen language.
inline std::string TranslateCoreText(const char *text, const char *comment = nullptr) {
    return coreTextTranslator ? coreTextTranslator(text, comment) : std::string(text);
}

// Only Korean texts have a translation; numbers, addresses and English words are kept as they are.
inline bool MayHaveTranslation(std::string_view text) {
    for (unsigned char c : text)
        if (c >= 0x80)
            return true;
    return false;
}

// A text that may be a marked one (a table's cell, a device value) in the chosen language.
inline std::string TranslateCoreValue(const std::string &text) {
    return MayHaveTranslation(text) ? TranslateCoreText(text.c_str()) : text;
}

// A marked text in the chosen language with %1..%9 replaced by the arguments, in one pass so an
// argument that itself holds "%2" stays as it is.
inline std::string FormatCoreText(const char *text, std::initializer_list<std::string_view> args) {
    const std::string pattern = TranslateCoreText(text);
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            const std::size_t n = static_cast<std::size_t>(pattern[i + 1] - '1');
            if (n < args.size()) {
                out += *(args.begin() + n);
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}
} // namespace zephyra
