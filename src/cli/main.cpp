// zephyra-cli: the console's engine without a window. It reads one device's status, watches it, downloads
// its logs, or serves the status of several devices as Prometheus metrics. It never writes to a device.
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QHostAddress>
#include <QHostInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include "cli/cli_text.h"
#include "cli/metrics_endpoint.h"
#include "cli/profile_commands_endpoint.h"
#include "device/device_link_endpoint.h"
#include "device/language_endpoint.h"
#include "history/history_export.h"

namespace zephyra::cli {
namespace {

constexpr const char *kUsage = R"(Usage: zephyra-cli [LINK] [--timeout S] COMMAND [OPTIONS]

The ZEPHYRA-M10 console without a window. It only reads: nothing is ever written to a device.

LINK (one device):
  --serial PATH          Modbus RTU on a serial port, 115200 8N1 (e.g. /dev/ttyUSB0)
  --tcp HOST[:PORT]      Modbus TCP (port 502 unless given; IPv6 as [ADDR]:PORT)
  --timeout S            seconds to wait for the device (default 5): status gives up after it,
                         watch waits at most this long for each line (when --timeout or --count
                         is given; otherwise it rides out outages), history gives up when the
                         download stalls that long after its own retries. A refused connection
                         or an unknown host ends at once.

Commands:
  status [--json]        one status read, with the texts the console's window shows; --json adds
                         the lamps, the measurements and the 127 raw registers
  watch [--interval S] [--count N] [--csv|--jsonl]
                         one line per status poll on standard output (CSV, the columns of the
                         console's trend recording under readable keys with their units, or JSON
                         lines with the same keys); every S seconds (default: the link's own pace, 0.6 s serial,
                         0.9 s TCP; at least 0.1 s), N lines (default: until Ctrl-C or SIGTERM).
                         Outages and recoveries go to standard error as they happen, and at the end
                         a summary of the link's requests, replies, time-outs, errors and loss.
                         When standard output goes away (watch | head) it ends at once, status 141.
  history alarm|data|event --out FILE.xls|FILE.csv
                         downloads a log from the device, one request at a time as the console
                         does, and writes it as the console's workbook (.xls) or as CSV. An
                         existing FILE is never replaced: the command refuses and writes nothing.
                         Progress goes to standard error.
  metrics [--listen HOST:PORT] [--interval S] [--config FILE] [--read-on-scrape]
          [--web-config FILE] [DEVICE...]
                         polls every DEVICE at once and serves their status at
                         http://HOST:PORT/metrics in the Prometheus text format (default
                         127.0.0.1:9464, loopback only; another address only when given; port 0:
                         the system chooses, standard error names it). DEVICE is
                         tcp:HOST[:PORT] or serial:PATH; FILE lists devices one a line, as
                         "NAME = tcp:HOST[:PORT]" (NAME becomes the device label). --interval S sets
                         the poll period (default 1 s, at least 0.1 s); a device silent for three
                         periods reports zephyra_up 0. Devices going down and coming back are
                         logged on standard error with the cause. --read-on-scrape: no poll;
                         each scrape connects, reads one status block (within --timeout S,
                         default 5) and lets go, so the device is free between scrapes.
                         --web-config FILE: HTTPS and basic authentication, set as for other
                         Prometheus exporters (tls_server_config: cert_file, key_file;
                         basic_auth_users: NAME: BCRYPT-HASH); a file it cannot use: status 2.
                         Devices named twice, also under two spellings of one address
                         (localhost, 127.0.0.1) or a serial port and a link to it, are refused.
  profile save FILE      writes the device's operating set-points, access list and Ethernet speed
                         as a site profile (JSON); an existing FILE is never replaced
  profile diff FILE      compares the device with a site profile and prints each difference;
                         exit status 0 when the device matches, 3 when it differs
  report FILE.pdf [--site NAME] [--technician NAME] [--profile FILE]
                         writes the commissioning report (site, identity, set-points, access list,
                         measurements, active alarms, lamps, link figures); with --profile, whether
                         the device matches that site profile or what differs; an existing FILE is
                         never replaced
  help, --help           this text
  --version              the program's version

Exit status: 0 done, 1 the device did not answer or a file could not be written, 2 bad usage,
3 profile diff found differences, 130 interrupted (history writes nothing then), 141 standard
output closed (watch).
)";

// Core messages (the completion box, "No History data") go to the caller's log; nothing waits for them.
class QuietOperator : public Operator {
public:
    void ShowInformation(const std::string &) override {}
    void ShowError(const std::string &text) override { lastError = text; }
    void ShowMessage(const std::string &) override {}
    std::string lastError;
};

// Set by Ctrl-C or SIGTERM: a download cut short writes nothing.
bool interrupted = false;

std::ostream &NullTrace() {
    static std::ostream none(nullptr);
    return none;
}

