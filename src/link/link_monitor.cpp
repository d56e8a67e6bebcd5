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

std::string HealthText(const LinkHealth &h, const TextTranslator &tr) {
    const std::string seconds = tr.Format(ZEPHYRA_TEXT("zephyra", "%1초"), {HealthSeconds(h.Ms)});
    const auto text = [&tr](const char *source) { return tr.Text(source); };
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
        return h.Ms > 0 ? tr.Format(ZEPHYRA_TEXT("zephyra", "정상 · %1"), {seconds})
                        : tr.Text(ZEPHYRA_TEXT3("zephyra", "정상", "link health"));
    case HealthState::Slow:
        return tr.Format(ZEPHYRA_TEXT("zephyra", "응답 느림 · %1"), {seconds});
    case HealthState::Paused:
        return tr.Format(ZEPHYRA_TEXT("zephyra", "폴링 멈춤 · %1 전 값"), {seconds});
    case HealthState::WaitingFirstReply:
        return text(ZEPHYRA_TEXT("zephyra", "첫 응답을 기다리는 중"));
    case HealthState::NoReply:
        // Time-outs when some came; else the requests still awaited, so a slow start never reads "0 timed
        // out". English says "request" for one; Korean counts the same way for any number.
        if (h.Timeouts > 0)
            return h.Timeouts == 1
                       ? tr.Format(ZEPHYRA_TEXT("zephyra", "%1째 응답 없음 — 요청 1건 시간 초과"), {seconds})
                       : tr.Format(ZEPHYRA_TEXT("zephyra", "%1째 응답 없음 — 요청 %2건 시간 초과"),
                                   {seconds, std::to_string(h.Timeouts)});
        if (h.Awaited > 0)
            return h.Awaited == 1
                       ? tr.Format(ZEPHYRA_TEXT("zephyra", "%1째 응답 없음 — 요청 1건 응답 대기 중"),
                                   {seconds})
                       : tr.Format(ZEPHYRA_TEXT("zephyra", "%1째 응답 없음 — 요청 %2건 응답 대기 중"),
                                   {seconds, std::to_string(h.Awaited)});
        return tr.Format(ZEPHYRA_TEXT("zephyra", "%1째 응답 없음"), {seconds});
    }
    return {};
}

ByteView FrameUnit(LinkKind link, ByteView wire) {
    if (link == LinkKind::Tcp)
        return wire.size() > 6 ? wire.subspan(6) : ByteView{};
    return wire.size() > 2 ? wire.first(wire.size() - 2) : ByteView{};
}

int64_t LinkMonitor::TimeoutFor(LinkKind link) const {
    return link == LinkKind::Tcp ? kTcpReplyTimeoutMs : serialWindowMs_;
}

void LinkMonitor::NoteReplyTime(int64_t ms) {
    lastReplyTimeMs_ = ms;
    // Only replies actually seen widen the serial window: a silent device keeps the poll's own pace.
    constexpr std::size_t kRecent = 8;
    if (recentReplyMs_.size() == kRecent)
        recentReplyMs_.pop_front();
    recentReplyMs_.push_back(ms);
    const int64_t slowest = *std::max_element(recentReplyMs_.begin(), recentReplyMs_.end());
    serialWindowMs_ = std::clamp<int64_t>(2 * slowest, kSerialMinReplyWindowMs, kMaxReplyTimeoutMs);
}

void LinkMonitor::Ended(const Outstanding &o) {
    constexpr std::size_t kRemembered = 16;
    if (ended_.size() == kRemembered)
        ended_.pop_front();
    ended_.push_back(o);
}

