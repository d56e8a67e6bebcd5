// Whole-process measurements of the console's own code (same windows, endpoints and core as
// zephyra-console, with a scripted operator):
//   --startup            quit as soon as the main window is exposed (time it from outside)
//   --poll SECONDS PATH|tcp:PORT [TRAFFIC_LINES]
//                        log in, connect over serial to PATH (or TCP to 127.0.0.1:PORT), poll for SECONDS,
//                        print the decode count and the CPU per poll;
//                        with TRAFFIC_LINES, the traffic store is first filled with that many lines of
//                        status-sized frames (what days of polling leave in it)
// Anywhere after the program name:
//   --files-dir DIR      the console's files folder (recordings)
//   --settings FILE      the remembered choices (the Trend page's record tick)
//   --trend-fill         the Trend page's store is first filled with a day of samples
//   --trend-shown        the Trend page is the page on show while polling
//   --trend-record       the Trend page records every decoded status to its CSV files (in --files-dir)
//   --report FILE        with --poll: every --report-every seconds (default 60) one line of the link's
//                        counters is appended to FILE (the soak harness reads it):
//                        "<unix s> decodes=N requests=N replies=N timeouts=N superseded=N held_back=N
//                        crc_errors=N dropped=N reconnects=N port_losses=N takeovers=N late_echoes=N"
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QMap>
#include <QPaintEvent>
#include <QCheckBox>
#include <QFile>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <sstream>

#include "app/console.h"
#include "device/connection_window.h"
#include "process_cpu.h"

using namespace zephyra;

