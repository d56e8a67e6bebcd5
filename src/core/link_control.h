// What the windows ask of the device link: find and hold a serial port while the operator picks one,
// connect, disconnect. They never open, close or hold an endpoint themselves.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/link_kind.h"

namespace zephyra {

struct PortChoice {
    std::string Name; // shown in the list
    std::string Path; // opened
};

struct ConnectOutcome {
    // The poll runs on the link from now on: always on TCP (it keeps trying after a failed connect),
    // on serial only when the port opened.
    bool Confirmed = false;
    // Why the port did not open or the TCP connect failed; empty when it worked.
    std::string Error;
};

class LinkControl {
public:
    virtual ~LinkControl() = default;
    // Ports that exist and can be opened exclusively right now; our own held port counts as one.
    virtual std::vector<PortChoice> SearchPorts() = 0;
    // Opens the port and keeps it while the operator decides; the error text, empty when it opened.
    virtual std::string HoldPort(const std::string &path) = 0;
    virtual void ReleasePort() = 0;
    // Serial: the device path; TCP: the host (on the device port). A failed TCP connect is told to
    // connectFailed before the poll starts, so its message box comes first, as before the retries.
    virtual ConnectOutcome
    Connect(LinkKind link, const std::string &address,
            const std::function<void(const std::string &error)> &connectFailed = {}) = 0;
    // Closes both links and stops the poll. True when a TCP connection was up.
    virtual bool Disconnect() = 0;
};

} // namespace zephyra
