// Cuts requests out of the byte streams the simulator receives: RTU by the length rule of each function and
// by line silence, TCP by the MBAP header.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "link/bytes.h"

namespace zephyra::sim {

struct RtuPiece {
    bool request = false; // a CRC-checked frame for unit 1; otherwise bytes that were thrown away
    Bytes bytes;
};

class RtuFramer {
public:
    // A partial request older than this is given up (3.5 characters at 115200 baud are far less; the
    // margin covers a busy host).
    static constexpr int64_t kSilenceMs = 20;
    // Longest vendor byte count taken seriously; a larger figure is treated as line noise.
    static constexpr int kMaxVendorLength = 300;
    // Bytes kept while waiting for silence behind an unknown function code.
    static constexpr std::size_t kMaxPending = 512;

    std::vector<RtuPiece> Feed(ByteView bytes, int64_t nowMs);
    // Call once the deadline has passed: what is left is either one frame of an unknown function or junk.
    std::vector<RtuPiece> OnSilence(int64_t nowMs);
    std::optional<int64_t> SilenceDeadline() const;

private:
    void Scan(bool silent, std::vector<RtuPiece> &out);
    void DropFront(std::size_t n);
    void FlushJunk(std::vector<RtuPiece> &out);

    Bytes buffer_;
    Bytes junk_;
    int64_t lastByteMs_ = 0;
};

class TcpFramer {
public:
    // Complete ADUs (MBAP header, unit, PDU) found so far. Sets broken when the stream cannot be Modbus TCP
    // (a length field outside 2..254); the connection should then be closed.
    std::vector<Bytes> Feed(ByteView bytes, bool &broken);
    void Clear() { buffer_.clear(); }

private:
    Bytes buffer_;
};

} // namespace zephyra::sim
