// Runs queued writes through the real poll controller on a fake serial link and reports what reached
// the wire, in order, echoing each write as the device would.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "link/modbus_codec.h"
#include "polling/poll_controller.h"

namespace zephyra::test {

struct WireWrite {
    int32_t Address;
    int32_t Value;
    bool operator==(const WireWrite &) const = default;
};

inline std::ostream &operator<<(std::ostream &os, const WireWrite &w) {
    return os << "0x" << std::hex << w.Address << " := 0x" << w.Value << std::dec;
}

class RecordingPort : public LinkPort {
public:
    void WriteSerial(const Bytes &frame) override { Frames.push_back(frame); }
    bool TcpConnected() override { return true; }
    void WriteTcp(const Bytes &frame) override { Frames.push_back(frame); }
    void ReconnectTcp() override {}
    std::string ConnectTcp() override { return {}; }
    void PaintConnect(bool) override {}
    std::vector<Bytes> Frames;
};

class IdleTimer : public PollTimer {
public:
    void SetEnabled(bool enabled) override { enabled_ = enabled; }
    bool Enabled() const override { return enabled_; }
    void SetInterval(int ms) override { interval_ = ms; }
    int Interval() const override { return interval_; }

private:
    bool enabled_ = false;
    int interval_ = 300;
};

class RecordingOperator : public Operator {
public:
    void ShowInformation(const std::string &text) override { Shown.push_back(text); }
    void ShowError(const std::string &text) override { Shown.push_back(text); }
    void ShowMessage(const std::string &text) override { Shown.push_back(text); }
    std::vector<std::string> Shown;
};

struct WireRun {
    std::vector<WireWrite> Writes;
    std::vector<std::string> Messages;
};

inline WireRun SendOverWire(const std::vector<PendingWrite> &queued) {
    PollState state;
    state.RequestMode = mode::kPaused;
    RecordingPort port;
    ModbusCodec codec(state.Link, port);
    IdleTimer timer;
    RecordingOperator op;
    std::ostringstream trace;
    PollController controller(state, codec, timer, op, trace);

    controller.StartWriteSequence(queued);
    for (std::size_t i = 0; i < port.Frames.size() && i < queued.size(); ++i) {
        const Bytes &f = port.Frames[i];
        controller.ResponseDispatcher(kFnWriteSingle, Bytes(f.begin() + 2, f.end()));
    }
    WireRun run;
    run.Messages = op.Shown;
    for (const Bytes &f : port.Frames) {
        if (f.size() == 8 && f[1] == kFnWriteSingle)
            run.Writes.push_back({f[2] * 256 + f[3], f[4] * 256 + f[5]});
    }
    return run;
}

inline std::vector<WireWrite> WireOrder(const std::vector<PendingWrite> &queued) {
    return SendOverWire(queued).Writes;
}

} // namespace zephyra::test