// Durations are timed on the monotonic clock: a wall-clock step must not end or stretch a wait.
int64_t MonotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string Seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", s);
    return text;
}

void Fail(const std::string &text) {
    std::cerr << "zephyra-cli: " << text << std::endl;
}

// What a shell sees from a program killed by SIGPIPE: the reader of standard output went away.
constexpr int kExitOutputClosed = 141;

struct Args {
    std::optional<DeviceSpec> device;
    std::optional<double> timeoutS;
    std::string command;
    std::vector<std::string> words; // the command's own words
    bool json = false, jsonl = false, onScrape = false;
    std::optional<double> intervalS;
    long count = 0;
    std::string out, listen, config, webConfig;
    ReportOptions report;
    double Timeout() const { return timeoutS.value_or(5); }
};

constexpr double kMaxSeconds = 86400;

// A number of seconds, or NaN.
double ParseSeconds(const std::string &text) {
    try {
        std::size_t used = 0;
        const double value = std::stod(text, &used);
        return used == text.size() ? value : std::nan("");
    } catch (...) {
        return std::nan("");
    }
}

// Returns an error text, empty when the arguments make sense.
std::string ParseArgs(const std::vector<std::string> &argv, Args &a) {
    auto value = [&](std::size_t &i) -> std::optional<std::string> {
        if (i + 1 >= argv.size())
            return std::nullopt;
        return argv[++i];
    };
    std::string error;
    for (std::size_t i = 0; i < argv.size(); ++i) {
        const std::string &w = argv[i];
        if (w == "--serial" || w == "--tcp") {
            auto v = value(i);
            if (!v)
                return w + " needs a value";
            if (a.device)
                return "one link only: --serial or --tcp, once";
            if (w == "--serial") {
                a.device = DeviceSpec{LinkKind::Serial, {}, 0, *v, {}};
            } else if (!(a.device = ParseTcpTarget(*v, &error))) {
                return error;
            }
        } else if (w == "--timeout" || w == "--interval") {
            auto v = value(i);
            const double s = v ? ParseSeconds(*v) : std::nan("");
            const bool interval = w == "--interval";
            // NaN fails both comparisons, so it is out of range too.
            if (!(s > 0 && s <= kMaxSeconds) || (interval && !(s * 1000 >= kMinPollIntervalMs)))
                return w + " takes a number of seconds " +
                       (interval ? "from " + Seconds(kMinPollIntervalMs / 1000.0) + " to "
                                 : "above 0 up to ") +
                       Seconds(kMaxSeconds) + (v ? ", not '" + *v + "'" : "") +
                       (interval ? " (a status reply alone takes 23 ms at 115200 baud)" : "");
            (interval ? a.intervalS : a.timeoutS).emplace(s);
        } else if (w == "--count") {
            auto v = value(i);
            try {
                a.count = v ? std::stol(*v) : 0;
            } catch (...) {
                a.count = 0;
            }
            if (a.count <= 0)
                return "--count needs a number of lines";
        } else if (w == "--site" || w == "--technician" || w == "--profile") {
            auto v = value(i);
            if (!v || v->empty())
                return w + " needs a value";
            (w == "--site" ? a.report.Site : w == "--technician" ? a.report.Technician : a.report.Profile) = *v;
        } else if (w == "--out" || w == "--listen" || w == "--config" || w == "--web-config") {
            auto v = value(i);
            if (!v || v->empty())
                return w + " needs a value";
            (w == "--out"      ? a.out
             : w == "--listen" ? a.listen
             : w == "--config" ? a.config
                               : a.webConfig) = *v;
        } else if (w == "--json") {
            a.json = true;
        } else if (w == "--jsonl") {
            a.jsonl = true;
        } else if (w == "--read-on-scrape") {
            a.onScrape = true;
        } else if (w == "--csv") {
            a.jsonl = false;
        } else if (w.size() > 1 && w[0] == '-') {
            return "unknown option " + w;
        } else if (a.command.empty()) {
            a.command = w;
        } else {
            a.words.push_back(w);
        }
    }
    if (a.command.empty())
        return "no command given";
    if (a.command == "metrics" && a.device)
        return "metrics takes its devices as words (tcp:HOST[:PORT] serial:PATH) or from --config, "
               "not from --serial or --tcp";
    if (a.command != "metrics" &&
        (!a.listen.empty() || !a.config.empty() || !a.webConfig.empty() || a.onScrape))
        return "--listen, --config, --web-config and --read-on-scrape belong to metrics, not to " + a.command;
    if (a.command != "metrics" && a.command != "help" && !a.device)
        return a.command + " needs a link: --serial PATH or --tcp HOST[:PORT]";
    // A word a script did not mean must not pass as success.
    if ((a.command == "status" || a.command == "watch") && !a.words.empty())
        return a.command + " takes no words, not '" + a.words.front() + "'";
    if (a.command != "report" &&
        (!a.report.Site.empty() || !a.report.Technician.empty() || !a.report.Profile.empty()))
        return "--site, --technician and --profile belong to report";
    return {};
}

