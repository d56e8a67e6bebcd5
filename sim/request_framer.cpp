#include "request_framer.h"

#include "link/link_types.h"
#include "link/modbus_codec.h"

namespace zephyra::sim {
namespace {

bool CrcHolds(const Bytes &b, std::size_t len) {
    if (len < 4 || len > b.size())
        return false;
    uint16_t crc = Crc16(b, len - 2);
    return b[len - 2] == (crc & 0xFF) && b[len - 1] == (crc >> 8);
}

} // namespace

std::vector<RtuPiece> RtuFramer::Feed(ByteView bytes, int64_t nowMs) {
    std::vector<RtuPiece> out;
    if (!buffer_.empty() && nowMs - lastByteMs_ > kSilenceMs)
        out = OnSilence(nowMs);
    if (bytes.empty())
        return out;
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    lastByteMs_ = nowMs;
    Scan(false, out);
    return out;
}

std::vector<RtuPiece> RtuFramer::OnSilence(int64_t) {
    std::vector<RtuPiece> out;
    Scan(true, out);
    FlushJunk(out);
    return out;
}

std::optional<int64_t> RtuFramer::SilenceDeadline() const {
    if (buffer_.empty() && junk_.empty())
        return std::nullopt;
    return lastByteMs_ + kSilenceMs;
}

void RtuFramer::DropFront(std::size_t n) {
    junk_.insert(junk_.end(), buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(n));
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(n));
}

void RtuFramer::FlushJunk(std::vector<RtuPiece> &out) {
    if (junk_.empty())
        return;
    out.push_back({false, std::move(junk_)});
    junk_.clear();
}

// Tries to find a request at the front; on a wrong CRC it slides one byte on, so a truncated frame
// followed at once by a good one still yields the good one. Silent: nothing more will come for what is
// buffered, so everything is consumed.
void RtuFramer::Scan(bool silent, std::vector<RtuPiece> &out) {
    while (!buffer_.empty()) {
        if (buffer_[0] != kUnitAddress) {
            DropFront(1);
            continue;
        }
        if (buffer_.size() < 2) {
            if (silent)
                DropFront(1);
            break;
        }
        const uint8_t fn = buffer_[1];
        std::size_t len = 0;
        if (fn == kFnReadInput || fn == kFnWriteSingle) {
            len = 8;
        } else if (fn == kFnHistory || fn == kFnNetwork) {
            if (buffer_.size() < 4) {
                if (!silent)
                    break;
                DropFront(1);
                continue;
            }
            int vendorLength = buffer_[2] << 8 | buffer_[3];
            if (vendorLength > kMaxVendorLength) {
                DropFront(1);
                continue;
            }
            len = 4 + static_cast<std::size_t>(vendorLength) + 2;
        } else {
            // Unknown function: its length is known only from the silence after it.
            if (!silent) {
                if (buffer_.size() > kMaxPending) {
                    DropFront(1);
                    continue;
                }
                break;
            }
            if (CrcHolds(buffer_, buffer_.size())) {
                FlushJunk(out);
                out.push_back({true, std::move(buffer_)});
                buffer_.clear();
                break;
            }
            DropFront(1);
            continue;
        }
        if (buffer_.size() < len) {
            if (!silent)
                break;
            DropFront(1);
            continue;
        }
        if (!CrcHolds(buffer_, len)) {
            DropFront(1);
            continue;
        }
        FlushJunk(out);
        out.push_back({true, Bytes(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(len))});
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(len));
    }
}

std::vector<Bytes> TcpFramer::Feed(ByteView bytes, bool &broken) {
    broken = false;
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    std::vector<Bytes> out;
    while (buffer_.size() >= 6) {
        const std::size_t length = static_cast<std::size_t>(buffer_[4] << 8 | buffer_[5]);
        if (length < 2 || length > 254) {
            broken = true;
            buffer_.clear();
            break;
        }
        if (buffer_.size() < 6 + length)
            break;
        out.emplace_back(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(6 + length));
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(6 + length));
    }
    return out;
}

} // namespace zephyra::sim
