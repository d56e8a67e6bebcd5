// zephyra-cli: the console's engine without a window. It reads one device's status, watches it, downloads
// its logs, or serves the status of several devices as Prometheus metrics. It never writes to a device.
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QHostAddress>
#include <QSocketNotifier>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include "cli/cli_text.h"
#include "cli/metrics_endpoint.h"
#include "device/device_link_endpoint.h"
#include "history/history_export.h"

namespace zephyra::cli {
namespace {

constexpr const char *kUsage = R"(Usage: zephyra-cli [LINK] [--timeout S] COMMAND [OPTIONS]

The ZEPHYRA-M10 console without a window. It only reads: nothing is ever written to a device.

LINK (one device):
  --serial PATH          Modbus RTU on a serial port, 115200 8N1 (e.g. /dev/ttyUSB0)
  --tcp HOST[:PORT]      Modbus TCP (port 502 unless given; IPv6 as [ADDR]:PORT)
  --timeout S            seconds to wait for the device (default 5): status gives up after it,
                         history when the download stalls that long after its own retries

Commands:
  status [--json]        one status read, with the texts the console's window shows; --json adds
                         the lamps, the measurements and the 127 raw registers
  watch [--interval S] [--count N] [--csv|--jsonl]
                         one line per status poll on standard output (CSV with a header, the
                         columns of the console's trend recording, or JSON lines with the same
                         fields); every S seconds (default: the link's own pace, 0.6 s serial,
                         0.9 s TCP), N lines (default: until Ctrl-C or SIGTERM). A summary of the
                         link's requests, replies, time-outs, errors and loss goes to standard error.
  history alarm|data|event --out FILE.xls|FILE.csv
                         downloads a log from the device, one request at a time as the console
                         does, and writes it as the console's workbook (.xls) or as CSV. An
                         existing FILE is never replaced: the command refuses and writes nothing.
                         Progress goes to standard error.
  metrics [--listen ADDR:PORT] [--interval S] DEVICE...
                         polls every DEVICE at once and serves their status at
                         http://ADDR:PORT/metrics in the Prometheus text format (default
                         127.0.0.1:9464, loopback only; another address only when given; port 0:
                         the system chooses, standard error names it). DEVICE is
                         tcp:HOST[:PORT] or serial:PATH. --interval S sets the poll period
                         (default 1 s); a device silent for three periods reports zephyra_up 0.

Exit status: 0 done, 1 the device did not answer or a file could not be written, 2 bad usage,
130 interrupted (history writes nothing then).
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

std::string Seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", s);
    return text;
}

void Fail(const std::string &text) {
    std::cerr << "zephyra-cli: " << text << std::endl;
}

struct Args {
    std::optional<DeviceSpec> device;
    double timeoutS = 5;
    std::string command;
    std::vector<std::string> words; // the command's own words
    bool json = false, jsonl = false;
    std::optional<double> intervalS;
    long count = 0;
    std::string out, listen;
};

bool ParseSeconds(const std::string &text, double &value) {
    try {
        std::size_t used = 0;
        value = std::stod(text, &used);
        return used == text.size() && std::isfinite(value) && value > 0 && value <= 86400;
    } catch (...) {
        return false;
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
                a.device = DeviceSpec{LinkKind::Serial, {}, 0, *v};
            } else if (!(a.device = ParseTcpTarget(*v, &error))) {
                return error;
            }
        } else if (w == "--timeout" || w == "--interval") {
            auto v = value(i);
            double s = 0;
            if (!v || !ParseSeconds(*v, s))
                return w + " needs a number of seconds";
            (w == "--timeout" ? a.timeoutS : a.intervalS.emplace()) = s;
        } else if (w == "--count") {
            auto v = value(i);
            try {
                a.count = v ? std::stol(*v) : 0;
            } catch (...) {
                a.count = 0;
            }
            if (a.count <= 0)
                return "--count needs a number of lines";
        } else if (w == "--out" || w == "--listen") {
            auto v = value(i);
            if (!v || v->empty())
                return w + " needs a value";
            (w == "--out" ? a.out : a.listen) = *v;
        } else if (w == "--json") {
            a.json = true;
        } else if (w == "--jsonl") {
            a.jsonl = true;
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
    if (a.command != "metrics" && !a.device)
        return a.command + " needs a link: --serial PATH or --tcp HOST[:PORT]";
    return {};
}

