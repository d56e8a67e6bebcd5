#include <gtest/gtest.h>

#include "config/setting_parse.h"

namespace zephyra {
namespace {

TEST(SettingParse, TenthsAreReadExactlyFromTheDecimalDigits) {
    struct Case {
        const char *text;
        int32_t tenths;
    };
    for (const Case &c :
         {Case{"57.9", 579}, Case{"43.5", 435}, Case{"58", 580}, Case{"57.95", 579}, Case{"58.", 580},
          Case{".5", 5}, Case{"+46.0", 460}, Case{"-43.59", -435}, Case{" 46.0 ", 460}, Case{"0.0", 0}}) {
        int32_t v = -1;
        EXPECT_TRUE(ParseTenths(c.text, v)) << c.text;
        EXPECT_EQ(v, c.tenths) << c.text;
    }
}

TEST(SettingParse, TextsThatAreNoDecimalNumberAreRefused) {
    for (const char *text :
         {"", " ", "-", "+", ".", "-.", "abc", "4x.5", "1.2.3", "5e1", "5,5", "99999999999"}) {
        int32_t v = 0;
        EXPECT_FALSE(ParseTenths(text, v)) << text;
    }
}

TEST(SettingParse, IntegersTakeASignAndDigitsOnly) {
    int32_t v = 0;
    EXPECT_TRUE(ParseInteger("270", v));
    EXPECT_EQ(v, 270);
    EXPECT_TRUE(ParseInteger("-2147483648", v));
    EXPECT_EQ(v, INT32_MIN);
    EXPECT_TRUE(ParseInteger("08", v));
    EXPECT_EQ(v, 8);
    for (const char *text : {"", "-", "+", "2.5", "12a", "2147483648", "0x10", "$10"})
        EXPECT_FALSE(ParseInteger(text, v)) << text;
}

TEST(SettingParse, AddressOctetsAboveTwoHundredFiftyFiveAreErrorsNamingTheField) {
    uint8_t octet = 7;
    EXPECT_EQ(ReadDecimalOctet("IP", "300", octet), "IP: '300' is not a valid address octet (0..255)");
    EXPECT_EQ(ReadDecimalOctet("IP", "256", octet), "IP: '256' is not a valid address octet (0..255)");
    EXPECT_EQ(ReadDecimalOctet("IP", "-1", octet), "IP: '-1' is not a valid address octet (0..255)");
    EXPECT_EQ(ReadDecimalOctet("IP", "", octet), "'' is not a valid integer value");
    EXPECT_EQ(octet, 7);
    EXPECT_EQ(ReadDecimalOctet("IP", "255", octet), "");
    EXPECT_EQ(octet, 255);
}

TEST(SettingParse, MacPartsAreOneOrTwoHexDigits) {
    uint8_t octet = 0;
    EXPECT_EQ(ReadHexOctet("MAC", "fe", octet), "");
    EXPECT_EQ(octet, 0xFE);
    EXPECT_EQ(ReadHexOctet("MAC", "A", octet), "");
    EXPECT_EQ(octet, 0x0A);
    EXPECT_EQ(ReadHexOctet("MAC", "123", octet), "MAC: '123' is not a valid address octet (00..FF)");
    EXPECT_EQ(ReadHexOctet("MAC", "G1", octet), "'$G1' is not a valid integer value");
    EXPECT_EQ(ReadHexOctet("MAC", "", octet), "'$' is not a valid integer value");
}

TEST(SettingParse, SplitGivesTheRestToTheLastPartAndEmptiesForMissingOnes) {
    EXPECT_EQ(SplitParts("10.00.00.01", '.', 4), (std::vector<std::string>{"10", "00", "00", "01"}));
    EXPECT_EQ(SplitParts("1.2.3.4.5", '.', 4), (std::vector<std::string>{"1", "2", "3", "4.5"}));
    EXPECT_EQ(SplitParts("1.2", '.', 4), (std::vector<std::string>{"1", "2", "", ""}));
    EXPECT_EQ(SplitParts("", '.', 6), std::vector<std::string>(6));
}

TEST(SettingParse, SpinFieldsClampOnlyParsableOutOfRangeValues) {
    EXPECT_EQ(LeaveIntegerSpin("300", 230, 270), "270");
    EXPECT_EQ(LeaveIntegerSpin("-5", 230, 270), "230");
    EXPECT_EQ(LeaveIntegerSpin("250", 230, 270), "250");
    EXPECT_EQ(LeaveIntegerSpin("-", 230, 270), "-");
    EXPECT_EQ(LeaveIntegerSpin("", 0, 23, "0"), "0");
    EXPECT_EQ(LeaveTenthsSpin("60", 550, 590), "59.0");
    EXPECT_EQ(LeaveTenthsSpin("43", 430, 500), "43");
    EXPECT_EQ(LeaveTenthsSpin("42.99", 430, 500), "43.0");
    EXPECT_TRUE(IsSpinFieldChar('7') && IsSpinFieldChar('.') && IsSpinFieldChar('-'));
    EXPECT_FALSE(IsSpinFieldChar('e') || IsSpinFieldChar(','));
}

} // namespace
} // namespace zephyra
