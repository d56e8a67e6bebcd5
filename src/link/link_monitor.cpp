#include "link/link_monitor.h"

#include <algorithm>
#include <cstdio>

#include "core/text_key.h"

namespace zephyra {

std::string HealthSeconds(int64_t ms) {
    char text[32];
    if (ms < 10000)
        std::snprintf(text, sizeof text, "%.1f", static_cast<double>(ms) / 1000.0);
    else
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(ms / 1000));
    return text;
}

namespace {
// Korean is the source; the command line and the English console install the English translation.
std::string HealthText(const LinkHealth &h) {
    const std::string seconds = FormatCoreText(ZEPHYRA_TEXT("zephyra", "%1초"), {HealthSeconds(h.Ms)});
    const auto text = [](const char *source) { return TranslateCoreText(source); };
    switch (h.State) {
    case HealthState::Closed:
        return {};
    case HealthState::PortLost:
        return text(ZEPHYRA_TEXT("zephyra", "시리얼 포트 끊김 — 재시도 중"));
    case HealthState::TakenOver:
        return text(ZEPHYRA_TEXT(
            "zephyra", "장비가 이 연결을 끊었습니다. 다른 클라이언트가 사용 중일 수 있습니다 — 재접속 중"));
    case HealthState::NotConnected:
        return text(ZEPHYRA_TEXT("zephyra", "연결 안 됨 — 재시도 중"));
    case HealthState::Ok:
        return h.Ms > 0 ? FormatCoreText(ZEPHYRA_TEXT("zephyra", "정상 · %1"), {seconds})
                        : TranslateCoreText(ZEPHYRA_TEXT3("zephyra", "정상", "link health"));
    case HealthState::Slow:
        return FormatCoreText(ZEPHYRA_TEXT("zephyra", "응답 느림 · %1"), {seconds});
    case HealthState::Paused:
        return FormatCoreText(ZEPHYRA_TEXT("zephyra", "폴링 멈춤 · %1 전 값"), {seconds});
    case HealthState::WaitingFirstReply:
        return text(ZEPHYRA_TEXT("zephyra", "첫 응답을 기다리는 중"));
    case HealthState::NoReply:
        // Time-outs when some came; else the requests still awaited, so a slow start never reads "0 timed
        // out". English says "request" for one; Korean counts the same way for any number.
        if (h.Timeouts > 0)
            return h.Timeouts == 1
                       ? FormatCoreText(ZEPHYRA_TEXT("zephyra", "%1째 응답 없음 — 요청 1건 시간 초과"),
                                        {seconds})
                       : FormatCoreText(ZEPHYRA_TEXT("zephyra", "%1째 응답 없음 — 요청 %2건 시간 초과"),
                                        {seconds, std::to_string(h.Timeouts)});
        if (h.Awaited > 0)
            return h.Awaited == 1
                       ? FormatCoreText(ZEPHYRA_TEXT("zephyra", "%1째 응답 없음 — 요청 1건 응답 대기 중"),
                                        {seconds})
                       : FormatCoreText(ZEPHYRA_TEXT("zephyra", "%1째 응답 없음 — 요청 %2건 응답 대기 중"),
                                        {seconds, std::to_string(h.Awaited)});
        return FormatCoreText(ZEPHYRA_TEXT("zephyra", "%1째 응답 없음"), {seconds});
    }
    return {};
}
} // namespace

ByteView FrameUnit(LinkKind link, ByteView wire) {
    if (link == LinkKind::Tcp)
        return wire.size() > 6 ? wire.subspan(6) : ByteView{};
    return wire.size() > 2 ? wire.first(wire.size() - 2) : ByteView{};
}

int64_t LinkMonitor::TimeoutFor(LinkKind link) const {
    return link == LinkKind::Tcp ? kTcpReplyTimeoutMs : kSerialReplyTimeoutMs;
}

void LinkMonitor::Add(LinkKind link, Direction dir, DropReason reason, ByteView wire) {
    ++linesAdded_;
    if (lineCapacity_ == 0 && !lineObserver_)
        return;
    TrafficLine line{clock_.NowMs(), link, dir, reason, Bytes(wire.begin(), wire.end())};
    if (lineObserver_)
        lineObserver_(line);
    if (lineCapacity_ == 0)
        return;
    while (lines_.size() >= lineCapacity_)
        lines_.pop_front();
    lines_.push_back(std::move(line));
}

void LinkMonitor::NoteError(std::string text) {
    counters_.LastError = std::move(text);
    counters_.LastErrorMs = clock_.NowMs();
}

void LinkMonitor::RequestSent(LinkKind link, ByteView wire, uint16_t tid) {
    ++counters_.Requests;
    Add(link, Direction::Tx, DropReason::None, wire);
    if (outstanding_.size() >= kMaxOutstanding) {
        outstanding_.pop_front();
        ++counters_.Superseded;
    }
    outstanding_.push_back({tid, clock_.NowMs(), link});
}

