#include "config/acl_settings.h"

#include "core/text_key.h"

namespace zephyra {

namespace {

constexpr int kAclRangeBase = reg::kAclAdded;

std::string ReadAddress(const std::string &label, const std::array<std::string, 4> &parts,
                        std::array<uint8_t, 4> &octets, const TextTranslator &tr) {
    for (std::size_t i = 0; i < 4; ++i) {
        std::string error = ReadDecimalOctet(label, parts[i], octets[i], tr);
        if (!error.empty())
            return error;
    }
    return {};
}

} // namespace

AclInputs PrefillAcl(const StatusSnapshot &snapshot) {
    AclInputs in;
    if (snapshot.Decoded)
        in.DeviceId = DeviceIdText(snapshot.Reg(reg::kDeviceId1), snapshot.Reg(reg::kDeviceId2),
                                   snapshot.Reg(reg::kDeviceId3));
    int32_t speed = snapshot.Reg(reg::kEthSpeed);
    in.EthSpeedIndex = speed >= 0 && speed <= 3 ? speed : -1;
    in.AclIndex = snapshot.ACLEn != 0 ? 1 : 0;
    for (std::size_t k = 0; k < kAclRanges; ++k) {
        std::vector<std::string> start = SplitParts(snapshot.AclAddedTexts[2 * k], '.', 4);
        std::vector<std::string> end = SplitParts(snapshot.AclAddedTexts[2 * k + 1], '.', 4);
        for (std::size_t i = 0; i < 4; ++i) {
            in.Ranges[k].Start[i] = start[i];
            in.Ranges[k].End[i] = end[i];
        }
    }
    return in;
}

std::string ReadDeviceId(std::string_view text, std::array<int32_t, 3> &words, const TextTranslator &tr) {
    bool digits = text.size() == 10;
    for (char c : text)
        digits = digits && c >= '0' && c <= '9';
    if (!digits)
        return tr.Format(ZEPHYRA_TEXT("zephyra", "장비 ID: '%1' 값은 열 자리 숫자가 아닙니다"), {text});
    auto d = [&](std::size_t i) { return static_cast<int32_t>(text[i - 1] - '0'); };
    words[0] = d(1) * 16 + d(2);
    words[1] = d(3) * 4096 + d(4) * 256 + d(5) * 16 + d(6);
    words[2] = d(7) * 4096 + d(8) * 256 + d(9) * 16 + d(10);
    return {};
}

SettingWrites AclWrites(const AclInputs &in, const TextTranslator &tr) {
    SettingWrites out;
    auto ticked = [&](int row) { return in.Ticked[static_cast<std::size_t>(row)]; };
    auto fail = [&](std::string error) {
        out.Writes.clear();
        out.Error = std::move(error);
        return out;
    };

    if (ticked(kRowEthSpeed)) {
        if (in.EthSpeedIndex < 0 || in.EthSpeedIndex > 3)
            return fail(NothingSelectedError("Ethernet Speed", tr));
        out.Writes.push_back({reg::kEthSpeed, in.EthSpeedIndex});
    }
    if (ticked(kRowDeviceId)) {
        std::array<int32_t, 3> words{};
        std::string error = ReadDeviceId(in.DeviceId, words, tr);
        if (!error.empty())
            return fail(error);
        for (int i = 0; i < 3; ++i)
            out.Writes.push_back({reg::kDeviceId1 + i, words[static_cast<std::size_t>(i)]});
    }
    if (ticked(kRowAclEnable)) {
        if (in.AclIndex < 0 || in.AclIndex > 1)
            return fail(NothingSelectedError("ACL", tr));
        out.Writes.push_back({reg::kACLEn, in.AclIndex});
    }
    for (int k = 0; k < kAclRanges; ++k) {
        if (!ticked(kRowRange1 + k))
            continue;
        const AclRange &range = in.Ranges[static_cast<std::size_t>(k)];
        const std::string name = "#" + std::to_string(k + 1);
        std::array<uint8_t, 4> s{}, e{};
        std::string error = ReadAddress(name + " start", range.Start, s, tr);
        if (error.empty())
            error = ReadAddress(name + " end", range.End, e, tr);
        if (!error.empty())
            return fail(error);
        const int base = kAclRangeBase + 4 * k;
        out.Writes.push_back({base, s[0] * 256 + s[1]});
        out.Writes.push_back({base + 1, s[2] * 256 + s[3]});
        out.Writes.push_back({base + 2, e[0] * 256 + e[1]});
        out.Writes.push_back({base + 3, e[2] * 256 + e[3]});
    }
    return out;
}

} // namespace zephyra
