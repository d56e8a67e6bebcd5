#include "app/console.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTemporaryFile>

#include "config/settings_commands.h"
#include "history/history_commands.h"
#include "history/status_log_commands.h"
#include "link/traffic_window.h"

namespace zephyra {

namespace {
void Box(QMessageBox::Icon icon, const std::string &text) {
    QMessageBox box(icon, QString::fromLatin1(kModelName), QString::fromStdString(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setObjectName("MessageBox");
    box.exec();
}
} // namespace

void MessageBoxOperator::ShowInformation(const std::string &text) {
    Box(QMessageBox::Information, text);
}
void MessageBoxOperator::ShowError(const std::string &text) {
    Box(QMessageBox::Critical, text);
}
void MessageBoxOperator::ShowMessage(const std::string &text) {
    Box(QMessageBox::NoIcon, text);
}

QString UserFilesDir() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QString() : documents + "/" + kModelName;
}

bool FolderWritable(const QString &dir) {
    if (dir.isEmpty() || !QFileInfo(dir).isDir())
        return false;
    QTemporaryFile probe(QDir(dir).filePath(".write-test-XXXXXX"));
    return probe.open();
}

QString ChooseFilesDir(const QString &programDir, bool programDirWritable, const QString &userDir) {
    return programDirWritable || userDir.isEmpty() ? programDir : userDir;
}

Console::Console(const ConsoleOptions &options)
    : port_(serial_, tcp_), codec_(state_.Link, port_), pollTimer_(timer1_),
      controller_(state_, codec_, pollTimer_, operator_, clock_, *options.Trace),
      receiver_(codec_, controller_, clock_), history_(controller_, clock_),
      session_(state_), settings_{controller_, receiver_, operator_, session_},
      filesDir_(ChooseFilesDir(options.ProgramDir, FolderWritable(options.ProgramDir), options.UserDir)) {
    codec_.AttachReceiver(&receiver_);
    codec_.SetMonitor(&monitor_);
    receiver_.SetMonitor(&monitor_);
    controller_.SetLinkMonitor(&monitor_);
    controller_.SetHistoryCollector(&history_);
    serial_.SetExtraPaths(options.ExtraSerialPaths);
    tcp_.SetPort(options.TcpPort);
    serial_.SetReceiver([this](ByteView bytes) { receiver_.OnSerialRead(bytes); });
    tcp_.SetReceiver([this](ByteView bytes) { receiver_.OnTcpRead(bytes); });

    timer1_.setInterval(kDefaultPollIntervalMs);
    QObject::connect(&timer1_, &QTimer::timeout, [this] {
        controller_.Timer1Timer();
        mainWindow_->RefreshHealth();
    });

    mainWindow_ = std::make_unique<TMain_Form>(
        MainWindowContext{controller_, session_, serial_, tcp_, operator_, options.DefaultHost});
    TMain_Form *w = mainWindow_.get();
    controller_.SetStatusView(w);
    port_.SetPainter([w](bool green) { w->PaintConnect(green); });
    QObject::connect(&serial_, &SerialEndpoint::TxLight, w, &TMain_Form::SetTxLight);
    QObject::connect(&serial_, &SerialEndpoint::RxLight, w, &TMain_Form::SetRxLight);
    // A frame cut off by the old connection must not swallow the new one's replies.
    QObject::connect(&tcp_, &TcpEndpoint::Connected, w, [this, w] {
        receiver_.Reset();
        monitor_.Reconnected();
        w->RefreshHealth();
    });
    QObject::connect(&tcp_, &TcpEndpoint::Disconnected, w, [this, w] {
        w->PaintConnect(false);
        monitor_.ConnectFailed("connection closed");
        w->RefreshHealth();
    });
    QObject::connect(&tcp_, &TcpEndpoint::ConnectAttemptFailed, w, [this, w](const QString &error) {
        monitor_.ConnectFailed(error.toStdString());
        w->RefreshHealth();
    });
    // A lost serial port is opened again by the poll's next request on the same path.
    QObject::connect(&serial_, &SerialEndpoint::PortLost, w, [this, w](const QString &path) {
        monitor_.PortLost(path.toStdString());
        w->RefreshHealth();
    });
    QObject::connect(&serial_, &SerialEndpoint::PortReopened, w, [this, w] {
        receiver_.Reset();
        monitor_.Reconnected();
        w->RefreshHealth();
    });

    InstallSettingsCommands(*w, settings_);
    InstallHistoryCommands(*w, HistoryWindows());
    // Lines still unsaved at exit go to the user's folder when the log's own cannot be written by then.
    InstallStatusLogPage(*w, StatusLogContext{controller_, operator_, filesDir_, options.UserDir});
    InstallTrafficCommand(*w, monitor_);
    QStringList alarmNames;
    for (const LampBit &lamp : LampBits())
        alarmNames << w->LampCaption(lamp.Name);
    InstallTrendPage(*w, controller_, TrendContext{filesDir_, alarmNames, options.SettingsFile});
}

Console::~Console() {
    timer1_.stop();
    controller_.SetStatusView(nullptr);
    controller_.SetDecodeObserver(nullptr);
}

} // namespace zephyra
