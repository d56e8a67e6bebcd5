// Alarm and event log downloads, history initialise and Save File: the console against zephyra-sim over
// the pseudo-terminal. What the simulator journals is what went over the wire.
#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <csignal>
#include <map>
#include <sys/types.h>

#include "e2e/console_fixture.h"
#include "history/history_record.h"
#include "history/history_window.h"
#include "link/modbus_codec.h"

namespace zephyra::test {
namespace {

// Frames on the serial link: unit, function, then the 0x41 fields; the CRC at the end.
bool IsHistory(const Bytes &f, HistoryKind kind, uint8_t command) {
    return f.size() >= 8 && f[1] == kFnHistory && f[4] == static_cast<uint8_t>(kind) && f[5] == command;
}

// Record indexes the device was asked for, in order.
std::vector<int> RecordRequests(const std::vector<JournalEntry> &journal, HistoryKind kind) {
    std::vector<int> out;
    for (const Bytes &f : JournalFrames(journal, "RTU", "RX"))
        if (IsHistory(f, kind, 2) && f.size() >= 10)
            out.push_back(f[6] << 8 | f[7]);
    return out;
}

std::size_t CountRequests(const std::vector<JournalEntry> &journal, HistoryKind kind) {
    std::size_t n = 0;
    for (const Bytes &f : JournalFrames(journal, "RTU", "RX"))
        n += IsHistory(f, kind, 1) ? 1 : 0;
    return n;
}

// Records the device sent (replies it dropped are not among them), by index: leading field onwards.
std::map<int, Bytes> RecordReplies(const std::vector<JournalEntry> &journal, HistoryKind kind) {
    std::map<int, Bytes> out;
    for (const Bytes &f : JournalFrames(journal, "RTU", "TX"))
        if (IsHistory(f, kind, 2) && f.size() >= 10)
            out[f[6] << 8 | f[7]] = Bytes(f.begin() + 6, f.end() - 2);
    return out;
}

std::size_t StatusReads(const std::vector<JournalEntry> &journal) {
    std::size_t n = 0;
    for (const Bytes &f : JournalFrames(journal, "RTU", "RX"))
        n += f.size() >= 2 && f[1] == kFnReadInput ? 1 : 0;
    return n;
}

// Indexes with immediate repeats (a request asked again) folded together.
std::vector<int> Distinct(const std::vector<int> &v) {
    std::vector<int> out;
    for (int i : v)
        if (out.empty() || out.back() != i)
            out.push_back(i);
    return out;
}

std::vector<int> Descending(int n) {
    std::vector<int> out;
    for (int i = n - 1; i >= 0; --i)
        out.push_back(i);
    return out;
}

std::string LogsScenario(int alarm, int event, const std::string &faults = "{}") {
    return R"({"steady": true, "logs": {"alarm": )" + std::to_string(alarm) + R"(, "event": )" +
           std::to_string(event) + R"(}, "faults": )" + faults + "}";
}

struct Outcome {
    QString box; // the completion or empty-log message
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int gridRows = 0;
    std::vector<QStringList> rows; // grid rows 1..gridRows - 1
    int gauge = -1;
    QString label;
    bool closeEnabled = false, saveEnabled = false, pollRunning = true;
    uint8_t mode = 0xFF;
};

class HistoryE2e : public ConsoleWithSim {
protected:
    void Begin(const std::string &scenario, UserLevel level = UserLevel::Super, int decodeWithinMs = 5000) {
        StartSim(scenario, false, true);
        StartConsole(level);
        Connect(LinkKind::Serial);
        ASSERT_TRUE(WaitForDecode(decodeWithinMs)) << sim->Stderr();
    }

    // Runs a menu command; `during` acts inside the modal window it opens. The window is closed after.
    void Open(const char *action, const std::function<void(QWidget *)> &during) {
        bool ran = false;
        OnNextModal(&console->MainWindow(), [&](QWidget *w) {
            during(w);
            ran = true;
            if (!w->isVisible())
                return;
            ADD_FAILURE() << "the window was left open";
            if (auto *close = Child<QPushButton>(w, "bbtClose")) {
                close->setEnabled(true);
                close->click();
            } else {
                CloseBox(w);
            }
        });
        ASSERT_TRUE(console->MainWindow().Action(action)->isEnabled()) << action;
        console->MainWindow().Action(action)->trigger();
        ASSERT_TRUE(WaitFor([&] { return ran && !QApplication::activeModalWidget(); }, 240000));
    }

