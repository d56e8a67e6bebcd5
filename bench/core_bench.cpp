// One status reply from the first byte on the wire to every text of the Information page: receiver,
// CRC check (serial), dispatch and decode. The poll asks every 600 ms or more; a frame should take
// well under 20 us.
#include <benchmark/benchmark.h>

#include <ostream>
#include <stdexcept>

#include "link/modbus_codec.h"
#include "link/response_receiver.h"
#include "polling/poll_controller.h"

namespace {

using namespace zephyra;

class IdlePort : public LinkPort {
public:
    void WriteSerial(const Bytes &) override {}
    bool TcpConnected() override { return true; }
    void WriteTcp(const Bytes &) override {}
    void ReconnectTcp() override {}
    std::string ConnectTcp() override { return {}; }
    void PaintConnect(bool) override {}
};

class FixedClock : public Clock {
public:
    int64_t NowMs() const override { return 0; }
};

class NullTimer : public PollTimer {
public:
    void ArmAt(int64_t) override {}
    void Disarm() override {}
};

class SilentOperator : public Operator {
public:
    void ShowInformation(const std::string &) override {}
    void ShowError(const std::string &) override {}
    void ShowMessage(const std::string &) override {}
};

// Counts decodes and keeps the texts alive so nothing is optimised away.
class CountingView : public StatusView {
public:
    void ApplyAccessRules() override {}
    void ShowStatus(const StatusSnapshot &, const StatusViewModel &view) override {
        ++shown;
        benchmark::DoNotOptimize(view.Fields.data());
    }
    int64_t shown = 0;
};

Bytes StatusUnit() {
    Bytes unit{0x01, 0x04, 0xFE};
    // Every register non-zero, so every formatter takes its longer path.
    for (int i = 0; i < kStatusByteCount; ++i)
        unit.push_back(static_cast<uint8_t>(i * 37 + 11));
    return unit;
}

struct Console {
    explicit Console(LinkKind kind) : link(kind) {
        state.Link = kind;
        codec.AttachReceiver(&rx);
        ctl.SetStatusView(&view);
        // A request went out, so the TCP header mark is known.
        codec.BuildReadRequest("0001", "007F");
    }
    void Check(benchmark::State &s, int64_t frames) {
        if (view.shown != frames)
            s.SkipWithError("a frame was not decoded");
    }

    LinkKind link;
    PollState state;
    IdlePort port;
    ModbusCodec codec{state.Link, port};
    NullTimer timer;
    SilentOperator op;
    std::ostream trace{nullptr};
    FixedClock clock;
    PollController ctl{state, codec, timer, op, clock, trace, TextTranslator()};
    ResponseReceiver rx{codec, ctl, clock};
    CountingView view;
};

void BM_SerialStatusFrame(benchmark::State &state) {
    Console c(LinkKind::Serial);
    const Bytes frame = WithCrc(StatusUnit());
    for (auto _ : state)
        c.rx.OnSerialRead(frame);
    c.Check(state, static_cast<int64_t>(state.iterations()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.size()));
}
BENCHMARK(BM_SerialStatusFrame);

void BM_TcpStatusFrame(benchmark::State &state) {
    Console c(LinkKind::Tcp);
    const Bytes unit = StatusUnit();
    Bytes frame{0x00, 0x01, 0x00, 0x00};
    AppendBE16(frame, static_cast<int32_t>(unit.size()));
    frame.insert(frame.end(), unit.begin(), unit.end());
    for (auto _ : state)
        c.rx.OnTcpRead(frame);
    c.Check(state, static_cast<int64_t>(state.iterations()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.size()));
}
BENCHMARK(BM_TcpStatusFrame);

} // namespace
