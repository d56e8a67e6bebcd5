// What the core needs from the serial and TCP endpoints. The Qt side implements it; tests use fakes.
#pragma once

#include <string>

#include "link/bytes.h"

namespace zephyra {

class LinkPort {
public:
    virtual ~LinkPort() = default;
    // Queues bytes on the serial port; returns at once.
    virtual void WriteSerial(const Bytes &frame) = 0;
    virtual bool TcpConnected() = 0;
    virtual void WriteTcp(const Bytes &frame) = 0;
    // Starts a fresh connection attempt to the chosen host (never blocks the window for long).
    virtual void ReconnectTcp() = 0;
    // Connects and waits a few seconds at most; returns the error text, empty when connected.
    virtual std::string ConnectTcp() = 0;
    // The "Connect" indicator: bright green or grey.
    virtual void PaintConnect(bool green) = 0;
};

// Milliseconds from any fixed origin; lets the receiver measure silence deterministically in tests.
class Clock {
public:
    virtual ~Clock() = default;
    virtual int64_t NowMs() const = 0;
};

} // namespace zephyra
