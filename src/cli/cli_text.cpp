#include "cli/cli_text.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace zephyra::cli {

namespace {

// Keys in the order written: the same order as the CSV columns and the window's fields.
using json = nlohmann::ordered_json;

std::string Dump(const json &j) {
    // Device texts are UTF-8 from our own decoder; a stray byte must not abort the program.
    return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

json Number(double v) {
    if (std::isnan(v))
        return nullptr;
    if (v == std::floor(v) && std::fabs(v) < 1e15)
        return static_cast<int64_t>(v);
    return v;
}

std::string Hex4(uint16_t v) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", v);
    return text;
}

std::string Value(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", v);
    return text;
}

bool ParsePort(std::string_view text, uint16_t &port, bool zeroAllowed) {
    if (text.empty() || text.size() > 5)
        return false;
    unsigned v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    if ((v == 0 && !zeroAllowed) || v > 65535)
        return false;
    port = static_cast<uint16_t>(v);
    return true;
}

// Metric families in one place: name, type and help.
struct Family {
    const char *Name;
    const char *Type;
    const char *Help;
};

void Head(std::string &out, const Family &f) {
    out += "# HELP ";
    out += f.Name;
    out += ' ';
    out += f.Help;
    out += "\n# TYPE ";
    out += f.Name;
    out += ' ';
    out += f.Type;
    out += '\n';
}

void Sample(std::string &out, const char *name, const std::string &labels, const std::string &value) {
    out += name;
    out += '{';
    out += labels;
    out += "} ";
    out += value;
    out += '\n';
}

const char *DropReasonLabel(std::size_t reason) {
    static constexpr const char *kLabels[kDropReasonCount] = {"none",
                                                              "bad_crc",
                                                              "unknown_unit_or_function",
                                                              "stale_transaction",
                                                              "length_mismatch",
                                                              "half_frame_after_silence",
                                                              "noise",
                                                              "not_awaited",
                                                              "short_block",
                                                              "request_mismatch"};
    return reason < kDropReasonCount ? kLabels[reason] : "unknown";
}

} // namespace

std::string DeviceSpec::Name() const {
    if (Link == LinkKind::Serial)
        return "serial:" + Path;
    const bool v6 = Host.find(':') != std::string::npos;
    return "tcp:" + (v6 ? "[" + Host + "]" : Host) + ":" + std::to_string(Port);
}

std::optional<DeviceSpec> ParseTcpTarget(std::string_view text, std::string *error, bool listening) {
    DeviceSpec d;
    d.Link = LinkKind::Tcp;
    std::string_view host = text, port;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string_view::npos) {
            *error = "unclosed [ in " + std::string(text);
            return std::nullopt;
        }
        host = text.substr(1, close - 1);
        std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') {
                *error = "expected :PORT after ] in " + std::string(text);
                return std::nullopt;
            }
            port = rest.substr(1);
            if (port.empty())
                port = "x"; // "[::1]:" names no port
        }
    } else if (const auto colon = text.find(':'); colon != std::string_view::npos) {
        // One colon separates the port; more than one is an IPv6 address without a port.
        if (text.find(':', colon + 1) == std::string_view::npos) {
            host = text.substr(0, colon);
            port = text.substr(colon + 1);
            if (port.empty())
                port = "x";
        }
    }
    if (host.empty()) {
        *error = "no host in " + std::string(text);
        return std::nullopt;
    }
    if (!port.empty() && !ParsePort(port, d.Port, listening)) {
        *error = "the port in " + std::string(text) + " is not a number from 1 to 65535";
        return std::nullopt;
    }
    d.Host = std::string(host);
    return d;
}

std::optional<DeviceSpec> ParseDevice(std::string_view text, std::string *error) {
    if (text.substr(0, 4) == "tcp:")
        return ParseTcpTarget(text.substr(4), error);
    if (text.substr(0, 7) == "serial:" && text.size() > 7) {
        DeviceSpec d;
        d.Link = LinkKind::Serial;
        d.Path = std::string(text.substr(7));
        return d;
    }
    *error = "a device is tcp:HOST[:PORT] or serial:PATH, not " + std::string(text);
    return std::nullopt;
}

namespace {
json SampleJson(const TrendSample &t) {
    return json{{"time", FormatIsoLocal(t.Time)},        {"device_time", t.DeviceTime},
                {"ac_input_v", Number(t.AcV)},           {"dc_output_v", Number(t.DcV)},
                {"load_current_a", Number(t.LoadA)},     {"battery_current_a", Number(t.BatteryA)},
                {"rack_temperature_c", Number(t.RackC)}, {"alarm_bits", Hex4(t.AlarmBits)},
                {"relay_bits", Hex4(t.RelayBits)}};
}
} // namespace

