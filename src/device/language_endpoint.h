// The embedded English translation, for the console and for zephyra-cli alike (Qt Core only).
#pragma once

namespace zephyra {

// Installs the English translation of the windows' texts and the core's marked texts, once; false when it
// cannot be loaded. Without it every text is the Korean source.
bool InstallEnglish();
bool EnglishInstalled();
// Back to the Korean source texts.
void RemoveEnglish();

} // namespace zephyra
