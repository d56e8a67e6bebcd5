// Texts of the core's tables are Korean source texts; the windows translate them when English is chosen,
// and whatever builds sentences from them is handed a TextTranslator: no global says which language.
// The marks only let the translation tools find them (scripts/lupdate-sources tells lupdate to read
// ZEPHYRA_TEXT and ZEPHYRA_TEXT3 as its own no-op marks): the core stays free of the toolkit and never
// borrows the toolkit's macro names.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace zephyra {
// The one context under which the core's texts are translated.
inline constexpr const char *kCoreTextContext = "zephyra";

// A marked text as it travels to the place that translates it: the Korean source, its context and, where
// one Korean word reads two ways in English, the comment that tells which ("미사용" is "Not used" in a
// list of values and "Off" for the access-list switch).
struct TextKey {
    const char *Source = "";
    const char *Comment = nullptr;
    const char *Context = kCoreTextContext;

    constexpr TextKey() = default;
    // A plain marked text: no comment.
    constexpr TextKey(const char *source, const char *comment = nullptr,
                      const char *context = kCoreTextContext)
        : Source(source), Comment(comment), Context(context) {}
};

} // namespace zephyra

// A core text: stays the plain source text, so tables of texts stay constant arrays of strings.
#define ZEPHYRA_TEXT(context, source) source
// A core text whose comment tells apart two meanings of the same Korean word.
#define ZEPHYRA_TEXT3(context, source, comment) ::zephyra::TextKey(source, comment, context)

namespace zephyra {

// Only Korean texts have a translation; numbers, addresses and English words are kept as they are.
inline bool MayHaveTranslation(std::string_view text) {
    for (unsigned char c : text)
        if (c >= 0x80)
            return true;
    return false;
}

// How marked texts read in one language, handed to whatever builds sentences from them (causes, traffic
// lines, refusals). Default-constructed it gives the Korean source texts; the windows and zephyra-cli hand
// one that asks Qt's translation at each call, so a language installed later still shows.
class TextTranslator {
public:
    using Function = std::string (*)(const TextKey &key);

    constexpr TextTranslator() = default;
    constexpr explicit TextTranslator(Function translate) : translate_(translate) {}

    // A marked text.
    std::string Text(const TextKey &key) const {
        return translate_ ? translate_(key) : std::string(key.Source);
    }
    // A text that may be a marked one (a table's cell, a device value).
    std::string Value(const std::string &text) const {
        return MayHaveTranslation(text) ? Text(text.c_str()) : text;
    }
    // A marked text with %1..%9 replaced by the arguments, in one pass so an argument that itself holds
    // "%2" stays as it is.
    std::string Format(const TextKey &text, std::initializer_list<std::string_view> args) const {
        const std::string pattern = Text(text);
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

private:
    Function translate_ = nullptr;
};
} // namespace zephyra
