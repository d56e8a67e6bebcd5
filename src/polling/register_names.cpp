#include "polling/register_names.h"
#include "core/text_key.h"

#include <vector>

#include "core/formatters.h"
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
    {reg::kYear, ZEPHYRA_TEXT("zephyra", "년")},
    {reg::kMonth, ZEPHYRA_TEXT("zephyra", "월")},
    {reg::kDay, ZEPHYRA_TEXT("zephyra", "일")},
    {reg::kHour, ZEPHYRA_TEXT("zephyra", "시")},
    {reg::kMinute, ZEPHYRA_TEXT("zephyra", "분")},
    {reg::kSecond, ZEPHYRA_TEXT("zephyra", "초")},
    {reg::kChLimit, ZEPHYRA_TEXT("zephyra", "충전전류 제한")},
    {reg::kCommand, ZEPHYRA_TEXT("zephyra", "제어 명령")},
    {reg::kBModel, ZEPHYRA_TEXT("zephyra", "축전지 종류")},
    {reg::kBCho, ZEPHYRA_TEXT("zephyra", "축전지 수량")},
    {reg::kACHigh, ZEPHYRA_TEXT("zephyra", "AC 고전압")},
    {reg::kACLow, ZEPHYRA_TEXT("zephyra", "AC 저전압")},
    {reg::kDCHigh, ZEPHYRA_TEXT("zephyra", "DC 고전압")},
    {reg::kDCLow, ZEPHYRA_TEXT("zephyra", "DC 저전압")},
    {reg::kAlarmTestOn, ZEPHYRA_TEXT("zephyra", "경보시험")},
    {reg::kAlarmTestBits, ZEPHYRA_TEXT("zephyra", "경보시험 항목")},
    {reg::kCalibrationFirst, ZEPHYRA_TEXT("zephyra", "AC 전압")},
    {reg::kCalibrationFirst + 1, ZEPHYRA_TEXT("zephyra", "DC 전압")},
    {reg::kCalibrationFirst + 2, ZEPHYRA_TEXT("zephyra", "부하 전류")},
    {reg::kCalibrationLast, ZEPHYRA_TEXT("zephyra", "축전지 전류")},
    {reg::kEthSpeed, "Ethernet Speed"},
    {reg::kDeviceId1, ZEPHYRA_TEXT("zephyra", "장비 ID")},
    {reg::kDeviceId2, ZEPHYRA_TEXT("zephyra", "장비 ID")},
    {reg::kDeviceId3, ZEPHYRA_TEXT("zephyra", "장비 ID")},
    {reg::kACLEn, "ACL"},
};

constexpr int kAclRanges = 5;

void AppendGroup(std::string &out, const std::string &heading, std::span<const PendingWrite> writes,
                 const TextTranslator &tr) {
    if (writes.empty())
        return;
    out += "\n";
    out += heading;
    std::string last;
    bool first = true;
    for (const PendingWrite &w : writes) {
        std::string name = WriteName(w, tr);
        // Several words of one field (device ID, an address) read as that field once.
        if (!first && name == last)
            continue;
        out += first ? " " : ", ";
        out += tr.Text(name.c_str());
        last = std::move(name);
        first = false;
    }
}

} // namespace

std::string RegisterName(int32_t address, const TextTranslator &tr) {
    for (const NamedRegister &n : kNames)
        if (n.Address == address)
            return n.Name;
    const int32_t offset = address - reg::kAclAdded;
    // Built in the language tr gives: no table holds them to translate later.
    if (offset >= 0 && offset < 4 * kAclRanges)
        return tr.Format(offset % 4 < 2 ? ZEPHYRA_TEXT("zephyra", "#%1 시작 주소")
                                        : ZEPHYRA_TEXT("zephyra", "#%1 끝 주소"),
                         {std::to_string(offset / 4 + 1)});
    return tr.Format(ZEPHYRA_TEXT("zephyra", "레지스터 %1"), {HexWord(address)});
}

std::string WriteName(const PendingWrite &write, const TextTranslator &tr) {
    if (write.Address == reg::kCommand) {
        switch (write.Value) {
        case 1:
            return ZEPHYRA_TEXT("zephyra", "제어보드 리셋");
        case 4:
            return ZEPHYRA_TEXT("zephyra", "구성정보 초기화");
        case 8:
            return ZEPHYRA_TEXT("zephyra", "환경정보 초기화");
        default:
            break;
        }
    }
    return RegisterName(write.Address, tr);
}

