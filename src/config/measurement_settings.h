// Measured-value calibration: four masked fields, five rows, both battery rows on one register.
#pragma once

#include <array>
#include <string>

#include "config/setting_parse.h"

namespace zephyra {

// Rows in push order: AC voltage, DC voltage, load current, battery current (+), battery current (-).
enum MeasurementRow { kRowACVR, kRowDCV, kRowLCA, kRowBCAP, kRowBCAN, kMeasurementRows };

struct MeasurementInputs {
    std::array<bool, kMeasurementRows> Ticked{};
    // Masked texts: four digit positions and a fixed point; blank positions may show as '_' or ' '.
    std::array<std::string, kMeasurementRows> Texts{"000.0", "00.00", "00.00", "00.00", "00.00"};
};

// The masked text as a number with the point removed: "230.5" -> 2305, "05.00" -> 500.
// Leading blank positions are dropped; false for anything that is not a number then.
bool ReadMaskedValue(std::string_view text, int32_t &value);

// Every field is read, ticked or not, as the dialog always did; a ticked row reading zero is skipped.
SettingWrites MeasurementWrites(const MeasurementInputs &in, const TextTranslator &tr);

} // namespace zephyra
