#include "polling/register_names.h"

#include <vector>

#include "polling/formatters.h"
#include "polling/poll_controller.h"
#include "polling/status_decoder.h"

namespace zephyra {

namespace {

struct NamedRegister {
    int32_t Address;
    const char *Name;
};

// Captions as the windows show them, without their ranges and trailing blanks.
constexpr NamedRegister kNames[] = {
    {reg::kYear, "년"},
    {reg::kMonth, "월"},
    {reg::kDay, "일"},
    {reg::kHour, "시"},
    {reg::kMinute, "분"},
    {reg::kSecond, "초"},
    {reg::kChLimit, "충전전류 제한"},
    {reg::kCommand, "제어 명령"},
    {reg::kBModel, "축전지 종류"},
    {reg::kBCho, "축전지 수량"},
    {reg::kACHigh, "AC 고전압"},
    {reg::kACLow, "AC 저전압"},
    {reg::kDCHigh, "DC 고전압"},
    {reg::kDCLow, "DC 저전압"},
    {reg::kAlarmTestOn, "경보시험"},
    {reg::kAlarmTestBits, "경보시험 항목"},
    {reg::kCalibrationFirst, "AC 전압"},
    {reg::kCalibrationFirst + 1, "DC 전압"},
    {reg::kCalibrationFirst + 2, "부하 전류"},
    {reg::kCalibrationLast, "축전지 전류"},
    {reg::kEthSpeed, "Ethernet Speed"},
    {reg::kDeviceId1, "장비 ID"},
    {reg::kDeviceId2, "장비 ID"},
    {reg::kDeviceId3, "장비 ID"},
    {reg::kACLEn, "ACL"},
};

constexpr int kAclRanges = 5;

void AppendGroup(std::string &out, const char *heading, std::span<const PendingWrite> writes) {
    if (writes.empty())
        return;
    out += "\n";
    out += heading;
    std::string last;
    bool first = true;
    for (const PendingWrite &w : writes) {
        std::string name = WriteName(w);
        // Several words of one field (device ID, an address) read as that field once.
        if (!first && name == last)
            continue;
        out += first ? " " : ", ";
        out += name;
        last = std::move(name);
        first = false;
    }
}

} // namespace

std::string RegisterName(int32_t address) {
    for (const NamedRegister &n : kNames)
        if (n.Address == address)
            return n.Name;
    const int32_t offset = address - reg::kAclAdded;
    if (offset >= 0 && offset < 4 * kAclRanges)
        return "#" + std::to_string(offset / 4 + 1) + (offset % 4 < 2 ? " start" : " end");
    return "register 0x" + HexDigits(address & 0xFFFF, 4);
}

std::string WriteName(const PendingWrite &write) {
    if (write.Address == reg::kCommand) {
        switch (write.Value) {
        case 1:
            return "제어보드 리셋";
        case 4:
            return "구성정보 초기화";
        case 8:
            return "환경정보 초기화";
        default:
            break;
        }
    }
    return RegisterName(write.Address);
}

std::string ExceptionText(int code) {
    switch (code) {
    case 1:
        return "illegal function";
    case 2:
        return "illegal data address";
    case 3:
        return "illegal data value";
    case 4:
        return "server device failure";
    case 5:
        return "acknowledge";
    case 6:
        return "server device busy";
    default:
        return "exception " + HexDigits(code & 0xFF, 2);
    }
}

std::string RefusedSequenceText(std::span<const PendingWrite> written, const PendingWrite &refused, int code,
                                std::span<const PendingWrite> notSent) {
    // A setting of several registers (device ID, an address) is one setting here: named once, as
    // refused, and, when some of its words went in first, as the mixed value the device now holds.
    const std::string name = WriteName(refused);
    auto others = [&](std::span<const PendingWrite> writes) {
        std::vector<PendingWrite> out;
        for (const PendingWrite &w : writes)
            if (WriteName(w) != name)
                out.push_back(w);
        return out;
    };
    const std::vector<PendingWrite> writtenOthers = others(written);
    std::string out = kSettingFail;
    AppendGroup(out, "Written:", writtenOthers);
    out += "\nRefused: " + name + " (" + ExceptionText(code) + ")";
    if (writtenOthers.size() != written.size()) {
        const bool deviceId = refused.Address >= reg::kDeviceId1 && refused.Address <= reg::kDeviceId3;
        out += "\n" + name + ": partly written — the device now holds a mixed " + (deviceId ? "id" : "value");
    }
    AppendGroup(out, "Not sent:", others(notSent));
    return out;
}

} // namespace zephyra