    // One download to its message; `during` acts on the window while it downloads, `after` on the
    // finished window before Close is clicked.
    Outcome Download(HistoryKind kind, const std::function<void(HistoryWindowBase *)> &after = {},
                     const std::function<void(HistoryWindowBase *)> &during = {}) {
        const int timeoutMs = 120000;
        Outcome o;
        Open(kind == HistoryKind::Event ? "mEventLog" : "mAlarmLog", [&](QWidget *w) {
            auto *win = qobject_cast<HistoryWindowBase *>(w);
            ASSERT_TRUE(win);
            bool seen = false;
            OnNextModal(
                win,
                [&](QWidget *box) {
                    o.box = BoxText(box);
                    if (auto *mb = qobject_cast<QMessageBox *>(box))
                        o.icon = mb->icon();
                    CloseBox(box);
                    seen = true;
                },
                timeoutMs, win);
            if (during)
                during(win);
            ASSERT_TRUE(WaitFor([&] { return seen; }, timeoutMs))
                << "no message; journal of " << sim->JournalPath();
            auto *close = Child<QPushButton>(win, "bbtClose");
            WaitFor([&] { return close->isEnabled(); }, 2000);
            o.gridRows = win->Grid().GridRows();
            for (int r = 1; r < o.gridRows; ++r) {
                QStringList row;
                for (int c = 0; c < win->Grid().columnCount(); ++c)
                    row << win->Grid().Cell(r, c);
                o.rows.push_back(row);
            }
            o.gauge = Child<QProgressBar>(win, "Gauge")->value();
            o.label = Child<QLabel>(win, "LabAlarm")->text();
            o.closeEnabled = close->isEnabled();
            o.saveEnabled = Child<QPushButton>(win, "bbtFileSave")->isEnabled();
            o.pollRunning = console->Controller().Ticking();
            o.mode = console->State().RequestMode;
            if (after)
                after(win);
            close->click();
        });
        return o;
    }

