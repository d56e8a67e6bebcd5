// The 127-register status block: its snapshot, the texts and lamps the main window shows, and the
// network identity reply.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "link/bytes.h"

namespace zephyra {

inline constexpr int kStatusRegisterCount = 127;
inline constexpr int kStatusByteCount = 254;
inline constexpr int kNetworkIdentityBytes = 18;

// Register addresses of the status block (read at 0x0001..0x007F).
namespace reg {
inline constexpr int kYear = 0x0001, kMonth = 0x0002, kDay = 0x0003, kHour = 0x0004, kMinute = 0x0005,
                     kSecond = 0x0006;
inline constexpr int kACV = 0x0007, kDCV = 0x0008, kLCA = 0x0009, kBCA = 0x000A, kRT = 0x000B;
inline constexpr int kAlarmBits = 0x000C, kFwVersion = 0x000D, kFwDate = 0x000E, kFwCnt = 0x000F;
inline constexpr int kRelayBits = 0x0011, kDischRelay = 0x0012, kTempHRelay = 0x0013, kTempLRelay = 0x0014,
                     kChRelay = 0x0015, kChRef = 0x0016;
inline constexpr int kEthLinkBits = 0x0017, kTcpRxTx = 0x0018, kTcpFlag = 0x0019, kTcpComFailCnt = 0x001A,
                     kWatchdogCnt = 0x001B;
inline constexpr int kChLimit = 0x0021, kCommand = 0x0022, kBModel = 0x0023, kBCho = 0x0024, kACHigh = 0x0025,
                     kACLow = 0x0026, kDCHigh = 0x0027, kDCLow = 0x0028;
inline constexpr int kAlarmTestOn = 0x002E, kAlarmTestBits = 0x002F;
inline constexpr int kCalibrationFirst = 0x0030, kCalibrationLast = 0x0033;
inline constexpr int kEthSpeed = 0x003C, kDeviceId1 = 0x003D, kDeviceId2 = 0x003E, kDeviceId3 = 0x003F;
inline constexpr int kIP = 0x0040, kGW = 0x0042, kSM = 0x0044, kMAC = 0x0046;
inline constexpr int kACLEn = 0x0049, kAclAdded = 0x004A, kAclDefault = 0x005E;
} // namespace reg

struct StatusSnapshot {
    // Raw[i] is the register at 0x0001 + i, unsigned 0..65535.
    std::array<int32_t, kStatusRegisterCount> Raw{};
    bool Decoded = false;

    std::string DateText, TimeText, ACVText, DCVText, LCAText, BCAText, RTText, AlarmText;
    std::string IPText, GWText, SMText, MACText;
    // ACL_IP11Text, ACL_IP12Text, ACL_IP21Text ... ACL_IP52Text, in register order.
    std::array<std::string, 10> AclAddedTexts;
    // Battery model text: codes outside the table keep the previous one.
    std::string BModelText;
    int32_t ACLEn = 0;

    int32_t Reg(int address) const { return Raw[static_cast<std::size_t>(address - 1)]; }
};

struct FieldText {
    const char *Name; // object name of the main-window field
    std::string Text;
    // Where Text is a marked word that reads two ways in English, the comment that tells which.
    const char *Comment = nullptr;
};

struct LampState {
    const char *Name;
    bool Active; // red when active, lime otherwise
};

inline constexpr int kAlarmLampCount = 6;
inline constexpr int kRelayLampCount = 5;

// Which register bit lights which lamp, in the order of StatusViewModel::Lamps.
struct LampBit {
    const char *Name;
    int Register;
    int Mask;
};
std::span<const LampBit> LampBits();

// Everything the Information page and the status bar show after one decode.
struct StatusViewModel {
    std::vector<FieldText> Fields;
    std::array<LampState, kAlarmLampCount + kRelayLampCount> Lamps{};
    bool AlarmTestLabelVisible = false;
    std::string LinkText; // third status-bar panel
};

// Signed 16-bit register as sign text and magnitude: 0xFFF1 -> "-", 15.
struct SignedMagnitude {
    const char *Sign;
    int32_t Magnitude;
};
SignedMagnitude SplitSign(int32_t raw16);

// data: the reply after its byte count; at least 254 bytes (anything after them is ignored).
void DecodeStatus(ByteView data, StatusSnapshot &snapshot, StatusViewModel &view);
// body: MAC (6), IP (4), subnet mask (4), gateway (4). Replaces the four address texts only.
void DecodeIpSettingsReply(ByteView body, StatusSnapshot &snapshot);

std::string EthernetLinkText(int32_t linkBits, int32_t rxTx);
std::string DeviceIdText(int32_t r3d, int32_t r3e, int32_t r3f);

} // namespace zephyra
