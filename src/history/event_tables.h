// The device's event vocabulary: code bytes of an event record to the texts of the event grid.
#pragma once

#include <cstdint>
#include <string>

namespace zephyra {

// Channel the event came through; unknown codes read "Etc".
std::string SourceText(uint8_t source);
// Event group; a code without a text shows the code in decimal.
std::string Event1Text(uint8_t event1);
std::string Event2Text(uint8_t event1, uint8_t event2);
// Empty when no group matches; the code in decimal when the group has no text for it.
std::string Event3Text(uint8_t event1, uint8_t event2, uint8_t event3);
std::string EventValueText(uint8_t event1, uint8_t event2, uint8_t event3, uint16_t raw);

} // namespace zephyra
