// Operating and alarm set-points: prefill, defaults, select-all and the OK writes.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "config/setting_parse.h"
#include "polling/status_decoder.h"

namespace zephyra {

// Rows in push order: charge limit, battery model, battery strings, AC high, AC low, DC high, DC low.
enum OperatingRow {
    kRowCHLimit,
    kRowBModel,
    kRowBCho,
    kRowACOV,
    kRowACUV,
    kRowDCOV,
    kRowDCUV,
    kOperatingRows
};

// Spin-field limits: whole volts for AC, tenths of a volt for DC.
inline constexpr int32_t kACOVMin = 230, kACOVMax = 270, kACUVMin = 160, kACUVMax = 210;
inline constexpr int32_t kDCOVMin = 550, kDCOVMax = 590, kDCUVMin = 430, kDCUVMax = 500;

// What the dialog's widgets hold. A list index of -1 means no entry is selected.
struct OperatingInputs {
    std::array<bool, kOperatingRows> Ticked{};
    int CHLimitIndex = 0; // "OFF", "3 A", "4 A", "5 A"
    int BModelIndex = 0;  // "아트라스", "세방전지"
    int BChoIndex = 0;    // "1조", "2조", "3조"
    std::string ACOV = "270", ACUV = "170", DCOV = "58.0", DCUV = "46.0";
};

OperatingInputs PrefillOperating(const StatusSnapshot &snapshot);
// Fields only: the charge limit and the tick boxes stay as they are.
void ApplyOperatingDefaults(OperatingInputs &in);
// Every row but the charge limit.
void SelectAllOperating(OperatingInputs &in);

SettingWrites OperatingWrites(const OperatingInputs &in, const TextTranslator &tr);

// Leaving a spin field pulls an out-of-range value to the nearer limit (AC high 300 -> 270).
std::string LeaveACOV(std::string_view text);
std::string LeaveACUV(std::string_view text);
std::string LeaveDCOV(std::string_view text);
std::string LeaveDCUV(std::string_view text);

} // namespace zephyra
