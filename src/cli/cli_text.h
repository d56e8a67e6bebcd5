// What zephyra-cli prints: device names, the status as JSON, poll lines, the poll summary, history rows as
// CSV, and the metrics page with its HTTP framing. No Qt: the command line's rules live here, next to
// their tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "history/history_record.h"
#include "link/link_monitor.h"
#include "polling/status_decoder.h"
#include "trend/trend_sample.h"

namespace zephyra::cli {

struct DeviceSpec {
    LinkKind Link = LinkKind::Tcp;
    std::string Host; // TCP
    uint16_t Port = 502;
    std::string Path;  // serial
    std::string Label; // the name a device list gives it; empty: known by its address
    // "tcp:127.0.0.1:1502" or "serial:/dev/ttyUSB0".
    std::string Address() const;
    // The label, or the address: the device label of every line and metric.
    std::string Name() const { return Label.empty() ? Address() : Label; }
};

// "tcp:HOST[:PORT]" or "serial:PATH"; nullopt and *error when neither.
std::optional<DeviceSpec> ParseDevice(std::string_view text, std::string *error);
// "HOST[:PORT]" of --tcp; an IPv6 address goes in brackets when a port follows. Port 0 (the system
// chooses) only for a listening address.
std::optional<DeviceSpec> ParseTcpTarget(std::string_view text, std::string *error, bool listening = false);

// A device list file: one device a line, "NAME = tcp:HOST[:PORT]" or "NAME = serial:PATH" or the
// device alone; blank lines and lines starting with # or ; are skipped. nullopt and *error (with the
// line number) on the first line that is not one of these.
std::optional<std::vector<DeviceSpec>> ParseDeviceList(std::string_view text, std::string *error);
// "device X is listed twice" when two devices share a name or an address (their series would clash
// and their pollers take the link from each other); empty when all differ. `resolved` holds, for each
// device, the addresses it resolves to (a host name may have several; a serial port its real path) in
// the form of Address(); without them the addresses as given are compared.
std::string DuplicateDevice(const std::vector<DeviceSpec> &devices,
                            const std::vector<std::vector<std::string>> &resolved = {});

// The shortest poll period a link carries: a 254-byte status reply alone takes 23 ms at 115200 baud,
// and the device needs its turn-around besides.
inline constexpr int kMinPollIntervalMs = 100;

// One status read as text: "key: text" for every field, "key: active|off" for every lamp.
std::string StatusText(const StatusViewModel &view);
// What identifies the device's firmware and itself, for the info metric.
struct DeviceInfo {
    std::string FirmwareVersion, FirmwareDate, DeviceId;
};
DeviceInfo MakeDeviceInfo(const StatusSnapshot &snapshot);

// One status read: the window's field texts and lamps by name, and the raw registers.
std::string StatusJson(const std::string &device, const StatusSnapshot &snapshot, const StatusViewModel &view,
                       const TrendSample &sample);
// The header of TrendCsvLine's columns for watch: readable keys with their units.
std::string WatchCsvHeader();
// The columns of TrendCsvLine as one JSON object, keyed as in WatchCsvHeader without the units.
std::string TrendJsonLine(const TrendSample &sample);
// After the last poll line: what went over the link.
std::string PollSummary(const std::string &device, const LinkCounters &counters, std::size_t outstanding);
// Header and records, one line each (RFC 4180 quoting, CRLF line ends).
std::string HistoryCsv(const std::vector<HistoryRow> &rows);

struct DeviceMetrics {
    std::string Device;
    std::string Address;
    bool Up = false;
    bool Decoded = false; // the view and sample hold a decode
    StatusViewModel View;
    TrendSample Sample;
    LinkCounters Counters;
    DeviceInfo Info;
    double LastReplyAgeS = -1; // since the last good status reply; negative: none yet
    double ReplyTimeS = -1;    // request to reply, the latest one
    // The DC voltage alarm set-points, in volts; NaN where the device reports none.
    double DcHighSetpointV = 0, DcLowSetpointV = 0;
};
// Adds one read's counters to the totals kept between reads (read-on-scrape mode).
void AddCounters(LinkCounters &total, const LinkCounters &more);
// The Prometheus text exposition (version 0.0.4) of all devices, families in a fixed order.
std::string MetricsText(const std::vector<DeviceMetrics> &devices);
// A label value with \, " and line feeds escaped.
std::string EscapeLabelValue(std::string_view value);

// What the exporter says of itself, besides the devices: its version and, where the system tells them,
// the process figures every exporter serves. Negative: not known here.
struct ProcessStats {
    double CpuSeconds = -1, ResidentBytes = -1, OpenFds = -1, StartTimeS = -1;
};
std::string ExporterMetricsText(std::string_view version, const ProcessStats &process);

// Whether a request head is complete (its blank line arrived).
bool HttpHeadComplete(std::string_view received);
struct HttpRequest {
    int Code = 400;        // 0: a page is asked for; else the status to answer
    bool HeadOnly = false; // HEAD: the answer without its body
    bool Landing = false;  // "/", the page that links to /metrics
};
// GET or HEAD of /metrics or /; 404, 405 or 400 otherwise.
HttpRequest HttpCheckRequest(std::string_view head);
// The whole response; a 401 asks for basic authentication, a 405 names the methods allowed.
std::string HttpStatus(int code, std::string_view contentType, std::string_view body, bool withBody = true);
// A short plain-text answer for an error status (400, 401, 404, 405, 408).
std::string HttpError(int code);
inline constexpr const char *kMetricsContentType = "text/plain; version=0.0.4; charset=utf-8";
// The page at "/": what this is and a link to the metrics.
std::string LandingPage(std::string_view version);

} // namespace zephyra::cli