void LinkMonitor::FrameReceived(LinkKind link, ByteView wire, uint16_t tid) {
    ++counters_.Replies;
    Add(link, Direction::Rx, DropReason::None, wire);
    // A serial reply answers the latest request (the device answers within milliseconds, long before
    // the next one); a TCP reply the request with its transaction id.
    auto it = outstanding_.empty() ? outstanding_.end() : std::prev(outstanding_.end());
    if (link == LinkKind::Tcp) {
        it = std::find_if(outstanding_.begin(), outstanding_.end(),
                          [tid](const Outstanding &o) { return o.Tid == tid; });
        // The device answers in order: requests sent before this one and still awaited were lost.
        if (it != outstanding_.end()) {
            counters_.Superseded += static_cast<uint64_t>(it - outstanding_.begin());
            it = outstanding_.erase(outstanding_.begin(), it);
        }
    }
    if (it != outstanding_.end()) {
        lastReplyTimeMs_ = clock_.NowMs() - it->SentMs;
        outstanding_.erase(it);
    }
    ByteView unit = FrameUnit(link, wire);
    if (unit.size() >= 3 && (unit[1] & kExceptionBit)) {
        ++counters_.Exceptions[unit[2]];
        NoteError(ExceptionReplyText(unit[2], static_cast<uint8_t>(unit[1] & 0x7F)));
    }
}

void LinkMonitor::FrameDropped(LinkKind link, ByteView wire, DropReason reason) {
    if (reason == DropReason::None)
        return;
    ++counters_.Dropped[static_cast<std::size_t>(reason)];
    if (reason == DropReason::BadCrc)
        ++counters_.CrcErrors;
    Add(link, Direction::Dropped, reason, wire);
    NoteError(DroppedText(reason));
}

void LinkMonitor::ReplyDropped(LinkKind link, ByteView unit, DropReason reason) {
    if (reason == DropReason::None)
        return;
    ++counters_.Dropped[static_cast<std::size_t>(reason)];
    // The line shows the unit as it would go on the wire, so the traffic window can describe it.
    Bytes wire;
    if (link == LinkKind::Tcp)
        wire.assign(6, 0);
    wire.insert(wire.end(), unit.begin(), unit.end());
    if (link != LinkKind::Tcp)
        wire.insert(wire.end(), 2, 0);
    Add(link, Direction::Dropped, reason, wire);
    NoteError(DroppedText(reason));
}

bool LinkMonitor::Saturated(LinkKind link) const {
    if (link != LinkKind::Tcp)
        return false;
    return std::count_if(outstanding_.begin(), outstanding_.end(), [](const Outstanding &o) {
               return o.Link == LinkKind::Tcp;
           }) >= static_cast<std::ptrdiff_t>(kMaxOutstanding);
}

void LinkMonitor::StatusBlockDecoded() {
    const int64_t now = clock_.NowMs();
    if (lastGoodMs_ >= 0 && now != lastGoodMs_)
        lastGoodGapMs_ = now - lastGoodMs_;
    lastGoodMs_ = now;
    timeoutsSinceGood_ = 0;
    portLost_ = false;
    connectFailed_ = false;
    takenOver_ = false;
}

void LinkMonitor::LinkOpened(LinkKind) {
    open_ = true;
    portLost_ = false;
    connectFailed_ = false;
    takenOver_ = false;
    openedMs_ = clock_.NowMs();
    lastGoodMs_ = -1;
    lastGoodGapMs_ = -1;
    lastReplyTimeMs_ = -1;
    timeoutsSinceGood_ = 0;
    outstanding_.clear();
}

void LinkMonitor::LinkClosed() {
    open_ = false;
    outstanding_.clear();
}

void LinkMonitor::PortLost(const std::string &cause) {
    if (!open_)
        return;
    if (!portLost_)
        ++counters_.PortLosses;
    portLost_ = true;
    outstanding_.clear();
    NoteError(cause.empty() ? TranslateCoreText(ZEPHYRA_TEXT("zephyra", "시리얼 포트 끊김"))
                            : FormatCoreText(ZEPHYRA_TEXT("zephyra", "시리얼 포트 끊김: %1"), {cause}));
}

void LinkMonitor::ConnectFailed(const std::string &cause) {
    if (!open_)
        return;
    connectFailed_ = true;
    outstanding_.clear(); // nothing sent on a closed connection is answered
    if (takenOver_)
        return; // the takeover says more than the close that follows it
    NoteError(cause.empty() ? TranslateCoreText(ZEPHYRA_TEXT("zephyra", "연결 실패"))
                            : FormatCoreText(ZEPHYRA_TEXT("zephyra", "연결 실패: %1"), {cause}));
}

void LinkMonitor::PeerClosed() {
    // Only a connection that worked: a device refusing a fresh one is an ordinary connect failure.
    if (!open_ || lastGoodMs_ < 0 || connectFailed_)
        return;
    ++counters_.Takeovers;
    takenOver_ = true;
    NoteError(TranslateCoreText(kTakeoverText));
}