std::string StatusJson(const std::string &device, const StatusSnapshot &snapshot, const StatusViewModel &view,
                       const TrendSample &sample) {
    json fields = json::object();
    for (const FieldText &f : view.Fields)
        fields[f.Name] = f.Text;
    json lamps = json::object();
    for (const LampState &l : view.Lamps)
        if (l.Name)
            lamps[l.Name] = l.Active;
    json registers = json::array();
    for (int32_t r : snapshot.Raw)
        registers.push_back(r);
    json j{{"device", device},
           {"fields", fields},
           {"lamps", lamps},
           {"alarm_test", view.AlarmTestLabelVisible},
           {"sample", SampleJson(sample)},
           {"registers_from", 1},
           {"registers", registers}};
    return j.dump(2, ' ', false, json::error_handler_t::replace);
}

std::string TrendJsonLine(const TrendSample &t) {
    return Dump(SampleJson(t));
}

double LossPercent(const LinkCounters &c, std::size_t outstanding) {
    const uint64_t settled = c.Requests > outstanding ? c.Requests - outstanding : 0;
    if (settled == 0 || c.Replies >= settled)
        return 0.0;
    return 100.0 * static_cast<double>(settled - c.Replies) / static_cast<double>(settled);
}

std::string PollSummary(const std::string &device, const LinkCounters &c, std::size_t outstanding) {
    uint64_t exceptions = 0, dropped = 0;
    for (const auto &[code, n] : c.Exceptions)
        exceptions += n;
    for (uint64_t n : c.Dropped)
        dropped += n;
    char loss[32];
    std::snprintf(loss, sizeof loss, "%.1f%%", LossPercent(c, outstanding));
    return "--- " + device + " poll statistics ---\n" + std::to_string(c.Requests) + " requests, " +
           std::to_string(c.Replies) + " replies, " + std::to_string(c.Timeouts) + " time-outs, " +
           std::to_string(c.Superseded) + " superseded, " + std::to_string(outstanding) +
           " awaiting reply, " + std::to_string(c.CrcErrors) + " CRC errors, " + std::to_string(exceptions) +
           " exceptions, " + std::to_string(dropped) + " dropped frames, " + std::to_string(c.Reconnects) +
           " reconnects, " + loss + " loss\n";
}

std::string HistoryCsv(const std::vector<HistoryRow> &rows) {
    std::string out;
    for (const HistoryRow &row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c > 0)
                out += ',';
            const std::string &cell = row[c];
            if (cell.find_first_of(",\"\r\n") == std::string::npos) {
                out += cell;
                continue;
            }
            out += '"';
            for (char ch : cell) {
                if (ch == '"')
                    out += '"';
                out += ch;
            }
            out += '"';
        }
        out += "\r\n";
    }
    return out;
}

std::string EscapeLabelValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\\\"";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

