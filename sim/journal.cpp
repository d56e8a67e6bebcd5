#include "journal.h"

#include <cerrno>
#include <cstring>

namespace zephyra::sim {

Journal::~Journal() {
    Close();
}

std::string Journal::Open(const std::string &path) {
    Close();
    file_ = std::fopen(path.c_str(), "w");
    if (!file_)
        return "cannot write the journal " + path + ": " + std::strerror(errno);
    return {};
}

void Journal::Close() {
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
}

void Journal::Frame(int64_t ms, Channel channel, std::string_view direction, ByteView bytes) {
    Line(ms, channel, direction, BytesToSpacedHex(bytes));
}

void Journal::Note(int64_t ms, Channel channel, std::string_view text) {
    Line(ms, channel, "NOTE", text);
}

void Journal::Line(int64_t ms, Channel channel, std::string_view direction, std::string_view rest) {
    if (!file_)
        return;
    std::string line = std::to_string(ms) + (channel == Channel::Rtu ? " RTU " : " TCP ");
    line.append(direction);
    if (!rest.empty()) {
        line += ' ';
        line.append(rest);
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fflush(file_);
}

} // namespace zephyra::sim
