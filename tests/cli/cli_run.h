// Running zephyra-cli and talking HTTP to it, shared by the command-line tests.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/sim_process.h"

namespace zephyra::test {

inline SimRun Cli(std::vector<std::string> args, int timeoutMs = 60000) {
    args.insert(args.begin(), ZEPHYRA_CLI_PATH);
    return RunToEnd(args, timeoutMs);
}

inline std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// A loopback TCP connection, -1 when refused.
inline int ConnectLoopback(int port) {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
        close(s);
        return -1;
    }
    return s;
}

// One HTTP exchange on loopback; the whole response, empty when the server did not answer.
inline std::string Http(int port, const std::string &request) {
    const int s = ConnectLoopback(port);
    if (s < 0)
        return {};
    timeval tv{10, 0};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    std::string response;
    if (write(s, request.data(), request.size()) == static_cast<ssize_t>(request.size())) {
        char buf[65536];
        for (ssize_t n; (n = read(s, buf, sizeof buf)) > 0;)
            response.append(buf, static_cast<std::size_t>(n));
    }
    close(s);
    return response;
}

inline std::string Body(const std::string &response) {
    const auto at = response.find("\r\n\r\n");
    return at == std::string::npos ? std::string() : response.substr(at + 4);
}

// A port nobody listens on: bound once to learn a free number, then closed.
inline int FreePort() {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    bind(s, reinterpret_cast<sockaddr *>(&a), sizeof a);
    getsockname(s, reinterpret_cast<sockaddr *>(&a), &len);
    close(s);
    return ntohs(a.sin_port);
}

} // namespace zephyra::test