    // Every record exactly once, row r holding index Total - r, as the device sent it.
    void ExpectAllRows(const Outcome &o, HistoryKind kind, int total) {
        std::map<int, Bytes> sent = RecordReplies(sim->ReadJournal(), kind);
        ASSERT_EQ(o.gridRows, total + 1);
        for (int r = 1; r <= total; ++r) {
            auto it = sent.find(total - r);
            ASSERT_NE(it, sent.end()) << "index " << total - r << " never sent";
            QStringList expected;
            for (const std::string &cell : DecodeHistoryRecord(kind, r, it->second))
                expected << QString::fromStdString(cell);
            EXPECT_EQ(o.rows[static_cast<std::size_t>(r - 1)], expected) << "row " << r;
        }
    }
};

class HistoryCounts : public HistoryE2e, public ::testing::WithParamInterface<int> {};

TEST_P(HistoryCounts, AlarmAndEventLogsDownloadEveryRecordOnceInOrder) {
    const int n = GetParam();
    Begin(LogsScenario(n, n));
    for (HistoryKind kind : {HistoryKind::Alarm, HistoryKind::Event}) {
        SCOPED_TRACE(kind == HistoryKind::Alarm ? "alarm log" : "event log");
        std::size_t statusBefore = 0;
        bool pollResumedInWindow = false;
        Outcome o = Download(kind, [&](HistoryWindowBase *win) {
            // A look at a full window: build-dir/tests/e2e/history_<kind>_live.png
            if (n == 50) {
                EXPECT_TRUE(win->grab().save(QDir::current().filePath(
                    kind == HistoryKind::Alarm ? "history_alarm_live.png" : "history_event_live.png")));
            }
            if (n != 0)
                return;
            // No records: the status poll goes on while the window stays open.
            statusBefore = StatusReads(sim->ReadJournal());
            pollResumedInWindow =
                WaitFor([&] { return StatusReads(sim->ReadJournal()) >= statusBefore + 2; }, 5000);
        });
        const auto journal = sim->ReadJournal();
        EXPECT_GE(CountRequests(journal, kind), 1u);
        EXPECT_EQ(RecordRequests(journal, kind), Descending(n));
        EXPECT_EQ(o.mode, mode::kPoll);
        EXPECT_TRUE(o.closeEnabled);
        if (n == 0) {
            EXPECT_EQ(o.box, "No History data");
            EXPECT_EQ(o.icon, QMessageBox::NoIcon);
            EXPECT_EQ(o.gridRows, 1);
            EXPECT_FALSE(o.saveEnabled);
            EXPECT_TRUE(pollResumedInWindow);
        } else {
            EXPECT_EQ(o.box, QString::number(n) + "개 데이터\r저장됨!!");
            EXPECT_EQ(o.icon, QMessageBox::Information);
            EXPECT_EQ(o.gauge, 100);
            EXPECT_EQ(o.label, "전체 : " + QString::number(n));
            EXPECT_TRUE(o.saveEnabled);
            EXPECT_FALSE(o.pollRunning) << "the status poll waits for Close";
            ExpectAllRows(o, kind, n);
        }
        // Close: the status poll resumes.
        EXPECT_TRUE(console->Controller().Ticking());
        std::size_t reads = StatusReads(sim->ReadJournal());
        EXPECT_TRUE(WaitFor([&] { return StatusReads(sim->ReadJournal()) > reads; }, 3000));
    }
}

INSTANTIATE_TEST_SUITE_P(Records, HistoryCounts, ::testing::Values(0, 1, 3, 50));

class HistoryFaults : public HistoryE2e, public ::testing::WithParamInterface<const char *> {};

// Replies later than a tick, lost, or both: each record still lands once, in its own row.
TEST_P(HistoryFaults, SlowAndLostRepliesStillGiveEveryRecordOnce) {
    const int n = 20;
    Begin(LogsScenario(n, 0, GetParam()));
    Outcome o = Download(HistoryKind::Alarm);
    EXPECT_EQ(o.box, QString::number(n) + "개 데이터\r저장됨!!");
    EXPECT_EQ(o.gauge, 100);
    ExpectAllRows(o, HistoryKind::Alarm, n);
    EXPECT_EQ(Distinct(RecordRequests(sim->ReadJournal(), HistoryKind::Alarm)), Descending(n));
}

std::string FaultName(const ::testing::TestParamInfo<const char *> &info) {
    static const char *const names[] = {"Slow", "Lost", "UnevenAndLost"};
    return names[info.index];
}

INSTANTIATE_TEST_SUITE_P(
    Faults, HistoryFaults,
    ::testing::Values(R"({"latency_ms": 150})", R"({"drop_every": 3})",
                      R"({"latency_ms": 40, "jitter_ms": 40, "drop_every": 5, "seed": 3})"),
    FaultName);

// A device slower than the first time-out, one that takes up a request only after answering the one
// before: a record asked again is stored once, in its own row; below the time-out's cap each record
// after the first is asked once. Above the cap (6 s, answering side by side) records are asked again,
// yet each fills its own row once.
struct SlowDevice {
    int latencyMs;
    bool oneAtATime;
};

class SlowDeviceHistory : public HistoryE2e, public ::testing::WithParamInterface<SlowDevice> {};

TEST_P(SlowDeviceHistory, EveryRecordOnceInOrder) {
    const int n = 3;
    const SlowDevice d = GetParam();
    Begin(LogsScenario(n, 0,
                       R"({"latency_ms": )" + std::to_string(d.latencyMs) + R"(, "one_at_a_time": )" +
                           (d.oneAtATime ? "true" : "false") + "}"),
          UserLevel::Super, 2 * d.latencyMs + 5000);
    Outcome o = Download(HistoryKind::Alarm);
    EXPECT_EQ(o.box, QString::number(n) + "개 데이터\r저장됨!!");
    ExpectAllRows(o, HistoryKind::Alarm, n);
    std::vector<int> asked = RecordRequests(sim->ReadJournal(), HistoryKind::Alarm);
    EXPECT_EQ(Distinct(asked), Descending(n));
    ASSERT_GE(asked.size(), static_cast<std::size_t>(n));
    if (d.latencyMs < 5000) {
        EXPECT_EQ(std::vector<int>(asked.end() - (n - 1), asked.end()), (std::vector<int>{1, 0}));
    }
}

INSTANTIATE_TEST_SUITE_P(Latency, SlowDeviceHistory,
                         ::testing::Values(SlowDevice{1100, true}, SlowDevice{2000, true},
                                           SlowDevice{3000, true}, SlowDevice{6000, false}),
                         [](const auto &info) {
                             return std::to_string(info.param.latencyMs) + "ms" +
                                    (info.param.oneAtATime ? "OneAtATime" : "");
                         });

// Holds the simulator still, as a device that stops answering, until resumed or the scope ends.
class Frozen {
public:
    explicit Frozen(pid_t pid) : pid_(pid) { kill(pid_, SIGSTOP); }
    ~Frozen() { Resume(); }
    void Resume() {
        if (pid_ > 0)
            kill(pid_, SIGCONT);
        pid_ = -1;
    }

private:
    pid_t pid_;
};

int FilledRows(HistoryWindowBase *win) {
    int n = 0;
    for (int r = 1; r < win->Grid().GridRows(); ++r)
        n += win->Grid().Cell(r, 1).isEmpty() ? 0 : 1;
    return n;
}

// The device falls silent mid-download: the window says for how long and what arrived, counts on, and
// the text goes with the first reply after; the download then ends with every record once.
TEST_F(HistoryE2e, SilentDeviceIsShownUntilItAnswersAgain) {
    const int n = 40;
    Begin(LogsScenario(n, 0, R"({"latency_ms": 20})"));
    Outcome o = Download(HistoryKind::Alarm, {}, [&](HistoryWindowBase *win) {
        auto *stall = Child<QLabel>(win, "labStall");
        ASSERT_TRUE(WaitFor([&] { return FilledRows(win) >= 3; }, 20000));
        Frozen frozen(sim->Pid());
        ASSERT_TRUE(WaitFor([&] { return !stall->text().isEmpty(); }, 20000));
        const QRegularExpression shown("^장비가 (\\d+)초째 응답하지 않습니다 — 40건 중 (\\d+)건 받음$");
        QRegularExpressionMatch first = shown.match(stall->text());
        ASSERT_TRUE(first.hasMatch()) << stall->text().toStdString();
        EXPECT_GE(first.captured(1).toInt(), 3);
        EXPECT_EQ(first.captured(2).toInt(), FilledRows(win));
        ASSERT_TRUE(WaitFor([&] { return stall->text() != first.captured(0); }, 20000));
        QRegularExpressionMatch later = shown.match(stall->text());
        ASSERT_TRUE(later.hasMatch()) << stall->text().toStdString();
        EXPECT_GT(later.captured(1).toInt(), first.captured(1).toInt());
        EXPECT_EQ(later.captured(2), first.captured(2));
        // A look at it: build-dir/tests/e2e/history_stall.png
        EXPECT_TRUE(win->grab().save(QDir::current().filePath("history_stall.png")));
        frozen.Resume();
        EXPECT_TRUE(WaitFor([&] { return stall->text().isEmpty(); }, 20000)) << stall->text().toStdString();
    });
    EXPECT_EQ(o.box, QString::number(n) + "개 데이터\r저장됨!!");
    ExpectAllRows(o, HistoryKind::Alarm, n);
}

TEST_F(HistoryE2e, CloseDuringTheCountPhaseStopsTheRequestsAndDropsTheLateCount) {
    // The count reply is still on its way when Close is clicked.
    Begin(LogsScenario(5, 0, R"({"latency_ms": 400})"));
    Open("mAlarmLog", [&](QWidget *w) {
        ASSERT_TRUE(WaitFor([&] { return CountRequests(sim->ReadJournal(), HistoryKind::Alarm) > 0; }, 5000));
        Child<QPushButton>(w, "bbtClose")->click();
    });
    EXPECT_EQ(console->State().RequestMode, mode::kPoll);
    EXPECT_TRUE(console->Controller().Ticking());
    // The count reply arrives, and three status polls after it.
    ASSERT_TRUE(WaitFor([&] {
        const auto j = sim->ReadJournal();
        for (const Bytes &f : JournalFrames(j, "RTU", "TX"))
            if (IsHistory(f, HistoryKind::Alarm, 1))
                return true;
        return false;
    }));
    std::size_t reads = StatusReads(sim->ReadJournal());
    ASSERT_TRUE(WaitFor([&] { return StatusReads(sim->ReadJournal()) >= reads + 3; }, 5000));
    const auto journal = sim->ReadJournal();
    EXPECT_EQ(CountRequests(journal, HistoryKind::Alarm), 1u);
    EXPECT_TRUE(RecordRequests(journal, HistoryKind::Alarm).empty());
    EXPECT_EQ(console->State().RequestMode, mode::kPoll);
    EXPECT_FALSE(console->State().History.Active);
}

struct InitialiseCase {
    bool refuse;
    const char *item;
    HistoryKind kind;
    const char *message;
    QMessageBox::Icon icon;
    const char *question;
};

class HistoryInitialise : public HistoryE2e, public ::testing::WithParamInterface<InitialiseCase> {};

// Answers the Yes/No question the next click over `dialog` asks, noting its text.
void AnswerQuestion(QWidget *dialog, QMessageBox::StandardButton answer, QString *question) {
    OnNextModal(
        dialog,
        [answer, question](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box || !box->button(answer)) {
                ADD_FAILURE() << "no Yes/No question: " << BoxText(w).toStdString();
                CloseBox(w);
                return;
            }
            *question = box->text();
            box->button(answer)->click();
        },
        5000, dialog);
}

std::vector<Bytes> InitialiseRequests(const std::vector<JournalEntry> &journal) {
    std::vector<Bytes> sent;
    for (const Bytes &f : JournalFrames(journal, "RTU", "RX"))
        if (f.size() >= 2 && f[1] == kFnHistory)
            sent.push_back(Bytes(f.begin(), f.end() - 2));
    return sent;
}

TEST_P(HistoryInitialise, SetSendsTheInitialiseRequestAndShowsTheDevicesAnswer) {
    const InitialiseCase &c = GetParam();
    Begin(R"({"steady": true, "logs": {"alarm": 3, "event": 4}, "faults": {"refuse_initialise": )" +
          std::string(c.refuse ? "true" : "false") + "}}");
    QString shown;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    std::size_t statusAtExit = 0;
    Open("mInitialLog", [&](QWidget *w) {
        auto *set = Child<QPushButton>(w, "BitBtnI_OK");
        set->click(); // nothing chosen yet: nothing goes out
        QRadioButton *item = nullptr;
        for (QRadioButton *r : w->findChildren<QRadioButton *>())
            if (r->text() == c.item)
                item = r;
        ASSERT_TRUE(item);
        item->click();
        bool seen = false;
        QString question;
        AnswerQuestion(w, QMessageBox::Yes, &question);
        set->click();
        EXPECT_EQ(question, c.question);
        OnNextModal(
            w,
            [&](QWidget *box) {
                shown = BoxText(box);
                if (auto *mb = qobject_cast<QMessageBox *>(box))
                    icon = mb->icon();
                CloseBox(box);
                seen = true;
            },
            5000, w);
        ASSERT_TRUE(WaitFor([&] { return seen; }, 5000));
        EXPECT_TRUE(w->isVisible()) << "the dialog stays open after Set";
        statusAtExit = StatusReads(sim->ReadJournal());
        Child<QPushButton>(w, "BitBtnI_Cancel")->click();
    });
    EXPECT_EQ(shown, c.message);
    EXPECT_EQ(icon, c.icon);
    const std::vector<Bytes> sent = InitialiseRequests(sim->ReadJournal());
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (Bytes{0x01, 0x41, 0x00, 0x02, static_cast<uint8_t>(c.kind), 0x03}));
    // Exit resumes the status poll.
    EXPECT_EQ(console->State().RequestMode, mode::kPoll);
    EXPECT_TRUE(WaitFor([&] { return StatusReads(sim->ReadJournal()) > statusAtExit; }, 3000));
}

