// The application object, the composition root: owns the core, the endpoints, the timers and the windows,
// and hands each subsystem the narrow context it works with.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <iostream>
#include <memory>

#include "access/session_model.h"
#include "config/setting_form_dialog.h"
#include "history/history_collector.h"
#include "history/history_window.h"
#include "history/status_log_page.h"
#include "link/link_monitor.h"
#include "link/link_port_endpoint.h"
#include "link/response_receiver.h"
#include "link/serial_endpoint.h"
#include "link/tcp_endpoint.h"
#include "polling/main_window.h"
#include "trend/trend_page.h"

namespace zephyra {

class QtPollTimer : public PollTimer {
public:
    explicit QtPollTimer(QTimer &timer) : timer_(timer) {}
    void SetEnabled(bool enabled) override { enabled ? timer_.start() : timer_.stop(); }
    bool Enabled() const override { return timer_.isActive(); }
    // A running QTimer restarts on setInterval: the same interval again must not push the next tick back
    // (the history download sets it on every record reply).
    void SetInterval(int ms) override {
        if (timer_.interval() != ms)
            timer_.setInterval(ms);
    }
    int Interval() const override { return timer_.interval(); }

private:
    QTimer &timer_;
};

class MessageBoxOperator : public Operator {
public:
    void ShowInformation(const std::string &text) override;
    void ShowError(const std::string &text) override;
    void ShowMessage(const std::string &text) override;
};

class SteadyClock : public Clock {
public:
    SteadyClock() { timer_.start(); }
    int64_t NowMs() const override { return timer_.elapsed(); }

private:
    QElapsedTimer timer_;
};

struct ConsoleOptions {
    QStringList ExtraSerialPaths;
    quint16 TcpPort = TcpEndpoint::kDevicePort;
    QString DefaultHost = QStringLiteral("192.168.30.70");
    QString ProgramDir;
    std::ostream *Trace = &std::cout;
    // The user's own folder for the files when the program's cannot be written; empty: none.
    QString UserDir;
    // Where choices are remembered between runs (an INI file); empty: nothing is remembered.
    QString SettingsFile = {};
};

// The user's own folder for the console's files: Documents/ZEPHYRA-M10.
QString UserFilesDir();
// Whether a file can be created in dir. Asks the file system itself: permission bits say nothing for
// root, ACLs or a read-only mount.
bool FolderWritable(const QString &dir);
// Where workbooks and status logs go: the program's folder, unless it cannot be written (an installed
// program) and the user has a folder of their own.
QString ChooseFilesDir(const QString &programDir, bool programDirWritable, const QString &userDir);

class Console {
public:
    explicit Console(const ConsoleOptions &options);
    ~Console();

    TMain_Form &MainWindow() { return *mainWindow_; }
    // Read-only: only the controller writes the poll state.
    const PollState &State() const { return state_; }
    PollController &Controller() { return controller_; }
    const SessionModel &Session() const { return session_; }
    SettingsContext &Settings() { return settings_; }
    HistoryContext HistoryWindows() { return {history_, operator_, filesDir_}; }
    // Where exports go from now on (tests point it at a place that cannot be written).
    void SetProgramDir(const QString &dir) { filesDir_ = dir; }
    SerialEndpoint &Serial() { return serial_; }
    TcpEndpoint &Tcp() { return tcp_; }
    QTimer &Timer1() { return timer1_; }
    Operator &Messages() { return operator_; }
    HistoryController &History() { return history_; }
    ResponseReceiver &Receiver() { return receiver_; }
    LinkMonitor &Monitor() { return monitor_; }

private:
    PollState state_;
    SerialEndpoint serial_;
    TcpEndpoint tcp_;
    LinkPortEndpoint port_;
    ModbusCodec codec_;
    SteadyClock clock_;
    LinkMonitor monitor_{clock_};
    MessageBoxOperator operator_;
    QTimer timer1_;
    QtPollTimer pollTimer_;
    PollController controller_;
    ResponseReceiver receiver_;
    HistoryController history_;
    SessionModel session_;
    SettingsContext settings_;
    // Files the console writes (status logs, workbooks) go here; see ChooseFilesDir.
    QString filesDir_;
    std::unique_ptr<TMain_Form> mainWindow_;
};

} // namespace zephyra
