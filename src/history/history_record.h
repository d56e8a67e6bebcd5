// Alarm, data and event log records as they arrive in a 0x41 record reply, decoded to the texts of one
// grid row.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/bytes.h"
#include "polling/poll_state.h"

namespace zephyra {

inline constexpr std::size_t kAlarmRecordSize = 20; // AlarmLogRecord
inline constexpr std::size_t kDataRecordSize = 18;  // DataLogRecord
inline constexpr std::size_t kEventRecordSize = 14; // EventLogRecord

using HistoryRow = std::vector<std::string>;

// 9 columns for alarm and data logs (the data log leaves the last empty), 8 for the event log.
int HistoryColumnCount(HistoryKind kind);
// The header row the history windows show.
HistoryRow HistoryHeader(HistoryKind kind);
// Text of an alarm code; empty for codes the device does not name.
std::string AlarmText(uint8_t code);

// One grid row for record number `row`. Missing trailing bytes read as zero, so any reply decodes.
HistoryRow DecodeHistoryRecord(HistoryKind kind, int32_t row, ByteView record);

} // namespace zephyra
