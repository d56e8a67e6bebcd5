#include "config/measurement_settings.h"
#include "core/text_key.h"

#include "polling/status_decoder.h"

namespace zephyra {

namespace {

constexpr int kRegisters[kMeasurementRows] = {reg::kCalibrationFirst, reg::kCalibrationFirst + 1,
                                              reg::kCalibrationFirst + 2, reg::kCalibrationLast,
                                              reg::kCalibrationLast};
// The rows' captions, as the window shows them.
constexpr const char *kLabels[kMeasurementRows] = {
    ZEPHYRA_TEXT("zephyra", "AC 전압"), ZEPHYRA_TEXT("zephyra", "DC 전압"),
    ZEPHYRA_TEXT("zephyra", "부하 전류"), ZEPHYRA_TEXT("zephyra", "축전지 전류 (+)"),
    ZEPHYRA_TEXT("zephyra", "축전지 전류 (-)")};

} // namespace

bool ReadMaskedValue(std::string_view text, int32_t &value) {
    std::size_t first = text.find_first_not_of("_ ");
    if (first == std::string_view::npos)
        return false;
    std::string digits;
    for (char c : text.substr(first)) {
        if (c == '.')
            continue;
        if (c < '0' || c > '9')
            return false;
        digits += c;
    }
    // Four digit positions at most; a longer text would not fit the register anyway.
    if (digits.empty() || digits.size() > 4)
        return false;
    return ParseInteger(digits, value);
}

SettingWrites MeasurementWrites(const MeasurementInputs &in, const TextTranslator &tr) {
    SettingWrites out;
    for (int row = 0; row < kMeasurementRows; ++row) {
        const std::string &text = in.Texts[static_cast<std::size_t>(row)];
        int32_t value = 0;
        if (!ReadMaskedValue(text, value)) {
            out.Writes.clear();
            out.Error = FieldError(kLabels[row], FloatError(text), tr);
            return out;
        }
        if (in.Ticked[static_cast<std::size_t>(row)] && value != 0)
            out.Writes.push_back({kRegisters[row], value});
    }
    return out;
}

} // namespace zephyra
