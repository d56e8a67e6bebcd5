#include "cli/cli_text.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "core/csv_text.h"
#include "core/formatters.h"
#include "polling/readable_names.h"

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
    if (!labels.empty()) {
        out += '{';
        out += labels;
        out += '}';
    }
    out += ' ';
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
                                                              "request_mismatch",
                                                              "echo_mismatch",
                                                              "late_echo",
                                                              "late_reply",
                                                              "already_stored"};
    return reason < kDropReasonCount ? kLabels[reason] : "unknown";
}

} // namespace

std::string DeviceSpec::Address() const {
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
std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool GoodLabel(std::string_view name) {
    if (name.empty())
        return false;
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
              c == '-' || c == '.'))
            return false;
    return true;
}
} // namespace

std::optional<std::vector<DeviceSpec>> ParseDeviceList(std::string_view text, std::string *error) {
    std::vector<DeviceSpec> devices;
    int number = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++number;
        if (line.empty() || line.front() == '#' || line.front() == ';')
            continue;
        std::string_view name, device = line;
        if (const auto eq = line.find('='); eq != std::string_view::npos) {
            name = Trim(line.substr(0, eq));
            device = Trim(line.substr(eq + 1));
            if (!GoodLabel(name)) {
                *error = "line " + std::to_string(number) + ": a name is letters, digits, _ - and ., not '" +
                         std::string(name) + "'";
                return std::nullopt;
            }
        }
        std::string why;
        auto spec = ParseDevice(device, &why);
        if (!spec) {
            *error = "line " + std::to_string(number) + ": " + why;
            return std::nullopt;
        }
        spec->Label = std::string(name);
        devices.push_back(std::move(*spec));
    }
    return devices;
}

std::string DuplicateDevice(const std::vector<DeviceSpec> &devices,
                            const std::vector<std::vector<std::string>> &resolved) {
    const auto addresses = [&](std::size_t i) {
        return i < resolved.size() && !resolved[i].empty() ? resolved[i]
                                                           : std::vector<std::string>{devices[i].Address()};
    };
    for (std::size_t i = 0; i < devices.size(); ++i)
        for (std::size_t j = 0; j < i; ++j) {
            if (devices[i].Name() == devices[j].Name())
                return "device " + devices[i].Name() + " is listed twice";
            for (const std::string &a : addresses(i))
                for (const std::string &b : addresses(j))
                    if (a == b)
                        return "devices " + devices[j].Name() + " and " + devices[i].Name() + " are both " +
                               a + ": one poller per device";
        }
    return {};
}

std::string StatusText(const StatusViewModel &view) {
    std::string out;
    for (const FieldText &f : view.Fields)
        out += std::string(ReadableKey(f.Name)) + ": " + f.Text + "\n";
    for (const LampState &l : view.Lamps)
        if (l.Name)
            out += std::string(ReadableKey(l.Name)) + ": " + (l.Active ? "active" : "off") + "\n";
    return out;
}

DeviceInfo MakeDeviceInfo(const StatusSnapshot &s) {
    const int32_t ver = s.Reg(reg::kFwVersion), date = s.Reg(reg::kFwDate);
    return {FormatTenths(ver >> 8),
            std::to_string(ver & 0xFF) + "-" + std::to_string(date >> 8) + "-" + std::to_string(date & 0xFF),
            DeviceIdText(s.Reg(reg::kDeviceId1), s.Reg(reg::kDeviceId2), s.Reg(reg::kDeviceId3))};
}

namespace {
// The sample's measurements by the widgets that show them: their readable keys name the columns.
struct SampleColumn {
    const char *Widget;
    double TrendSample::*Field;
};
constexpr SampleColumn kSampleColumns[] = {{"edtACV", &TrendSample::AcV},
                                           {"edtDCV", &TrendSample::DcV},
                                           {"edtLCA", &TrendSample::LoadA},
                                           {"edtBCA", &TrendSample::BatteryA},
                                           {"edtRT", &TrendSample::RackC}};

json SampleJson(const TrendSample &t) {
    json j{{"time", FormatIsoLocal(t.Time)}, {"device_time", t.DeviceTime}};
    for (const SampleColumn &c : kSampleColumns)
        j[ReadableKey(c.Widget)] = Number(t.*c.Field);
    j["alarm_bits"] = HexWord(t.AlarmBits);
    j["relay_bits"] = HexWord(t.RelayBits);
    return j;
}
} // namespace

