// Runs queued writes through the real poll controller on a fake serial link and reports what reached
// the wire, in order, echoing each write as the device would.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "link/modbus_codec.h"
#include "polling/poll_controller.h"
#include "support/fakes.h"

namespace zephyra::test {

struct WireWrite {
    int32_t Address;
    int32_t Value;
    bool operator==(const WireWrite &) const = default;
};

inline std::ostream &operator<<(std::ostream &os, const WireWrite &w) {
    return os << "0x" << std::hex << w.Address << " := 0x" << w.Value << std::dec;
}

struct WireRun {
    std::vector<WireWrite> Writes;
    std::vector<std::string> Messages;
};

inline WireRun SendOverWire(const std::vector<PendingWrite> &queued) {
    PollState state;
    state.RequestMode = mode::kPaused;
    fakes::FakeLinkPort port;
    ModbusCodec codec(state.Link, port);
    fakes::FakePollTimer timer;
    fakes::FakeOperator op;
    fakes::FakeClock clock;
    std::ostringstream trace;
    PollController controller(state, codec, timer, op, clock, trace, TextTranslator());

    controller.StartWriteSequence(queued);
    const std::vector<Bytes> frames = [&] {
        for (std::size_t i = 0; i < port.writes.size() && i < queued.size(); ++i) {
            const Bytes f = port.writes[i].Frame;
            controller.ResponseDispatcher(kFnWriteSingle, Bytes(f.begin() + 2, f.end()));
        }
        return port.Frames();
    }();
    WireRun run;
    for (const fakes::FakeOperator::Message &m : op.messages)
        run.Messages.push_back(m.text);
    for (const Bytes &f : frames) {
        if (f.size() == 8 && f[1] == kFnWriteSingle)
            run.Writes.push_back({f[2] * 256 + f[3], f[4] * 256 + f[5]});
    }
    return run;
}

inline std::vector<WireWrite> WireOrder(const std::vector<PendingWrite> &queued) {
    return SendOverWire(queued).Writes;
}

} // namespace zephyra::test