// Says on standard error when a device goes down, with the cause, and when it is back.
class OutageLog {
public:
    void Down(const std::string &device, const std::string &cause) {
        if (std::exchange(down_, true))
            return;
        sinceMs_ = MonotonicMs();
        std::cerr << "zephyra-cli: " << device << ": down: " << cause << std::endl;
    }
    void Up(const std::string &device) {
        if (std::exchange(down_, false))
            std::cerr << "zephyra-cli: " << device << ": up again after "
                      << Seconds(static_cast<double>(MonotonicMs() - sinceMs_) / 1000.0) << " s" << std::endl;
    }
    bool IsDown() const { return down_; }

private:
    bool down_ = false;
    int64_t sinceMs_ = 0;
};

// One device's engine, started on its link. It says on standard error when the device goes down
// and when it comes back, with the cause.
class Device {
public:
    explicit Device(const DeviceSpec &spec) : spec_(spec), link_(messages_, NullTrace(), QtTextTranslator()) {
        // Nobody looks at the traffic lines here; a long-running poller must not collect them.
        link_.Monitor().SetLineCapacity(0);
        // The poll keeps trying after a failed first connect; nobody waits for it.
        link_.SetConnectInBackground(true);
        link_.SetHealthObserver([this] { CheckHealth(); });
        decodeSub_ = link_.Controller().OnDecode([this](const StatusSnapshot &s, const StatusViewModel &view) {
            ++decodes_;
            outages_.Up(Name());
            if (onDecode_)
                onDecode_(s, view);
        });
        QObject::connect(&link_.Tcp(), &TcpEndpoint::ConnectAttemptFailed, &link_.Tcp(),
                         [this](const QString &error) {
                             if (onConnectFailed_)
                                 onConnectFailed_(error.toStdString());
                         });
    }
    bool Start(std::string *error) {
        const bool serial = spec_.Link == LinkKind::Serial;
        if (!serial)
            link_.SetTcpPort(spec_.Port);
        const ConnectOutcome outcome = link_.Connect(spec_.Link, serial ? spec_.Path : spec_.Host);
        if (!outcome.Confirmed)
            *error = outcome.Error;
        return outcome.Confirmed;
    }
    void OnDecode(std::function<void(const StatusSnapshot &, const StatusViewModel &)> f) {
        onDecode_ = std::move(f);
    }
    // A connect attempt failed (refused, host not found, timed out).
    void OnConnectFailed(std::function<void(const std::string &)> f) { onConnectFailed_ = std::move(f); }
    // For the long-running commands: each outage and recovery goes to standard error.
    void LogOutages() { logOutages_ = true; }
    DeviceLink &Link() { return link_; }
    const DeviceSpec &Spec() const { return spec_; }
    std::string Name() const { return spec_.Name(); }
    uint64_t Decodes() const { return decodes_; }
    // What went wrong last, for a message: "connect failed: Connection refused".
    std::string LastError() { return link_.Monitor().Counters().LastError; }
    DeviceMetrics Metrics() {
        DeviceMetrics m;
        m.Device = Name();
        m.Address = spec_.Address();
        const StatusSnapshot &s = link_.Controller().Snapshot();
        m.Up = !link_.Controller().Health().Stale && s.Decoded;
        m.Decoded = s.Decoded;
        if (m.Decoded) {
            m.View = link_.Controller().LastView();
            m.Sample = MakeTrendSample(s, {});
            m.Info = MakeDeviceInfo(s);
            // A set-point of 0 is one the device does not report.
            const auto setpoint = [&s](int r) { return s.Reg(r) ? s.Reg(r) / 10.0 : std::nan(""); };
            m.DcHighSetpointV = setpoint(reg::kDCHigh);
            m.DcLowSetpointV = setpoint(reg::kDCLow);
        }
        const LinkMonitor &monitor = link_.Monitor();
        m.Counters = monitor.Counters();
        m.LastReplyAgeS = static_cast<double>(monitor.LastGoodAgeMs()) / 1000.0;
        m.ReplyTimeS = static_cast<double>(monitor.LastReplyTimeMs()) / 1000.0;
        return m;
    }

private:
    void CheckHealth() {
        if (outages_.IsDown() || !logOutages_)
            return;
        const LinkHealth health = link_.Controller().Health();
        const LinkCounters &c = link_.Monitor().Counters();
        // Before the first reply only a failure with a cause counts; the wait itself is no outage.
        if (!health.Stale || (decodes_ == 0 && c.LastError.empty() && c.Timeouts == 0))
            return;
        outages_.Down(Name(), c.LastError.empty() ? health.Text : c.LastError);
    }