std::string StatusJson(const std::string &device, const StatusSnapshot &snapshot, const StatusViewModel &view,
                       const TrendSample &sample) {
    json fields = json::object();
    for (const FieldText &f : view.Fields)
        fields[ReadableKey(f.Name)] = f.Text;
    json lamps = json::object();
    for (const LampState &l : view.Lamps)
        if (l.Name)
            lamps[ReadableKey(l.Name)] = l.Active;
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

std::string WatchCsvHeader() {
    std::string header = "time,device_time";
    for (const SampleColumn &c : kSampleColumns) {
        const ReadableName *n = FindReadableName(c.Widget);
        header += std::string(",") + n->Key + " (" + n->Unit + ")";
    }
    return header + ",alarm_bits (hex),relay_bits (hex)";
}

std::string TrendJsonLine(const TrendSample &t) {
    return Dump(SampleJson(t));
}

std::string PollSummary(const std::string &device, const LinkCounters &c, std::size_t outstanding) {
    uint64_t exceptions = 0, dropped = 0;
    for (const auto &[code, n] : c.Exceptions)
        exceptions += n;
    for (uint64_t n : c.Dropped)
        dropped += n;
    char loss[40];
    // Nothing settled (never connected, or every request still awaited) measures no loss, least of all 0 %.
    if (const std::optional<double> percent = LossPercent(c, outstanding))
        std::snprintf(loss, sizeof loss, "%.1f%% loss", *percent);
    else
        std::snprintf(loss, sizeof loss, "loss not measured");
    return "--- " + device + " poll statistics ---\n" + std::to_string(c.Requests) + " requests, " +
           std::to_string(c.Replies) + " replies, " + std::to_string(c.Timeouts) + " time-outs, " +
           std::to_string(c.Superseded) + " superseded, " + std::to_string(c.Cancelled) + " cancelled, " +
           std::to_string(c.HeldBack) + " held back, " + std::to_string(outstanding) + " awaiting reply, " +
           std::to_string(c.CrcErrors) + " CRC errors, " + std::to_string(exceptions) + " exceptions, " +
           std::to_string(dropped) + " dropped frames, " + std::to_string(c.Reconnects) + " reconnects, " +
           loss + "\n";
}

std::string HistoryCsv(const std::vector<HistoryRow> &rows) {
    std::string out;
    for (const HistoryRow &row : rows)
        out += CsvLine(row);
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

void AddCounters(LinkCounters &total, const LinkCounters &more) {
    for (uint64_t LinkCounters::*field :
         {&LinkCounters::Requests, &LinkCounters::Replies, &LinkCounters::Timeouts, &LinkCounters::Superseded,
          &LinkCounters::Cancelled, &LinkCounters::HeldBack, &LinkCounters::CrcErrors,
          &LinkCounters::Reconnects, &LinkCounters::PortLosses, &LinkCounters::Takeovers})
        total.*field += more.*field;
    for (const auto &[code, n] : more.Exceptions)
        total.Exceptions[code] += n;
    for (std::size_t r = 0; r < kDropReasonCount; ++r)
        total.Dropped[r] += more.Dropped[r];
    if (!more.LastError.empty())
        total.LastError = more.LastError;
}

std::string MetricsText(const std::vector<DeviceMetrics> &devices) {
    std::vector<std::string> labels;
    for (const DeviceMetrics &d : devices)
        labels.push_back("device=\"" + EscapeLabelValue(d.Device) + "\"");
    std::string out;
    auto live = [](const DeviceMetrics &d) { return d.Up && d.Decoded; };

    Head(out,
         {"zephyra_up", "gauge", "1 while the device's status replies are live, 0 when they are stale."});
    for (std::size_t i = 0; i < devices.size(); ++i)
        Sample(out, "zephyra_up", labels[i], devices[i].Up ? "1" : "0");

    Head(out, {"zephyra_device_info", "gauge",
               "Always 1: the device's address and, once it answered, its firmware and device id."});
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const DeviceMetrics &d = devices[i];
        std::string l = labels[i] + ",address=\"" + EscapeLabelValue(d.Address) + "\"";
        if (d.Decoded)
            l += ",firmware_version=\"" + EscapeLabelValue(d.Info.FirmwareVersion) + "\",firmware_date=\"" +
                 EscapeLabelValue(d.Info.FirmwareDate) + "\",device_id=\"" +
                 EscapeLabelValue(d.Info.DeviceId) + "\"";
        Sample(out, "zephyra_device_info", l, "1");
    }

    Head(out, {"zephyra_last_reply_age_seconds", "gauge",
               "Seconds since the last good status reply (absent before the first)."});
    for (std::size_t i = 0; i < devices.size(); ++i)
        if (devices[i].LastReplyAgeS >= 0)
            Sample(out, "zephyra_last_reply_age_seconds", labels[i], Value(devices[i].LastReplyAgeS));
    Head(out, {"zephyra_reply_time_seconds", "gauge", "Time from the latest request to its reply."});
    for (std::size_t i = 0; i < devices.size(); ++i)
        if (devices[i].ReplyTimeS >= 0)
            Sample(out, "zephyra_reply_time_seconds", labels[i], Value(devices[i].ReplyTimeS));

    // Measurements only while live: a stale value would look current to whoever graphs it.
    struct Measure {
        const char *Name, *Widget;
        double DeviceMetrics::*Own; // a field of the metrics, or of the sample when null
        double TrendSample::*Field;
    };
    const Measure measures[] = {
        {"zephyra_ac_input_volts", "edtACV", nullptr, &TrendSample::AcV},
        {"zephyra_dc_output_volts", "edtDCV", nullptr, &TrendSample::DcV},
        {"zephyra_load_current_amperes", "edtLCA", nullptr, &TrendSample::LoadA},
        {"zephyra_battery_current_amperes", "edtBCA", nullptr, &TrendSample::BatteryA},
        {"zephyra_rack_temperature_celsius", "edtRT", nullptr, &TrendSample::RackC},
        {"zephyra_dc_high_setpoint_volts", "edtDCH", &DeviceMetrics::DcHighSetpointV, nullptr},
        {"zephyra_dc_low_setpoint_volts", "edtDCL", &DeviceMetrics::DcLowSetpointV, nullptr},
    };
    for (const Measure &m : measures) {
        const ReadableName *n = FindReadableName(m.Widget);
        const std::string help = std::string(n->Key) + " (" + n->Caption + ")" +
                                 (m.Field == &TrendSample::BatteryA ? ", negative while discharging." : ".");
        Head(out, {m.Name, "gauge", help.c_str()});
        for (std::size_t i = 0; i < devices.size(); ++i) {
            const DeviceMetrics &d = devices[i];
            const double v = m.Own ? d.*m.Own : d.Sample.*m.Field;
            if (live(d) && !std::isnan(v))
                Sample(out, m.Name, labels[i], Value(v));
        }
    }

    // Alarm lamps and relays by their readable key, with the window's caption beside it.
    for (const bool relays : {false, true}) {
        const char *name = relays ? "zephyra_relay" : "zephyra_alarm";
        Head(out, {name, "gauge",
                   relays ? "Relay lamps of the main window: 1 active (red), 0 not."
                          : "Alarm lamps of the main window: 1 active (red), 0 not."});
        for (std::size_t i = 0; i < devices.size(); ++i) {
            const DeviceMetrics &d = devices[i];
            if (!live(d))
                continue;
            for (std::size_t k = 0; k < d.View.Lamps.size(); ++k) {
                const LampState &l = d.View.Lamps[k];
                if (!l.Name || (k >= static_cast<std::size_t>(kAlarmLampCount)) != relays)
                    continue;
                const ReadableName *n = FindReadableName(l.Name);
                Sample(out, name,
                       labels[i] + (relays ? ",relay=\"" : ",alarm=\"") + ReadableKey(l.Name) +
                           "\",caption=\"" + EscapeLabelValue(n ? n->Caption : "") + "\"",
                       l.Active ? "1" : "0");
            }
        }
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
        {{"zephyra_cancelled_requests_total", "counter",
          "Requests still awaited when their connection or port went away."},
         &LinkCounters::Cancelled},
        {{"zephyra_held_back_polls_total", "counter",
          "Due polls not sent while the device still owed a reply (serial) or replies to four requests "
          "(TCP)."},
         &LinkCounters::HeldBack},
        {{"zephyra_crc_errors_total", "counter", "Serial frames dropped for a bad CRC."},
         &LinkCounters::CrcErrors},
        {{"zephyra_reconnects_total", "counter", "Links made again after a loss."},
         &LinkCounters::Reconnects},
        {{"zephyra_port_losses_total", "counter", "Serial ports lost under the poll."},
         &LinkCounters::PortLosses},
        {{"zephyra_link_takeovers_total", "counter",
          "Working connections the device dropped while it went on accepting others: another client may be "
          "using it."},
         &LinkCounters::Takeovers},
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

std::string ExporterMetricsText(std::string_view version, const ProcessStats &process) {
    std::string out;
    Head(out, {"zephyra_exporter_build_info", "gauge", "Always 1: the version of zephyra-cli serving this."});
    Sample(out, "zephyra_exporter_build_info", "version=\"" + EscapeLabelValue(version) + "\"", "1");
    const struct {
        Family F;
        double Value;
    } figures[] = {
        {{"process_cpu_seconds_total", "counter", "Total user and system CPU time spent in seconds."},
         process.CpuSeconds},
        {{"process_resident_memory_bytes", "gauge", "Resident memory size in bytes."}, process.ResidentBytes},
        {{"process_open_fds", "gauge", "Number of open file descriptors."}, process.OpenFds},
        {{"process_start_time_seconds", "gauge", "Start time of the process since unix epoch in seconds."},
         process.StartTimeS},
    };
    for (const auto &f : figures)
        if (f.Value >= 0) {
            Head(out, f.F);
            Sample(out, f.F.Name, {}, Value(f.Value));
        }
    return out;
}

bool HttpHeadComplete(std::string_view received) {
    return received.find("\r\n\r\n") != std::string_view::npos ||
           received.find("\n\n") != std::string_view::npos;
}

HttpRequest HttpCheckRequest(std::string_view head) {
    HttpRequest request;
    const auto lineEnd = head.find_first_of("\r\n");
    const std::string_view line = head.substr(0, lineEnd);
    const auto sp1 = line.find(' ');
    const auto sp2 = sp1 == std::string_view::npos ? sp1 : line.find(' ', sp1 + 1);
    if (sp2 == std::string_view::npos || line.find(' ', sp2 + 1) != std::string_view::npos)
        return request;
    const std::string_view method = line.substr(0, sp1);
    std::string_view target = line.substr(sp1 + 1, sp2 - sp1 - 1);
    const std::string_view version = line.substr(sp2 + 1);
    if (version != "HTTP/1.0" && version != "HTTP/1.1")
        return request;
    if (target.empty() || target.front() != '/')
        return request;
    if (method != "GET" && method != "HEAD") {
        request.Code = 405;
        return request;
    }
    target = target.substr(0, target.find('?'));
    request.Code = target == "/metrics" || target == "/" ? 0 : 404;
    request.Landing = target == "/";
    request.HeadOnly = method == "HEAD";
    return request;
}

std::string HttpStatus(int code, std::string_view contentType, std::string_view body, bool withBody) {
    const char *reason = code == 200   ? "OK"
                         : code == 401 ? "Unauthorized"
                         : code == 404 ? "Not Found"
                         : code == 405 ? "Method Not Allowed"
                         : code == 408 ? "Request Timeout"
                                       : "Bad Request";
    std::string out = "HTTP/1.1 " + std::to_string(code) + " " + reason + "\r\n";
    out += "Content-Type: " + std::string(contentType) + "\r\n";
    out += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    if (code == 401)
        out += "WWW-Authenticate: Basic realm=\"zephyra-cli\", charset=\"UTF-8\"\r\n";
    if (code == 405)
        out += "Allow: GET, HEAD\r\n";
    out += "Connection: close\r\n\r\n";
    if (withBody)
        out += body;
    return out;
}

std::string HttpError(int code) {
    return HttpStatus(code, "text/plain; charset=utf-8",
                      code == 401   ? "unauthorized\n"
                      : code == 404 ? "not found: the page is /metrics\n"
                      : code == 405 ? "method not allowed\n"
                      : code == 408 ? "request timed out\n"
                                    : "bad request\n");
}

std::string LandingPage(std::string_view version) {
    return "<!DOCTYPE html>\n<html>\n<head><meta charset=\"utf-8\"><title>ZEPHYRA-M10 "
           "exporter</title></head>\n"
           "<body>\n<h1>ZEPHYRA-M10 exporter</h1>\n<p>zephyra-cli " +
           std::string(version) + "</p>\n<p><a href=\"/metrics\">Metrics</a></p>\n</body>\n</html>\n";
}

} // namespace zephyra::cli
