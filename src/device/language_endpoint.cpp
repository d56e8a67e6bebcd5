#include "device/language_endpoint.h"

#include <QCoreApplication>
#include <QTranslator>

#include "core/text_key.h"

namespace zephyra {

namespace {
QTranslator *english = nullptr;
} // namespace

bool EnglishInstalled() {
    return english != nullptr;
}

bool InstallEnglish() {
    if (english)
        return true;
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(":/i18n/zephyra_en.qm") || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    english = translator;
    // Sentences the core builds (causes, traffic lines, refusals) follow into English.
    coreTextTranslator = [](const TextKey &key) {
        return QCoreApplication::translate(key.Context, key.Source, key.Comment).toStdString();
    };
    return true;
}

void RemoveEnglish() {
    if (!english)
        return;
    QCoreApplication::removeTranslator(english);
    delete english;
    english = nullptr;
    coreTextTranslator = nullptr;
}

} // namespace zephyra