INSTANTIATE_TEST_SUITE_P(
    Results, HistoryInitialise,
    ::testing::Values(InitialiseCase{false, "알람이력", HistoryKind::Alarm, " Setting Sucess!!",
                                     QMessageBox::Information,
                                     "알람이력: 장치의 알람 이력이 지워집니다. 계속하시겠습니까?"},
                      InitialiseCase{true, "이벤트이력", HistoryKind::Event, " Setting Fail!!",
                                     QMessageBox::Critical,
                                     "이벤트이력: 장치의 이벤트 이력이 지워집니다. 계속하시겠습니까?"}),
    [](const ::testing::TestParamInfo<InitialiseCase> &info) {
        return std::string(info.param.refuse ? "Refused" : "Accepted");
    });

// No erases nothing; Yes and leaving at once still tells the operator the device cleared its log.
TEST_F(HistoryE2e, InitialiseAsksFirstAndReportsAnAnswerThatComesAfterTheDialogClosed) {
    Begin(LogsScenario(3, 4));
    QString shown;
    bool seen = false;
    Open("mInitialLog", [&](QWidget *w) {
        auto *set = Child<QPushButton>(w, "BitBtnI_OK");
        Child<QRadioButton>(w, "rgInitialItem0")->click();
        QString question;
        AnswerQuestion(w, QMessageBox::No, &question);
        set->click();
        EXPECT_EQ(question, "알람이력: 장치의 알람 이력이 지워집니다. 계속하시겠습니까?");
        AnswerQuestion(w, QMessageBox::Yes, &question);
        set->click();
        // The request is out; its answer can only be read once this click returns to the event loop.
        OnNextModal(
            &console->MainWindow(),
            [&](QWidget *box) {
                shown = BoxText(box);
                CloseBox(box);
                seen = true;
            },
            5000, w);
        Child<QPushButton>(w, "BitBtnI_Cancel")->click();
    });
    ASSERT_TRUE(WaitFor([&] { return seen; }, 5000));
    EXPECT_EQ(shown, " Setting Sucess!!");
    EXPECT_EQ(InitialiseRequests(sim->ReadJournal()),
              (std::vector<Bytes>{{0x01, 0x41, 0x00, 0x02, 0x01, 0x03}}));
}

