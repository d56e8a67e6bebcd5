#include "history/event_tables.h"
#include "core/text_key.h"

#include <array>
#include <span>

namespace zephyra {

namespace {

struct Item {
    uint8_t Code;
    const char *Text;
};

// A group matches on Event1 alone (Event2 kAnyEvent2) or on the pair.
constexpr int kAnyEvent2 = -1;
struct Key {
    uint8_t Event1;
    int Event2;
};

enum class Rule : uint8_t {
    Listed,    // the text of the Event3 code in Items
    StartEnd,  // alarm test: 1 starts it, anything else ends it
    AnyEvent3, // one text whatever Event3 is
};

struct Group {
    std::span<const Key> Keys;
    std::span<const Item> Items;
    Rule How = Rule::Listed;
};

std::string Lookup(std::span<const Item> items, uint8_t code) {
    for (const Item &it : items)
        if (it.Code == code)
            return it.Text;
    return {};
}

// Lookup that falls back to the code in decimal for codes the list does not name.
std::string LookupOrCode(std::span<const Item> items, uint8_t code) {
    for (const Item &it : items)
        if (it.Code == code)
            return it.Text;
    return std::to_string(code);
}

constexpr Item kSources[] = {{1, "RS232"}, {2, "TCP/IP"}, {3, "LCD"}, {4, "UDP"}, {5, "SNMP"}, {6, "USB"}};

constexpr Item kEvent1[] = {
    {1, "AC ALARM"},
    {2, "DC ALARM"},
    {3, "BATT ALARM"},
    {4, "ENV ALARM"},
    {5, "RECT ALARM"},
    {6, "BMS ALARM"},
    {21, "Firmware Download"},
    {22, "Device Environment"},
    {23, "LOG History Init"},
    {24, "RECT Info Set"},
    {25, "Digital Input Set"},
    {26, "Dry Contact Set"},
    {27, "Controller Info Set"},
    {28, "Load Fuse Info Set"},
    {29, "Batt Fuse Info Set"},
    {30, "Ac Fuse Info Set"},
    {31, "Operate Set"},
    {32, "Date Time Set"},
    {33, "Slope Set"},
    {34, "Watchdog"},
    {60, "Controller Reset"},
};

constexpr uint8_t kOperateSet = 31;
constexpr uint8_t kWatchdog = 34;
constexpr uint8_t kBqlAlarm = 29;
constexpr uint8_t kAclSet = 31;

constexpr Item kOperateItems[] = {
    {1, "Charge Mode"},       {2, "FL Volt Set"},
    {3, "IREF Set"},          {4, "EQ MODE Set"},
    {5, "Charge Limit Set"},  {6, "Battery Test Set"},
    {7, "Energy Mode Set"},   {8, "Temp Comp Set"},
    {9, "LVD Set"},           {10, "RESET"},
    {11, "FACTORY Reset"},    {12, "Sound Set"},
    {13, "Battery Capacity"}, {14, "Data Log Period"},
    {15, "Symmetry Status"},  {16, "Battery Mode"},
    {17, "Battery Shunt"},    {18, "Load Shunt"},
    {19, "AC MODE"},          {20, "Rect Over Voltage"},
    {21, "Load Capacity"},    {22, "Temperature Use"},
    {23, "Extend Shelf Set"}, {24, "Rect Auto Report"},
    {25, "Shelf Type Set"},   {28, "Battery String Volt"},
    {29, "BQL Alarm"},        {30, "Alarm Test"},
    {31, "ACL Set"},
};

constexpr Item kWatchdogItems[] = {{1, "Semapore"}, {2, "Tcp Comm"}};

// Event3 groups, in the order they are tried.
constexpr Key kAlarmGroupKeys[] = {{1, kAnyEvent2}, {2, kAnyEvent2}, {3, kAnyEvent2}, {4, kAnyEvent2},
                                   {5, kAnyEvent2}, {6, kAnyEvent2}, {7, kAnyEvent2}};
constexpr Item kAlarmGroupItems[] = {{1, "Enable"}, {2, "Hysteresis"},  {3, "Detect Time Delay"},
                                     {4, "Limit"},  {5, "Alarm Level"}, {6, "Alarm Name"}};
constexpr Key k21[] = {{21, kAnyEvent2}};
constexpr Item kFirmwareItems[] = {{1, "Download"}, {2, "Stop"}, {3, "Fail"}};
constexpr Key k22[] = {{22, kAnyEvent2}};
constexpr Item kEnvironmentItems[] = {{1, "Ok"}, {2, "Nok"}};
constexpr Key k23[] = {{23, kAnyEvent2}};
constexpr Item kLogInitItems[] = {{1, "Alarm Log"}, {2, "Data Log"}, {3, "Event Log"}};
constexpr Key k24[] = {{24, kAnyEvent2}};
constexpr Item kRectInfoItems[] = {{1, "Unit Stand by"}, {2, "Unit Use/Unuse"}, {3, "Serial Number"}};
constexpr Key k25_26_45[] = {{25, kAnyEvent2}, {26, kAnyEvent2}, {45, kAnyEvent2}};
constexpr Item kInputItems[] = {{1, "Name"}, {2, "Use/Unuse"}, {3, "Mode"}, {4, "Map Change"}};
constexpr Key k27[] = {{27, kAnyEvent2}};
constexpr Item kControllerInfoItems[] = {{1, "Hardware Version"}, {2, "Install date"}, {3, "Serial Number"},
                                         {4, "Password"},         {5, "Site Name"},    {6, "Company Name"}};
constexpr Key k28_29_30[] = {{28, kAnyEvent2}, {29, kAnyEvent2}, {30, kAnyEvent2}};
constexpr Item kFuseItems[] = {{1, "Name"}, {2, "Use/Unuse"}, {3, "Mode"}};
constexpr Key k31_4[] = {{31, 4}};
constexpr Item kEqItems[] = {
    {1, "EQ VOLT"}, {2, "EQ Start Current"}, {3, "EQ End Current"}, {4, "EQ Hold Time"}, {5, "EQ Period"}};
constexpr Key k31_6[] = {{31, 6}};
constexpr Item kBattTestItems[] = {
    {1, "Batt test Volt"},        {2, "Batt Test Time"},        {3, "Batt Test Period"},
    {4, "Batt Test Manual Set"},  {5, "Batt Test Start Month"}, {6, "Batt Test Start Day"},
    {7, "Batt Test Start Hour"},  {8, "Batt Test Alarm Clear"}, {9, "Batt Test Start"},
    {10, "Batt Test End"},        {11, "Batt Test Stop"},       {12, "Batt Test Volt Drop"},
    {13, "Batt Test Alarm Stop"}, {15, "Battery Model"},        {16, "Battery Cho"},
};
constexpr Key k31_7[] = {{31, 7}};
constexpr Item kEnergyItems[] = {
    {1, "Energy Mode "}, {2, "Energy Current"}, {3, "Energy Hold Time"}, {4, "Energy Period"}};
constexpr Key k31_8[] = {{31, 8}};
constexpr Item kTempCompItems[] = {{1, "Temp Comp Volt"}, {2, "Temp Comp Cell"}, {3, "Temp Comp Low"},
                                   {4, "Temp Comp High"}, {5, "Temp Comp Mode"}, {6, "Temp Comp Center"}};
constexpr Key k31_9[] = {{31, 9}};
constexpr Item kLvdItems[] = {{1, "LLVD OFF "}, {2, "BLVD OFF"}};
constexpr Key k31_11[] = {{31, 11}};
constexpr Item kFactoryItems[] = {{1, "Control Reset"},
                                  {3, ZEPHYRA_TEXT("zephyra", "구성정보 초기화")},
                                  {4, ZEPHYRA_TEXT("zephyra", "환경정보 초기화")},
                                  {5, ZEPHYRA_TEXT("zephyra", "계측정보 초기화")},
                                  {6, ZEPHYRA_TEXT("zephyra", "경보설정 초기화")},
                                  {7, ZEPHYRA_TEXT("zephyra", "공장 초기화")}};
constexpr Key k31_12[] = {{31, 12}};
constexpr Item kSoundItems[] = {{1, "ON/OFF"}};
constexpr Key k31_15[] = {{31, 15}};
constexpr Item kSymmetryItems[] = {{1, "Info Change"}};
constexpr Key k31_16_47[] = {{31, 16}, {47, kAnyEvent2}};
constexpr Item kModeItems[] = {{1, "MODE"}};
constexpr Key k31_17_18_49[] = {{31, 17}, {31, 18}, {49, kAnyEvent2}};
constexpr Item kShuntItems[] = {{1, "Shunt Select"}, {2, "Shunt Amp"}, {3, "Shunt Volt"}};
constexpr Key k31_19[] = {{31, 19}};
constexpr Item kAcModeItems[] = {
    {1, "1Phase 220V Meas"}, {2, "1Phase 220V Comm"}, {3, "3Phase 220V Comm"}, {4, "3Phase 380V Comm"}};
constexpr Key k31_21[] = {{31, 21}};
constexpr Item kLoadCapaItems[] = {{1, "Load Capa"}, {2, "Load Capa Delay"}};
constexpr Key k31_22_44_46_48[] = {{31, 22}, {44, kAnyEvent2}, {46, kAnyEvent2}, {48, kAnyEvent2}};
constexpr Item kUseChangeItems[] = {{1, "Use Change"}};
constexpr Key k31_27[] = {{31, 27}};
constexpr Item kRectControlItems[] = {{1, "Rect Control"}};
constexpr Key k31_29[] = {{31, 29}};
constexpr Item kBqlItems[] = {
    {1, "Dischagre"},        {2, "Battery Current Cnt Set"}, {3, "AC Recov Cnt Set"}, {4, "Clear"},
    {11, "Dischagre Alarm"}, {12, "Battery Current Alarm"},  {13, "AC Recov Alarm"}};
constexpr Key k31_30[] = {{31, 30}};
constexpr Item kAlarmTestItems[] = {{1, "Test Start"}, {0, "Test End"}};
constexpr Key k31_31[] = {{31, 31}};
constexpr Item kAclItems[] = {
    {1, "ACL Enable"},      {2, "ACL IP1 START1"},  {3, "ACL IP1 START2"},  {4, "ACL IP1 END1"},
    {5, "ACL IP1 END2"},    {6, "ACL IP2 START1"},  {7, "ACL IP2 START2"},  {8, "ACL IP2 END1"},
    {9, "ACL IP2 END2"},    {10, "ACL IP3 START1"}, {11, "ACL IP3 START2"}, {12, "ACL IP3 END1"},
    {13, "ACL IP3 END2"},   {14, "ACL IP4 START1"}, {15, "ACL IP4 START2"}, {16, "ACL IP4 END1"},
    {17, "ACL IP4 END2"},   {18, "ACL IP5 START1"}, {19, "ACL IP5 START2"}, {20, "ACL IP5 END1"},
    {21, "ACL IP5 END2"},   {31, "Device ID1"},     {32, "Device ID2"},     {33, "Device ID3"},
    {40, "Ethernet Speed"},
};
constexpr Key k33_1[] = {{33, 1}};
constexpr Item kSlopeItems[] = {
    {1, "AC Volt"},
    {2, "ACS Volt"},
    {3, "ACT Volt"},
    {4, "DC Volt"},
    {5, "Battery Volt"},
    {6, "Load Amp"},
    {7, "Battery Amp(+)"},
    {8, "Battery Amp(-)"},
    {9, "Battery Temp1"},
    {10, "Battery Temp2"},
    {11, "Battery1 Cell 1 Volt"},
    {12, "Battery1 Cell 2 Volt"},
    {13, "Battery1 Cell 3 Volt"},
    {14, "Battery1 Cell 4 Volt"},
    {15, "Battery2 Cell 1 Volt"},
    {16, "Battery2 Cell 2 Volt"},
    {17, "Battery2 Cell 3 Volt"},
    {18, "Battery2 Cell 4 Volt"},
};
constexpr Key k34_1[] = {{34, 1}};
constexpr Item kSemaphoreItems[] = {{0, "SemaPore"}};
constexpr Key k34_2[] = {{34, 2}};
constexpr Item kTcpWatchdogItems[] = {{1, "TCP Wctchdog Count"}, {2, "Comm Clear"}};
constexpr Key k50[] = {{50, kAnyEvent2}};
constexpr Item kDigitalInputItems[] = {{1, "DI1"}, {2, "DI2"}, {3, "DI3"}, {4, "DI4"},         {5, "DI5"},
                                       {6, "DI6"}, {7, "DI7"}, {8, "DI8"}, {9, "Battery Temp"}};
constexpr Key k51[] = {{51, kAnyEvent2}};
constexpr Item kSymmItems[] = {{1, "Symm1"}, {2, "Symm2"}, {3, "Symm3"},    {4, "Symm4"},
                               {5, "Temp"},  {6, "Fuse"},  {7, "Amp Slop"}, {8, "Amp Offset"}};

const std::array<Group, 30> kEvent3Groups{{
    {kAlarmGroupKeys, kAlarmGroupItems},
    {k21, kFirmwareItems},
    {k22, kEnvironmentItems},
    {k23, kLogInitItems},
    {k24, kRectInfoItems},
    {k25_26_45, kInputItems},
    {k27, kControllerInfoItems},
    {k28_29_30, kFuseItems},
    {k31_4, kEqItems},
    {k31_6, kBattTestItems},
    {k31_7, kEnergyItems},
    {k31_8, kTempCompItems},
    {k31_9, kLvdItems},
    {k31_11, kFactoryItems},
    {k31_12, kSoundItems},
    {k31_15, kSymmetryItems},
    {k31_16_47, kModeItems},
    {k31_17_18_49, kShuntItems},
    {k31_19, kAcModeItems},
    {k31_21, kLoadCapaItems},
    {k31_22_44_46_48, kUseChangeItems},
    {k31_27, kRectControlItems},
    {k31_29, kBqlItems},
    {k31_30, kAlarmTestItems, Rule::StartEnd},
    {k31_31, kAclItems},
    {k33_1, kSlopeItems},
    {k34_1, kSemaphoreItems, Rule::AnyEvent3},
    {k34_2, kTcpWatchdogItems},
    {k50, kDigitalInputItems},
    {k51, kSymmItems},
}};

bool Matches(const Group &g, uint8_t event1, uint8_t event2) {
    for (const Key &k : g.Keys)
        if (k.Event1 == event1 && (k.Event2 == kAnyEvent2 || k.Event2 == event2))
            return true;
    return false;
}

} // namespace

std::string SourceText(uint8_t source) {
    std::string text = Lookup(kSources, source);
    return text.empty() ? "Etc" : text;
}

std::string Event1Text(uint8_t event1) {
    return LookupOrCode(kEvent1, event1);
}

std::string Event2Text(uint8_t event1, uint8_t event2) {
    switch (event1) {
    case 21:
    case 22:
    case 23:
    case 32:
    case 33:
        return "1";
    case kOperateSet:
        return LookupOrCode(kOperateItems, event2);
    case kWatchdog:
        return LookupOrCode(kWatchdogItems, event2);
    default:
        return std::to_string(event2);
    }
}

std::string Event3Text(uint8_t event1, uint8_t event2, uint8_t event3) {
    for (const Group &g : kEvent3Groups) {
        if (!Matches(g, event1, event2))
            continue;
        switch (g.How) {
        case Rule::StartEnd:
            return event3 == 1 ? g.Items[0].Text : g.Items[1].Text;
        case Rule::AnyEvent3:
            return g.Items[0].Text;
        case Rule::Listed:
            return LookupOrCode(g.Items, event3);
        }
    }
    return {};
}

std::string EventValueText(uint8_t event1, uint8_t event2, uint8_t event3, uint16_t raw) {
    if (event1 == kOperateSet && event2 == kAclSet) {
        if (event3 >= 2 && event3 <= 21) // two octets of an address range bound
            return std::to_string(raw >> 8) + "." + std::to_string(raw & 0xFF);
        if (event3 >= 31 && event3 <= 33) { // device identifier: four nibbles, each in decimal
            std::string s;
            for (int shift = 12; shift >= 0; shift -= 4)
                s += std::to_string((raw >> shift) & 0xF);
            return s;
        }
        return std::to_string(raw);
    }
    if (event1 == kOperateSet && event2 == kBqlAlarm)
        return std::to_string(raw);
    if (raw & 0x8000)
        return "-" + std::to_string(65536 - raw);
    return std::to_string(raw);
}

} // namespace zephyra
