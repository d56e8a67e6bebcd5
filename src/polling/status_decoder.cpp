#include "polling/status_decoder.h"
#include "core/text_key.h"

#include "core/formatters.h"

namespace zephyra {

namespace {

constexpr const char *kOffOn[] = {"OFF", "ON"};
constexpr const char *kNoSensor = ZEPHYRA_TEXT("zephyra", "미사용");

const char *OffOn(int32_t v) {
    return kOffOn[v != 0];
}

std::array<uint8_t, 4> AddressBytes(const StatusSnapshot &s, int address) {
    int32_t a = s.Reg(address), b = s.Reg(address + 1);
    return {static_cast<uint8_t>(a >> 8), static_cast<uint8_t>(a & 0xFF), static_cast<uint8_t>(b >> 8),
            static_cast<uint8_t>(b & 0xFF)};
}

constexpr std::array<LampBit, kAlarmLampCount + kRelayLampCount> kLampBits{{
    {"spACF", reg::kAlarmBits, 0x01},
    {"spDCH", reg::kAlarmBits, 0x02},
    {"spDCL", reg::kAlarmBits, 0x04},
    {"spRF1", reg::kAlarmBits, 0x08},
    {"spRF2", reg::kAlarmBits, 0x10},
    {"spBF", reg::kAlarmBits, 0x40},
    {"spACF_RY", reg::kRelayBits, 0x01},
    {"spDCF_RY", reg::kRelayBits, 0x02},
    {"spBF_RY", reg::kRelayBits, 0x04},
    {"spMF_RY", reg::kRelayBits, 0x08},
    {"spMA_RY", reg::kRelayBits, 0x10},
}};

constexpr const char *kAclAddedNames[10] = {"edtACL_IP11", "edtACL_IP12", "edtACL_IP21", "edtACL_IP22",
                                            "edtACL_IP31", "edtACL_IP32", "edtACL_IP41", "edtACL_IP42",
                                            "edtACL_IP51", "edtACL_IP52"};
constexpr const char *kAclDefaultNames[10] = {"edtACL_DIP11", "edtACL_DIP12", "edtACL_DIP21", "edtACL_DIP22",
                                              "edtACL_DIP31", "edtACL_DIP32", "edtACL_DIP41", "edtACL_DIP42",
                                              "edtACL_DIP51", "edtACL_DIP52"};

const char *BatteryModelText(int32_t code) {
    switch (code) {
    case 0:
        return ZEPHYRA_TEXT("zephyra", "아트라스");
    case 1:
        return ZEPHYRA_TEXT("zephyra", "세방전지");
    default:
        return nullptr;
    }
}

const char *EthSpeedText(int32_t code) {
    switch (code) {
    case 0:
        return "Auto";
    case 1:
        return "10M";
    case 2:
        return "100M";
    case 3:
        return "1G";
    default:
        return "";
    }
}

} // namespace

std::span<const LampBit> LampBits() {
    return kLampBits;
}

SignedMagnitude SplitSign(int32_t raw16) {
    if (raw16 & 0x8000)
        return {"-", (raw16 ^ 0xFFFF) + 1};
    return {"+", raw16};
}

std::string EthernetLinkText(int32_t linkBits, int32_t rxTx) {
    if (!(linkBits & 0x10))
        return " Link Down";
    std::string s = " Link Up : ";
    s += (linkBits & 0x08) ? "Full-Duplex " : "Half-Duplex ";
    if (linkBits & 0x04)
        s += "1G";
    else if (linkBits & 0x02)
        s += "100M";
    else if (linkBits & 0x01)
        s += "10M";
    if (linkBits & 0x20)
        s += ", TCP (RX:" + std::to_string((rxTx >> 8) & 0xFF) + ",TX:" + std::to_string(rxTx & 0xFF) + ")";
    return s;
}

std::string DeviceIdText(int32_t r3d, int32_t r3e, int32_t r3f) {
    return HexDigits(r3d & 0xFF, 2) + HexDigits(r3e & 0xFFFF, 4) + HexDigits(r3f & 0xFFFF, 4);
}

void DecodeStatus(ByteView data, StatusSnapshot &s, StatusViewModel &view) {
    for (int i = 0; i < kStatusRegisterCount; ++i)
        s.Raw[static_cast<std::size_t>(i)] = data[2 * i] * 256 + data[2 * i + 1];
    s.Decoded = true;

    auto &f = view.Fields;
    f.clear();
    f.reserve(64);
    auto show = [&f](const char *name, std::string text) -> const std::string & {
        f.push_back({name, std::move(text)});
        return f.back().Text;
    };

    s.DateText = show("edtDate", std::to_string(s.Reg(reg::kYear)) + "-" + DecDigits(s.Reg(reg::kMonth), 2) +
                                     "-" + DecDigits(s.Reg(reg::kDay), 2));
    s.TimeText = show("edtTime", DecDigits(s.Reg(reg::kHour), 2) + ":" + DecDigits(s.Reg(reg::kMinute), 2) +
                                     ":" + DecDigits(s.Reg(reg::kSecond), 2));

    s.ACVText = show("edtACV", std::to_string(s.Reg(reg::kACV)) + " V");
    s.DCVText = show("edtDCV", FormatTenthsUnit(s.Reg(reg::kDCV), 'V'));
    s.LCAText = show("edtLCA", FormatTenthsUnit(s.Reg(reg::kLCA), 'A'));
    SignedMagnitude bca = SplitSign(s.Reg(reg::kBCA));
    s.BCAText = show("edtBCA", bca.Sign + FormatTenthsUnit(bca.Magnitude, 'A'));
    SignedMagnitude rt = SplitSign(s.Reg(reg::kRT));
    s.RTText = show("edtRT", rt.Magnitude == 9999 ? std::string(kNoSensor)
                                                  : rt.Sign + FormatTenthsUnit(rt.Magnitude, 'C'));

    // Two digits cover the defined bits; higher bits would widen the text, so they are left out.
    s.AlarmText = "0x" + HexDigits(s.Reg(reg::kAlarmBits) & 0xFF, 2);

    int32_t ver = s.Reg(reg::kFwVersion), date = s.Reg(reg::kFwDate);
    show("edtVer", "V" + FormatTenthsUnit(ver >> 8, '(') + std::to_string(ver & 0xFF) + "-" +
                       std::to_string(date >> 8) + "-" + std::to_string(date & 0xFF) + ")");
    show("edtFwCnt", std::to_string(s.Reg(reg::kFwCnt)));

    for (std::size_t i = 0; i < kLampBits.size(); ++i)
        view.Lamps[i] = {kLampBits[i].Name, (s.Reg(kLampBits[i].Register) & kLampBits[i].Mask) != 0};

    show("edtDischRelay", OffOn(s.Reg(reg::kDischRelay)));
    show("edtTempHRelay", OffOn(s.Reg(reg::kTempHRelay)));
    show("edtTempLRelay", OffOn(s.Reg(reg::kTempLRelay)));
    show("edtChRelay", OffOn(s.Reg(reg::kChRelay)));
    show("edtChRef", std::to_string(s.Reg(reg::kChRef)));

    view.LinkText = EthernetLinkText(s.Reg(reg::kEthLinkBits), s.Reg(reg::kTcpRxTx));

    show("edtTcpFlag", OffOn(s.Reg(reg::kTcpFlag)));
    show("edtTcpComFailCnt", std::to_string(s.Reg(reg::kTcpComFailCnt)));
    show("edtWatchdogCnt", std::to_string(s.Reg(reg::kWatchdogCnt)));

    int32_t chLimit = s.Reg(reg::kChLimit);
    show("edtChLimit", chLimit == 0 ? std::string("OFF") : std::to_string(chLimit) + " A");
    if (const char *model = BatteryModelText(s.Reg(reg::kBModel)))
        s.BModelText = model;
    show("edtB_Model", s.BModelText);
    show("edtB_Cho", std::to_string(s.Reg(reg::kBCho) + 1) + ZEPHYRA_TEXT("zephyra", " 조"));
    show("edtACH", std::to_string(s.Reg(reg::kACHigh)) + " V");
    show("edtACL", std::to_string(s.Reg(reg::kACLow)) + " V");
    show("edtDCH", FormatTenthsUnit(s.Reg(reg::kDCHigh), 'V'));
    show("edtDCL", FormatTenthsUnit(s.Reg(reg::kDCLow), 'V'));

    view.AlarmTestLabelVisible = s.Reg(reg::kAlarmTestOn) != 0;

    show("edtEthSpeed", EthSpeedText(s.Reg(reg::kEthSpeed)));
    show("edtDeviceID", DeviceIdText(s.Reg(reg::kDeviceId1), s.Reg(reg::kDeviceId2), s.Reg(reg::kDeviceId3)));

    s.IPText = show("edtIP", PlainDottedDecimal(AddressBytes(s, reg::kIP)));
    s.GWText = show("edtGW", PlainDottedDecimal(AddressBytes(s, reg::kGW)));
    s.SMText = show("edtSM", PlainDottedDecimal(AddressBytes(s, reg::kSM)));
    std::array<uint8_t, 6> mac{};
    for (int i = 0; i < 3; ++i) {
        int32_t r = s.Reg(reg::kMAC + i);
        mac[static_cast<std::size_t>(2 * i)] = static_cast<uint8_t>(r >> 8);
        mac[static_cast<std::size_t>(2 * i + 1)] = static_cast<uint8_t>(r & 0xFF);
    }
    s.MACText = show("edtMAC", DottedHex(mac));

    s.ACLEn = s.Reg(reg::kACLEn);
    const TextKey aclSwitch = s.ACLEn == 0 ? ZEPHYRA_TEXT3("zephyra", "미사용", "ACL switch")
                                           : ZEPHYRA_TEXT3("zephyra", "사용", "ACL switch");
    f.push_back({"edtACLEn", aclSwitch.Source, aclSwitch.Comment});

    for (int i = 0; i < 10; ++i)
        s.AclAddedTexts[static_cast<std::size_t>(i)] =
            show(kAclAddedNames[i], PlainDottedDecimal(AddressBytes(s, reg::kAclAdded + 2 * i)));
    for (int i = 0; i < 10; ++i)
        show(kAclDefaultNames[i], PlainDottedDecimal(AddressBytes(s, reg::kAclDefault + 2 * i)));
}

void DecodeIpSettingsReply(ByteView body, StatusSnapshot &s) {
    if (body.size() < kNetworkIdentityBytes)
        return;
    s.MACText = DottedHex(body.subspan(0, 6));
    s.IPText = DottedDecimal(body.subspan(6, 4));
    s.SMText = DottedDecimal(body.subspan(10, 4));
    s.GWText = DottedDecimal(body.subspan(14, 4));
}

} // namespace zephyra
