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

TEST(SettingParse, SplitGivesTheRestToTheLastPartAndEmptiesForMissingOnes) {
    EXPECT_EQ(SplitParts("10.00.00.01", '.', 4), (std::vector<std::string>{"10", "00", "00", "01"}));
    EXPECT_EQ(SplitParts("1.2.3.4.5", '.', 4), (std::vector<std::string>{"1", "2", "3", "4.5"}));
    EXPECT_EQ(SplitParts("1.2", '.', 4), (std::vector<std::string>{"1", "2", "", ""}));
    EXPECT_EQ(SplitParts("", '.', 6), std::vector<std::string>(6));
}

} // namespace
} // namespace zephyra
