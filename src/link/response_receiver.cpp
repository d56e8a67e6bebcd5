#include "link/response_receiver.h"

#include "link/link_types.h"
#include "link/modbus_codec.h"

namespace zephyra {

const ResponseReceiver::SizeRule &ResponseReceiver::SizeRuleOf(uint8_t function) {
    static constexpr SizeRule kStatus{.Size = 3, .CountEnd = 3, .CountBytes = 1, .Limit = 1024};
    static constexpr SizeRule kEcho{.Size = 6, .Limit = 200};
    static constexpr SizeRule kException{.Size = 3}; // the exception code
    // The vendor functions (0x41, 0x47) say their length in two bytes after the function.
    static constexpr SizeRule kVendor{
        .Size = 4, .CountEnd = 4, .CountBytes = 2, .Limit = 600, .ZeroCountOpen = true};
    if (function == kFnReadInput)
        return kStatus;
    if (function == kFnWriteSingle)
        return kEcho;
    if (function & kExceptionBit)
        return kException;
    return kVendor;
}

void ResponseReceiver::Reset() {
    tcpCarry_.clear();
    rxState_ = kIdle;
    frameReady_ = false;
    frameDone_ = false;
    byteCount_ = 0;
    expectedLength_ = 0;
    tcpPosition_ = 0;
    tcpLength_ = 0;
    frame_.clear();
}

void ResponseReceiver::Drop(LinkKind link, ByteView bytes, DropReason reason) {
    if (monitor_ && !bytes.empty())
        monitor_->FrameDropped(link, bytes, reason);
}

void ResponseReceiver::Deliver(LinkKind link, ByteView wire, uint16_t tid, int32_t function, Bytes payload) {
    // Exceptions always count: they say why a request failed, whatever it was.
    const bool known = (function & kExceptionBit) || function == kFnReadInput || function == kFnWriteSingle ||
                       function == kFnHistory || function == kFnNetwork;
    if (!known) {
        Drop(link, wire, DropReason::UnknownUnitOrFunction);
        return;
    }
    // TCP replies are matched by transaction id before they get here.
    if (link == LinkKind::Serial) {
        if (const DropReason mismatch = codec_.MatchSerialReply(function, payload);
            mismatch != DropReason::None) {
            Drop(link, wire, mismatch);
            return;
        }
        if (sink_.AnswersEarlierRequest(function, payload)) {
            Drop(link, wire, DropReason::AlreadyStored);
            return;
        }
    }
    // A reply whose request has ended never stands in for a newer one. A history record is still worth
    // its content (the collector knows by the request which record it is), and a late echo is the
    // write sequence's to count.
    const bool keptLate = function == kFnHistory || (function & ~kExceptionBit) == kFnWriteSingle;
    if (monitor_ && !keptLate) {
        const uint64_t owner = monitor_->ReplyOwner(link, tid);
        if (owner != 0 && !monitor_->Awaited(owner)) {
            Drop(link, wire, link == LinkKind::Tcp ? DropReason::StaleTransaction : DropReason::LateReply);
            return;
        }
    }
    if (monitor_)
        monitor_->FrameReceived(link, wire, tid);
    sink_.ResponseDispatcher(function, std::move(payload));
}

void ResponseReceiver::ResetSerialFrame() {
    rxState_ = kIdle;
    byteCount_ = 0;
}

void ResponseReceiver::OnSerialRead(ByteView bytes) {
    if (frameReady_ || bytes.empty())
        return;
    if (feed_ != Feed::Serial) {
        Reset();
        feed_ = Feed::Serial;
    }

    int64_t now = clock_.NowMs();
    if (rxState_ != kIdle && now - lastSerialByteMs_ > kSerialSilenceMs) {
        // The rest of a frame never came; without this a wrong length figure swallows later replies.
        Drop(LinkKind::Serial, frame_, DropReason::HalfFrameAfterSilence);
        ResetSerialFrame();
    }
    lastSerialByteMs_ = now;

    Bytes noise;
    for (uint8_t b : bytes) {
        bool stop = false;
        if (b == kUnitAddress && rxState_ == kIdle) {
            frame_.clear();
            frame_.push_back(b);
            byteCount_ = 1;
            rxState_ = kAddressTaken;
            continue;
        }
        switch (rxState_) {
        case kAddressTaken:
            frame_.push_back(b);
            ++byteCount_;
            rule_ = &SizeRuleOf(b);
            count_ = 0;
            expectedLength_ = rule_->CountEnd == 0 ? rule_->Size : 0;
            rxState_ = kBody;
            break;
        case kBody: {
            frame_.push_back(b);
            ++byteCount_;
            const SizeRule &rule = *rule_;
            if (byteCount_ == rule.CountEnd) {
                for (int32_t i = rule.CountEnd - rule.CountBytes; i < rule.CountEnd; ++i)
                    count_ = count_ * 256 + frame_[static_cast<std::size_t>(i)];
                if (count_ != 0 || !rule.ZeroCountOpen)
                    expectedLength_ = count_ + rule.Size;
            }
            if (expectedLength_ != 0 && byteCount_ >= expectedLength_)
                rxState_ = kCrcLow;
            if (rule.Limit != 0 && byteCount_ > rule.CountEnd &&
                (byteCount_ > rule.Limit || count_ == rule.Limit))
                stop = true;
            break;
        }
        case kCrcLow:
            frame_.push_back(b);
            ++byteCount_;
            rxState_ = kCrcHigh;
            break;
        case kCrcHigh:
            frame_.push_back(b);
            ++byteCount_;
            frameDone_ = true;
            rxState_ = kFrameDone;
            break;
        default:
            noise.push_back(b); // idle noise, or bytes after a frame's CRC in the same read
            break;
        }
        if (stop) {
            Drop(LinkKind::Serial, frame_, DropReason::LengthMismatch);
            ResetSerialFrame();
            break;
        }
    }
    Drop(LinkKind::Serial, noise, DropReason::Noise);

    Bytes completed;
    if (frameDone_) {
        frameDone_ = false;
        rxState_ = kIdle;
        if (!frame_.empty()) {
            completed.swap(frame_);
            frameReady_ = true;
        }
    }
    if (frameReady_) {
        frameReady_ = false;
        int32_t function = 0;
        Bytes payload;
        if (CheckSerialFrame(completed, function, payload))
            Deliver(LinkKind::Serial, completed, 0, function, std::move(payload));
        else
            Drop(LinkKind::Serial, completed, DropReason::BadCrc);
    }
}

bool ResponseReceiver::TcpHeaderMarkAt(ByteView bytes, std::size_t i) const {
    if (i + 3 >= bytes.size() || bytes[i + 2] != 0 || bytes[i + 3] != 0)
        return false;
    const auto tid = static_cast<uint16_t>(bytes[i] << 8 | bytes[i + 1]);
    // A device slower than the poll answers an earlier request: any one still awaited is taken.
    if (monitor_)
        return monitor_->TransactionKnown(tid);
    return tid == (codec_.TransactionCounter() & 0xFFFF);
}

void ResponseReceiver::OnTcpRead(ByteView bytes) {
    if (tcpCarry_.empty()) {
        ReadTcp(bytes);
        return;
    }
    Bytes joined;
    joined.swap(tcpCarry_);
    if (clock_.NowMs() - lastTcpByteMs_ > kTcpSilenceMs) {
        Drop(LinkKind::Tcp, joined, DropReason::Noise);
        joined.clear();
    }
    joined.insert(joined.end(), bytes.begin(), bytes.end());
    ReadTcp(joined);
}

void ResponseReceiver::ReadTcp(ByteView bytes) {
    // After a single-register write the frame is taken as complete one byte early; the rest of the
    // frame in the same read still joins it.
    const int32_t tail = codec_.LastSentFunction() == kFnWriteSingle ? 5 : 6;
    if (frameReady_ || bytes.empty())
        return;
    if (feed_ != Feed::Tcp) {
        Reset();
        feed_ = Feed::Tcp;
    }
    int64_t now = clock_.NowMs();
    if (rxState_ != kTcpIdle && now - lastTcpByteMs_ > kTcpSilenceMs) {
        // A length figure larger than what came would otherwise hold every later reply until reconnect.
        Bytes half{tcpTidHigh_};
        half.insert(half.end(), frame_.begin(), frame_.end());
        Drop(LinkKind::Tcp, half, DropReason::HalfFrameAfterSilence);
        Reset();
        feed_ = Feed::Tcp;
    }
    lastTcpByteMs_ = now;

    // Bytes before a recognised header are never part of a frame: a whole reply nobody awaits any
    // more, or noise.
    Bytes skipped;
    auto dropSkipped = [&] {
        if (skipped.empty())
            return;
        const bool header = skipped.size() >= 8 && skipped[2] == 0 && skipped[3] == 0;
        Drop(LinkKind::Tcp, skipped, header ? DropReason::StaleTransaction : DropReason::Noise);
        skipped.clear();
    };
    // Buffer: low byte of the transaction id, protocol (2), length (2), unit, function, payload.
    auto finish = [&] {
        frameDone_ = false;
        rxState_ = kTcpIdle;
        tcpPosition_ = 0;
        Bytes completed;
        completed.swap(frame_);
        if (completed.size() < 7)
            return;
        int32_t function = completed[6];
        Bytes payload(completed.begin() + 7, completed.end());
        Bytes wire{tcpTidHigh_};
        wire.insert(wire.end(), completed.begin(), completed.end());
        Deliver(LinkKind::Tcp, wire, static_cast<uint16_t>(tcpTidHigh_ << 8 | completed[0]), function,
                std::move(payload));
    };
    int32_t takenTid = -1; // a second copy of a reply in the same read is not taken again
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        uint8_t b = bytes[i];
        if (rxState_ == kTcpIdle) {
            if (i + 3 >= bytes.size() && !frameDone_) {
                // Perhaps the start of a header whose rest is still on its way.
                tcpCarry_.assign(bytes.begin() + static_cast<std::ptrdiff_t>(i), bytes.end());
                break;
            }
            if (TcpHeaderMarkAt(bytes, i) && takenTid != (bytes[i] << 8 | bytes[i + 1])) {
                dropSkipped();
                frame_.clear();
                rxState_ = kTcpHeader;
                tcpPosition_ = 1;
                tcpLength_ = 0;
                tcpTidHigh_ = b;
            } else {
                skipped.push_back(b);
            }
            continue;
        }
        ++tcpPosition_;
        frame_.push_back(b);
        if (rxState_ == kTcpHeader) {
            if (tcpPosition_ == 5)
                rxState_ = kTcpBody;
            continue;
        }
        if (tcpPosition_ == 6)
            tcpLength_ = frame_[3] * 256 + frame_[4];
        if (tcpPosition_ >= 6 && tcpPosition_ >= tcpLength_ + tail)
            frameDone_ = true;
        // The frame's last byte: a reply to another awaited request may follow in the same read.
        if (frameDone_ && tcpPosition_ >= tcpLength_ + 6) {
            takenTid = tcpTidHigh_ << 8 | frame_[0];
            finish();
        }
    }
    dropSkipped();
    if (frameDone_)
        finish();
}

} // namespace zephyra
