#include <gtest/gtest.h>

#include "config/measurement_settings.h"
#include "wire_order.h"

namespace zephyra {
namespace {

using test::WireOrder;
using test::WireWrite;

MeasurementInputs With(MeasurementRow row, const char *text) {
    MeasurementInputs in;
    in.Ticked[static_cast<std::size_t>(row)] = true;
    in.Texts[static_cast<std::size_t>(row)] = text;
    return in;
}

TEST(MeasurementSettings, MaskedTextsReadWithoutThePointAndLeadingBlanks) {
    struct Case {
        const char *text;
        int32_t value;
    };
    for (const Case &c : {Case{"230.5", 2305}, Case{"54.20", 5420}, Case{"05.00", 500}, Case{"_5.00", 500},
                          Case{" 5.00", 500}, Case{"__.07", 7}, Case{"000.0", 0}}) {
        int32_t v = -1;
        EXPECT_TRUE(ReadMaskedValue(c.text, v)) << c.text;
        EXPECT_EQ(v, c.value) << c.text;
    }
    for (const char *text : {"", "__.__", "___._", "2_.50", "5a.00", "-1.00", "12345.6"}) {
        int32_t v = 0;
        EXPECT_FALSE(ReadMaskedValue(text, v)) << text;
    }
}

TEST(MeasurementSettings, BothBatteryRowsWrite0x33MinusRowFirstOnTheWire) {
    MeasurementInputs in;
    in.Ticked[kRowBCAP] = in.Ticked[kRowBCAN] = true;
    in.Texts[kRowBCAP] = "01.00";
    in.Texts[kRowBCAN] = "02.00";
    EXPECT_EQ(WireOrder(MeasurementWrites(in, TextTranslator()).Writes),
              (std::vector<WireWrite>{{0x33, 200}, {0x33, 100}}));
}

TEST(MeasurementSettings, AllRowsGoOutBatteryMinusFirstAndAcLast) {
    MeasurementInputs in;
    in.Ticked.fill(true);
    in.Texts = {"230.5", "54.20", "10.00", "01.50", "00.50"};
    EXPECT_EQ(WireOrder(MeasurementWrites(in, TextTranslator()).Writes),
              (std::vector<WireWrite>{{0x33, 50}, {0x33, 150}, {0x32, 1000}, {0x31, 5420}, {0x30, 2305}}));
}

TEST(MeasurementSettings, TickedRowReadingZeroIsSkippedSilently) {
    SettingWrites w = MeasurementWrites(With(kRowLCA, "00.00"), TextTranslator());
    EXPECT_TRUE(w.Ok());
    EXPECT_TRUE(w.Writes.empty());
}

TEST(MeasurementSettings, UnreadableFieldStopsOkEvenWhenItsRowIsUnticked) {
    MeasurementInputs in = With(kRowACVR, "220.0");
    in.Texts[kRowDCV] = "__.__";
    SettingWrites w = MeasurementWrites(in, TextTranslator());
    EXPECT_EQ(w.Error, "DC 전압: '__.__' is not a valid floating point value");
    EXPECT_TRUE(w.Writes.empty());
}

} // namespace
} // namespace zephyra