std::string ExceptionText(int code, const TextTranslator &tr) {
    switch (code) {
    case 1:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "잘못된 기능 코드"));
    case 2:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "잘못된 데이터 주소"));
    case 3:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "잘못된 데이터 값"));
    case 4:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "장비 내부 오류"));
    case 5:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "접수됨, 처리 중"));
    case 6:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "장비 사용 중"));
    default:
        return tr.Format(ZEPHYRA_TEXT("zephyra", "예외 %1"), {HexDigits(code & 0xFF, 2)});
    }
}

std::string RefusedSequenceText(std::span<const PendingWrite> written, const PendingWrite &refused, int code,
                                std::span<const PendingWrite> notSent, const TextTranslator &tr) {
    // A setting of several registers (device ID, an address) is one setting here: named once, as
    // refused, and, when some of its words went in first, as the mixed value the device now holds.
    const std::string name = WriteName(refused, tr);
    auto others = [&](std::span<const PendingWrite> writes) {
        std::vector<PendingWrite> out;
        for (const PendingWrite &w : writes)
            if (WriteName(w, tr) != name)
                out.push_back(w);
        return out;
    };
    const std::vector<PendingWrite> writtenOthers = others(written);
    std::string out = kSettingFail;
    AppendGroup(out, tr.Text(ZEPHYRA_TEXT("zephyra", "기록됨:")), writtenOthers, tr);
    const std::string shown = tr.Text(name.c_str());
    out += "\n" + tr.Format(ZEPHYRA_TEXT("zephyra", "거부됨: %1 (%2)"), {shown, ExceptionText(code, tr)});
    if (writtenOthers.size() != written.size()) {
        const bool deviceId = refused.Address >= reg::kDeviceId1 && refused.Address <= reg::kDeviceId3;
        const char *mixed =
            deviceId
                ? ZEPHYRA_TEXT("zephyra", "%1: 일부만 기록됨 — 장비의 ID가 옛 값과 새 값이 섞인 상태입니다")
                : ZEPHYRA_TEXT("zephyra", "%1: 일부만 기록됨 — 장비의 값이 옛 값과 새 값이 섞인 상태입니다");
        out += "\n" + tr.Format(mixed, {shown});
    }
    AppendGroup(out, tr.Text(ZEPHYRA_TEXT("zephyra", "보내지 않음:")), others(notSent), tr);
    return out;
}

std::string WriteSequenceEndText(const WriteSequenceReport &report, const TextTranslator &tr) {
    const std::vector<PendingWrite> confirmed = report.With(WriteOutcome::Confirmed);
    const std::vector<PendingWrite> notSent = report.With(WriteOutcome::NotSent);
    const WriteResult *ended = report.Ended();
    const std::string written = tr.Text(ZEPHYRA_TEXT("zephyra", "기록됨:"));
    const std::string unsent = tr.Text(ZEPHYRA_TEXT("zephyra", "보내지 않음:"));
    std::string out;
    switch (report.End) {
    case SequenceEnd::Refused:
        if (ended)
            return RefusedSequenceText(confirmed, ended->Write, ended->Code < 0 ? 0 : ended->Code, notSent,
                                       tr);
        return kSettingFail;
    case SequenceEnd::Failed:
        out = kSettingFail;
        AppendGroup(out, written, confirmed, tr);
        if (ended) {
            const std::string shown = tr.Text(WriteName(ended->Write, tr).c_str());
            out += "\n" +
                   tr.Format(ZEPHYRA_TEXT("zephyra", "응답 불일치: %1 (보낸 값 %2, 응답 레지스터 %3 값 %4)"),
                             {shown, std::to_string(ended->Write.Value), HexWord(ended->Echo.Address),
                              std::to_string(ended->Echo.Value)});
        }
        AppendGroup(out, unsent, notSent, tr);
        return out;
    case SequenceEnd::Deadline:
    case SequenceEnd::Cancelled:
        out = report.End == SequenceEnd::Deadline
                  ? tr.Format(ZEPHYRA_TEXT("zephyra", "설정 응답 시간 초과: 장비가 %1초 안에 응답하지 않았습니다"),
                              {std::to_string(WriteSequence::kEchoDeadlineMs / 1000)})
                  : tr.Format(ZEPHYRA_TEXT("zephyra", "설정 중단: %1"), {report.Cause});
        AppendGroup(out, written, confirmed, tr);
        AppendGroup(
            out, tr.Text(ZEPHYRA_TEXT("zephyra", "보냈으나 확인되지 않음 (장비에 들어갔는지 알 수 없음):")),
            report.With(WriteOutcome::Unconfirmed), tr);
        AppendGroup(out, unsent, notSent, tr);
        return out;
    case SequenceEnd::Confirmed:
    case SequenceEnd::Running:
        break;
    }
    return kSettingSuccess;
}

} // namespace zephyra
