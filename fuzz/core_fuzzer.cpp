// Arbitrary device bytes, cut into arbitrary reads, through both receiver machines, the link monitor
// (and the words it puts on every frame), the dispatcher (with its write sequence) and the status decoder.
//
// Input: three set-up bytes, then chunks. Set-up: [0] link, alarm test, mode, history kind; [1] number of
// requests sent before (moves the TCP transaction id); [2] function of the last request and writes queued.
// Each chunk starts with a byte c: c >> 5 is the action, (c & 0x1F) + 1 its size n.
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <vector>

#include "link/link_monitor.h"
#include "link/modbus_codec.h"
#include "link/response_receiver.h"
#include "polling/poll_controller.h"
#include "polling/status_decoder.h"
#include "support/fakes.h"

namespace {

using namespace zephyra;

class CountingHistory : public HistoryCollector {
public:
    void CollectHistory(const Bytes &payload) override { bytes += payload.size(); }
    std::size_t bytes = 0;
};

class Input {
public:
    Input(const uint8_t *data, std::size_t size) : data_(data), size_(size) {}
    bool Empty() const { return pos_ >= size_; }
    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    ByteView Take(std::size_t n) {
        if (n > size_ - pos_)
            n = size_ - pos_;
        ByteView v(data_ + pos_, n);
        pos_ += n;
        return v;
    }

private:
    const uint8_t *data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

constexpr uint8_t kModes[] = {mode::kPoll,
                              mode::kNetworkReadBack,
                              mode::kHistoryCount,
                              mode::kHistoryRecord,
                              mode::kHistoryNextRecord,
                              mode::kPaused,
                              mode::kHistoryInitialise,
                              mode::kPoll};
constexpr uint8_t kFunctions[] = {kFnReadInput, kFnWriteSingle, kFnHistory, kFnNetwork};

struct Console {
    Console()
        : codec(state.Link, port), ctl(state, codec, timer, op, clock, trace, TextTranslator()),
          rx(codec, ctl, clock) {
        state.Connected = true;
        codec.AttachReceiver(&rx);
        codec.SetMonitor(&monitor);
        rx.SetMonitor(&monitor);
        ctl.SetLinkMonitor(&monitor);
        monitor.LinkOpened(state.Link);
        ctl.SetStatusView(&view);
        ctl.SetHistoryCollector(&history);
    }

    void Read(bool serial, ByteView bytes) {
        if (serial)
            rx.OnSerialRead(bytes);
        else
            rx.OnTcpRead(bytes);
    }

    void QueueWrites(int n) {
        std::vector<PendingWrite> writes;
        for (int i = 0; i < n; ++i)
            writes.push_back({0x21 + i, i * 100});
        ctl.StartWriteSequence(writes);
    }

    PollState state;
    fakes::FakeLinkPort port;
    ModbusCodec codec;
    fakes::FakePollTimer timer;
    fakes::FakeOperator op;
    std::ostream trace{nullptr}; // the trace line goes nowhere
    fakes::FakeClock clock;
    LinkMonitor monitor{clock, TextTranslator()};
    PollController ctl;
    ResponseReceiver rx;
    fakes::FakeStatusView view;
    CountingHistory history;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size) {
    Input in(data, size);
    Console c;

    uint8_t setup = in.Byte();
    c.state.Link = (setup & 0x01) ? LinkKind::Tcp : LinkKind::Serial;
    c.state.AlarmTestActive = (setup >> 1) & 0x01;
    c.state.History.Kind = (setup & 0x20) ? HistoryKind::Event : HistoryKind::Alarm;
    c.state.History.Total = 3;

    int sentBefore = in.Byte();
    uint8_t last = in.Byte();
    for (int i = 0; i < sentBefore; ++i)
        c.codec.BuildReadRequest("0001", "007F");
    const uint8_t one[] = {0x01};
    if (kFunctions[last & 3] == kFnWriteSingle)
        c.codec.BuildWriteRequest(0x30, 230);
    else
        c.codec.SendRequest(VendorRequestUnit(kFunctions[last & 3], one));
    c.QueueWrites((last >> 2) & 7);
    c.state.RequestMode = kModes[(setup >> 2) & 7];

    while (!in.Empty()) {
        uint8_t chunk = in.Byte();
        std::size_t n = (chunk & 0x1F) + 1u;
        bool serial = c.state.Link == LinkKind::Serial;
        switch (chunk >> 5) {
        case 0: // a read arriving at once
            c.Read(serial, in.Take(n));
            break;
        case 1: // a read after a short pause
            c.clock.Advance(static_cast<int64_t>(n) * 3);
            c.Read(serial, in.Take(n));
            break;
        case 2: // a long read
            c.Read(serial, in.Take(n * 16));
            break;
        case 3: // bytes on the other link's machine, which shares the receiver state
            c.Read(!serial, in.Take(n));
            break;
        case 4: // the timer and the windows act
            switch (n & 7) {
            case 0:
                c.ctl.Timer1Timer();
                break;
            case 1:
                c.clock.Advance(ResponseReceiver::kSerialSilenceMs + 1);
                break;
            case 2:
                c.rx.Reset();
                break;
            case 3:
                c.state.Link = serial ? LinkKind::Tcp : LinkKind::Serial;
                break;
            case 4:
                c.QueueWrites(static_cast<int>(n >> 3) + 1);
                break;
            case 5:
                c.state.RequestMode = kModes[(n >> 3) & 7];
                break;
            case 6:
                c.port.connected = !c.port.connected;
                break;
            case 7:
                c.state.History.Total = in.Byte();
                c.state.History.Current = in.Byte();
                break;
            }
            break;
        case 5: { // a response straight to the dispatcher, as a faulty receiver might hand it
            int32_t function = in.Byte();
            ByteView p = in.Take(n * 8);
            c.ctl.ResponseDispatcher(function, Bytes(p.begin(), p.end()));
            break;
        }
        case 6: { // the raw request of the device-IP window, read back by a 0x47 write reply
            ByteView p = in.Take(n);
            c.state.LastRawRequest.assign(p.begin(), p.end());
            break;
        }
        case 7: { // the decoders on their own
            Bytes block(kStatusByteCount, 0);
            ByteView p = in.Take(kStatusByteCount);
            std::copy(p.begin(), p.end(), block.begin());
            StatusSnapshot snapshot;
            StatusViewModel view;
            DecodeStatus(block, snapshot, view);
            DecodeIpSettingsReply(in.Take(n), snapshot);
            break;
        }
        }
    }
    // The traffic window describes whatever the device sent.
    static volatile std::size_t chars = 0;
    for (const TrafficLine &line : c.monitor.Lines())
        chars = chars + FormatTrafficLine(line, TextTranslator()).size();
    chars = chars + c.ctl.Health().Text.size();
    return 0;
}
