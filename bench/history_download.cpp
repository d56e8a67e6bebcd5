// Whole download of an alarm log from zephyra-sim over the pseudo-terminal, through the real console:
// menu command, history window, completion message. Prints the time and whether every record landed
// exactly once, in order.
//   bench_history_download [RECORDS [LATENCY_MS]]      (defaults 2000 and 5)
// Exit code 0 when every row is right and the download took at most 1.3 times the wire time.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <cstdio>
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
    const int records = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int latency = argc > 2 ? std::atoi(argv[2]) : 5;
    if (records < 1 || records > 65535 || latency < 0) {
        std::fprintf(stderr, "usage: %s [RECORDS 1..65535 [LATENCY_MS]]\n", argv[0]);
        return 2;
    }

    SimOptions sim;
    sim.scenarioJson = R"({"steady": true, "logs": {"alarm": )" + std::to_string(records) +
                       R"(}, "faults": {"latency_ms": )" + std::to_string(latency) + "}}";
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

    QElapsedTimer clock;
    qint64 countMs = -1, doneMs = -1;
    QString message;
    std::vector<QStringList> rows;
    bool finished = false;
    OnNextModal(&w, [&](QWidget *modal) {
        auto *win = qobject_cast<HistoryWindowBase *>(modal);
        if (!win)
            return;
        OnNextModal(
            win,
            [&](QWidget *box) {
                doneMs = clock.elapsed();
                message = BoxText(box);
                CloseBox(box);
            },
            600000, win);
        WaitFor([&] { return countMs >= 0 || doneMs >= 0; }, 10000);
        WaitFor([&] { return doneMs >= 0; }, 600000);
        for (int r = 1; r < win->Grid().GridRows(); ++r) {
            QStringList row;
            for (int c = 0; c < win->Grid().columnCount(); ++c)
                row << win->Grid().Cell(r, c);
            rows.push_back(row);
        }
        auto *close = win->findChild<QPushButton *>("bbtClose");
        WaitFor([&] { return close->isEnabled(); }, 2000);
        close->click();
        finished = true;
    });
    // The count reply is in when the grid takes its size.
    QTimer countWatch;
    QObject::connect(&countWatch, &QTimer::timeout, [&] {
        if (countMs < 0 && console->State().History.Total > 0)
            countMs = clock.elapsed();
    });
    countWatch.start(1);
    clock.start();
    w.Action("mAlarmLog")->trigger();
    WaitFor([&] { return finished; }, 700000);
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
    bool ordered = asked.size() == static_cast<std::size_t>(records);
    for (std::size_t i = 0; ordered && i < asked.size(); ++i)
        ordered = asked[i] == records - 1 - static_cast<int>(i);
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
    // What the line itself needs: each record's request (10 bytes) and reply (28), ten bits a byte at
    // 115200 baud, plus the device's latency; the count exchange once.
    const double byteMs = 10.0 * 1000.0 / 115200.0;
    const double wireS = (records * ((10 + 28) * byteMs + latency) + (8 + 10) * byteMs + latency) / 1000.0;
    std::printf("records=%d latency_ms=%d total_s=%.2f wire_s=%.2f ratio=%.2f count_phase_s=%.2f "
                "record_phase_ms_per_record=%.1f requests=%zu in_order_once=%s wrong_rows=%d "
                "completion_message=%s\n",
                records, latency, seconds, wireS, seconds / wireS, countMs / 1000.0,
                (doneMs - countMs) / static_cast<double>(records), asked.size(), ordered ? "yes" : "no",
                wrongRows, complete ? "yes" : "no");
    console.reset();
    device->Stop();
    return ordered && wrongRows == 0 && complete && doneMs >= 0 && seconds <= 1.3 * wireS ? 0 : 1;
}