    DeviceSpec spec_;
    QuietOperator messages_;
    DeviceLink link_;
    std::function<void(const StatusSnapshot &, const StatusViewModel &)> onDecode_;
    Subscription decodeSub_;
    std::function<void(const std::string &)> onConnectFailed_;
    uint64_t decodes_ = 0;
    bool logOutages_ = false;
    OutageLog outages_;
};

// "no status reply from X within 5 s (connect failed: Connection refused)"
std::string NoReply(Device &dev, double timeoutS) {
    const std::string why = dev.LastError();
    return "no status reply from " + dev.Name() + " within " + Seconds(timeoutS) + " s" +
           (why.empty() ? "" : " (" + why + ")");
}

// Waits for the first status decode (within --timeout; a refused connection ends at once) and hands it
// to `first`, whose exit status is returned; 1, after saying why, when none came.
int FirstStatus(Device &dev, const Args &a,
                const std::function<int(const StatusSnapshot &, const StatusViewModel &)> &first) {
    int exitCode = 1;
    bool seen = false;
    std::string refused;
    dev.OnDecode([&](const StatusSnapshot &s, const StatusViewModel &view) {
        if (seen)
            return;
        seen = true;
        exitCode = first(s, view);
        QCoreApplication::quit();
    });
    // Nothing listening, or no such host: waiting longer changes nothing.
    dev.OnConnectFailed([&](const std::string &error) {
        refused = error;
        QCoreApplication::quit();
    });
    QTimer::singleShot(static_cast<int>(a.Timeout() * 1000), [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    dev.OnDecode(nullptr);
    dev.OnConnectFailed(nullptr);
    if (!seen && !refused.empty())
        Fail(dev.Name() + ": " + refused);
    else if (!seen)
        Fail(NoReply(dev, a.Timeout()));
    return exitCode;
}

int Status(Device &dev, const Args &a) {
    return FirstStatus(dev, a, [&](const StatusSnapshot &s, const StatusViewModel &view) {
        if (a.json)
            std::cout << StatusJson(dev.Name(), s, view, MakeTrendSample(s, NowWallTime())) << std::endl;
        else
            std::cout << StatusText(view) << std::flush;
        return std::cout ? 0 : kExitOutputClosed;
    });
}

int Watch(Device &dev, const Args &a) {
    dev.LogOutages();
    if (a.intervalS)
        dev.Link().Controller().SetStatusPollPeriod(static_cast<int>(std::lround(*a.intervalS * 1000)));
    int exitCode = 0;
    auto stop = [&exitCode](int code) {
        exitCode = code;
        QCoreApplication::quit();
    };
    auto print = [&](const std::string &line) {
        std::cout << line << std::endl;
        if (!std::cout)
            stop(kExitOutputClosed); // nobody reads: stop polling, the link is free for others
    };
    if (!a.jsonl)
        print(WatchCsvHeader());
    // Each line within the time-out when one was asked for; a count asks for one too.
    QTimer lineDeadline;
    lineDeadline.setSingleShot(true);
    QObject::connect(&lineDeadline, &QTimer::timeout, [&] {
        Fail(NoReply(dev, a.Timeout()));
        stop(1);
    });
    const bool bounded = a.timeoutS || a.count > 0;
    const int lineTimeoutMs =
        static_cast<int>(a.Timeout() * 1000) + (a.intervalS ? static_cast<int>(*a.intervalS * 1000) : 0);
    long lines = 0;
    dev.OnDecode([&](const StatusSnapshot &s, const StatusViewModel &) {
        if (bounded)
            lineDeadline.start(lineTimeoutMs);
        const TrendSample sample = MakeTrendSample(s, NowWallTime());
        print(a.jsonl ? TrendJsonLine(sample) : TrendCsvLine(sample));
        if (a.count > 0 && ++lines >= a.count)
            stop(exitCode);
    });
    dev.OnConnectFailed([&](const std::string &error) {
        if (dev.Decodes() == 0) {
            Fail(dev.Name() + ": " + error);
            stop(1);
        }
    });
    if (bounded)
        lineDeadline.start(lineTimeoutMs);
    if (exitCode == 0)
        QCoreApplication::exec();
    const LinkMonitor &monitor = dev.Link().Monitor();
    if (dev.Decodes() == 0 && exitCode == 0) {
        Fail("no status reply from " + dev.Name() +
             (monitor.Counters().LastError.empty() ? "" : " (" + monitor.Counters().LastError + ")"));
        exitCode = 1;
    }
    std::cerr << PollSummary(dev.Name(), monitor.Counters(), monitor.OutstandingCount()) << std::flush;
    return exitCode;
}

// Progress on standard error: a bar redrawn in place on a terminal, a line per tenth otherwise.
class ProgressView : public HistoryView {
public:
    explicit ProgressView(bool terminal) : terminal_(terminal) {}
    void SetRowCount(int rows) override {
        total_ = rows - 1;
        Touch();
    }
    void SetRow(int row, const HistoryRow &) override {
        if (row <= 0)
            return;
        received_ = row;
        Touch();
        Draw();
    }
    void SetGauge(int) override {}
    void SetCountLabel(const std::string &) override {}
    void EnableClose(bool) override {}
    void EnableSave(bool) override {}
    void EnableStop(bool) override {}
    void SetStall(const std::string &text) override { stall_ = text; }

    void Finish() {
        if (terminal_ && drawn_)
            std::cerr << "\n";
    }
    int64_t LastProgressMs() const { return lastProgressMs_; }
    void Touch() { lastProgressMs_ = MonotonicMs(); }
    const std::string &Stall() const { return stall_; }
    int Total() const { return total_; }

private:
    void Draw() {
        if (total_ <= 0)
            return;
        const int percent = static_cast<int>(static_cast<int64_t>(received_) * 100 / total_);
        if (terminal_) {
            constexpr int kWidth = 40;
            const int filled = percent * kWidth / 100;
            std::cerr << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
                      << std::string(static_cast<std::size_t>(kWidth - filled), '.') << "] " << percent
                      << "% " << received_ << "/" << total_ << std::flush;
            drawn_ = true;
        } else if (percent / 10 != lastTenth_ || received_ == total_) {
            lastTenth_ = percent / 10;
            std::cerr << "received " << received_ << " of " << total_ << " records\n" << std::flush;
        }
    }

    bool terminal_;
    bool drawn_ = false;
    int total_ = -1, received_ = 0, lastTenth_ = -1;
    int64_t lastProgressMs_ = 0;
    std::string stall_;
};

bool StderrIsTerminal() {
#ifdef Q_OS_UNIX
    return isatty(2) != 0;
#else
    return false;
#endif
}

// The output file, made empty before the first request so a missing or read-only folder is known at
// once and nobody else takes the name meanwhile; given up (removed) unless the download fills it.
class Reservation {
public:
    // An error text, empty when the file is reserved.
    std::string Make(const std::string &path) {
        std::FILE *f = std::fopen(path.c_str(), "wx");
        if (!f) {
            const int e = errno;
            if (e == EEXIST)
                return path + ": the file exists already; nothing was downloaded";
            return path + ": cannot be created (" + std::strerror(e) + "); nothing was downloaded";
        }
        std::fclose(f);
        path_ = path;
        return {};
    }
    // Before the finished file takes its place (the writers never replace a file).
    void Release() {
        if (!path_.empty())
            std::remove(path_.c_str());
        path_.clear();
    }
    ~Reservation() { Release(); }

private:
    std::string path_;
};

// The checks of history's words, before any link is opened: 0 when they are good.
int HistoryUsage(const Args &a) {
    if (a.words.size() != 1 || (a.words[0] != "alarm" && a.words[0] != "data" && a.words[0] != "event") ||
        a.out.empty()) {
        Fail("usage: history alarm|data|event --out FILE.xls|FILE.csv");
        return 2;
    }
    const bool csv = a.out.size() >= 4 && a.out.compare(a.out.size() - 4, 4, ".csv") == 0;
    const bool xls = a.out.size() >= 4 && a.out.compare(a.out.size() - 4, 4, ".xls") == 0;
    if (!csv && !xls) {
        Fail("--out names a .xls or .csv file");
        return 2;
    }
    return 0;
}

int History(Device &dev, const Args &a, Reservation &reservation) {
    const HistoryKind kind = a.words[0] == "alarm"  ? HistoryKind::Alarm
                             : a.words[0] == "data" ? HistoryKind::Data
                                                    : HistoryKind::Event;
    const bool xls = a.out.compare(a.out.size() - 4, 4, ".xls") == 0;
    DeviceLink &link = dev.Link();
    ProgressView view(StderrIsTerminal());
    bool started = false;
    std::string failure;
    // As the console: the download starts on a device that answers the status poll.
    dev.OnDecode([&](const StatusSnapshot &, const StatusViewModel &) {
        if (started)
            return;
        started = true;
        view.Touch();
        link.History().StartDownload(kind, &view);
    });
    dev.OnConnectFailed([&](const std::string &error) {
        if (!started) {
            failure = error;
            QCoreApplication::quit();
        }
    });
    // Notices the end of the download, a device that never answered and a stall (the poll's history
    // watchdog words it).
    QTimer watchdog;
    const int64_t startMs = MonotonicMs();
    const auto timeoutMs = static_cast<int64_t>(a.Timeout() * 1000);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        const int64_t now = MonotonicMs();
        if (!started) {
            if (now - startMs > timeoutMs) {
                failure = "no status reply from " + dev.Name();
                QCoreApplication::quit();
            }
            return;
        }
        if (!link.State().History.Active) {
            QCoreApplication::quit();
        } else if (!view.Stall().empty() &&
                   now - view.LastProgressMs() > HistoryController::kStallAfterMs + timeoutMs) {
            failure = view.Stall();
            QCoreApplication::quit();
        }
    });
    watchdog.start(100);
    QCoreApplication::exec();
    view.Finish();
    if (interrupted) {
        Fail("interrupted; nothing was written");
        return 130;
    }
    if (!failure.empty()) {
        const std::string why = dev.LastError();
        Fail(failure + (why.empty() || why.find(failure) != std::string::npos ? "" : " (" + why + ")") +
             "; nothing was written");
        return 1;
    }
    const std::vector<HistoryRow> rows = link.History().ExportRows();
    if (rows.size() <= 1)
        std::cerr << "the device's " << a.words[0] << " log is empty\n";
    reservation.Release();
    const auto writeCsv = [&rows](const std::string &path) {
        std::FILE *f = std::fopen(path.c_str(), "wb");
        const std::string text = HistoryCsv(rows);
        const bool ok = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
        const bool closed = f && std::fclose(f) == 0;
        return ok && closed ? std::string() : std::string("the file cannot be written");
    };
    const TextTranslator tr = QtTextTranslator();
    const ExportResult result =
        xls ? SpreadsheetExportAs(kind, rows, a.out, tr) : WriteNewFile(a.out, writeCsv, tr);
    if (!result.Ok) {
        Fail(result.Path + ": " + result.Error);
        return 1;
    }
    std::cerr << rows.size() - 1 << " records written to " << result.Path << "\n";
    return 0;
}

