// Writes the fuzzer's starting corpus: real replies of the device, framed for either link and laid out in
// the fuzzer's input format (set-up bytes, then chunks). Usage: make_seeds DIR
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "link/bytes.h"
#include "link/modbus_codec.h"
#include "polling/status_decoder.h"

namespace {

using namespace zephyra;

Bytes Hex(const char *text) {
    Bytes out;
    ParseHexBytes(text, out);
    return out;
}

Bytes StatusUnit() {
    Bytes unit = Hex("01 04 FE");
    unit.resize(3 + kStatusByteCount, 0);
    auto set = [&unit](int address, int value) {
        unit[3 + 2 * (address - 1)] = static_cast<uint8_t>(value >> 8);
        unit[4 + 2 * (address - 1)] = static_cast<uint8_t>(value);
    };
    set(reg::kYear, 2025), set(reg::kMonth, 8), set(reg::kDay, 7), set(reg::kACV, 221), set(reg::kDCV, 535);
    set(reg::kBCA, 0xFFF1), set(reg::kRT, 0xD8F1), set(reg::kAlarmBits, 0x41), set(reg::kFwVersion, 0x0819);
    set(reg::kFwDate, 0x0807), set(reg::kEthLinkBits, 0x3C), set(reg::kTcpRxTx, 0x0102), set(reg::kBModel, 1);
    set(reg::kIP, 0xC0A8), set(reg::kIP + 1, 0x1E46), set(reg::kMAC, 0x0A5E), set(reg::kACLEn, 1);
    return unit;
}

// Set-up bytes: see the fuzzer's header comment.
Bytes Setup(bool tcp, int modeIndex, int sentBefore, int lastFunctionIndex, int writes) {
    return {static_cast<uint8_t>((tcp ? 1 : 0) | (modeIndex << 2)), static_cast<uint8_t>(sentBefore),
            static_cast<uint8_t>(lastFunctionIndex | (writes << 2))};
}

// Chunks of plain reads, each at most 32 bytes.
void AddReads(Bytes &seed, const Bytes &bytes, std::size_t cut = 32) {
    for (std::size_t i = 0; i < bytes.size(); i += cut) {
        std::size_t n = std::min(cut, bytes.size() - i);
        seed.push_back(static_cast<uint8_t>(n - 1));
        seed.insert(seed.end(), bytes.begin() + static_cast<std::ptrdiff_t>(i),
                    bytes.begin() + static_cast<std::ptrdiff_t>(i + n));
    }
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    std::vector<std::pair<std::string, Bytes>> seeds;
    const Bytes status = StatusUnit();
    const Bytes echo = Hex("01 06 00 30 00 E6");
    const Bytes identity = Hex("01 47 00 13 01 0A 5E 21 FE FF 10 0A 00 00 01 FF FF FF 00 0A 00 00 FE");
    const Bytes count = Hex("01 41 00 04 01 01 00 03");
    const Bytes record = Hex("01 41 00 0C 01 02 00 02 19 08 07 09 05 03 00 41 02 17");
    const Bytes cleared = Hex("01 41 00 03 01 03 01");
    const Bytes refused = Hex("01 86 02");

    {
        Bytes s = Setup(false, 0, 0, 0, 0);
        AddReads(s, WithCrc(status));
        seeds.push_back({"serial-status", s});
        s = Setup(true, 0, 6, 0, 0);
        AddReads(s, WithMbap(7, status), 20);
        seeds.push_back({"tcp-status", s});
    }
    {
        // Three writes on a paused poll: each echo releases the next one.
        Bytes s = Setup(false, 5, 0, 1, 3);
        for (int i = 0; i < 3; ++i)
            AddReads(s, WithCrc(echo));
        seeds.push_back({"serial-echoes", s});
        s = Setup(true, 5, 4, 1, 3); // 4 reads, a write, then the first queued write: id 6
        for (uint16_t tid = 6; tid < 9; ++tid)
            AddReads(s, WithMbap(tid, echo));
        seeds.push_back({"tcp-echoes", s});
    }
    {
        Bytes s = Setup(false, 5, 0, 1, 2);
        AddReads(s, WithCrc(refused));
        s.push_back(0x80 | 4); // poll mode again
        AddReads(s, WithCrc(status));
        seeds.push_back({"serial-exception-then-status", s});
        s = Setup(true, 5, 0, 1, 2);
        AddReads(s, WithMbap(2, refused));
        seeds.push_back({"tcp-exception", s});
    }
    {
        Bytes s = Setup(false, 1, 0, 3, 0);
        s.push_back(0x80 | 7); // a tick sends the network read
        AddReads(s, WithCrc(identity));
        seeds.push_back({"serial-identity", s});
        s = Setup(true, 0, 0, 3, 0);
        AddReads(s, WithMbap(1, identity));
        seeds.push_back({"tcp-identity", s});

        s = Setup(false, 0, 0, 3, 0);
        Bytes raw = Hex("01 47 00 13 02 0A 5E 21 FE FF 10 0A 00 00 01 FF FF FF 00 0A 00 00 FE");
        s.push_back(static_cast<uint8_t>(0xC0 | (raw.size() - 1)));
        s.insert(s.end(), raw.begin(), raw.end());
        AddReads(s, WithCrc(Hex("01 47 00 02 02 01")));
        seeds.push_back({"serial-identity-written", s});
    }
    {
        Bytes s = Setup(false, 2, 0, 2, 0);
        AddReads(s, WithCrc(count));
        AddReads(s, WithCrc(record));
        AddReads(s, WithCrc(cleared));
        seeds.push_back({"serial-history", s});
        s = Setup(true, 3, 0, 2, 0);
        AddReads(s, WithMbap(1, count));
        AddReads(s, WithMbap(1, record));
        seeds.push_back({"tcp-history", s});
    }
    {
        // Noise, a silence, two frames in one read.
        Bytes s = Setup(false, 0, 0, 0, 0);
        AddReads(s, Hex("00 FF 01 41 01 00 00"));
        s.push_back(0x80); // silence
        Bytes two = WithCrc(echo);
        Bytes more = WithCrc(cleared);
        two.insert(two.end(), more.begin(), more.end());
        AddReads(s, two);
        seeds.push_back({"serial-noise", s});
    }

    for (const auto &[name, bytes] : seeds) {
        std::ofstream out(std::string(argv[1]) + "/seed-" + name, std::ios::binary);
        out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", name.c_str());
            return 1;
        }
    }
    return 0;
}
