// Access control list: Ethernet speed, device identifier, the list switch and five address ranges.
#pragma once

#include <array>
#include <string>

#include "config/setting_parse.h"
#include "polling/status_decoder.h"

namespace zephyra {

inline constexpr int kAclRanges = 5;

// Rows in push order.
enum AclRow { kRowEthSpeed, kRowDeviceId, kRowAclEnable, kRowRange1, kAclRows = kRowRange1 + kAclRanges };

struct AclRange {
    std::array<std::string, 4> Start, End;
};

struct AclInputs {
    std::array<bool, kAclRows> Ticked{};
    int EthSpeedIndex = 0; // "Auto", "10M", "100M", "1G"; -1: nothing selected
    std::string DeviceId;  // exactly ten decimal digits
    int AclIndex = 0;      // "미사용", "사용"
    std::array<AclRange, kAclRanges> Ranges;
};

AclInputs PrefillAcl(const StatusSnapshot &snapshot);

// Ten digits packed one per 4 bits: 0x003D (d1 d2), 0x003E (d3..d6), 0x003F (d7..d10).
std::string ReadDeviceId(std::string_view text, std::array<int32_t, 3> &words, const TextTranslator &tr);

SettingWrites AclWrites(const AclInputs &in, const TextTranslator &tr);

} // namespace zephyra
