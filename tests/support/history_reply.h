// The device's history replies, as a test feeds them to the console.
#pragma once

#include "history/history_record.h"
#include "link/bytes.h"

namespace zephyra::test {

// A 0x41 reply as the serial receiver hands it on: length, kind, command, body, CRC.
inline Bytes HistoryReply(HistoryKind kind, uint8_t command, const Bytes &body) {
    Bytes p;
    AppendBE16(p, static_cast<int32_t>(2 + body.size()));
    p.push_back(static_cast<uint8_t>(kind));
    p.push_back(command);
    p.insert(p.end(), body.begin(), body.end());
    p.push_back(0);
    p.push_back(0);
    return p;
}

} // namespace zephyra::test
