// Whole download of an alarm log from zephyra-sim through the real console: menu command, history window,
// completion message. Prints the time and whether every record landed exactly once, in order.
//   bench_history_download [RECORDS [LATENCY_MS [JITTER_MS]]] [--one-at-a-time]
// Defaults 2000 records, 5 ms, no jitter. Modbus RTU over the pseudo-terminal: the console offers the logs
// on the serial link only (zephyra-cli downloads them over TCP too). JITTER_MS adds up to that much to each
// reply (latency L ±50 %: LATENCY_MS L/2, JITTER_MS L); a device that slow is asked again, and each
// record must still fill its own row once.
// Exit code 0 when every row is right and, without jitter, the download took at most 1.3 times the wire
// time.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>

#include "app/console.h"
#include "device/connection_window.h"
#include "history/history_window.h"
#include "support/gui_helpers.h"
#include "support/sim_process.h"

using namespace zephyra;
using namespace zephyra::test;

namespace {

bool IsRecord(const Bytes &f) {
    return f.size() >= 10 && f[1] == kFnHistory && f[4] == 1 && f[5] == 2;
}

} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef ZEPHYRA_SIM_PATH
    if (qEnvironmentVariableIsEmpty("ZEPHYRA_SIM"))
        qputenv("ZEPHYRA_SIM", ZEPHYRA_SIM_PATH);
