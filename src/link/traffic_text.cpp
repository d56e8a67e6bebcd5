// What the traffic window and its saved file say about each frame.
#include <cstdio>

#include "link/link_monitor.h"
#include "link/link_types.h"

namespace zephyra {

namespace {

std::string Hex2(uint8_t b) {
    return BytesToHex(ByteView(&b, 1));
}

std::string Hex4(int32_t v) {
    const uint8_t two[] = {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
    return BytesToHex(two);
}

ByteView UnitOf(const TrafficLine &line) {
    return FrameUnit(line.Link, line.Frame);
}

std::string LogName(uint8_t kind) {
    switch (kind) {
    case 1:
        return "alarm log";
    case 2:
        return "data log";
    case 3:
        return "event log";
    default:
        return "log " + std::to_string(kind);
    }
}

std::string Outcome(uint8_t result) {
    return result == 1 ? "done" : result == 2 ? "refused" : "result " + std::to_string(result);
}

// A length or byte count that disagrees with the bytes present is worth seeing next to the meaning.
std::string LengthNote(int32_t says, std::size_t has) {
    if (says == static_cast<int32_t>(has))
        return {};
    return " (length says " + std::to_string(says) + ", has " + std::to_string(has) + ")";
}

std::string ReadText(ByteView unit, bool request) {
    if (request) {
        if (unit.size() < 6)
            return "short frame";
        int32_t start = ParseBE16(unit.subspan(2));
        int32_t count = ParseBE16(unit.subspan(4));
        if (start == 0x0001 && count == 0x007F)
            return "status read 127 regs";
        return "read " + std::to_string(count) + " regs from 0x" + Hex4(start);
    }
    if (unit.size() < 3)
        return "short frame";
    const int32_t bytes = unit[2];
    return (bytes == 254 ? "status reply " : "read reply ") + std::to_string(bytes) + " bytes" +
           LengthNote(bytes, unit.size() - 3);
}

std::string WriteText(ByteView unit, bool request) {
    if (unit.size() < 6)
        return "short frame";
    const std::string where = "0x" + Hex4(ParseBE16(unit.subspan(2)));
    const std::string value = std::to_string(ParseBE16(unit.subspan(4)));
    return request ? "write " + where + " := " + value : "echo " + where + " = " + value;
}

std::string HistoryText(ByteView unit, bool request) {
    if (unit.size() < 6)
        return "short frame";
    const std::string log = LogName(unit[4]);
    const uint8_t command = unit[5];
    ByteView rest = unit.subspan(6);
    std::string text;
    switch (command) {
    case 1:
        if (request)
            text = "history count of " + log;
        else if (rest.size() >= 2)
            text = "history count " + std::to_string(ParseBE16(rest)) + " in " + log;
        else
            return "short frame";
        break;
    case 2:
        if (!request)
            text = "history record of " + log;
        else if (rest.size() >= 2)
            text = "history record request " + std::to_string(ParseBE16(rest)) + " of " + log;
        else
            return "short frame";
        break;
    case 3:
        if (request)
            text = "initialise " + log;
        else if (!rest.empty())
            text = "initialise " + log + ": " + Outcome(rest[0]);
        else
            return "short frame";
        break;
    default:
        text = "history command " + std::to_string(command) + " of " + log;
    }
    return text + LengthNote(ParseBE16(unit.subspan(2)), unit.size() - 4);
}

std::string NetworkText(ByteView unit, bool request) {
    if (unit.size() < 5)
        return "short frame";
    const uint8_t sub = unit[4];
    std::string text;
    if (sub == 1)
        text = request ? "network identity read" : "network identity";
    else if (sub == 2 && request)
        text = "network identity write";
    else if (sub == 2 && unit.size() >= 6)
        text = "network identity write: " + Outcome(unit[5]);
    else if (sub == 2)
        return "short frame";
    else
        text = "network identity sub " + std::to_string(sub);
    return text + LengthNote(ParseBE16(unit.subspan(2)), unit.size() - 4);
}

} // namespace

std::string DropReasonText(DropReason reason) {
    switch (reason) {
    case DropReason::None:
        return "none";
    case DropReason::BadCrc:
        return "bad CRC";
    case DropReason::UnknownUnitOrFunction:
        return "unknown unit or function";
    case DropReason::StaleTransaction:
        return "transaction id not outstanding";
    case DropReason::LengthMismatch:
        return "length mismatch";
    case DropReason::HalfFrameAfterSilence:
        return "half frame after silence";
    case DropReason::Noise:
        return "noise";
    case DropReason::NotAwaited:
        return "reply not awaited";
    case DropReason::ShortBlock:
        return "short block";
    case DropReason::RequestMismatch:
        return "does not answer the request";
    }
    return "reason " + std::to_string(static_cast<int>(reason));
}

std::string DescribeFrame(const TrafficLine &line) {
    if (line.Dir == Direction::Dropped)
        return "dropped: " + DropReasonText(line.Reason);
    ByteView unit = UnitOf(line);
    if (unit.size() < 2)
        return "short frame";
    const bool request = line.Dir == Direction::Tx;
    const uint8_t function = unit[1];
    if (function & kExceptionBit) {
        if (unit.size() < 3)
            return "short frame";
        return "exception " + Hex2(unit[2]) + " on 0x" +
               Hex2(static_cast<uint8_t>(function & ~kExceptionBit));
    }
    switch (function) {
    case kFnReadInput:
        return ReadText(unit, request);
    case kFnWriteSingle:
        return WriteText(unit, request);
    case kFnHistory:
        return HistoryText(unit, request);
    case kFnNetwork:
        return NetworkText(unit, request);
    default:
        return "function 0x" + Hex2(function);
    }
}

namespace {
constexpr std::size_t kMeaningWidth = 40;
} // namespace

std::string FormatTrafficLine(const TrafficLine &line) {
    // Seconds with milliseconds, right-aligned so the link and direction columns line up for days.
    const int64_t ms = line.Ms < 0 ? -line.Ms : line.Ms;
    char time[32];
    std::snprintf(time, sizeof time, "%s%lld.%03d", line.Ms < 0 ? "-" : "", static_cast<long long>(ms / 1000),
                  static_cast<int>(ms % 1000));
    char head[48];
    const char *dir = line.Dir == Direction::Tx ? "TX" : line.Dir == Direction::Rx ? "RX" : "DROP";
    std::snprintf(head, sizeof head, "%10s %s %-4s ", time, line.Link == LinkKind::Tcp ? "TCP" : "RTU", dir);
    // The meaning before the bytes: a status reply's hex runs to some 780 characters.
    std::string meaning = DescribeFrame(line);
    if (meaning.size() < kMeaningWidth)
        meaning.resize(kMeaningWidth, ' ');
    return head + meaning + " | " + BytesToSpacedHex(line.Frame);
}

} // namespace zephyra