namespace {
class ExposeWatcher : public QObject {
protected:
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Expose)
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return false;
    }
};
// Paint events per widget while polling: which widgets a poll repaints, and how often.
class PaintCensus : public QObject {
public:
    void Print(unsigned long long polls) const {
        for (auto it = counts_.begin(); it != counts_.end(); ++it)
            if (it.value() * 20 >= static_cast<int>(polls)) // at least one in twenty polls
                std::fprintf(stderr, "paints/poll %.2f %s\n",
                             it.value() / static_cast<double>(polls ? polls : 1), qPrintable(it.key()));
    }

protected:
    bool eventFilter(QObject *object, QEvent *event) override {
        if (event->type() == QEvent::Paint) {
            QString key = QString::fromLatin1(object->metaObject()->className()) + " " + object->objectName();
            if (auto *label = qobject_cast<QLabel *>(object))
                key += " \"" + label->text().left(12) + "\"";
            if (auto *w = qobject_cast<QWidget *>(object)) {
                QRect r = static_cast<QPaintEvent *>(event)->rect();
                QPoint g = w->mapTo(w->window(), r.topLeft());
                key += QStringLiteral(" [%1,%2 %3x%4]").arg(g.x()).arg(g.y()).arg(r.width()).arg(r.height());
            }
            ++counts_[key];
        }
        return false;
    }

private:
    QMap<QString, int> counts_;
};
} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    std::ostringstream trace; // the trace line is not what is measured
    ConsoleOptions options;
    options.Trace = &trace;
    auto take = [&args](const char *flag, QString *value) {
        const qsizetype at = args.indexOf(flag);
        if (at < 1 || (value && at + 1 >= args.size()))
            return false;
        if (value)
            *value = args.takeAt(at + 1);
        args.removeAt(at);
        return true;
    };
    take("--files-dir", &options.ProgramDir);
    take("--settings", &options.SettingsFile);
    const bool trendFill = take("--trend-fill", nullptr);
    const bool trendShown = take("--trend-shown", nullptr);
    const bool trendRecord = take("--trend-record", nullptr);
    QString reportPath, reportEvery = "60";
    take("--report", &reportPath);
    take("--report-every", &reportEvery);

    if (args.size() >= 2 && args[1] == "--startup") {
        Console console(options);
        ExposeWatcher watcher;
        console.MainWindow().show();
        console.MainWindow().windowHandle()->installEventFilter(&watcher);
        return app.exec();
    }
    if (args.size() >= 4 && args[1] == "--poll") {
        const int seconds = args[2].toInt();
        // PATH, or tcp:PORT for the simulator's loopback port.
        const bool tcp = args[3].startsWith("tcp:");
        if (tcp)
            options.TcpPort = static_cast<quint16>(args[3].mid(4).toUInt());
        else
            options.ExtraSerialPaths << args[3];
        options.DefaultHost = "127.0.0.1";
        Console console(options);
        // With ZEPHYRA_BENCH_HIDDEN the window is never shown: what polling costs without drawing.
        if (!qEnvironmentVariableIsSet("ZEPHYRA_BENCH_HIDDEN"))
            console.MainWindow().show();
        console.MainWindow().LogIn(UserLevel::User);
        TMain_Form &w = console.MainWindow();
        ConnectionContext cc{console.Controller(),
                             console.Link(),
                             console.Messages(),
                             [&w](LinkKind, const QString &) {},
                             nullptr,
                             "127.0.0.1"};
        TfrmComPort connect(cc);
        if (tcp) {
            connect.TCPClick();
        } else {
            connect.SerialClick();
            auto *ports = connect.findChild<QComboBox *>("PortSelect");
            const int index = ports->findData(args[3]);
            if (index < 0) {
                std::fprintf(stderr, "port %s not found\n", qPrintable(args[3]));
                return 1;
            }
            connect.PortSelectChange(index);
        }
        connect.Btn_OK();
        if (trendFill) {
            // A day at the serial poll, ending now, with values that move.
            auto *page = w.findChild<TTrendPage *>("TrendPage");
            const int64_t now = QDateTime::currentMSecsSinceEpoch();
            const int n = static_cast<int>(page->Session().Capacity());
            for (int i = 0; i < n; ++i) {
                TrendSample s;
                s.Time = {now - int64_t{n - i} * 600, 0};
                s.AcV = 220 + i % 7;
                s.DcV = 53.5 + (i % 11) / 10.0;
                s.LoadA = 12 + (i % 13) / 10.0;
                s.BatteryA = -1.5 + (i % 5) / 10.0;
                s.RackC = 25 + (i % 17) / 10.0;
                page->AddSample(s);
            }
        }
        if (trendShown) {
            // By the page itself: its tab's caption is in the console's language.
            auto *pages = w.findChild<QTabWidget *>("PageControl1");
            auto *trend = w.findChild<TTrendPage *>("TrendPage");
            if (!pages || !trend || pages->indexOf(trend) < 0) {
                std::fprintf(stderr, "no Trend page to show\n");
                return 1;
            }
            pages->setCurrentWidget(trend);
        }
        if (args.size() >= 5) {
            Bytes reply(259, 0x5A);
            for (int i = 0; i < args[4].toInt(); ++i)
                console.Monitor().FrameDropped(LinkKind::Serial, reply, DropReason::Noise);
        }
        if (trendRecord)
            if (auto *record = w.findChild<QCheckBox *>("ckbTrendRecord"))
                record->setChecked(true);
        QTimer report;
        auto writeReport = [&] {
            QFile out(reportPath);
            if (!out.open(QIODevice::Append | QIODevice::Text))
                return;
            const LinkCounters &c = console.Monitor().Counters();
            uint64_t dropped = 0;
            for (uint64_t d : c.Dropped)
                dropped += d;
            out.write(QStringLiteral("%1 decodes=%2 requests=%3 replies=%4 timeouts=%5 superseded=%6 "
                                     "held_back=%7 crc_errors=%8 dropped=%9 reconnects=%10 port_losses=%11 "
                                     "takeovers=%12 late_echoes=%13\n")
                          .arg(QDateTime::currentSecsSinceEpoch())
                          .arg(console.Controller().DecodeCount())
                          .arg(c.Requests)
                          .arg(c.Replies)
                          .arg(c.Timeouts)
                          .arg(c.Superseded)
                          .arg(c.HeldBack)
                          .arg(c.CrcErrors)
                          .arg(dropped)
                          .arg(c.Reconnects)
                          .arg(c.PortLosses)
                          .arg(c.Takeovers)
                          .arg(console.Controller().Writes().LateEchoes())
                          .toUtf8());
        };
        if (!reportPath.isEmpty()) {
            QObject::connect(&report, &QTimer::timeout, &app, writeReport);
            report.start(std::max(1, reportEvery.toInt()) * 1000);
        }
        PaintCensus census;
        if (qEnvironmentVariableIsSet("ZEPHYRA_PAINT_CENSUS"))
            app.installEventFilter(&census);
        const double atConnect = ProcessCpuSeconds();
        QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
        app.exec();
        if (!reportPath.isEmpty())
            writeReport();
        const double atEnd = ProcessCpuSeconds();
        const auto decodes = console.Controller().DecodeCount();
        census.Print(decodes);
        // Start-up and the port search are one-off costs; the rest is what polling costs.
        std::printf("decodes %llu cpu_start_and_connect_s=%.3f cpu_polling_s=%.3f cpu_per_poll_ms=%.2f\n",
                    static_cast<unsigned long long>(decodes), atConnect, atEnd - atConnect,
                    decodes ? (atEnd - atConnect) * 1000.0 / static_cast<double>(decodes) : 0.0);
        return decodes > 0 ? 0 : 1;
    }
    std::fprintf(stderr, "usage: %s --startup | --poll SECONDS SERIAL_PATH|tcp:PORT [TRAFFIC_LINES]\n",
                 argv[0]);
    return 2;
}