// Names the workbook may have when saved between `from` and `to` (which may lie on either side of
// midnight).
QStringList NamesBetween(const char *log, const QDateTime &from, const QDateTime &to) {
    QStringList names;
    for (QDateTime t = from; t <= to && names.size() < 10; t = t.addSecs(1))
        names << QString("ZEPHYRA-M10 %1(%2).xls").arg(log, t.toString("HHmmss"));
    return names;
}

TEST_F(HistoryE2e, SaveFileWritesTheWorkbookAndAnUnwritableDirectoryShowsNoExcel) {
    Begin(LogsScenario(3, 3));
    QDir dir(QString::fromStdString(sim->Dir()));
    for (HistoryKind kind : {HistoryKind::Alarm, HistoryKind::Event}) {
        const char *log = kind == HistoryKind::Alarm ? "Alarm Log" : "Event Log";
        QDateTime from, to;
        Download(kind, [&](HistoryWindowBase *win) {
            from = QDateTime::currentDateTime();
            from = from.addMSecs(-from.time().msec());
            Child<QPushButton>(win, "bbtFileSave")->click();
            to = QDateTime::currentDateTime();
            // A look at it: build-dir/tests/e2e/history_saved.png
            if (kind == HistoryKind::Alarm) {
                QApplication::processEvents(); // the bar's layout takes the new path first
                EXPECT_TRUE(win->grab().save(QDir::current().filePath("history_saved.png")));
            }
        });
        QStringList files = dir.entryList({QString("ZEPHYRA-M10 %1(*).xls").arg(log)}, QDir::Files);
        ASSERT_EQ(files.size(), 1) << log;
        EXPECT_TRUE(NamesBetween(log, from, to).contains(files[0])) << files[0].toStdString();
        EXPECT_GT(QFileInfo(dir.filePath(files[0])).size(), 0);
    }
    EXPECT_TRUE(dir.entryList({"*.part"}, QDir::Files).isEmpty());

    // The program's directory is not a directory one can write into: "No Excel", then where and why.
    const QString notAFolder = dir.filePath("scenario.json");
    console->SetProgramDir(notAFolder);
    QString shown;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Download(HistoryKind::Alarm, [&](HistoryWindowBase *win) {
        OnNextModal(
            win,
            [&](QWidget *box) {
                shown = BoxText(box);
                if (auto *mb = qobject_cast<QMessageBox *>(box))
                    icon = mb->icon();
                // A look at it: build-dir/tests/e2e/history_no_excel.png
                EXPECT_TRUE(box->grab().save(QDir::current().filePath("history_no_excel.png")));
                CloseBox(box);
            },
            5000, win);
        Child<QPushButton>(win, "bbtFileSave")->click();
    });
    QStringList lines = shown.split('\n');
    ASSERT_EQ(lines.size(), 3) << shown.toStdString();
    EXPECT_EQ(lines[0], "No Excel");
    EXPECT_TRUE(lines[1].startsWith(notAFolder + "/ZEPHYRA-M10 Alarm Log(")) << lines[1].toStdString();
    EXPECT_EQ(lines[2], "폴더 경로가 폴더가 아닌 파일을 가리킵니다");
    EXPECT_EQ(icon, QMessageBox::Warning);
}

} // namespace
} // namespace zephyra::test
