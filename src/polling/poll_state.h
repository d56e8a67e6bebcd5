// The poll state. The application holds the storage; only PollController writes it, everyone else
// reads it through PollController::State().
#pragma once

#include <array>
#include <cstdint>

#include "core/link_kind.h"
#include "link/bytes.h"

namespace zephyra {

namespace mode {
inline constexpr uint8_t kPoll = 0;
inline constexpr uint8_t kNetworkReadBack = 1;
inline constexpr uint8_t kHistoryCount = 14;
inline constexpr uint8_t kHistoryRecord = 15;
inline constexpr uint8_t kHistoryNextRecord = 16;
inline constexpr uint8_t kPaused = 20;
inline constexpr uint8_t kHistoryInitialise = 23;
} // namespace mode

enum class HistoryKind : uint8_t { None = 0, Alarm = 1, Data = 2, Event = 3 };

struct HistoryDownload {
    HistoryKind Kind = HistoryKind::None;
    int32_t Total = 0;
    int32_t Current = 1;
    bool Collecting = false;
    bool Active = false;
    int32_t CountPhase = 0;
};

struct PendingWrite {
    int32_t Address = 0;
    int32_t Value = 0;
};

// The device model: window captions, workbook titles and file names, log file names.
inline constexpr const char *kModelName = "ZEPHYRA-M10";

inline constexpr int kPendingWriteSlots = 400;
inline constexpr int kDefaultPollIntervalMs = 300;

struct PollState {
    uint8_t RequestMode = mode::kPoll;
    bool PollDue = true;
    uint8_t PollCountdown = 3;
    LinkKind Link = LinkKind::Serial;
    // A link was confirmed in the connection window and not closed since: only then may the poll run.
    bool Connected = false;
    int32_t AlarmTestActive = 0;
    Bytes LastRawRequest;
    HistoryDownload History;
};

} // namespace zephyra
