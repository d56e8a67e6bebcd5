// The status block's texts and lamps, the identity reply, and the number formatters.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>
#include <utility>

#include "core/formatters.h"
#include "polling/status_decoder.h"
#include "support/status_block.h"

namespace zephyra {
namespace {

using test::StatusBlock;

struct Decoded {
    StatusSnapshot snapshot;
    StatusViewModel view;

    void Decode(const StatusBlock &block) { DecodeStatus(block.Data(), snapshot, view); }
    // The text of a field; fails the test when the field is missing or shown twice.
    std::string Field(const std::string &name) const {
        std::string text;
        int seen = 0;
        for (const FieldText &f : view.Fields) {
            if (name == f.Name) {
                text = f.Text;
                ++seen;
            }
        }
        EXPECT_EQ(seen, 1) << name;
        return text;
    }
    std::map<std::string, bool> Lamps() const {
        std::map<std::string, bool> out;
        for (const LampState &l : view.Lamps)
            out[l.Name] = l.Active;
        return out;
    }
};

struct FieldCase {
    const char *name;
    std::vector<std::pair<int, int32_t>> registers;
    const char *field;
    const char *text;
};
void PrintTo(const FieldCase &c, std::ostream *os) {
    *os << c.name;
}

class FieldTexts : public ::testing::TestWithParam<FieldCase> {};

TEST_P(FieldTexts, ShowsTheRegisterAsTheMainWindowDoes) {
    StatusBlock block;
    for (auto [address, value] : GetParam().registers)
        block.Set(address, value);
    Decoded d;
    d.Decode(block);
    EXPECT_EQ(d.Field(GetParam().field), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Decoder, FieldTexts,
    ::testing::Values(
        FieldCase{"Date", {{reg::kYear, 2025}, {reg::kMonth, 8}, {reg::kDay, 7}}, "edtDate", "2025-08-07"},
        FieldCase{"Time", {{reg::kHour, 9}, {reg::kMinute, 5}, {reg::kSecond, 3}}, "edtTime", "09:05:03"},
        FieldCase{"TimeTwoDigits",
                  {{reg::kHour, 23}, {reg::kMinute, 59}, {reg::kSecond, 10}},
                  "edtTime",
                  "23:59:10"},
        FieldCase{"ACV", {{reg::kACV, 221}}, "edtACV", "221 V"},
        FieldCase{"DCV535", {{reg::kDCV, 535}}, "edtDCV", "53.5 V"},
        FieldCase{"DCV5", {{reg::kDCV, 5}}, "edtDCV", "0.5 V"},
        FieldCase{"DCV0", {{reg::kDCV, 0}}, "edtDCV", "0.0 V"},
        FieldCase{"DCV23456", {{reg::kDCV, 23456}}, "edtDCV", "23456 V"},
        FieldCase{"LCA", {{reg::kLCA, 1234}}, "edtLCA", "123.4 A"},
        FieldCase{"BCANegative", {{reg::kBCA, 0xFFF1}}, "edtBCA", "-1.5 A"},
        FieldCase{"BCAPositive", {{reg::kBCA, 15}}, "edtBCA", "+1.5 A"},
        FieldCase{"BCAZero", {{reg::kBCA, 0}}, "edtBCA", "+0.0 A"},
        FieldCase{"BCAMinusOne", {{reg::kBCA, 0xFFFF}}, "edtBCA", "-0.1 A"},
        FieldCase{"BCAMostNegative", {{reg::kBCA, 0x8000}}, "edtBCA", "-32768 A"},
        FieldCase{"RTPositive", {{reg::kRT, 253}}, "edtRT", "+25.3 C"},
        FieldCase{"RTNegative", {{reg::kRT, 0xFF9C}}, "edtRT", "-10.0 C"},
        FieldCase{"RTNoSensor", {{reg::kRT, 9999}}, "edtRT", "미사용"},
        FieldCase{"RTNoSensorNegative", {{reg::kRT, 0xD8F1}}, "edtRT", "미사용"},
        FieldCase{"RTJustBelowNoSensor", {{reg::kRT, 9998}}, "edtRT", "+999.8 C"},
        FieldCase{"Firmware", {{reg::kFwVersion, 0x0819}, {reg::kFwDate, 0x0807}}, "edtVer", "V0.8 (25-8-7)"},
        FieldCase{"FirmwareTwoDigitMonth",
                  {{reg::kFwVersion, 0x0C19}, {reg::kFwDate, 0x0C1F}},
                  "edtVer",
                  "V1.2 (25-12-31)"},
        FieldCase{
            "FirmwareZero", {{reg::kFwVersion, 0x0019}, {reg::kFwDate, 0x0101}}, "edtVer", "V0.0 (25-1-1)"},
        FieldCase{"FwCnt", {{reg::kFwCnt, 65535}}, "edtFwCnt", "65535"},
        FieldCase{"DischRelayOff", {}, "edtDischRelay", "OFF"},
        FieldCase{"TempHRelayOn", {{reg::kTempHRelay, 2}}, "edtTempHRelay", "ON"},
        FieldCase{"TempLRelayOn", {{reg::kTempLRelay, 1}}, "edtTempLRelay", "ON"},
        FieldCase{"ChRelayOn", {{reg::kChRelay, 1}}, "edtChRelay", "ON"},
        FieldCase{"ChRef", {{reg::kChRef, 540}}, "edtChRef", "540"},
        FieldCase{"TcpFlag", {{reg::kTcpFlag, 1}}, "edtTcpFlag", "ON"},
        FieldCase{"TcpComFailCnt", {{reg::kTcpComFailCnt, 12}}, "edtTcpComFailCnt", "12"},
        FieldCase{"WatchdogCnt", {{reg::kWatchdogCnt, 3}}, "edtWatchdogCnt", "3"},
        FieldCase{"ChLimitOff", {{reg::kChLimit, 0}}, "edtChLimit", "OFF"},
        FieldCase{"ChLimit30", {{reg::kChLimit, 30}}, "edtChLimit", "30 A"},
        FieldCase{"BModelAtlas", {{reg::kBModel, 0}}, "edtB_Model", "아트라스"},
        FieldCase{"BModelSebang", {{reg::kBModel, 1}}, "edtB_Model", "세방전지"},
        FieldCase{"BCho", {{reg::kBCho, 0}}, "edtB_Cho", "1 조"},
        FieldCase{"ACHigh", {{reg::kACHigh, 264}}, "edtACH", "264 V"},
        FieldCase{"ACLow", {{reg::kACLow, 176}}, "edtACL", "176 V"},
        FieldCase{"DCHigh", {{reg::kDCHigh, 575}}, "edtDCH", "57.5 V"},
        FieldCase{"DCLow", {{reg::kDCLow, 420}}, "edtDCL", "42.0 V"},
        FieldCase{"EthSpeedAuto", {{reg::kEthSpeed, 0}}, "edtEthSpeed", "Auto"},
        FieldCase{"EthSpeed10M", {{reg::kEthSpeed, 1}}, "edtEthSpeed", "10M"},
        FieldCase{"EthSpeed100M", {{reg::kEthSpeed, 2}}, "edtEthSpeed", "100M"},
        FieldCase{"EthSpeed1G", {{reg::kEthSpeed, 3}}, "edtEthSpeed", "1G"},
        FieldCase{"DeviceId",
                  {{reg::kDeviceId1, 0xAB5A}, {reg::kDeviceId2, 0x3C4D}, {reg::kDeviceId3, 0x7E8F}},
                  "edtDeviceID",
                  "5A3C4D7E8F"},
        FieldCase{"DeviceIdZeros", {{reg::kDeviceId3, 0x000A}}, "edtDeviceID", "000000000A"},
        FieldCase{"MAC",
                  {{reg::kMAC, 0x0A5E}, {reg::kMAC + 1, 0x21FE}, {reg::kMAC + 2, 0xFF10}},
                  "edtMAC",
                  "0A.5E.21.FE.FF.10"},
        FieldCase{"IP", {{reg::kIP, 0xC0A8}, {reg::kIP + 1, 0x1E46}}, "edtIP", "192.168.30.70"},
        FieldCase{"GW", {{reg::kGW, 0xC0A8}, {reg::kGW + 1, 0x1E01}}, "edtGW", "192.168.30.1"},
        FieldCase{"SM", {{reg::kSM, 0xFFFF}, {reg::kSM + 1, 0xFF00}}, "edtSM", "255.255.255.0"},
        FieldCase{"ACLEnOff", {{reg::kACLEn, 0}}, "edtACLEn", "미사용"},
        FieldCase{"ACLEnOn", {{reg::kACLEn, 7}}, "edtACLEn", "사용"},
        FieldCase{"AclAddedFirst",
                  {{reg::kAclAdded, 0x0A01}, {reg::kAclAdded + 1, 0x0203}},
                  "edtACL_IP11",
                  "10.1.2.3"},
        FieldCase{"AclAddedRange3End",
                  {{reg::kAclAdded + 10, 0xAC10}, {reg::kAclAdded + 11, 0x00FF}},
                  "edtACL_IP32",
                  "172.16.0.255"},
        FieldCase{"AclDefaultLast",
                  {{reg::kAclDefault + 18, 0x0B16}, {reg::kAclDefault + 19, 0x212C}},
                  "edtACL_DIP52",
                  "11.22.33.44"}));

TEST(Decoder, StoredTextsAreTheShownTexts) {
    StatusBlock block;
    block.Set(reg::kYear, 2025).Set(reg::kMonth, 12).Set(reg::kDay, 31).Set(reg::kHour, 23);
    block.Set(reg::kACV, 220)
        .Set(reg::kDCV, 540)
        .Set(reg::kLCA, 123)
        .Set(reg::kBCA, 0xFFF1)
        .Set(reg::kRT, 253);
    block.Set(reg::kAlarmBits, 0x41).Set(reg::kIP, 0xC0A8).Set(reg::kIP + 1, 0x1E46);
    block.Set(reg::kMAC, 0x0A5E).Set(reg::kACLEn, 1);
    for (int i = 0; i < 20; ++i)
        block.Set(reg::kAclAdded + i, 0x0100 * (i + 1) + i);
    Decoded d;
    d.Decode(block);
    const StatusSnapshot &s = d.snapshot;
    EXPECT_EQ(s.DateText, d.Field("edtDate"));
    EXPECT_EQ(s.TimeText, d.Field("edtTime"));
    EXPECT_EQ(s.ACVText, d.Field("edtACV"));
    EXPECT_EQ(s.DCVText, d.Field("edtDCV"));
    EXPECT_EQ(s.LCAText, d.Field("edtLCA"));
    EXPECT_EQ(s.BCAText, d.Field("edtBCA"));
    EXPECT_EQ(s.RTText, d.Field("edtRT"));
    EXPECT_EQ(s.IPText, d.Field("edtIP"));
    EXPECT_EQ(s.GWText, d.Field("edtGW"));
    EXPECT_EQ(s.SMText, d.Field("edtSM"));
    EXPECT_EQ(s.MACText, d.Field("edtMAC"));
    EXPECT_EQ(s.ACLEn, 1);
    const char *added[10] = {"edtACL_IP11", "edtACL_IP12", "edtACL_IP21", "edtACL_IP22", "edtACL_IP31",
                             "edtACL_IP32", "edtACL_IP41", "edtACL_IP42", "edtACL_IP51", "edtACL_IP52"};
    for (std::size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(s.AclAddedTexts[i], d.Field(added[i])) << added[i];
        EXPECT_FALSE(s.AclAddedTexts[i].empty());
    }
    EXPECT_EQ(s.AclAddedTexts[1], "3.2.4.3"); // registers 0x004C, 0x004D
    EXPECT_EQ(s.Reg(reg::kDCV), 540);
    EXPECT_TRUE(s.Decoded);
}

TEST(Decoder, BytesBehindTheBlockAreIgnored) {
    StatusBlock block;
    block.Set(reg::kDCV, 535).Set(0x007F, 0x1234);
    Bytes withCrc = block.Data();
    withCrc.push_back(0xAA);
    withCrc.push_back(0xBB);
    Decoded a, b;
    a.Decode(block);
    DecodeStatus(withCrc, b.snapshot, b.view);
    EXPECT_EQ(a.snapshot.Raw, b.snapshot.Raw);
    EXPECT_EQ(b.snapshot.Reg(0x007F), 0x1234);
}

TEST(Decoder, BatteryModelOutsideTheTableKeepsThePreviousText) {
    Decoded d;
    StatusBlock block;
    block.Set(reg::kBModel, 2);
    d.Decode(block);
    EXPECT_EQ(d.Field("edtB_Model"), "");
    block.Set(reg::kBModel, 1);
    d.Decode(block);
    block.Set(reg::kBModel, 2);
    d.Decode(block);
    EXPECT_EQ(d.Field("edtB_Model"), "세방전지");
    block.Set(reg::kBModel, 0xFFFF);
    d.Decode(block);
    EXPECT_EQ(d.Field("edtB_Model"), "세방전지");
    block.Set(reg::kBModel, 0);
    d.Decode(block);
    EXPECT_EQ(d.Field("edtB_Model"), "아트라스");
}

TEST(Decoder, EthernetSpeedOutsideTheTableEmptiesTheField) {
    Decoded d;
    StatusBlock block;
    block.Set(reg::kEthSpeed, 3);
    d.Decode(block);
    ASSERT_EQ(d.Field("edtEthSpeed"), "1G");
    block.Set(reg::kEthSpeed, 4);
    d.Decode(block);
    EXPECT_EQ(d.Field("edtEthSpeed"), "");
}

struct LampCase {
    int32_t alarmBits;
    int32_t relayBits;
    std::vector<std::string> red;
    const char *alarmText;
};
void PrintTo(const LampCase &c, std::ostream *os) {
    *os << "alarm " << c.alarmBits << " relay " << c.relayBits;
}

class Lamps : public ::testing::TestWithParam<LampCase> {};

TEST_P(Lamps, RedExactlyForTheirBits) {
    StatusBlock block;
    block.Set(reg::kAlarmBits, GetParam().alarmBits).Set(reg::kRelayBits, GetParam().relayBits);
    Decoded d;
    d.Decode(block);
    std::vector<std::string> red;
    for (auto [name, active] : d.Lamps())
        if (active)
            red.push_back(name);
    std::vector<std::string> expected = GetParam().red;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(red, expected);
    EXPECT_EQ(d.Lamps().size(), 11u);
    EXPECT_EQ(d.snapshot.AlarmText, GetParam().alarmText);
}

INSTANTIATE_TEST_SUITE_P(
    Decoder, Lamps,
    ::testing::Values(LampCase{0x41, 0, {"spACF", "spBF"}, "0x41"}, LampCase{0x80, 0, {}, "0x80"},
                      LampCase{0x20, 0, {}, "0x20"},
                      LampCase{0x1E, 0, {"spDCH", "spDCL", "spRF1", "spRF2"}, "0x1E"},
                      LampCase{0, 0x1F, {"spACF_RY", "spDCF_RY", "spBF_RY", "spMF_RY", "spMA_RY"}, "0x00"},
                      LampCase{0, 0x0A, {"spDCF_RY", "spMF_RY"}, "0x00"},
                      // Bits above the defined ones light nothing and keep the text two digits wide.
                      LampCase{0xFF00, 0xFFE0, {}, "0x00"}));

TEST(Decoder, AlarmTestLabelFollowsTheRegister) {
    for (int32_t on : {0, 1, 0x100}) {
        StatusBlock block;
        block.Set(reg::kAlarmTestOn, on);
        Decoded d;
        d.Decode(block);
        EXPECT_EQ(d.view.AlarmTestLabelVisible, on != 0) << on;
    }
}

TEST(Decoder, LinkTextForTheStatusBar) {
    const std::vector<std::tuple<int32_t, int32_t, std::string>> cases{
        {0x3C, 0x0102, " Link Up : Full-Duplex 1G, TCP (RX:1,TX:2)"},
        {0x17, 0, " Link Up : Half-Duplex 1G"},
        {0x10, 0, " Link Up : Half-Duplex "},
        {0x0F, 0xFFFF, " Link Down"},
        {0x1B, 0, " Link Up : Full-Duplex 100M"},
        {0x11, 0, " Link Up : Half-Duplex 10M"},
        {0x30, 0xFF00, " Link Up : Half-Duplex , TCP (RX:255,TX:0)"},
    };
    for (const auto &[bits, rxTx, text] : cases) {
        StatusBlock block;
        block.Set(reg::kEthLinkBits, bits).Set(reg::kTcpRxTx, rxTx);
        Decoded d;
        d.Decode(block);
        EXPECT_EQ(d.view.LinkText, text) << bits;
    }
}

TEST(IpSettingsReply, ZeroPadsTheDecimalBytesAndTouchesOnlyTheAddressTexts) {
    StatusSnapshot s;
    s.DCVText = "53.5 V";
    const Bytes body{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 10, 0, 0, 1, 255, 255, 255, 0, 10, 0, 0, 254};
    DecodeIpSettingsReply(body, s);
    EXPECT_EQ(s.MACText, "00.1A.2B.3C.4D.5E");
    EXPECT_EQ(s.IPText, "10.00.00.01");
    EXPECT_EQ(s.SMText, "255.255.255.00");
    EXPECT_EQ(s.GWText, "10.00.00.254");
    EXPECT_EQ(s.DCVText, "53.5 V");

    // A short body changes nothing.
    DecodeIpSettingsReply(Bytes(body.begin(), body.begin() + 17), s);
    EXPECT_EQ(s.IPText, "10.00.00.01");
}

struct TenthsCase {
    int32_t v;
    const char *unit;  // FormatTenthsUnit(v, 'V')
    const char *plain; // FormatTenths(v)
    const char *fixed; // FormatTenthsFixed(v)
};
void PrintTo(const TenthsCase &c, std::ostream *os) {
    *os << c.v;
}

class Tenths : public ::testing::TestWithParam<TenthsCase> {};

TEST_P(Tenths, AllThreeFormsFollowTheirTable) {
    EXPECT_EQ(FormatTenthsUnit(GetParam().v, 'V'), GetParam().unit);
    EXPECT_EQ(FormatTenths(GetParam().v), GetParam().plain);
    EXPECT_EQ(FormatTenthsFixed(GetParam().v), GetParam().fixed);
}

INSTANTIATE_TEST_SUITE_P(
    Formatters, Tenths,
    ::testing::Values(TenthsCase{0, "0.0 V", "0.0", "  0"}, TenthsCase{5, "0.5 V", "0.5", "00.5"},
                      TenthsCase{9, "0.9 V", "0.9", "00.9"}, TenthsCase{10, "1.0 V", "1.0", "01.0"},
                      TenthsCase{48, "4.8 V", "4.8", "04.8"}, TenthsCase{99, "9.9 V", "9.9", "09.9"},
                      TenthsCase{100, "10.0 V", "10.0", "10.0"}, TenthsCase{535, "53.5 V", "53.5", "53.5"},
                      TenthsCase{2048, "204.8 V", "204.8", "204.8"},
                      TenthsCase{9999, "999.9 V", "999.9", "999.9"},
                      TenthsCase{10000, "10000 V", "10000", "10000"},
                      TenthsCase{23456, "23456 V", "23456", "23456"}, TenthsCase{-5, "-5 V", "-5", " -5"},
                      TenthsCase{-1234, "-1234 V", "-1234", "-1234"}));

TEST(Formatters, DigitsAndDottedForms) {
    EXPECT_EQ(HexDigits(10, 2), "0A");
    EXPECT_EQ(HexDigits(0xFF, 2), "FF");
    EXPECT_EQ(HexDigits(0x1F, 4), "001F");
    EXPECT_EQ(HexDigits(0, 2), "00");
    EXPECT_EQ(HexWord(0xA00F), "0xA00F");
    EXPECT_EQ(HexWord(0x2A), "0x002A");
    EXPECT_EQ(DecDigits(5, 2), "05");
    EXPECT_EQ(DecDigits(192, 2), "192");
    EXPECT_EQ(DecDigits(0, 2), "00");
    const uint8_t four[] = {192, 168, 5, 0};
    EXPECT_EQ(DottedDecimal(four), "192.168.05.00");
    EXPECT_EQ(PlainDottedDecimal(four), "192.168.5.0");
    const uint8_t six[] = {0x00, 0x0B, 0xC0, 0xFF, 0x10, 0x01};
    EXPECT_EQ(DottedHex(six), "00.0B.C0.FF.10.01");
    EXPECT_EQ(FormatTenthsUnit(253, 'C'), "25.3 C");
    EXPECT_EQ(FormatTenthsUnit(8, '('), "0.8 (");
}

} // namespace
} // namespace zephyra