std::string MetricsText(const std::vector<DeviceMetrics> &devices) {
    std::vector<std::string> labels;
    for (const DeviceMetrics &d : devices)
        labels.push_back("device=\"" + EscapeLabelValue(d.Device) + "\"");
    std::string out;

    Head(out,
         {"zephyra_up", "gauge", "1 while the device's status replies are live, 0 when they are stale."});
    for (std::size_t i = 0; i < devices.size(); ++i)
        Sample(out, "zephyra_up", labels[i], devices[i].Up ? "1" : "0");

    // Measurements only while live: a stale value would look current to whoever graphs it.
    struct Measure {
        Family F;
        double TrendSample::*Field;
    };
    const Measure measures[] = {
        {{"zephyra_ac_input_volts", "gauge", "AC input voltage."}, &TrendSample::AcV},
        {{"zephyra_dc_output_volts", "gauge", "DC output voltage."}, &TrendSample::DcV},
        {{"zephyra_load_current_amperes", "gauge", "Load current."}, &TrendSample::LoadA},
        {{"zephyra_battery_current_amperes", "gauge", "Battery current, negative while discharging."},
         &TrendSample::BatteryA},
        {{"zephyra_rack_temperature_celsius", "gauge", "Rack temperature (absent without a sensor)."},
         &TrendSample::RackC},
    };
    for (const Measure &m : measures) {
        Head(out, m.F);
        for (std::size_t i = 0; i < devices.size(); ++i) {
            const DeviceMetrics &d = devices[i];
            const double v = d.Sample.*m.Field;
            if (d.Up && d.Decoded && !std::isnan(v))
                Sample(out, m.F.Name, labels[i], Value(v));
        }
    }

    Head(out, {"zephyra_alarm", "gauge",
               "Alarm and relay lamps of the main window by name: 1 active (red), 0 not."});
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const DeviceMetrics &d = devices[i];
        if (!d.Up || !d.Decoded)
            continue;
        for (const LampState &l : d.View.Lamps)
            if (l.Name)
                Sample(out, "zephyra_alarm", labels[i] + ",alarm=\"" + EscapeLabelValue(l.Name) + "\"",
                       l.Active ? "1" : "0");
    }

    struct Count {
        Family F;
        uint64_t LinkCounters::*Field;
    };
    const Count counts[] = {
        {{"zephyra_requests_total", "counter", "Requests sent."}, &LinkCounters::Requests},
        {{"zephyra_replies_total", "counter", "Replies received whole (exceptions included)."},
         &LinkCounters::Replies},
        {{"zephyra_timeouts_total", "counter", "Requests that got no reply in time."},
         &LinkCounters::Timeouts},
        {{"zephyra_superseded_requests_total", "counter", "TCP requests pushed out by newer ones."},
         &LinkCounters::Superseded},
        {{"zephyra_crc_errors_total", "counter", "Serial frames dropped for a bad CRC."},
         &LinkCounters::CrcErrors},
        {{"zephyra_reconnects_total", "counter", "Links made again after a loss."},
         &LinkCounters::Reconnects},
        {{"zephyra_port_losses_total", "counter", "Serial ports lost under the poll."},
         &LinkCounters::PortLosses},
    };
    for (const Count &c : counts) {
        Head(out, c.F);
        for (std::size_t i = 0; i < devices.size(); ++i)
            Sample(out, c.F.Name, labels[i], std::to_string(devices[i].Counters.*c.Field));
    }

    Head(out, {"zephyra_exceptions_total", "counter", "Exception replies by Modbus exception code."});
    for (std::size_t i = 0; i < devices.size(); ++i)
        for (const auto &[code, n] : devices[i].Counters.Exceptions)
            Sample(out, "zephyra_exceptions_total", labels[i] + ",code=\"" + std::to_string(code) + "\"",
                   std::to_string(n));

    Head(out, {"zephyra_dropped_frames_total", "counter", "Received frames dropped, by reason."});
    for (std::size_t i = 0; i < devices.size(); ++i)
        for (std::size_t r = 1; r < kDropReasonCount; ++r)
            Sample(out, "zephyra_dropped_frames_total", labels[i] + ",reason=\"" + DropReasonLabel(r) + "\"",
                   std::to_string(devices[i].Counters.Dropped[r]));
    return out;
}

bool HttpHeadComplete(std::string_view received) {
    return received.find("\r\n\r\n") != std::string_view::npos ||
           received.find("\n\n") != std::string_view::npos;
}

int HttpCheckRequest(std::string_view head, bool *headOnly) {
    const auto lineEnd = head.find_first_of("\r\n");
    const std::string_view line = head.substr(0, lineEnd);
    const auto sp1 = line.find(' ');
    const auto sp2 = sp1 == std::string_view::npos ? sp1 : line.find(' ', sp1 + 1);
    if (sp2 == std::string_view::npos || line.find(' ', sp2 + 1) != std::string_view::npos)
        return 400;
    const std::string_view method = line.substr(0, sp1);
    std::string_view target = line.substr(sp1 + 1, sp2 - sp1 - 1);
    const std::string_view version = line.substr(sp2 + 1);
    if (version != "HTTP/1.0" && version != "HTTP/1.1")
        return 400;
    if (target.empty() || target.front() != '/')
        return 400;
    if (method != "GET" && method != "HEAD")
        return 405;
    target = target.substr(0, target.find('?'));
    if (target != "/metrics")
        return 404;
    *headOnly = method == "HEAD";
    return 0;
}

std::string HttpStatus(int code, std::string_view contentType, std::string_view body, bool withBody) {
    const char *reason = code == 200   ? "OK"
                         : code == 404 ? "Not Found"
                         : code == 405 ? "Method Not Allowed"
                                       : "Bad Request";
    std::string out = "HTTP/1.1 " + std::to_string(code) + " " + reason + "\r\n";
    out += "Content-Type: " + std::string(contentType) + "\r\n";
    out += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    if (code == 405)
        out += "Allow: GET, HEAD\r\n";
    out += "Connection: close\r\n\r\n";
    if (withBody)
        out += body;
    return out;
}

} // namespace zephyra::cli