void LinkMonitor::CancelAwaited() {
    counters_.Cancelled += outstanding_.size();
    for (const Outstanding &o : outstanding_)
        Ended(o);
    outstanding_.clear();
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

uint64_t LinkMonitor::RequestSent(LinkKind link, ByteView wire, uint16_t tid, int64_t replyWindowMs) {
    ++counters_.Requests;
    Add(link, Direction::Tx, DropReason::None, wire);
    const std::size_t limit = link == LinkKind::Tcp ? kMaxOutstanding : 1;
    while (outstanding_.size() >= limit) {
        // Serial: only a silent device is asked again before its window closed; its request is as
        // good as timed out.
        if (link == LinkKind::Serial) {
            ++counters_.Timeouts;
            ++timeoutsSinceGood_;
            NoteError(tr_.Format(ZEPHYRA_TEXT("zephyra", "%1초 안에 응답 없음"),
                                 {HealthSeconds(clock_.NowMs() - outstanding_.front().SentMs)}));
        } else {
            ++counters_.Superseded;
        }
        Ended(outstanding_.front());
        outstanding_.pop_front();
    }
    const int64_t now = clock_.NowMs();
    const int64_t window = replyWindowMs > 0 ? replyWindowMs : TimeoutFor(link);
    outstanding_.push_back({tid, now, now + window, link, ++requestNumber_});
    return requestNumber_;
}

uint64_t LinkMonitor::ReplyOwner(LinkKind link, uint16_t tid) const {
    if (link != LinkKind::Tcp) {
        // One request on the line: an answer is the awaited one's, or else the last one's, late.
        if (!outstanding_.empty())
            return outstanding_.front().Number;
        return ended_.empty() ? 0 : ended_.back().Number;
    }
    const auto byTid = [tid](const Outstanding &o) { return o.Tid == tid; };
    if (auto it = std::find_if(outstanding_.begin(), outstanding_.end(), byTid); it != outstanding_.end())
        return it->Number;
    if (auto it = std::find_if(ended_.rbegin(), ended_.rend(), byTid); it != ended_.rend())
        return it->Number;
    return 0;
}

bool LinkMonitor::Awaited(uint64_t request) const {
    return std::any_of(outstanding_.begin(), outstanding_.end(),
                       [request](const Outstanding &o) { return o.Number == request; });
}

void LinkMonitor::FrameReceived(LinkKind link, ByteView wire, uint16_t tid) {
    Add(link, Direction::Rx, DropReason::None, wire);
    lastReplyRequest_ = ReplyOwner(link, tid);
    auto it = std::find_if(outstanding_.begin(), outstanding_.end(),
                           [this](const Outstanding &o) { return o.Number == lastReplyRequest_; });
    // A reply with nothing ever asked (fed by hand) is booked as a reply all the same.
    lastReplyLate_ = lastReplyRequest_ != 0 && it == outstanding_.end();
    if (lastReplyLate_) {
        // Its request was settled already (timed out, superseded, cancelled): nothing is counted twice.
        ++counters_.LateReplies;
    } else {
        ++counters_.Replies;
        if (link == LinkKind::Tcp) {
            // The device answers in order: requests sent before this one and still awaited were lost.
            counters_.Superseded += static_cast<uint64_t>(it - outstanding_.begin());
            for (auto lost = outstanding_.begin(); lost != it; ++lost)
                Ended(*lost);
            it = outstanding_.erase(outstanding_.begin(), it);
        }
        serialSilent_ = false;
        if (it != outstanding_.end()) {
            NoteReplyTime(clock_.NowMs() - it->SentMs);
            Ended(*it);
            outstanding_.erase(it);
        }
    }
    ByteView unit = FrameUnit(link, wire);
    if (unit.size() >= 3 && (unit[1] & kExceptionBit)) {
        ++counters_.Exceptions[unit[2]];
        NoteError(ExceptionReplyText(unit[2], static_cast<uint8_t>(unit[1] & 0x7F), tr_));
    }
}

void LinkMonitor::FrameDropped(LinkKind link, ByteView wire, DropReason reason) {
    if (reason == DropReason::None)
        return;
    ++counters_.Dropped[static_cast<std::size_t>(reason)];
    if (reason == DropReason::BadCrc)
        ++counters_.CrcErrors;
    Add(link, Direction::Dropped, reason, wire);
    NoteError(DroppedText(reason, tr_));
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
    NoteError(DroppedText(reason, tr_));
}

bool LinkMonitor::Saturated(LinkKind link) const {
    if (link != LinkKind::Tcp)
        return !outstanding_.empty() && !serialSilent_;
    return outstanding_.size() >= kMaxOutstanding;
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

void LinkMonitor::LinkOpened(LinkKind link) {
    open_ = true;
    link_ = link;
    portLost_ = false;
    connectFailed_ = false;
    takenOver_ = false;
    openedMs_ = clock_.NowMs();
    lastGoodMs_ = -1;
    lastGoodGapMs_ = -1;
    lastReplyTimeMs_ = -1;
    timeoutsSinceGood_ = 0;
    peerClosedPending_ = false;
    serialSilent_ = false;
    serialWindowMs_ = kSerialReplyTimeoutMs;
    recentReplyMs_.clear();
    CancelAwaited();
    ended_.clear();
}

void LinkMonitor::LinkClosed() {
    open_ = false;
    CancelAwaited();
}

void LinkMonitor::PortLost(const std::string &cause) {
    if (!open_)
        return;
    if (!portLost_)
        ++counters_.PortLosses;
    portLost_ = true;
    CancelAwaited();
    NoteError(cause.empty() ? tr_.Text(ZEPHYRA_TEXT("zephyra", "시리얼 포트 끊김"))
                            : tr_.Format(ZEPHYRA_TEXT("zephyra", "시리얼 포트 끊김: %1"), {cause}));
}

void LinkMonitor::ConnectFailed(const std::string &cause) {
    if (!open_)
        return;
    CancelAwaited();
    connectFailed_ = true;
    // Refused or timed out: the device is gone or restarting, whatever closed the last connection.
    peerClosedPending_ = false;
    takenOver_ = false;
    NoteError(cause.empty() ? tr_.Text(ZEPHYRA_TEXT("zephyra", "연결 실패"))
                            : tr_.Format(ZEPHYRA_TEXT("zephyra", "연결 실패: %1"), {cause}));
}

void LinkMonitor::ConnectionClosed(const std::string &cause) {
    if (!open_)
        return;
    CancelAwaited(); // nothing sent on a closed connection is answered
    connectFailed_ = true;
    if (takenOver_)
        return; // the takeover says more than the close that follows it
    NoteError(cause.empty() ? tr_.Text(ZEPHYRA_TEXT("zephyra", "연결 실패")) : cause);
}

void LinkMonitor::PeerClosed() {
    CancelAwaited();
    // Only a connection that worked: a device refusing a fresh one is an ordinary connect failure.
    if (!open_ || lastGoodMs_ < 0 || connectFailed_)
        return;
    peerClosedPending_ = true;
}

void LinkMonitor::Reconnected() {
    if (!open_)
        return; // the connection window's own connect is not a reconnect
    ++counters_.Reconnects;
    portLost_ = false;
    connectFailed_ = false;
    if (peerClosedPending_) {
        // The device dropped a working connection and takes a new one at once: it is there and
        // answering, so another client most likely holds its one slot. A restart refuses meanwhile.
        peerClosedPending_ = false;
        ++counters_.Takeovers;
        takenOver_ = true;
        NoteError(tr_.Text(kTakeoverText));
    }
}

void LinkMonitor::Tick() {
    const int64_t now = clock_.NowMs();
    // Each request ends at its own deadline; TCP ones are sent in order of their deadlines, near enough.
    for (auto it = outstanding_.begin(); it != outstanding_.end();) {
        if (it->DeadlineMs > now) {
            ++it;
            continue;
        }
        ++counters_.Timeouts;
        ++timeoutsSinceGood_;
        if (it->Link == LinkKind::Serial)
            serialSilent_ = true;
        NoteError(tr_.Format(ZEPHYRA_TEXT("zephyra", "%1초 안에 응답 없음"),
                             {HealthSeconds(it->DeadlineMs - it->SentMs)}));
        Ended(*it);
        it = outstanding_.erase(it);
    }
}

bool LinkMonitor::TransactionOutstanding(uint16_t tid) const {
    const int64_t now = clock_.NowMs();
    return std::any_of(outstanding_.begin(), outstanding_.end(),
                       [&](const Outstanding &o) { return o.Tid == tid && now < o.DeadlineMs; });
}

bool LinkMonitor::TransactionKnown(uint16_t tid) const {
    const auto byTid = [tid](const Outstanding &o) { return o.Tid == tid && o.Link == LinkKind::Tcp; };
    return std::any_of(outstanding_.begin(), outstanding_.end(), byTid) ||
           std::any_of(ended_.begin(), ended_.end(), byTid);
}

void LinkMonitor::ResetCounters() {
    counters_ = LinkCounters{};
}

int64_t LinkMonitor::NextChangeMs(int pollPeriodMs) const {
    int64_t next = INT64_MAX;
    for (const Outstanding &o : outstanding_)
        next = std::min(next, o.DeadlineMs);
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
    h.InFlightLimit = link_ == LinkKind::Tcp ? kMaxOutstanding : 1;
    h.Text = HealthText(h, tr_);
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

std::vector<LinkHealth> WidestHealths(const TextTranslator &tr) {
    // Two-digit figures: a minute and a half of silence, as many requests timed out or awaited. Beside
    // the port and link panels the fixed window has no more room; longer, the tooltip holds the text.
    const int64_t silenceMs = 99 * 1000LL;
    const auto health = [&tr](HealthState state, int64_t ms, uint64_t timeouts, uint64_t awaited = 0) {
        LinkHealth h;
        h.State = state;
        h.Ms = ms;
        h.Timeouts = timeouts;
        h.Awaited = awaited;
        h.Text = HealthText(h, tr);
        return h;
    };
    return {health(HealthState::PortLost, 0, 0),
            health(HealthState::TakenOver, 0, 0),
            health(HealthState::NotConnected, 0, 0),
            health(HealthState::WaitingFirstReply, 0, 0),
            health(HealthState::Ok, 9999, 0),
            health(HealthState::Slow, silenceMs, 0),
            health(HealthState::Paused, silenceMs, 0),
            health(HealthState::NoReply, silenceMs, 99),
            health(HealthState::NoReply, silenceMs, 0, 99)};
}

} // namespace zephyra
