// What the traffic window and its saved file say about each frame.
#include <cstdio>

#include "core/formatters.h"
#include "core/text_key.h"
#include "core/utf8_text.h"
#include "link/link_monitor.h"
#include "link/link_types.h"

namespace zephyra {

namespace {

std::string Hex2(uint8_t b) {
    return BytesToHex(ByteView(&b, 1));
}

ByteView UnitOf(const TrafficLine &line) {
    return FrameUnit(line.Link, line.Frame);
}

std::string LogName(uint8_t kind, const TextTranslator &tr) {
    switch (kind) {
    case 1:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "알람이력"));
    case 2:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "데이터이력"));
    case 3:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "이벤트이력"));
    default:
        return tr.Format(ZEPHYRA_TEXT("zephyra", "이력 %1"), {std::to_string(kind)});
    }
}

std::string Outcome(uint8_t result, const TextTranslator &tr) {
    if (result == 1)
        return tr.Text(ZEPHYRA_TEXT("zephyra", "완료"));
    if (result == 2)
        return tr.Text(ZEPHYRA_TEXT("zephyra", "거부"));
    return tr.Format(ZEPHYRA_TEXT("zephyra", "결과 %1"), {std::to_string(result)});
}

std::string ShortFrame(const TextTranslator &tr) {
    return tr.Text(ZEPHYRA_TEXT("zephyra", "짧은 프레임"));
}

// A length or byte count that disagrees with the bytes present is worth seeing next to the meaning.
std::string LengthNote(int32_t says, std::size_t has, const TextTranslator &tr) {
    if (says == static_cast<int32_t>(has))
        return {};
    return tr.Format(ZEPHYRA_TEXT("zephyra", " (길이 표시 %1, 실제 %2)"),
                     {std::to_string(says), std::to_string(has)});
}

std::string ReadText(ByteView unit, bool request, const TextTranslator &tr) {
    if (request) {
        if (unit.size() < 6)
            return ShortFrame(tr);
        int32_t start = ParseBE16(unit.subspan(2));
        int32_t count = ParseBE16(unit.subspan(4));
        if (start == 0x0001 && count == 0x007F)
            return tr.Text(ZEPHYRA_TEXT("zephyra", "상태 읽기 127개 레지스터"));
        return tr.Format(ZEPHYRA_TEXT("zephyra", "%2부터 %1개 레지스터 읽기"),
                         {std::to_string(count), HexWord(start)});
    }
    if (unit.size() < 3)
        return ShortFrame(tr);
    const int32_t bytes = unit[2];
    return tr.Format(bytes == 254 ? ZEPHYRA_TEXT("zephyra", "상태 응답 %1바이트")
                                  : ZEPHYRA_TEXT("zephyra", "읽기 응답 %1바이트"),
                     {std::to_string(bytes)}) +
           LengthNote(bytes, unit.size() - 3, tr);
}

std::string WriteText(ByteView unit, bool request, const TextTranslator &tr) {
    if (unit.size() < 6)
        return ShortFrame(tr);
    const std::string where = HexWord(ParseBE16(unit.subspan(2)));
    const std::string value = std::to_string(ParseBE16(unit.subspan(4)));
    return tr.Format(request ? ZEPHYRA_TEXT("zephyra", "쓰기 %1 := %2")
                             : ZEPHYRA_TEXT("zephyra", "에코 %1 = %2"),
                     {where, value});
}

std::string HistoryText(ByteView unit, bool request, const TextTranslator &tr) {
    if (unit.size() < 6)
        return ShortFrame(tr);
    const std::string log = LogName(unit[4], tr);
    const uint8_t command = unit[5];
    ByteView rest = unit.subspan(6);
    std::string text;
    switch (command) {
    case 1:
        if (request)
            text = tr.Format(ZEPHYRA_TEXT("zephyra", "%1 개수 요청"), {log});
        else if (rest.size() >= 2)
            text = tr.Format(ZEPHYRA_TEXT("zephyra", "%2 개수 %1"), {std::to_string(ParseBE16(rest)), log});
        else
            return ShortFrame(tr);
        break;
    case 2:
        if (!request)
            text = tr.Format(ZEPHYRA_TEXT("zephyra", "%1 기록"), {log});
        else if (rest.size() >= 2)
            text =
                tr.Format(ZEPHYRA_TEXT("zephyra", "%2 기록 %1 요청"), {std::to_string(ParseBE16(rest)), log});
        else
            return ShortFrame(tr);
        break;
    case 3:
        if (request)
            text = tr.Format(ZEPHYRA_TEXT("zephyra", "%1 초기화"), {log});
        else if (!rest.empty())
            text = tr.Format(ZEPHYRA_TEXT("zephyra", "%1 초기화: %2"), {log, Outcome(rest[0], tr)});
        else
            return ShortFrame(tr);
        break;
    default:
        text = tr.Format(ZEPHYRA_TEXT("zephyra", "%2 명령 %1"), {std::to_string(command), log});
    }
    return text + LengthNote(ParseBE16(unit.subspan(2)), unit.size() - 4, tr);
}

