#include "app/console.h"

#include <QApplication>
#include <QMessageBox>

#include "config/settings_commands.h"
#include "history/history_commands.h"
#include "history/status_log_commands.h"

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

Console::Console(const ConsoleOptions &options)
    : port_(serial_, tcp_), codec_(state_.Link, port_), pollTimer_(timer1_),
      controller_(state_, codec_, pollTimer_, operator_, clock_, *options.Trace),
      receiver_(codec_, controller_, clock_), history_(controller_, clock_),
      session_(state_), settings_{controller_, receiver_, operator_, session_},
      programDir_(options.ProgramDir) {
    codec_.AttachReceiver(&receiver_);
    controller_.SetHistoryCollector(&history_);
    serial_.SetExtraPaths(options.ExtraSerialPaths);
    tcp_.SetPort(options.TcpPort);
    serial_.SetReceiver([this](ByteView bytes) { receiver_.OnSerialRead(bytes); });
    tcp_.SetReceiver([this](ByteView bytes) { receiver_.OnTcpRead(bytes); });

    timer1_.setInterval(kDefaultPollIntervalMs);
    QObject::connect(&timer1_, &QTimer::timeout, [this] { controller_.Timer1Timer(); });

    mainWindow_ = std::make_unique<TMain_Form>(
        MainWindowContext{controller_, session_, serial_, tcp_, operator_, options.DefaultHost});
    TMain_Form *w = mainWindow_.get();
    controller_.SetStatusView(w);
    port_.SetPainter([w](bool green) { w->PaintConnect(green); });
    QObject::connect(&serial_, &SerialEndpoint::TxLight, w, &TMain_Form::SetTxLight);
    QObject::connect(&serial_, &SerialEndpoint::RxLight, w, &TMain_Form::SetRxLight);
    // A frame cut off by the old connection must not swallow the new one's replies.
    QObject::connect(&tcp_, &TcpEndpoint::Connected, w, [this] { receiver_.Reset(); });
    QObject::connect(&tcp_, &TcpEndpoint::Disconnected, w, [w] { w->PaintConnect(false); });

    InstallSettingsCommands(*w, settings_);
    InstallHistoryCommands(*w, HistoryWindows());
    InstallStatusLogPage(*w, StatusLogContext{controller_, operator_, programDir_});
}

Console::~Console() {
    timer1_.stop();
    controller_.SetStatusView(nullptr);
}

} // namespace zephyra
