#include <gtest/gtest.h>

#include "config/operating_settings.h"
#include "link/modbus_codec.h"
#include "wire_order.h"

namespace zephyra {
namespace {

using test::WireOrder;
using test::WireWrite;

OperatingInputs Ticking(std::initializer_list<OperatingRow> rows) {
    OperatingInputs in;
    for (OperatingRow row : rows)
        in.Ticked[static_cast<std::size_t>(row)] = true;
    return in;
}

TEST(OperatingSettings, NothingTickedQueuesNothing) {
    SettingWrites w = OperatingWrites(OperatingInputs{}, TextTranslator());
    EXPECT_TRUE(w.Ok());
    EXPECT_TRUE(w.Writes.empty());
}

TEST(OperatingSettings, DcLow43Point5WritesRegister0x28Value435) {
    OperatingInputs in = Ticking({kRowDCUV});
    in.DCUV = "43.5";
    SettingWrites w = OperatingWrites(in, TextTranslator());
    ASSERT_TRUE(w.Ok()) << w.Error;
    ASSERT_EQ(w.Writes.size(), 1u);
    EXPECT_EQ(WriteRequestUnit(w.Writes[0].Address, w.Writes[0].Value),
              (Bytes{0x01, 0x06, 0x00, 0x28, 0x01, 0xB3}));
    test::WireRun run = test::SendOverWire(w.Writes);
    EXPECT_EQ(run.Writes, (std::vector<WireWrite>{{0x28, 435}}));
    EXPECT_EQ(run.Messages, (std::vector<std::string>{" Setting Sucess!!"}));
}

TEST(OperatingSettings, SelectAllThenOkWritesSixRegistersDownFrom0x28AndNotTheChargeLimit) {
    OperatingInputs in;
    SelectAllOperating(in);
    SettingWrites w = OperatingWrites(in, TextTranslator());
    ASSERT_TRUE(w.Ok()) << w.Error;
    EXPECT_EQ(
        WireOrder(w.Writes),
        (std::vector<WireWrite>{{0x28, 460}, {0x27, 580}, {0x26, 170}, {0x25, 270}, {0x24, 0}, {0x23, 0}}));
}

TEST(OperatingSettings, AllSevenRowsGoOutFrom0x28DownTo0x21) {
    OperatingInputs in;
    in.Ticked.fill(true);
    in.CHLimitIndex = 2;
    in.BModelIndex = 1;
    in.BChoIndex = 2;
    in.ACOV = "255";
    in.ACUV = "180";
    in.DCOV = "57.9";
    in.DCUV = "47.35";
    EXPECT_EQ(WireOrder(OperatingWrites(in, TextTranslator()).Writes),
              (std::vector<WireWrite>{
                  {0x28, 473}, {0x27, 579}, {0x26, 180}, {0x25, 255}, {0x24, 2}, {0x23, 1}, {0x21, 4}}));
}

TEST(OperatingSettings, ChargeLimitListIndexMapsToAmperes) {
    const int32_t expected[] = {0, 3, 4, 5, 5};
    for (int index = 0; index < 5; ++index) {
        OperatingInputs in = Ticking({kRowCHLimit});
        in.CHLimitIndex = index;
        SettingWrites w = OperatingWrites(in, TextTranslator());
        ASSERT_EQ(w.Writes.size(), 1u);
        EXPECT_EQ(w.Writes[0].Address, 0x21);
        EXPECT_EQ(w.Writes[0].Value, expected[index]) << index;
    }
}

TEST(OperatingSettings, UnusableFieldsStopOkWithTheirMessageAndQueueNothing) {
    struct Case {
        OperatingRow row;
        const char *text;
        const char *error;
    };
    const Case cases[] = {
        {kRowACOV, "", "AC 고전압: '' is not a valid integer value"},
        {kRowACUV, "-", "AC 저전압: '-' is not a valid integer value"},
        {kRowACOV, "25x", "AC 고전압: '25x' is not a valid integer value"},
        {kRowACOV, "300", "AC 고전압: '300' 값이 범위(230..270)를 벗어났습니다"},
        {kRowACUV, "159", "AC 저전압: '159' 값이 범위(160..210)를 벗어났습니다"},
        {kRowDCOV, "", "DC 고전압: '' is not a valid floating point value"},
        {kRowDCOV, "+", "DC 고전압: '+' is not a valid floating point value"},
        {kRowDCUV, "fifty", "DC 저전압: 'fifty' is not a valid floating point value"},
        {kRowDCOV, "59.1", "DC 고전압: '59.1' 값이 범위(55.0..59.0)를 벗어났습니다"},
        {kRowDCUV, "42.9", "DC 저전압: '42.9' 값이 범위(43.0..50.0)를 벗어났습니다"},
    };
    for (const Case &c : cases) {
        OperatingInputs in;
        in.Ticked.fill(true);
        (c.row == kRowACOV   ? in.ACOV
         : c.row == kRowACUV ? in.ACUV
         : c.row == kRowDCOV ? in.DCOV
                             : in.DCUV) = c.text;
        SettingWrites w = OperatingWrites(in, TextTranslator());
        EXPECT_EQ(w.Error, c.error);
        EXPECT_TRUE(w.Writes.empty()) << c.text;
    }
}

TEST(OperatingSettings, ListWithoutSelectionIsAnErrorWhenTicked) {
    OperatingInputs in = Ticking({kRowBModel});
    in.BModelIndex = -1;
    EXPECT_EQ(OperatingWrites(in, TextTranslator()).Error, "축전지 종류: 선택된 항목이 없습니다");
    in = Ticking({kRowBCho});
    in.BChoIndex = 3;
    EXPECT_FALSE(OperatingWrites(in, TextTranslator()).Ok());
}

TEST(OperatingSettings, PrefillTakesTheSetPointsOfTheLastStatus) {
    StatusSnapshot s;
    auto set = [&](int address, int32_t v) { s.Raw[static_cast<std::size_t>(address - 1)] = v; };
    set(reg::kBModel, 1);
    set(reg::kBCho, 2);
    set(reg::kACHigh, 265);
    set(reg::kACLow, 175);
    set(reg::kDCHigh, 580);
    set(reg::kDCLow, 435);
    set(reg::kChLimit, 4);
    OperatingInputs in = PrefillOperating(s);
    EXPECT_EQ(in.BModelIndex, 1);
    EXPECT_EQ(in.BChoIndex, 2);
    EXPECT_EQ(in.ACOV, "265");
    EXPECT_EQ(in.ACUV, "175");
    EXPECT_EQ(in.DCOV, "58.0");
    EXPECT_EQ(in.DCUV, "43.5");
    EXPECT_EQ(in.CHLimitIndex, 2);
    EXPECT_EQ(in.Ticked, (std::array<bool, kOperatingRows>{}));

    set(reg::kChLimit, 9);
    set(reg::kBModel, 2);
    in = PrefillOperating(s);
    EXPECT_EQ(in.CHLimitIndex, 3);
    EXPECT_EQ(in.BModelIndex, -1);
}

TEST(OperatingSettings, DefaultsChangeTheFieldsButNotTheChargeLimitOrTicks) {
    OperatingInputs in = Ticking({kRowACUV});
    in.CHLimitIndex = 2;
    in.BModelIndex = 1;
    in.BChoIndex = 2;
    in.ACOV = "240";
    in.ACUV = "200";
    in.DCOV = "55.5";
    in.DCUV = "49.0";
    ApplyOperatingDefaults(in);
    EXPECT_EQ(in.CHLimitIndex, 2);
    EXPECT_EQ(in.BModelIndex, 0);
    EXPECT_EQ(in.BChoIndex, 0);
    EXPECT_EQ(in.ACOV, "270");
    EXPECT_EQ(in.ACUV, "170");
    EXPECT_EQ(in.DCOV, "58.0");
    EXPECT_EQ(in.DCUV, "46.0");
    EXPECT_EQ(in.Ticked, Ticking({kRowACUV}).Ticked);
}

TEST(OperatingSettings, LeavingASpinFieldPullsItIntoRange) {
    EXPECT_EQ(LeaveACOV("300"), "270");
    EXPECT_EQ(LeaveACUV("100"), "160");
    EXPECT_EQ(LeaveDCOV("60.5"), "59.0");
    EXPECT_EQ(LeaveDCUV("50.1"), "50.0");
    EXPECT_EQ(LeaveDCUV("45.5"), "45.5");
}

} // namespace
} // namespace zephyra
