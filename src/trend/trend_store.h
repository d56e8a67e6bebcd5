// The session's samples in a fixed-size ring, the alarm lamp changes among them, and their reduction to
// one min/max per pixel column for drawing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "trend/trend_sample.h"

namespace zephyra {

inline constexpr int kTrendSeriesCount = 5;
// AC input, DC output, load current, battery current, rack temperature: the order of every array here.
enum TrendSeries : int { kSeriesAcV, kSeriesDcV, kSeriesLoadA, kSeriesBatteryA, kSeriesRackC };

// 32 bytes a sample: a day at the serial poll is under 5 MB.
struct StoredSample {
    int64_t TimeMs = 0;
    std::array<float, kTrendSeriesCount> Values{}; // NaN: unused by the device
    uint16_t AlarmBits = 0, RelayBits = 0;
};

// A lamp of the main window came on or went off.
struct TrendMarker {
    int64_t TimeMs = 0;
    uint8_t Lamp = 0; // index into LampBits()
    bool Active = false;
};

class TrendStore {
public:
    // A day at the serial poll (one status every 0.6 s is 144,000) with room to spare.
    static constexpr std::size_t kDefaultCapacity = 150'000;
    static constexpr std::size_t kMaxMarkers = 10'000;

    explicit TrendStore(std::size_t capacity = kDefaultCapacity);

    // The oldest sample gives way when the ring is full. Times never go backwards in the store (a clock
    // set back would break the time search), so an earlier time is taken as the newest one.
    void Push(const TrendSample &sample);
    void Clear();

    std::size_t Size() const { return size_; }
    std::size_t Capacity() const { return capacity_; }
    bool Empty() const { return size_ == 0; }
    // 0 is the oldest sample.
    const StoredSample &At(std::size_t i) const { return ring_[(head_ + i) % capacity_]; }
    const StoredSample &Newest() const { return At(size_ - 1); }
    // Index of the first sample at or after timeMs; Size() when there is none.
    std::size_t LowerBound(int64_t timeMs) const;
    // Offset from UTC of the newest sample, for showing its times as they were recorded.
    int32_t UtcOffsetSeconds() const { return utcOffset_; }

    // Oldest first; only changes still within the stored samples.
    const std::deque<TrendMarker> &Markers() const { return markers_; }
    // Changes whenever what was stored changes other than by a new sample (Clear).
    uint64_t Generation() const { return generation_; }

private:
    std::size_t capacity_;
    std::vector<StoredSample> ring_; // grows to capacity_, then wraps: memory follows the session
    std::size_t head_ = 0, size_ = 0;
    int32_t utcOffset_ = 0;
    uint16_t alarmBits_ = 0, relayBits_ = 0;
    std::deque<TrendMarker> markers_;
    uint64_t generation_ = 0;
};

// One series within one pixel column.
struct TrendColumn {
    float Min = 0, Max = 0;     // NaN when the column has no value for the series
    float First = 0, Last = 0;  // the first and last values in it, to join neighbouring columns
    bool JoinsPrevious = false; // a line runs from the previous sample's value to First
};

struct TrendBucket {
    std::array<TrendColumn, kTrendSeriesCount> Series{};
    bool Final = false; // no later sample can fall into it
};

// Columns aligned to multiples of their width in time, so while the view follows the newest sample only
// the newest column is worked out again: an update costs the same at any span.
class TrendDecimator {
public:
    // Samples further apart than this are not joined: the device was silent in between.
    static constexpr int64_t kJoinGapMs = 5000;

    // Column i covers [(firstColumn + i) * columnMs, (firstColumn + i + 1) * columnMs).
    const std::vector<TrendBucket> &Decimate(const TrendStore &store, int64_t firstColumn, int64_t columnMs,
                                             int columns);

private:
    static TrendBucket Compute(const TrendStore &store, int64_t start, int64_t end);

    std::vector<TrendBucket> columns_, previous_;
    int64_t firstColumn_ = 0, columnMs_ = 0;
    uint64_t generation_ = ~uint64_t{0};
    const TrendStore *store_ = nullptr;
};

} // namespace zephyra
