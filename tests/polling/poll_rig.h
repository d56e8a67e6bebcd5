// The poll controller wired to the real codec and receiver, with fakes at every edge.
#pragma once

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "link/link_monitor.h"
#include "link/modbus_codec.h"
#include "link/response_receiver.h"
#include "polling/poll_controller.h"
#include "support/fakes.h"

namespace zephyra::testrig {

class RecordingHistory : public HistoryCollector {
public:
    void CollectHistory(const Bytes &payload) override { payloads.push_back(payload); }
    void WatchdogTick() override { ++watchdogRuns; }
    std::vector<Bytes> payloads;
    int watchdogRuns = 0;
};

inline Bytes Hex(std::string_view text) {
    Bytes out;
    ParseHexBytes(text, out);
    return out;
}

struct PollRig {
    explicit PollRig(LinkKind link = LinkKind::Serial) {
        // A confirmed link, as after the connection window; tests may switch the kind afterwards.
        state.Link = link;
        state.Connected = true;
        codec.AttachReceiver(&rx);
        ctl.SetStatusView(&view);
        ctl.SetHistoryCollector(&history);
    }

    // Delivers a reply the way the wire would on the current link, in one read.
    void Reply(const Bytes &unit) {
        if (state.Link == LinkKind::Serial) {
            rx.OnSerialRead(WithCrc(unit));
            return;
        }
        rx.OnTcpRead(WithMbap(static_cast<uint16_t>(codec.TransactionCounter()), unit));
    }
    // The device's echo of the last write sent (0x0030 := 230 when none was).
    void Echo() {
        for (auto it = port.writes.rbegin(); it != port.writes.rend(); ++it) {
            const Bytes &f = it->Frame;
            const std::size_t at = it->Tcp ? 6 : 0;
            if (f.size() >= at + 6 && f[at + 1] == 0x06) {
                Reply(Bytes(f.begin() + static_cast<std::ptrdiff_t>(at), f.begin() + static_cast<std::ptrdiff_t>(at + 6)));
                return;
            }
        }
        Reply(Hex("01 06 00 30 00 E6"));
    }

    void Ticks(int n) {
        for (int i = 0; i < n; ++i)
            ctl.Timer1Timer();
    }

    // Request units written so far, link framing removed.
    std::vector<Bytes> Sent() const {
        std::vector<Bytes> out;
        for (const auto &w : port.writes) {
            if (w.Tcp)
                out.emplace_back(w.Frame.begin() + 6, w.Frame.end());
            else
                out.emplace_back(w.Frame.begin(), w.Frame.end() - 2);
        }
        return out;
    }

    // A link monitor wired to the codec, the receiver and the controller, as the console wires it.
    LinkMonitor &Monitored() {
        monitor.emplace(clock, TextTranslator());
        codec.SetMonitor(&*monitor);
        rx.SetMonitor(&*monitor);
        ctl.SetLinkMonitor(&*monitor);
        return *monitor;
    }

    std::vector<std::string> TraceLines() const {
        std::vector<std::string> lines;
        std::istringstream in(trace.str());
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    PollState state;
    fakes::FakeLinkPort port;
    ModbusCodec codec{state.Link, port};
    fakes::FakePollTimer timer;
    fakes::FakeOperator op;
    std::ostringstream trace;
    fakes::FakeClock clock;
    PollController ctl{state, codec, timer, op, clock, trace, TextTranslator()};
    ResponseReceiver rx{codec, ctl, clock};
    fakes::FakeStatusView view;
    RecordingHistory history;
    std::optional<LinkMonitor> monitor;
};

inline const char *LinkName(LinkKind k) {
    switch (k) {
    case LinkKind::Serial:
        return "Serial";
    case LinkKind::Tcp:
        return "Tcp";
    default:
        return "Unselected";
    }
}

} // namespace zephyra::testrig