constexpr int kRetryOpenMs = 5000;
constexpr const char *kDefaultListen = "127.0.0.1:9464";

constexpr int kResolveTimeoutMs = 5000;

// Each device's addresses as the system resolves them, so one controller listed under two spellings is
// found: a host name's addresses (looked up together, within a bound; one not found in time is compared
// as given) and a serial port's real path.
std::vector<std::vector<std::string>> ResolvedAddresses(const std::vector<DeviceSpec> &specs) {
    std::vector<std::vector<std::string>> resolved(specs.size());
    QEventLoop loop;
    std::size_t pending = 0;
    for (std::size_t i = 0; i < specs.size(); ++i) {
        const DeviceSpec &spec = specs[i];
        if (spec.Link == LinkKind::Serial) {
            const QString real = QFileInfo(QString::fromStdString(spec.Path)).canonicalFilePath();
            if (!real.isEmpty())
                resolved[i].push_back("serial:" + real.toStdString());
            continue;
        }
        ++pending;
        QHostInfo::lookupHost(QString::fromStdString(spec.Host), &loop, [&, i](const QHostInfo &info) {
            for (const QHostAddress &address : info.addresses()) {
                DeviceSpec one = specs[i];
                one.Host = address.toString().toStdString();
                resolved[i].push_back(one.Address());
            }
            if (--pending == 0)
                loop.quit();
        });
    }
    if (pending > 0) {
        QTimer::singleShot(kResolveTimeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return resolved;
}

// The devices of the command line and of --config, or an error text.
std::string MetricsDevices(const Args &a, std::vector<DeviceSpec> &specs) {
    std::string error;
    if (!a.config.empty()) {
        std::ifstream in(a.config);
        if (!in)
            return a.config + ": cannot be read";
        std::stringstream text;
        text << in.rdbuf();
        auto listed = ParseDeviceList(text.str(), &error);
        if (!listed)
            return a.config + ": " + error;
        specs = std::move(*listed);
    }
    for (const std::string &w : a.words) {
        auto spec = ParseDevice(w, &error);
        if (!spec)
            return error;
        specs.push_back(*spec);
    }
    if (specs.empty())
        return "usage: metrics [--listen HOST:PORT] [--config FILE] [DEVICE...]: no device given";
    return DuplicateDevice(specs, ResolvedAddresses(specs));
}

// "serving http://127.0.0.1:9464/metrics for 3 devices": the port actually bound (0 lets the system
// choose).
void SayServing(const QHostAddress &address, quint16 port, std::size_t devices, bool tls) {
    const std::string bound = address.toString().toStdString();
    const bool v6 = bound.find(':') != std::string::npos;
    std::cerr << "serving " << (tls ? "https" : "http") << "://" << (v6 ? "[" + bound + "]" : bound) << ":"
              << port << "/metrics for " << devices << " device" << (devices == 1 ? "" : "s") << std::endl;
}

// Read-on-scrape: each scrape connects to every device, reads one status block and lets go, so the
// device's one connection is free between scrapes. Scrapes that come during a read share it.
class ScrapeReader {
public:
    ScrapeReader(std::vector<DeviceSpec> specs, int timeoutMs)
        : specs_(std::move(specs)), totals_(specs_.size()), outages_(specs_.size()), timeoutMs_(timeoutMs) {
        deadline_.setSingleShot(true);
        QObject::connect(&deadline_, &QTimer::timeout, [this] { Finish(); });
    }
    void Read(MetricsServer::Deliver deliver) {
        waiting_.push_back(std::move(deliver));
        if (!devices_.empty())
            return;
        pending_ = specs_.size();
        ++round_;
        for (const DeviceSpec &spec : specs_) {
            auto device = std::make_unique<Device>(spec);
            Device *d = device.get();
            d->OnDecode([this, d](const StatusSnapshot &, const StatusViewModel &) { Settled(d); });
            d->OnConnectFailed([this, d](const std::string &) { Settled(d); });
            devices_.push_back(std::move(device));
        }
        deadline_.start(timeoutMs_);
        std::string ignored;
        for (auto &d : devices_)
            if (!d->Start(&ignored))
                Settled(d.get());
    }

private:
    void Settled(Device *d) {
        if (std::find(settled_.begin(), settled_.end(), d) != settled_.end())
            return;
        settled_.push_back(d);
        if (--pending_ == 0) // finished later: not inside the device's own call, and this read only
            QTimer::singleShot(0, &deadline_, [this, round = round_] {
                if (round == round_)
                    Finish();
            });
    }
    void Finish() {
        if (devices_.empty())
            return;
        deadline_.stop();
        std::vector<DeviceMetrics> all;
        for (std::size_t i = 0; i < devices_.size(); ++i) {
            DeviceMetrics m = devices_[i]->Metrics();
            // Each read stands alone; whether the device was down is remembered here, between reads.
            if (m.Up)
                outages_[i].Up(m.Device);
            else
                outages_[i].Down(m.Device,
                                 m.Counters.LastError.empty()
                                     ? "no status reply within " + Seconds(timeoutMs_ / 1000.0) + " s"
                                     : m.Counters.LastError);
            AddCounters(totals_[i], m.Counters);
            m.Counters = totals_[i];
            all.push_back(std::move(m));
        }
        devices_.clear(); // closes every link
        settled_.clear();
        const std::string page = MetricsText(all);
        for (auto &deliver : std::exchange(waiting_, {}))
            deliver(page);
    }

    std::vector<DeviceSpec> specs_;
    std::vector<LinkCounters> totals_;
    std::vector<OutageLog> outages_;
    int timeoutMs_;
    QTimer deadline_;
    std::vector<std::unique_ptr<Device>> devices_;
    std::vector<Device *> settled_;
    std::size_t pending_ = 0;
    uint64_t round_ = 0;
    std::vector<MetricsServer::Deliver> waiting_;
};

int ServeOnScrape(const Args &a, const std::vector<DeviceSpec> &specs, WebSecurity security,
                  const QHostAddress &address, quint16 port) {
    const bool tls = security.Tls.has_value();
    ScrapeReader reader(specs, static_cast<int>(a.Timeout() * 1000));
    MetricsServer server([&reader](MetricsServer::Deliver deliver) { reader.Read(std::move(deliver)); },
                         std::move(security));
    if (!server.Listen(address, port)) {
        Fail("cannot listen: " + server.ErrorText().toStdString());
        return 1;
    }
    SayServing(address, server.Port(), specs.size(), tls);
    QCoreApplication::exec();
    return 0;
}

int Metrics(const Args &a) {
    // Loopback unless the caller names another address.
    const std::string listenText = a.listen.empty() ? kDefaultListen : a.listen;
    std::string error;
    auto listen = ParseTcpTarget(listenText, &error, true);
    QHostAddress address;
    if (listen && listenText.find(':') != std::string::npos &&
        !address.setAddress(QString::fromStdString(listen->Host))) {
        // A host name: its first address (localhost is 127.0.0.1 or ::1).
        const QHostInfo info = QHostInfo::fromName(QString::fromStdString(listen->Host));
        if (!info.addresses().isEmpty())
            address = info.addresses().constFirst();
        else
            error = listen->Host + ": " + info.errorString().toStdString();
    }
    if (!listen || listenText.find(':') == std::string::npos || address.isNull()) {
        Fail("--listen needs a host and a port, e.g. 127.0.0.1:9464" + (error.empty() ? "" : ": " + error));
        return 2;
    }
    std::vector<DeviceSpec> specs;
    if (error = MetricsDevices(a, specs); !error.empty()) {
        Fail(error);
        return 2;
    }
    // TLS and its users are settled before any device is opened.
    WebSecurity security;
    if (!a.webConfig.empty()) {
        auto loaded = LoadWebSecurity(a.webConfig, &error);
        if (!loaded) {
            Fail(error);
            return 2;
        }
        security = std::move(*loaded);
    }
    if (a.onScrape)
        return ServeOnScrape(a, specs, std::move(security), address, listen->Port);
    std::vector<std::unique_ptr<Device>> devices;
    for (const DeviceSpec &spec : specs)
        devices.push_back(std::make_unique<Device>(spec));
    const int periodMs = static_cast<int>(std::lround(a.intervalS.value_or(1.0) * 1000));
    std::vector<Device *> waiting;
    for (auto &d : devices) {
        d->LogOutages();
        d->Link().Controller().SetStatusPollPeriod(periodMs);
        // A serial port that cannot be opened now is reported down and tried again; the others are
        // polled meanwhile.
        if (!d->Start(&error)) {
            Fail(d->Name() + ": " + error + "; trying again every " + Seconds(kRetryOpenMs / 1000.0) + " s");
            waiting.push_back(d.get());
        }
    }
    QTimer retry;
    QObject::connect(&retry, &QTimer::timeout, [&waiting] {
        std::string ignored;
        std::erase_if(waiting, [&ignored](Device *d) { return d->Start(&ignored); });
    });
    retry.start(kRetryOpenMs);
    const bool tls = security.Tls.has_value();
    MetricsServer server(
        [&devices](MetricsServer::Deliver deliver) {
            std::vector<DeviceMetrics> all;
            all.reserve(devices.size());
            for (auto &d : devices)
                all.push_back(d->Metrics());
            deliver(MetricsText(all));
        },
        std::move(security));
    if (!server.Listen(address, listen->Port)) {
        Fail("cannot listen on " + listenText + ": " + server.ErrorText().toStdString());
        return 1;
    }
    SayServing(address, server.Port(), devices.size(), tls);
    QCoreApplication::exec();
    return 0;
}

#ifdef Q_OS_UNIX
int signalPipe[2] = {-1, -1};
void OnSignal(int) {
    const char c = 1;
    [[maybe_unused]] auto n = ::write(signalPipe[1], &c, 1);
}
// Ctrl-C and SIGTERM end the event loop, so the summary is still written.
void QuitOnSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        char c = 0;
        [[maybe_unused]] auto n = ::read(signalPipe[0], &c, 1);
        interrupted = true;
        QCoreApplication::quit();
    });
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    // A closed standard output shows as a failed write, which ends the command with its summary.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, nullptr);
}
#else
void QuitOnSignals() {}
#endif

} // namespace
} // namespace zephyra::cli

