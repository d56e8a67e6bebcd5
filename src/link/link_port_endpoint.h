// The core's link port over the two Qt endpoints.
#pragma once

#include <functional>

#include "link/link_port.h"
#include "link/serial_endpoint.h"
#include "link/tcp_endpoint.h"

namespace zephyra {

class LinkPortEndpoint : public LinkPort {
public:
    LinkPortEndpoint(SerialEndpoint &serial, TcpEndpoint &tcp) : serial_(serial), tcp_(tcp) {}

    void SetPainter(std::function<void(bool)> paintConnect) { paint_ = std::move(paintConnect); }

    void WriteSerial(const Bytes &frame) override { serial_.Write(frame); }
    bool TcpConnected() override { return tcp_.IsConnected(); }
    void WriteTcp(const Bytes &frame) override { tcp_.Write(frame); }
    void ReconnectTcp() override { tcp_.ConnectAsync(); }
    std::string ConnectTcp() override { return tcp_.ConnectAndWait().toStdString(); }
    void PaintConnect(bool green) override {
        if (paint_)
            paint_(green);
    }

private:
    SerialEndpoint &serial_;
    TcpEndpoint &tcp_;
    std::function<void(bool)> paint_;
};

} // namespace zephyra
