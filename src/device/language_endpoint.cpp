#include "device/language_endpoint.h"

#include <QCoreApplication>
#include <QTranslator>

namespace zephyra {

namespace {
// The installed English translation is found among the application's children by this name, so whether
// English is on is asked of Qt itself, not kept in a variable of ours.
constexpr const char *kEnglishName = "zephyraEnglish";

QTranslator *English() {
    QCoreApplication *app = QCoreApplication::instance();
    return app ? app->findChild<QTranslator *>(kEnglishName, Qt::FindDirectChildrenOnly) : nullptr;
}

std::string Translate(const TextKey &key) {
    // Korean stays the source bytes as they are, without a round trip through QString.
    if (!English())
        return key.Source;
    return QCoreApplication::translate(key.Context, key.Source, key.Comment).toStdString();
}
} // namespace

bool EnglishInstalled() {
    return English() != nullptr;
}

bool InstallEnglish() {
    if (English())
        return true;
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(":/i18n/zephyra_en.qm") || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    translator->setObjectName(kEnglishName);
    return true;
}

void RemoveEnglish() {
    QTranslator *english = English();
    if (!english)
        return;
    QCoreApplication::removeTranslator(english);
    delete english;
}

TextTranslator QtTextTranslator() {
    return TextTranslator(Translate);
}

} // namespace zephyra
