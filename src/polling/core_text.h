// The windows' side of the core's texts: Korean source texts, shown in English when English is chosen.
#pragma once

#include <QCoreApplication>
#include <string>

#include "core/text_key.h"

namespace zephyra {

inline QString CoreText(const char *text) {
    return QCoreApplication::translate(kCoreTextContext, text);
}
inline QString CoreText(const std::string &text) {
    // Only Korean texts have a translation; the rest (numbers, addresses) are shown as they are.
    for (unsigned char c : text)
        if (c >= 0x80)
            return CoreText(text.c_str());
    return QString::fromStdString(text);
}

} // namespace zephyra