// One device's engine, started on its link.
class Device {
public:
    explicit Device(const DeviceSpec &spec) : spec_(spec), link_(messages_, NullTrace()) {
        // Nobody looks at the traffic lines here; a long-running poller must not collect them.
        link_.Monitor().SetLineCapacity(0);
        // The poll keeps trying after a failed first connect; nobody waits for it.
        link_.SetConnectInBackground(true);
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
    DeviceLink &Link() { return link_; }
    const DeviceSpec &Spec() const { return spec_; }
    std::string Name() const { return spec_.Name(); }
    // What went wrong last, for a message: "connect failed: Connection refused".
    std::string LastError() { return link_.Monitor().Counters().LastError; }
    DeviceMetrics Metrics() {
        DeviceMetrics m;
        m.Device = Name();
        m.Up = !link_.Controller().Health().Stale && link_.Controller().Snapshot().Decoded;
        m.Decoded = link_.Controller().Snapshot().Decoded;
        if (m.Decoded) {
            m.View = link_.Controller().LastView();
            m.Sample = MakeTrendSample(link_.Controller().Snapshot(), {});
        }
        m.Counters = link_.Monitor().Counters();
        return m;
    }

private:
    DeviceSpec spec_;
    QuietOperator messages_;
    DeviceLink link_;
};

int Status(Device &dev, const Args &a) {
    int exitCode = 1;
    dev.Link().Controller().SetDecodeObserver([&](const StatusSnapshot &s, const StatusViewModel &view) {
        if (exitCode == 0)
            return;
        exitCode = 0;
        if (a.json) {
            std::cout << StatusJson(dev.Name(), s, view, MakeTrendSample(s, NowWallTime())) << std::endl;
        } else {
            for (const FieldText &f : view.Fields)
                std::cout << f.Name << ": " << f.Text << "\n";
            for (const LampState &l : view.Lamps)
                std::cout << l.Name << ": " << (l.Active ? "active" : "off") << "\n";
            std::cout.flush();
        }
        QCoreApplication::quit();
    });
    QTimer::singleShot(static_cast<int>(a.timeoutS * 1000), [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    if (exitCode != 0) {
        const std::string why = dev.LastError();
        Fail("no status reply from " + dev.Name() + " within " + Seconds(a.timeoutS) + " s" +
             (why.empty() ? "" : " (" + why + ")"));
    }
    return exitCode;
}

int Watch(Device &dev, const Args &a) {
    if (a.intervalS)
        dev.Link().Controller().SetStatusPollPeriod(static_cast<int>(std::lround(*a.intervalS * 1000)));
    if (!a.jsonl)
        std::cout << TrendCsvHeader() << std::endl;
    long lines = 0;
    dev.Link().Controller().SetDecodeObserver([&](const StatusSnapshot &s, const StatusViewModel &) {
        const TrendSample sample = MakeTrendSample(s, NowWallTime());
        std::cout << (a.jsonl ? TrendJsonLine(sample) : TrendCsvLine(sample)) << std::endl;
        if (a.count > 0 && ++lines >= a.count)
            QCoreApplication::quit();
    });
    QCoreApplication::exec();
    const LinkMonitor &monitor = dev.Link().Monitor();
    std::cerr << PollSummary(dev.Name(), monitor.Counters(), monitor.OutstandingCount()) << std::flush;
    return 0;
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
    void Touch() { lastProgressMs_ = QDateTime::currentMSecsSinceEpoch(); }
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

int History(Device &dev, const Args &a) {
    if (a.words.size() != 1 || (a.words[0] != "alarm" && a.words[0] != "data" && a.words[0] != "event") ||
        a.out.empty()) {
        Fail("usage: history alarm|data|event --out FILE.xls|FILE.csv");
        return 2;
    }
    const HistoryKind kind = a.words[0] == "alarm"  ? HistoryKind::Alarm
                             : a.words[0] == "data" ? HistoryKind::Data
                                                    : HistoryKind::Event;
    const bool csv = a.out.size() >= 4 && a.out.compare(a.out.size() - 4, 4, ".csv") == 0;
    const bool xls = a.out.size() >= 4 && a.out.compare(a.out.size() - 4, 4, ".xls") == 0;
    if (!csv && !xls) {
        Fail("--out names a .xls or .csv file");
        return 2;
    }
    // Refused before the download, not after minutes of it; checked again when the file is made.
    if (QFileInfo::exists(QString::fromStdString(a.out)) ||
        QFileInfo(QString::fromStdString(a.out)).isSymLink()) {
        Fail(a.out + ": the file exists already; nothing was downloaded");
        return 1;
    }
    DeviceLink &link = dev.Link();
    ProgressView view(StderrIsTerminal());
    bool started = false;
    std::string failure;
    // As the console: the download starts on a device that answers the status poll.
    link.Controller().SetDecodeObserver([&](const StatusSnapshot &, const StatusViewModel &) {
        if (started)
            return;
        started = true;
        view.Touch();
        link.History().StartDownload(kind, &view);
    });
    // The history windows' 100 ms watchdog: it also notices the end of the download.
    QTimer watchdog;
    const int64_t startMs = QDateTime::currentMSecsSinceEpoch();
    const auto timeoutMs = static_cast<int64_t>(a.timeoutS * 1000);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        const int64_t now = QDateTime::currentMSecsSinceEpoch();
        if (!started) {
            if (now - startMs > timeoutMs) {
                failure = "no status reply from " + dev.Name();
                QCoreApplication::quit();
            }
            return;
        }
        link.History().WatchdogTick();
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
        Fail(failure + (why.empty() ? "" : " (" + why + ")") + "; nothing was written");
        return 1;
    }
    const std::vector<HistoryRow> rows = link.History().ExportRows();
    if (rows.size() <= 1)
        std::cerr << "the device's " << a.words[0] << " log is empty\n";
    const ExportResult result =
        xls ? SpreadsheetExportAs(kind, rows, a.out) : WriteNewFile(a.out, [&rows](const std::string &path) {
            std::FILE *f = std::fopen(path.c_str(), "wb");
            const std::string text = HistoryCsv(rows);
            const bool ok = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
            const bool closed = f && std::fclose(f) == 0;
            return ok && closed ? std::string() : std::string("the file cannot be written");
        });
    if (!result.Ok) {
        Fail(result.Path + ": " + result.Error);
        return 1;
    }
    std::cerr << rows.size() - 1 << " records written to " << result.Path << "\n";
    return 0;
}

constexpr int kRetryOpenMs = 5000;
constexpr const char *kDefaultListen = "127.0.0.1:9464";

int Metrics(const Args &a) {
    if (a.words.empty()) {
        Fail("usage: metrics [--listen ADDR:PORT] DEVICE...");
        return 2;
    }
    // Loopback unless the caller names another address.
    const std::string listenText = a.listen.empty() ? kDefaultListen : a.listen;
    std::string error;
    auto listen = ParseTcpTarget(listenText, &error, true);
    QHostAddress address;
    if (!listen || listenText.find(':') == std::string::npos ||
        !address.setAddress(QString::fromStdString(listen->Host))) {
        Fail("--listen needs an address and a port, e.g. 127.0.0.1:9464" +
             (error.empty() ? "" : ": " + error));
        return 2;
    }
    std::vector<std::unique_ptr<Device>> devices;
    for (const std::string &w : a.words) {
        auto spec = ParseDevice(w, &error);
        if (!spec) {
            Fail(error);
            return 2;
        }
        devices.push_back(std::make_unique<Device>(*spec));
    }
    const int periodMs = static_cast<int>(std::lround(a.intervalS.value_or(1.0) * 1000));
    std::vector<Device *> waiting;
    for (auto &d : devices) {
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
    MetricsServer server([&devices] {
        std::vector<DeviceMetrics> all;
        all.reserve(devices.size());
        for (auto &d : devices)
            all.push_back(d->Metrics());
        return MetricsText(all);
    });
    if (!server.Listen(address, listen->Port)) {
        Fail("cannot listen on " + listenText + ": " + server.ErrorText().toStdString());
        return 1;
    }
    // The port actually bound: 0 lets the system choose.
    const bool v6 = listen->Host.find(':') != std::string::npos;
    std::cerr << "serving http://" << (v6 ? "[" + listen->Host + "]" : listen->Host) << ":" << server.Port()
              << "/metrics for " << devices.size() << " device" << (devices.size() == 1 ? "" : "s")
              << std::endl;
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
        }
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("zephyra-cli");
    Args a;
    if (const std::string error = ParseArgs(words, a); !error.empty()) {
        Fail(error + " (see zephyra-cli --help)");
        return 2;
    }
    if (a.command != "status" && a.command != "watch" && a.command != "history" && a.command != "metrics") {
        Fail("unknown command " + a.command + " (see zephyra-cli --help)");
        return 2;
    }
    QuitOnSignals();
    if (a.command == "metrics")
        return Metrics(a);
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
    return History(dev, a);
}