int main(int argc, char *argv[]) {
    using namespace zephyra::cli;
    std::vector<std::string> words(argv + 1, argv + argc);
    for (const std::string &w : words)
        if (w == "--help" || w == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (w == "--version") {
            std::cout << "zephyra-cli " ZEPHYRA_VERSION "\n";
            return 0;
        }
    // Only the command word makes this the report's program: a file or profile named "report" does not.
    Args early;
    ParseArgs(words, early);
    const std::unique_ptr<QCoreApplication> app = MakeApplication(argc, argv, early.command == "report");
    QCoreApplication::setApplicationName("zephyra-cli");
    // The command line speaks English: the core's texts (causes, last errors, profile checks) too.
    if (!zephyra::InstallEnglish())
        std::cerr << "zephyra-cli: warning: the English texts could not be loaded" << std::endl;
    Args a;
    if (const std::string error = ParseArgs(words, a); !error.empty()) {
        Fail(error + " (see zephyra-cli --help)");
        return 2;
    }
    if (a.command != "status" && a.command != "watch" && a.command != "history" && a.command != "metrics" &&
        a.command != "profile" && a.command != "report" && a.command != "help") {
        Fail("unknown command " + a.command + " (see zephyra-cli --help)");
        return 2;
    }
    if (a.command == "help") {
        std::cout << kUsage;
        return 0;
    }
    QuitOnSignals();
    if (a.command == "metrics")
        return Metrics(a);
    // history's words and its output file are settled before the link is opened.
    Reservation reservation;
    if (a.command == "history") {
        if (const int usage = HistoryUsage(a); usage != 0)
            return usage;
        if (const std::string why = reservation.Make(a.out); !why.empty()) {
            Fail(why);
            return 1;
        }
    }
    // profile's and report's words, and the profile itself, are settled before the link is opened too.
    zephyra::SiteProfile profile;
    if (a.command == "profile")
        if (const int usage = ProfileUsage(a.words, profile); usage != 0)
            return usage;
    if (a.command == "report")
        if (const int usage = ReportUsage(a.words, a.report, profile); usage != 0)
            return usage;
    Device dev(*a.device);
    std::string error;
    if (!dev.Start(&error)) {
        Fail(dev.Name() + ": " + error);
        return 1;
    }
    if (a.command == "status")
        return Status(dev, a);
    if (a.command == "watch")
        return Watch(dev, a);
    if (a.command == "profile")
        return FirstStatus(dev, a, [&](const zephyra::StatusSnapshot &s, const zephyra::StatusViewModel &) {
            return ProfileCommand(a.words, profile, dev.Name(), s);
        });
    if (a.command == "report")
        return FirstStatus(dev, a, [&](const zephyra::StatusSnapshot &, const zephyra::StatusViewModel &) {
            return ReportCommand(a.words, a.report, profile, dev.Name(), dev.Link());
        });
    return History(dev, a, reservation);
}
