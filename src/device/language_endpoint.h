// The embedded English translation, for the console and for zephyra-cli alike (Qt Core only).
#pragma once

#include "core/text_key.h"

namespace zephyra {

// Installs the English translation of the windows' texts and the core's marked texts, once; false when it
// cannot be loaded. Without it every text is the Korean source.
bool InstallEnglish();
bool EnglishInstalled();
// Back to the Korean source texts.
void RemoveEnglish();

// What the windows and zephyra-cli hand to whatever builds sentences from the core's texts: each text in
// the language installed at the moment it is built, so one handed over once follows InstallEnglish and
// RemoveEnglish.
TextTranslator QtTextTranslator();

} // namespace zephyra
