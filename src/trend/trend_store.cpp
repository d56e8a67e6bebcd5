#include "trend/trend_store.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zephyra {

namespace {
constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();
} // namespace

TrendStore::TrendStore(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 1)) {}

void TrendStore::Push(const TrendSample &sample) {
    StoredSample s;
    s.TimeMs = size_ ? std::max(sample.Time.UnixMs, Newest().TimeMs) : sample.Time.UnixMs;
    s.Values = {static_cast<float>(sample.AcV), static_cast<float>(sample.DcV),
                static_cast<float>(sample.LoadA), static_cast<float>(sample.BatteryA),
                static_cast<float>(sample.RackC)};
    s.AlarmBits = sample.AlarmBits;
    s.RelayBits = sample.RelayBits;
    utcOffset_ = sample.Time.UtcOffsetSeconds;

    // Lamps already on when the session starts count as changes from dark.
    const std::span<const LampBit> lamps = LampBits();
    for (std::size_t i = 0; i < lamps.size(); ++i) {
        const bool isAlarm = lamps[i].Register == reg::kAlarmBits;
        const uint16_t before = isAlarm ? alarmBits_ : relayBits_;
        const uint16_t now = isAlarm ? s.AlarmBits : s.RelayBits;
        const bool was = (before & lamps[i].Mask) != 0, is = (now & lamps[i].Mask) != 0;
        if (was != is) {
            if (markers_.size() == kMaxMarkers)
                markers_.pop_front();
            markers_.push_back({s.TimeMs, static_cast<uint8_t>(i), is});
        }
    }
    alarmBits_ = s.AlarmBits;
    relayBits_ = s.RelayBits;

    if (ring_.size() < capacity_) {
        ring_.push_back(s);
        ++size_;
        return;
    }
    ring_[head_] = s;
    head_ = (head_ + 1) % capacity_;
    while (!markers_.empty() && markers_.front().TimeMs < At(0).TimeMs)
        markers_.pop_front();
}

void TrendStore::Clear() {
    ring_.clear();
    ring_.shrink_to_fit();
    head_ = size_ = 0;
    alarmBits_ = relayBits_ = 0;
    markers_.clear();
    ++generation_;
}

std::size_t TrendStore::LowerBound(int64_t timeMs) const {
    std::size_t lo = 0, hi = size_;
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (At(mid).TimeMs < timeMs)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

TrendBucket TrendDecimator::Compute(const TrendStore &store, int64_t start, int64_t end) {
    TrendBucket b;
    b.Final = !store.Empty() && end <= store.Newest().TimeMs;
    const std::size_t i0 = store.LowerBound(start), i1 = store.LowerBound(end);
    for (int s = 0; s < kTrendSeriesCount; ++s) {
        TrendColumn &c = b.Series[static_cast<std::size_t>(s)];
        c.Min = c.Max = c.First = c.Last = kNoValue;
        bool any = false;
        for (std::size_t i = i0; i < i1; ++i) {
            const float v = store.At(i).Values[static_cast<std::size_t>(s)];
            if (std::isnan(v))
                continue;
            if (!any) {
                c.Min = c.Max = c.First = v;
                any = true;
            }
            c.Min = std::min(c.Min, v);
            c.Max = std::max(c.Max, v);
            c.Last = v;
        }
        if (i0 > 0 && i0 < i1) {
            const StoredSample &before = store.At(i0 - 1), &first = store.At(i0);
            c.JoinsPrevious = !std::isnan(before.Values[static_cast<std::size_t>(s)]) &&
                              !std::isnan(first.Values[static_cast<std::size_t>(s)]) &&
                              first.TimeMs - before.TimeMs <= kJoinGapMs;
        }
    }
    return b;
}

const std::vector<TrendBucket> &TrendDecimator::Decimate(const TrendStore &store, int64_t firstColumn,
                                                         int64_t columnMs, int columns) {
    columnMs = std::max<int64_t>(columnMs, 1);
    columns = std::max(columns, 0);
    const bool reusable = &store == store_ && store.Generation() == generation_ && columnMs == columnMs_;
    previous_.swap(columns_);
    columns_.resize(static_cast<std::size_t>(columns));
    // A column the ring has begun to overwrite is worked out again, as is one that may still get samples.
    const int64_t oldest = store.Empty() ? 0 : store.At(0).TimeMs;
    const int64_t newest = store.Empty() ? std::numeric_limits<int64_t>::min() : store.Newest().TimeMs;
    // Columns after the newest sample hold nothing until one arrives: one empty bucket stands for them all.
    const int64_t after = store.Empty() ? 0 : newest + 1;
    const TrendBucket ahead = Compute(store, after, after);
    for (int i = 0; i < columns; ++i) {
        const int64_t k = firstColumn + i;
        const int64_t old = k - firstColumn_;
        if (k * columnMs > newest)
            columns_[static_cast<std::size_t>(i)] = ahead;
        else if (reusable && old >= 0 && old < static_cast<int64_t>(previous_.size()) &&
            previous_[static_cast<std::size_t>(old)].Final && k * columnMs >= oldest)
            columns_[static_cast<std::size_t>(i)] = previous_[static_cast<std::size_t>(old)];
        else
            columns_[static_cast<std::size_t>(i)] = Compute(store, k * columnMs, (k + 1) * columnMs);
    }
    store_ = &store;
    generation_ = store.Generation();
    firstColumn_ = firstColumn;
    columnMs_ = columnMs;
    return columns_;
}

} // namespace zephyra