#endif
    QApplication app(argc, argv);
    bool oneAtATime = false, bad = false;
    std::vector<int> numbers;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--one-at-a-time") == 0)
            oneAtATime = true;
        else if (argv[i][0] >= '0' && argv[i][0] <= '9' && numbers.size() < 3)
            numbers.push_back(std::atoi(argv[i]));
        else
            bad = true;
    }
    const int records = numbers.size() > 0 ? numbers[0] : 2000;
    const int latency = numbers.size() > 1 ? numbers[1] : 5;
    const int jitter = numbers.size() > 2 ? numbers[2] : 0;
    if (bad || records < 1 || records > 65535) {
        std::fprintf(stderr, "usage: %s [RECORDS 1..65535 [LATENCY_MS [JITTER_MS]]] [--one-at-a-time]\n",
                     argv[0]);
        return 2;
    }

    SimOptions sim;
    sim.scenarioJson = R"({"steady": true, "logs": {"alarm": )" + std::to_string(records) +
                       R"(}, "faults": {"latency_ms": )" + std::to_string(latency) + R"(, "jitter_ms": )" +
                       std::to_string(jitter) + R"(, "one_at_a_time": )" + (oneAtATime ? "true" : "false") +
                       "}}";
    sim.tcp = false;
    std::string error;
    std::unique_ptr<SimProcess> device = SimProcess::Start(sim, &error);
    if (!device) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }

    std::ostringstream trace;
    ConsoleOptions options;
    options.ExtraSerialPaths << QString::fromStdString(device->LinkPath());
    options.ProgramDir = QString::fromStdString(device->Dir());
    options.Trace = &trace;
    auto console = std::make_unique<Console>(options);
    TMain_Form &w = console->MainWindow();
    w.show();
    w.LogIn(UserLevel::User);
    ConnectionContext cc{console->Controller(),
                         console->Link(),
                         console->Messages(),
                         [](LinkKind, const QString &) {},
                         nullptr,
                         "127.0.0.1"};
    {
        TfrmComPort connect(cc);
        connect.SerialClick();
        int index = connect.findChild<QComboBox *>("PortSelect")
                        ->findData(QString::fromStdString(device->LinkPath()));
        if (index < 0) {
            std::fprintf(stderr, "port %s not found\n", device->LinkPath().c_str());
            return 1;
        }
        connect.PortSelectChange(index);
        connect.Btn_OK();
    }
    if (!WaitFor([&] { return console->Controller().Snapshot().Decoded; }, 10000)) {
        std::fprintf(stderr, "no status decoded\n");
        return 1;
    }

    // The download runs in the history window's own event loop, as for a user: nothing here may wait
    // inside it (a wait that sleeps between looks holds every reply and every request until it wakes).
    // Timers owned by the window look in on it.
    QElapsedTimer clock;
    qint64 countMs = -1, doneMs = -1;
    QString message;
    std::vector<QStringList> rows;
    const int limitMs = 600000;
    QEventLoop finished;
    bool opened = false;
    const auto readRowsAndClose = [&](HistoryWindowBase *win) {
        for (int r = 1; r < win->Grid().GridRows(); ++r) {
            QStringList row;
            for (int c = 0; c < win->Grid().columnCount(); ++c)
                row << win->Grid().Cell(r, c);
            rows.push_back(row);
        }
        if (doneMs < 0) // never completed: stopped, so Close ends it
            win->findChild<QPushButton *>("bbtReqStop")->click();
        win->findChild<QPushButton *>("bbtClose")->click();
        finished.quit();
    };
    OnNextModal(&w, [&](QWidget *modal) {
        auto *win = qobject_cast<HistoryWindowBase *>(modal);
        if (!win)
            return;
        opened = true;
        OnNextModal(
            win,
            [&, win](QWidget *box) {
                doneMs = clock.elapsed();
                message = BoxText(box);
                CloseBox(box);
                // Read once the box's loop has ended and the window's Close is back.
                auto *after = new QTimer(win);
                QObject::connect(after, &QTimer::timeout, win, [&, win, after] {
                    if (QApplication::activeModalWidget() != win ||
                        !win->findChild<QPushButton *>("bbtClose")->isEnabled())
                        return;
                    after->stop();
                    readRowsAndClose(win);
                });
                after->start(1);
            },
            limitMs, win);
        QTimer::singleShot(limitMs + 1000, win, [&, win] {
            if (doneMs < 0 && QApplication::activeModalWidget() == win)
                readRowsAndClose(win);
        });
    });
    // The count reply is in when the grid takes its size.
    QTimer countWatch;
    QObject::connect(&countWatch, &QTimer::timeout, [&] {
        if (console->State().History.Total > 0) {
            countMs = clock.elapsed();
            countWatch.stop();
        }
    });
    countWatch.start(1);
    clock.start();
    // A window that never opens ends the wait too.
    QTimer::singleShot(10000, &finished, [&] {
        if (!opened)
            finished.quit();
    });
    w.Action("mAlarmLog")->trigger();
    finished.exec(); // until the window has closed
    countWatch.stop();

    // Check against what went over the wire.
    std::vector<JournalEntry> journal = device->ReadJournal();
    std::map<int, Bytes> sent;
    for (const Bytes &f : JournalFrames(journal, "RTU", "TX"))
        if (IsRecord(f))
            sent[f[6] << 8 | f[7]] = Bytes(f.begin() + 6, f.end() - 2);
    std::vector<int> asked;
    for (const Bytes &f : JournalFrames(journal, "RTU", "RX"))
        if (IsRecord(f))
            asked.push_back(f[6] << 8 | f[7]);
    // Every index from the top down; a request asked again right after itself is one record.
    std::vector<int> distinct;
    for (int i : asked)
        if (distinct.empty() || distinct.back() != i)
            distinct.push_back(i);
    bool ordered = distinct.size() == static_cast<std::size_t>(records);
    for (std::size_t i = 0; ordered && i < distinct.size(); ++i)
        ordered = distinct[i] == records - 1 - static_cast<int>(i);
    int wrongRows = 0;
    if (rows.size() != static_cast<std::size_t>(records))
        wrongRows = records;
    for (int r = 1; wrongRows == 0 && r <= records; ++r) {
        auto it = sent.find(records - r);
        QStringList expected;
        if (it != sent.end())
            for (const std::string &cell : DecodeHistoryRecord(HistoryKind::Alarm, r, it->second))
                expected << QString::fromStdString(cell);
        if (it == sent.end() || rows[static_cast<std::size_t>(r - 1)] != expected)
            ++wrongRows;
    }
    const bool complete = message == QString::number(records) + "개 데이터\r저장됨!!";
    const double seconds = doneMs / 1000.0;
    // What a 115200 baud line needs, ten bits a byte: each record's request (10 bytes) and reply (28), the
    // device's latency before the reply (at least the 3.5 characters of silence every frame waits for) and
    // the 3.5 characters after it before the next request; the count exchange (8 and 10 bytes) once.
    const double byteMs = 10.0 * 1000.0 / 115200.0;
    const double silenceMs = 3.5 * byteMs;
    const double exchangeMs = std::max<double>(latency + jitter / 2.0, silenceMs) + silenceMs;
    const double wireS =
        (records * ((10 + 28) * byteMs + exchangeMs) + (8 + 10) * byteMs + exchangeMs) / 1000.0;
    std::printf("records=%d latency_ms=%d jitter_ms=%d total_s=%.2f wire_s=%.2f ratio=%.2f "
                "count_phase_s=%.2f record_phase_ms_per_record=%.1f requests=%zu in_order_once=%s "
                "wrong_rows=%d completion_message=%s\n",
                records, latency, jitter, seconds, wireS, seconds / wireS, countMs / 1000.0,
                (doneMs - countMs) / static_cast<double>(records), asked.size(), ordered ? "yes" : "no",
                wrongRows, complete ? "yes" : "no");
    console.reset();
    device->Stop();
    const bool paced = jitter > 0 || seconds <= 1.3 * wireS;
    return ordered && wrongRows == 0 && complete && doneMs >= 0 && paced ? 0 : 1;
}
