#include <gtest/gtest.h>

#include "config/acl_settings.h"
#include "wire_order.h"

namespace zephyra {
namespace {

using test::WireOrder;
using test::WireWrite;

AclInputs Ticking(std::initializer_list<int> rows) {
    AclInputs in;
    for (int row : rows)
        in.Ticked[static_cast<std::size_t>(row)] = true;
    return in;
}

void SetRange(AclInputs &in, int k, std::array<std::string, 4> start, std::array<std::string, 4> end) {
    in.Ranges[static_cast<std::size_t>(k)] = {std::move(start), std::move(end)};
}

TEST(AclSettings, Range1From10_0_0_1To10_0_0_254) {
    AclInputs in = Ticking({kRowRange1});
    SetRange(in, 0, {"10", "0", "0", "1"}, {"10", "0", "0", "254"});
    SettingWrites w = AclWrites(in, TextTranslator());
    ASSERT_TRUE(w.Ok()) << w.Error;
    EXPECT_EQ(WireOrder(w.Writes),
              (std::vector<WireWrite>{{0x4D, 0x00FE}, {0x4C, 0x0A00}, {0x4B, 0x0001}, {0x4A, 0x0A00}}));
}

TEST(AclSettings, DeviceId3141592653IsPackedOneDigitPerFourBits) {
    AclInputs in = Ticking({kRowDeviceId});
    in.DeviceId = "3141592653";
    EXPECT_EQ(WireOrder(AclWrites(in, TextTranslator()).Writes),
              (std::vector<WireWrite>{{0x3F, 0x2653}, {0x3E, 0x4159}, {0x3D, 0x0031}}));
}

TEST(AclSettings, DeviceIdPackingMatchesWhatTheStatusPageShows) {
    std::array<int32_t, 3> words{};
    ASSERT_EQ(ReadDeviceId("9081726354", words, TextTranslator()), "");
    EXPECT_EQ(DeviceIdText(words[0], words[1], words[2]), "9081726354");
}

TEST(AclSettings, SpeedAndSwitchWriteTheirListIndex) {
    AclInputs in = Ticking({kRowEthSpeed, kRowAclEnable});
    in.EthSpeedIndex = 2;
    in.AclIndex = 1;
    EXPECT_EQ(WireOrder(AclWrites(in, TextTranslator()).Writes),
              (std::vector<WireWrite>{{0x49, 1}, {0x3C, 2}}));
}

TEST(AclSettings, EveryRowTickedQueuesTwentyFiveWritesSpeedLast) {
    AclInputs in;
    in.Ticked.fill(true);
    in.DeviceId = "0000000001";
    for (int k = 0; k < kAclRanges; ++k)
        SetRange(in, k, {"192", "168", std::to_string(k), "1"}, {"192", "168", std::to_string(k), "200"});
    std::vector<WireWrite> wire = WireOrder(AclWrites(in, TextTranslator()).Writes);
    ASSERT_EQ(wire.size(), 25u);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(wire[static_cast<std::size_t>(i)].Address, 0x5D - i);
    EXPECT_EQ(wire[0].Value, 4 * 256 + 200);
    EXPECT_EQ(wire[19].Value, 0xC0A8);
    EXPECT_EQ(wire[20].Address, 0x49);
    EXPECT_EQ(wire[21].Address, 0x3F);
    EXPECT_EQ(wire[22].Address, 0x3E);
    EXPECT_EQ(wire[23].Address, 0x3D);
    EXPECT_EQ(wire[24].Address, 0x3C);
}

TEST(AclSettings, BadDeviceIdOrOctetStopsOkAndNothingIsQueued) {
    struct Case {
        const char *deviceId;
        const char *octet;
        const char *error;
    };
    const Case cases[] = {
        {"314159265", "1", "장비 ID: '314159265' 값은 열 자리 숫자가 아닙니다"},
        {"31415926a3", "1", "장비 ID: '31415926a3' 값은 열 자리 숫자가 아닙니다"},
        {"", "1", "장비 ID: '' 값은 열 자리 숫자가 아닙니다"},
        {"3141592653", "300", "#3 end: '300' 값은 주소 자리(0..255)로 쓸 수 없습니다"},
        {"3141592653", "", "#3 end: '' is not a valid integer value"},
        {"3141592653", "1.5", "#3 end: '1.5' is not a valid integer value"},
    };
    for (const Case &c : cases) {
        AclInputs in;
        in.Ticked.fill(true);
        in.DeviceId = c.deviceId;
        for (int k = 0; k < kAclRanges; ++k)
            SetRange(in, k, {"10", "0", "0", "1"}, {"10", "0", "0", "2"});
        in.Ranges[2].End[1] = c.octet;
        SettingWrites w = AclWrites(in, TextTranslator());
        EXPECT_EQ(w.Error, c.error);
        EXPECT_TRUE(w.Writes.empty());
    }
}

TEST(AclSettings, PrefillSplitsTheKeptRangeTextsAndSelectsTheLists) {
    StatusSnapshot s;
    s.Decoded = true;
    s.Raw[reg::kEthSpeed - 1] = 3;
    s.Raw[reg::kDeviceId1 - 1] = 0xAB31;
    s.Raw[reg::kDeviceId2 - 1] = 0x4159;
    s.Raw[reg::kDeviceId3 - 1] = 0x2653;
    s.ACLEn = 7;
    s.AclAddedTexts[0] = "10.0.0.1";
    s.AclAddedTexts[1] = "10.0.0.254";
    AclInputs in = PrefillAcl(s);
    EXPECT_EQ(in.DeviceId, "3141592653");
    EXPECT_EQ(in.EthSpeedIndex, 3);
    EXPECT_EQ(in.AclIndex, 1);
    EXPECT_EQ(in.Ranges[0].Start, (std::array<std::string, 4>{"10", "0", "0", "1"}));
    EXPECT_EQ(in.Ranges[0].End, (std::array<std::string, 4>{"10", "0", "0", "254"}));
    EXPECT_EQ(in.Ranges[4].Start, (std::array<std::string, 4>{}));
    EXPECT_EQ(in.Ticked, (std::array<bool, kAclRows>{}));

    s.Raw[reg::kEthSpeed - 1] = 4;
    in = PrefillAcl(s);
    EXPECT_EQ(in.EthSpeedIndex, -1);
    in.Ticked[kRowEthSpeed] = true;
    EXPECT_EQ(AclWrites(in, TextTranslator()).Error, "Ethernet Speed: 선택된 항목이 없습니다");
}

} // namespace
} // namespace zephyra
