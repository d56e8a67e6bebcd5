#include "config/operating_settings.h"
#include "core/text_key.h"

#include "core/formatters.h"

namespace zephyra {

namespace {

int ListIndex(int32_t value, int entries) {
    return value >= 0 && value < entries ? value : -1;
}

} // namespace

OperatingInputs PrefillOperating(const StatusSnapshot &snapshot) {
    OperatingInputs in;
    in.BModelIndex = ListIndex(snapshot.Reg(reg::kBModel), 2);
    in.BChoIndex = ListIndex(snapshot.Reg(reg::kBCho), 3);
    in.ACOV = std::to_string(snapshot.Reg(reg::kACHigh));
    in.ACUV = std::to_string(snapshot.Reg(reg::kACLow));
    in.DCOV = FormatTenths(snapshot.Reg(reg::kDCHigh));
    in.DCUV = FormatTenths(snapshot.Reg(reg::kDCLow));
    switch (snapshot.Reg(reg::kChLimit)) {
    case 0:
        in.CHLimitIndex = 0;
        break;
    case 3:
        in.CHLimitIndex = 1;
        break;
    case 4:
        in.CHLimitIndex = 2;
        break;
    default:
        in.CHLimitIndex = 3;
        break;
    }
    return in;
}

void ApplyOperatingDefaults(OperatingInputs &in) {
    const OperatingInputs defaults;
    in.BModelIndex = 0;
    in.BChoIndex = 0;
    in.ACOV = defaults.ACOV;
    in.ACUV = defaults.ACUV;
    in.DCOV = defaults.DCOV;
    in.DCUV = defaults.DCUV;
}

void SelectAllOperating(OperatingInputs &in) {
    for (int row = kRowBModel; row < kOperatingRows; ++row)
        in.Ticked[static_cast<std::size_t>(row)] = true;
}

SettingWrites OperatingWrites(const OperatingInputs &in, const TextTranslator &tr) {
    SettingWrites out;
    auto ticked = [&](OperatingRow row) { return in.Ticked[static_cast<std::size_t>(row)]; };
    auto push = [&](int address, int32_t value) { out.Writes.push_back({address, value}); };
    auto fail = [&](std::string error) {
        out.Writes.clear();
        out.Error = std::move(error);
        return out;
    };

    if (ticked(kRowCHLimit)) {
        static constexpr int32_t kAmps[] = {0, 3, 4};
        push(reg::kChLimit, in.CHLimitIndex >= 0 && in.CHLimitIndex < 3 ? kAmps[in.CHLimitIndex] : 5);
    }
    if (ticked(kRowBModel)) {
        if (ListIndex(in.BModelIndex, 2) < 0)
            return fail(NothingSelectedError(ZEPHYRA_TEXT("zephyra", "축전지 종류"), tr));
        push(reg::kBModel, in.BModelIndex);
    }
    if (ticked(kRowBCho)) {
        if (ListIndex(in.BChoIndex, 3) < 0)
            return fail(NothingSelectedError(ZEPHYRA_TEXT("zephyra", "축전지 수량"), tr));
        push(reg::kBCho, in.BChoIndex);
    }
    int32_t v = 0;
    std::string error;
    if (ticked(kRowACOV)) {
        if (!(error = ReadInteger(ZEPHYRA_TEXT("zephyra", "AC 고전압"), in.ACOV, kACOVMin, kACOVMax, v, tr))
                 .empty())
            return fail(error);
        push(reg::kACHigh, v);
    }
    if (ticked(kRowACUV)) {
        if (!(error = ReadInteger(ZEPHYRA_TEXT("zephyra", "AC 저전압"), in.ACUV, kACUVMin, kACUVMax, v, tr))
                 .empty())
            return fail(error);
        push(reg::kACLow, v);
    }
    if (ticked(kRowDCOV)) {
        if (!(error = ReadTenths(ZEPHYRA_TEXT("zephyra", "DC 고전압"), in.DCOV, kDCOVMin, kDCOVMax, v, tr))
                 .empty())
            return fail(error);
        push(reg::kDCHigh, v);
    }
    if (ticked(kRowDCUV)) {
        if (!(error = ReadTenths(ZEPHYRA_TEXT("zephyra", "DC 저전압"), in.DCUV, kDCUVMin, kDCUVMax, v, tr))
                 .empty())
            return fail(error);
        push(reg::kDCLow, v);
    }
    return out;
}

std::string LeaveACOV(std::string_view text) {
    return LeaveIntegerSpin(text, kACOVMin, kACOVMax);
}
std::string LeaveACUV(std::string_view text) {
    return LeaveIntegerSpin(text, kACUVMin, kACUVMax);
}
std::string LeaveDCOV(std::string_view text) {
    return LeaveTenthsSpin(text, kDCOVMin, kDCOVMax);
}
std::string LeaveDCUV(std::string_view text) {
    return LeaveTenthsSpin(text, kDCUVMin, kDCUVMax);
}

} // namespace zephyra