void LinkMonitor::Reconnected() {
    if (!open_)
        return; // the connection window's own connect is not a reconnect
    ++counters_.Reconnects;
    portLost_ = false;
    connectFailed_ = false;
}

void LinkMonitor::Tick() {
    const int64_t now = clock_.NowMs();
    while (!outstanding_.empty()) {
        const int64_t timeout = TimeoutFor(outstanding_.front().Link);
        if (now - outstanding_.front().SentMs < timeout)
            break;
        outstanding_.pop_front();
        ++counters_.Timeouts;
        ++timeoutsSinceGood_;
        NoteError(FormatCoreText(ZEPHYRA_TEXT("zephyra", "%1초 안에 응답 없음"), {HealthSeconds(timeout)}));
    }
}

bool LinkMonitor::TransactionOutstanding(uint16_t tid) const {
    const int64_t now = clock_.NowMs();
    return std::any_of(outstanding_.begin(), outstanding_.end(), [&](const Outstanding &o) {
        return o.Link == LinkKind::Tcp && o.Tid == tid && now - o.SentMs < kTcpReplyTimeoutMs;
    });
}

void LinkMonitor::ResetCounters() {
    counters_ = LinkCounters{};
}

int64_t LinkMonitor::NextChangeMs(int pollPeriodMs) const {
    int64_t next = INT64_MAX;
    if (!outstanding_.empty())
        next = outstanding_.front().SentMs + TimeoutFor(outstanding_.front().Link);
    if (open_) {
        const int64_t since = lastGoodMs_ >= 0 ? lastGoodMs_ : openedMs_;
        const int64_t stale = since + 3 * static_cast<int64_t>(pollPeriodMs) + 1;
        if (stale > clock_.NowMs())
            next = std::min(next, stale);
    }
    return next;
}

LinkHealth LinkMonitor::Health(int pollPeriodMs, bool statusPolled) const {
    LinkHealth h;
    if (!open_)
        return h;
    const int64_t now = clock_.NowMs();
    const int64_t since = lastGoodMs_ >= 0 ? lastGoodMs_ : openedMs_;
    const int64_t age = now - since;
    h.Stale = lastGoodMs_ < 0 || age > 3 * static_cast<int64_t>(pollPeriodMs);
    if (portLost_) {
        h.Stale = true;
        h.State = HealthState::PortLost;
    } else if (takenOver_) {
        h.Stale = true;
        h.TakenOver = true;
        h.State = HealthState::TakenOver;
    } else if (connectFailed_) {
        h.Stale = true;
        h.State = HealthState::NotConnected;
    } else if (!h.Stale) {
        // Replies that come after the next request was due: the device answers, late.
        if (lastReplyTimeMs_ > pollPeriodMs) {
            h.State = HealthState::Slow;
            h.Ms = lastReplyTimeMs_;
        } else {
            h.State = HealthState::Ok;
            h.Ms = std::max<int64_t>(lastGoodGapMs_, 0);
        }
    } else if (!statusPolled) {
        h.State = HealthState::Paused;
        h.Ms = age;
        h.AgeTickInMs = 1000 - age % 1000;
    } else if (lastGoodMs_ < 0 && age <= 3 * static_cast<int64_t>(pollPeriodMs)) {
        h.State = HealthState::WaitingFirstReply;
    } else {
        h.State = HealthState::NoReply;
        h.Ms = age;
        h.Timeouts = timeoutsSinceGood_;
        h.Awaited = outstanding_.size();
        h.AgeTickInMs = 1000 - age % 1000;
    }
    h.HeldBack = counters_.HeldBack;
    h.Text = HealthText(h);
    return h;
}

std::optional<double> LossPercent(const LinkCounters &c, std::size_t outstanding) {
    const uint64_t settled = c.Requests > outstanding ? c.Requests - outstanding : 0;
    if (settled == 0)
        return std::nullopt;
    return c.Replies >= settled
               ? 0.0
               : 100.0 * static_cast<double>(settled - c.Replies) / static_cast<double>(settled);
}

std::vector<LinkHealth> WidestHealths() {
    // A quarter of an hour of silence and as many time-outs: beside the port and link panels the fixed
    // window has no more room. Longer, the tooltip holds the whole text.
    const int64_t silenceMs = 999 * 1000LL;
    const auto health = [](HealthState state, int64_t ms, uint64_t timeouts) {
        LinkHealth h;
        h.State = state;
        h.Ms = ms;
        h.Timeouts = timeouts;
        h.Text = HealthText(h);
        return h;
    };
    return {health(HealthState::PortLost, 0, 0),       health(HealthState::TakenOver, 0, 0),
            health(HealthState::NotConnected, 0, 0),   health(HealthState::WaitingFirstReply, 0, 0),
            health(HealthState::Ok, 9999, 0),          health(HealthState::Slow, silenceMs, 0),
            health(HealthState::Paused, silenceMs, 0), health(HealthState::NoReply, silenceMs, 999)};
}

} // namespace zephyra
