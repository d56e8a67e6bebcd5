#include <gtest/gtest.h>

#include "config/control_commands.h"
#include "wire_order.h"

namespace zephyra {
namespace {

using test::WireOrder;
using test::WireWrite;

TEST(ControlCommands, ResetAndFactoryInitialiseWriteTheControlRegister) {
    EXPECT_EQ(WireOrder(ControllerResetWrites()), (std::vector<WireWrite>{{0x22, 1}}));
    EXPECT_EQ(WireOrder(FactoryInitialWrites(2, 1)), (std::vector<WireWrite>{{0x22, 8}}));
    EXPECT_EQ(WireOrder(FactoryInitialWrites(1, 0)), (std::vector<WireWrite>{{0x22, 4}}));
    EXPECT_EQ(WireOrder(FactoryInitialWrites(0, 0)), (std::vector<WireWrite>{{0x22, 4}}));
    EXPECT_TRUE(FactoryInitialWrites(0, 1).empty());
    EXPECT_TRUE(FactoryInitialWrites(2, -1).empty());
}

TEST(ControlCommands, FactoryListDependsOnTheUserLevel) {
    EXPECT_EQ(FactoryInitialEntries(2), (std::vector<std::string>{"구성정보 초기화", "환경정보 초기화"}));
    EXPECT_EQ(FactoryInitialEntries(1).size(), 2u);
    EXPECT_EQ(FactoryInitialEntries(0), (std::vector<std::string>{"구성정보 초기화"}));
}

TEST(ControlCommands, AlarmTestWithoutSwitchWritesOnlyTheSelection) {
    AlarmTestInputs in;
    in.Bits = 0x04 | 0x10;
    EXPECT_EQ(WireOrder(AlarmTestWrites(in, TextTranslator()).Writes),
              (std::vector<WireWrite>{{0x2F, 0x14}}));
}

TEST(ControlCommands, AlarmTestSwitchGoesOutAfterTheSelection) {
    AlarmTestInputs in;
    in.SwitchTicked = true;
    in.SwitchIndex = 1;
    test::WireRun run = test::SendOverWire(AlarmTestWrites(in, TextTranslator()).Writes);
    EXPECT_EQ(run.Writes, (std::vector<WireWrite>{{0x2F, 0x00}, {0x2E, 0x01}}));
    EXPECT_EQ(run.Messages, (std::vector<std::string>{" Setting Sucess!!"}));
}

TEST(ControlCommands, AlarmTestPrefillKeepsTheHiddenBitButNeverTheUnusedOne) {
    StatusSnapshot s;
    s.Raw[reg::kAlarmTestOn - 1] = 1;
    s.Raw[reg::kAlarmTestBits - 1] = 0xA1;
    AlarmTestInputs in = PrefillAlarmTest(s);
    EXPECT_EQ(in.SwitchIndex, 1);
    EXPECT_FALSE(in.SwitchTicked);
    EXPECT_EQ(in.Bits, 0x81);
    EXPECT_EQ(WireOrder(AlarmTestWrites(in, TextTranslator()).Writes),
              (std::vector<WireWrite>{{0x2F, 0x81}}));

    s.Raw[reg::kAlarmTestOn - 1] = 5;
    in = PrefillAlarmTest(s);
    in.SwitchTicked = true;
    SettingWrites w = AlarmTestWrites(in, TextTranslator());
    EXPECT_EQ(w.Error, "경보시험: 선택된 항목이 없습니다");
    EXPECT_TRUE(w.Writes.empty());
}

} // namespace
} // namespace zephyra
