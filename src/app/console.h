// The application object, the composition root: owns the core, the endpoints, the timers and the windows,
// and hands each subsystem the narrow context it works with.
#pragma once

#include <QStringList>
#include <iostream>
#include <memory>

#include "access/session_model.h"
#include "config/setting_form_dialog.h"
#include "device/device_link_endpoint.h"
#include "history/history_controller.h"
#include "history/history_window.h"
#include "history/status_log_page.h"
#include "profile/profile_window.h"
#include "status/main_window.h"
#include "trend/trend_page.h"

namespace zephyra {

class MessageBoxOperator : public Operator {
public:
    void ShowInformation(const std::string &text) override;
    void ShowError(const std::string &text) override;
    void ShowMessage(const std::string &text) override;
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
// Where workbooks, status logs, profiles and reports go: the program's folder, unless it cannot be written
// or lies under /usr (an installed program) and the user has a folder of their own.
QString ChooseFilesDir(const QString &programDir, bool programDirWritable, const QString &userDir);

class Console {
public:
    explicit Console(const ConsoleOptions &options);
    ~Console();

    TMain_Form &MainWindow() { return *mainWindow_; }
    // Read-only: only the controller writes the poll state.
    const PollState &State() const { return link_.State(); }
    PollController &Controller() { return link_.Controller(); }
    const SessionModel &Session() const { return session_; }
    SettingsContext &Settings() { return settings_; }
    HistoryContext HistoryWindows() { return {link_.History(), operator_, filesDir_}; }
    // Where exports go from now on (tests point it at a place that cannot be written).
    void SetProgramDir(const QString &dir) { filesDir_ = dir; }
    // What the windows connect and disconnect through.
    LinkControl &Link() { return link_; }
    Operator &Messages() { return operator_; }
    HistoryController &History() { return link_.History(); }
    LinkMonitor &Monitor() { return link_.Monitor(); }
    ProfileContext &Profiles() { return profiles_; }

private:
    MessageBoxOperator operator_;
    DeviceLink link_;
    SessionModel session_;
    SettingsContext settings_;
    // Files the console writes (status logs, workbooks) go here; see ChooseFilesDir.
    QString filesDir_;
    ProfileContext profiles_;
    std::unique_ptr<TMain_Form> mainWindow_;
};

} // namespace zephyra
