#include "config/control_commands.h"
#include "core/text_key.h"

namespace zephyra {

namespace {

constexpr int32_t kAdminLevel = 1, kSuperLevel = 2;

} // namespace

std::vector<PendingWrite> ControllerResetWrites() {
    return {{reg::kCommand, kCommandReset}};
}

std::vector<std::string> FactoryInitialEntries(int32_t userLevel) {
    if (userLevel == kAdminLevel || userLevel == kSuperLevel)
        return {ZEPHYRA_TEXT("zephyra", "구성정보 초기화"), ZEPHYRA_TEXT("zephyra", "환경정보 초기화")};
    return {ZEPHYRA_TEXT("zephyra", "구성정보 초기화")};
}

std::vector<PendingWrite> FactoryInitialWrites(int32_t userLevel, int entryIndex) {
    const auto entries = static_cast<int>(FactoryInitialEntries(userLevel).size());
    if (entryIndex < 0 || entryIndex >= entries)
        return {};
    return {{reg::kCommand, entryIndex == 0 ? kCommandConfigInit : kCommandEnvironmentInit}};
}

std::string FactoryInitialQuestion(int32_t userLevel, int entryIndex) {
    const std::vector<std::string> entries = FactoryInitialEntries(userLevel);
    if (entryIndex < 0 || entryIndex >= static_cast<int>(entries.size()))
        return {};
    // Whole sentences, so each is translated as one.
    return entryIndex == 0
               ? ZEPHYRA_TEXT(
                     "zephyra",
                     "구성정보 초기화: 제어기의 구성정보가 공장 출하값으로 되돌아갑니다. 계속하시겠습니까?")
               : ZEPHYRA_TEXT(
                     "zephyra",
                     "환경정보 초기화: 제어기의 환경정보가 공장 출하값으로 되돌아갑니다. 계속하시겠습니까?");
}

AlarmTestInputs PrefillAlarmTest(const StatusSnapshot &snapshot) {
    AlarmTestInputs in;
    int32_t on = snapshot.Reg(reg::kAlarmTestOn);
    in.SwitchIndex = on == 0 || on == 1 ? on : -1;
    in.Bits = snapshot.Reg(reg::kAlarmTestBits) & kAlarmTestBitMask;
    return in;
}

SettingWrites AlarmTestWrites(const AlarmTestInputs &in, const TextTranslator &tr) {
    SettingWrites out;
    if (in.SwitchTicked) {
        if (in.SwitchIndex < 0 || in.SwitchIndex > 1) {
            out.Error = NothingSelectedError(ZEPHYRA_TEXT("zephyra", "경보시험"), tr);
            return out;
        }
        out.Writes.push_back({reg::kAlarmTestOn, in.SwitchIndex});
    }
    out.Writes.push_back({reg::kAlarmTestBits, in.Bits & kAlarmTestBitMask});
    return out;
}

} // namespace zephyra
