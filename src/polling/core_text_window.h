// The windows' side of the core's texts: Korean source texts, shown in English when English is chosen.
// Qt Core only, so zephyra-cli prints them the same way.
#pragma once

#include <QCoreApplication>
#include <string>
#include <string_view>

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
    // Only Korean texts have a translation; the rest (numbers, addresses) are shown as they are.
    for (unsigned char c : text)
        if (c >= 0x80)
            return CoreText(text.c_str());
    return QString::fromStdString(text);
}

// A status field's text as the main window shows it (and the command line prints it) in the chosen language.
inline QString ShownFieldText(const char *field, const std::string &text) {
    if (std::string_view(field) == "edtACLEn")
        return CoreText(text, "ACL switch");
    // A count of battery strings is the one field whose Korean comes after a number.
    static const std::string strings = " 조";
    if (text.size() > strings.size() && text.ends_with(strings))
        return CoreText(QT_TRANSLATE_NOOP("zephyra", "%1 조"))
            .arg(QString::fromStdString(text.substr(0, text.size() - strings.size())));
    return CoreText(text);
}

} // namespace zephyra