std::string NetworkText(ByteView unit, bool request, const TextTranslator &tr) {
    if (unit.size() < 5)
        return ShortFrame(tr);
    const uint8_t sub = unit[4];
    std::string text;
    if (sub == 1)
        text = request ? tr.Text(ZEPHYRA_TEXT("zephyra", "네트워크 정보 읽기"))
                       : tr.Text(ZEPHYRA_TEXT("zephyra", "네트워크 정보"));
    else if (sub == 2 && request)
        text = tr.Text(ZEPHYRA_TEXT("zephyra", "네트워크 정보 쓰기"));
    else if (sub == 2 && unit.size() >= 6)
        text = tr.Format(ZEPHYRA_TEXT("zephyra", "네트워크 정보 쓰기: %1"), {Outcome(unit[5], tr)});
    else if (sub == 2)
        return ShortFrame(tr);
    else
        text = tr.Format(ZEPHYRA_TEXT("zephyra", "네트워크 정보 부명령 %1"), {std::to_string(sub)});
    return text + LengthNote(ParseBE16(unit.subspan(2)), unit.size() - 4, tr);
}

} // namespace

std::string DropReasonText(DropReason reason, const TextTranslator &tr) {
    switch (reason) {
    case DropReason::None:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "없음"));
    case DropReason::BadCrc:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "CRC 불일치"));
    case DropReason::UnknownUnitOrFunction:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "알 수 없는 국번 또는 기능"));
    case DropReason::StaleTransaction:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "대기 중이 아닌 트랜잭션 ID"));
    case DropReason::LengthMismatch:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "길이 불일치"));
    case DropReason::HalfFrameAfterSilence:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "무응답 후 반쪽 프레임"));
    case DropReason::Noise:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "잡음"));
    case DropReason::NotAwaited:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "기다리지 않던 응답"));
    case DropReason::ShortBlock:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "짧은 데이터 블록"));
    case DropReason::RequestMismatch:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "요청과 맞지 않는 응답"));
    case DropReason::EchoMismatch:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "쓴 레지스터나 값과 다른 응답"));
    case DropReason::LateEcho:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "끝난 쓰기 순서의 늦은 응답"));
    case DropReason::LateReply:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "이미 끝난 요청의 응답"));
    case DropReason::AlreadyStored:
        return tr.Text(ZEPHYRA_TEXT("zephyra", "이미 저장된 기록의 응답"));
    }
    return tr.Format(ZEPHYRA_TEXT("zephyra", "사유 %1"), {std::to_string(static_cast<int>(reason))});
}

std::string DroppedText(DropReason reason, const TextTranslator &tr) {
    return tr.Format(ZEPHYRA_TEXT("zephyra", "버림: %1"), {DropReasonText(reason, tr)});
}

std::string ExceptionReplyText(uint8_t code, uint8_t function, const TextTranslator &tr) {
    return tr.Format(ZEPHYRA_TEXT("zephyra", "예외 응답 %1 (기능 0x%2)"), {Hex2(code), Hex2(function)});
}

std::string DescribeFrame(const TrafficLine &line, const TextTranslator &tr) {
    if (line.Dir == Direction::Dropped)
        return DroppedText(line.Reason, tr);
    ByteView unit = UnitOf(line);
    if (unit.size() < 2)
        return ShortFrame(tr);
    const bool request = line.Dir == Direction::Tx;
    const uint8_t function = unit[1];
    if (function & kExceptionBit) {
        if (unit.size() < 3)
            return ShortFrame(tr);
        return ExceptionReplyText(unit[2], static_cast<uint8_t>(function & ~kExceptionBit), tr);
    }
    switch (function) {
    case kFnReadInput:
        return ReadText(unit, request, tr);
    case kFnWriteSingle:
        return WriteText(unit, request, tr);
    case kFnHistory:
        return HistoryText(unit, request, tr);
    case kFnNetwork:
        return NetworkText(unit, request, tr);
    default:
        return tr.Format(ZEPHYRA_TEXT("zephyra", "기능 0x%1"), {Hex2(function)});
    }
}

namespace {
constexpr int kMeaningWidth = 40;
} // namespace

std::string FormatTrafficLine(const TrafficLine &line, const TextTranslator &tr) {
    // Seconds with milliseconds, right-aligned so the link and direction columns line up for days.
    const int64_t ms = line.Ms < 0 ? -line.Ms : line.Ms;
    char time[32];
    std::snprintf(time, sizeof time, "%s%lld.%03d", line.Ms < 0 ? "-" : "", static_cast<long long>(ms / 1000),
                  static_cast<int>(ms % 1000));
    char head[48];
    const char *dir = line.Dir == Direction::Tx ? "TX" : line.Dir == Direction::Rx ? "RX" : "DROP";
    std::snprintf(head, sizeof head, "%10s %s %-4s ", time, line.Link == LinkKind::Tcp ? "TCP" : "RTU", dir);
    // The meaning before the bytes: a status reply's hex runs to some 780 characters.
    // Padded in character cells, not bytes: a Korean meaning takes two cells a letter.
    std::string meaning = DescribeFrame(line, tr);
    const int width = TextDisplayWidth(meaning);
    if (width < kMeaningWidth)
        meaning.append(static_cast<std::size_t>(kMeaningWidth - width), ' ');
    return head + meaning + " | " + BytesToSpacedHex(line.Frame);
}

} // namespace zephyra
