// The windows' side of the core's texts: Korean source texts, shown in English when English is chosen.
#pragma once

#include <QCoreApplication>
#include <string>

#include "core/text_key.h"

namespace zephyra {

inline QString CoreText(const char *text) {
    return QCoreApplication::translate(kCoreTextContext, text);
}
// The same Korean word can read differently in English; the comment tells which it is.
inline QString CoreText(const std::string &text, const char *comment) {
    return QCoreApplication::translate(kCoreTextContext, text.c_str(), comment);
}
inline QString CoreText(const std::string &text) {
    return MayHaveTranslation(text) ? CoreText(text.c_str()) : QString::fromStdString(text);
}

} // namespace zephyra
