// One flushed line per frame received or sent, so that tests can follow the traffic while it runs:
// "<ms since start> <RTU|TCP> <RX|TX|DROP|NOISE|JUNK> <hex bytes>" and "<ms> <link> NOTE <text>".
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "device.h"
#include "link/bytes.h"

namespace zephyra::sim {

class Journal {
public:
    Journal() = default;
    ~Journal();
    Journal(const Journal &) = delete;
    Journal &operator=(const Journal &) = delete;

    // Returns an error text, empty on success.
    std::string Open(const std::string &path);
    void Frame(int64_t ms, Channel channel, std::string_view direction, ByteView bytes);
    void Note(int64_t ms, Channel channel, std::string_view text);
    void Close();

private:
    void Line(int64_t ms, Channel channel, std::string_view direction, std::string_view rest);
    std::FILE *file_ = nullptr;
};

} // namespace zephyra::sim
