// Controller reset, factory initialisation and the alarm test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/setting_parse.h"
#include "polling/status_decoder.h"

namespace zephyra {

inline constexpr int32_t kCommandReset = 1, kCommandConfigInit = 4, kCommandEnvironmentInit = 8;

std::vector<PendingWrite> ControllerResetWrites();

// Entries of the factory-initialise list for a user level (Super 2, Admin 1, User 0).
std::vector<std::string> FactoryInitialEntries(int32_t userLevel);
// The chosen entry's write; nothing for no choice (-1) or an index outside the list.
std::vector<PendingWrite> FactoryInitialWrites(int32_t userLevel, int entryIndex);
// The Yes/No question asked before that write goes out: the entry and what it erases.
std::string FactoryInitialQuestion(int32_t userLevel, int entryIndex);

// Bits with a box; 0x20 has none, 0x80's box is hidden and only carries the value read at opening.
inline constexpr int32_t kAlarmTestBitMask = 0xDF;

struct AlarmTestInputs {
    bool SwitchTicked = false;
    int SwitchIndex = 0; // "미사용", "사용"; -1: nothing selected
    int32_t Bits = 0;    // the ticked bit boxes
};

AlarmTestInputs PrefillAlarmTest(const StatusSnapshot &snapshot);
// Pushes the switch (0x002E) when ticked, then the selection (0x002F), so the selection goes out first.
SettingWrites AlarmTestWrites(const AlarmTestInputs &in, const TextTranslator &tr);

} // namespace zephyra
