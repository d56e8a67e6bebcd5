// UTF-8 as the core reads it: one code point at a time, and how many character cells a text takes.
#pragma once

#include <cstddef>
#include <string_view>

namespace zephyra {

// Decodes one code point at i and moves past it; a malformed sequence gives U+FFFD and one byte.
char32_t NextCodePoint(std::string_view s, std::size_t &i);
// Width of a text in character cells: East Asian wide characters (Hangul among them) take two.
int TextDisplayWidth(std::string_view utf8);

} // namespace zephyra
