#include "app/language.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <tuple>

#include "device/language_endpoint.h"
#include "status/main_window.h"
#include "status/message_box_dialog.h"

namespace zephyra {

namespace {
bool Known(const QString &language) {
    return language == "ko" || language == "en";
}
} // namespace

QString ChosenLanguage(const QString &commandLine, const QString &settingsFile) {
    if (Known(commandLine))
        return commandLine;
    if (!settingsFile.isEmpty()) {
        const QString remembered =
            QSettings(settingsFile, QSettings::IniFormat).value(kLanguageKey).toString();
        if (Known(remembered))
            return remembered;
    }
    return "ko";
}

void RememberLanguage(const QString &settingsFile, const QString &language) {
    if (!settingsFile.isEmpty() && Known(language))
        QSettings(settingsFile, QSettings::IniFormat).setValue(kLanguageKey, language);
}

QString CurrentLanguage() {
    return EnglishInstalled() ? "en" : "ko";
}

bool InstallLanguage(const QString &language) {
    return language != "en" || InstallEnglish();
}

void InstallLanguageMenu(TMain_Form &window, const QString &settingsFile) {
    // Beside the traffic monitor in the link menu: both are about the console, not the device.
    auto *link = qobject_cast<QMenu *>(window.Action("mTraffic")->parent());
    QMenu *menu = link ? link->addMenu("Language / 언어") : window.menuBar()->addMenu("Language / 언어");
    menu->setObjectName("mLanguage");
    auto *group = new QActionGroup(menu);
    for (auto [name, language, caption] :
         {std::tuple{"mLanguageKo", "ko", "한국어"}, std::tuple{"mLanguageEn", "en", "English"}}) {
        QAction *a = menu->addAction(QString::fromUtf8(caption));
        a->setObjectName(name);
        a->setCheckable(true);
        a->setChecked(CurrentLanguage() == language);
        group->addAction(a);
        const QString chosen = QString::fromLatin1(language);
        QObject::connect(
            a, &QAction::triggered, &window,
            [&window, settingsFile, chosen] {
                // Remembered even when it is the language shown: a choice taken back (English, then Korean
                // again) must not leave the first one for the next start.
                RememberLanguage(settingsFile, chosen);
                if (chosen == CurrentLanguage())
                    return;
                // The windows are built once in one language; switching them live is not worth the risk of
                // half-translated dialogs. Said in both languages: the one who chose may read only the other.
                ShowMessageBox(&window, QMessageBox::Information,
                               chosen == "en" ? QString::fromUtf8("다음 시작부터 영어로 표시합니다.\n"
                                                                  "English will be used from the next start.")
                                              : QString::fromUtf8("다음 시작부터 한국어로 표시합니다.\n"
                                                                  "Korean will be used from the next start."),
                               window.windowTitle());
            },
            Qt::QueuedConnection);
    }
}

} // namespace zephyra
