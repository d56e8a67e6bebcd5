// The language of the windows: Korean (the source texts) unless English is chosen on the command line or
// in the Language menu. Never taken from the locale: a laptop's locale says nothing about the device.
#pragma once

#include <QString>

namespace zephyra {

inline constexpr const char *kLanguageKey = "ui/language";

// "ko" or "en": the command line's choice if it is one of them, else the remembered one, else "ko".
QString ChosenLanguage(const QString &commandLine, const QString &settingsFile);
void RememberLanguage(const QString &settingsFile, const QString &language);
// Installs the English translation for "en" (once); "ko" needs none. False when it cannot be loaded.
bool InstallLanguage(const QString &language);
// The language the windows were built in: "en" once English is installed, else "ko".
QString CurrentLanguage();

class TMain_Form;
// The "Language / 언어" submenu: the choice is remembered and takes effect at the next start.
void InstallLanguageMenu(TMain_Form &window, const QString &settingsFile);

} // namespace zephyra
