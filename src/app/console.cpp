#include "app/console.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QStandardPaths>
#include <QStyleFactory>
#include <QTemporaryFile>

#include "app/language.h"
#include "config/settings_commands.h"
#include "device/language_endpoint.h"
#include "device/traffic_window.h"
#include "history/history_commands.h"
#include "history/status_log_commands.h"
#include "status/cached_panel_widget_style.h"
#include "status/message_box_dialog.h"

namespace zephyra {

namespace {
void Box(QMessageBox::Icon icon, const std::string &text) {
    ShowMessageBox(QApplication::activeWindow(), icon, QString::fromStdString(text));
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
    // A packaged program's folder is the system's, writable for root all the same.
    const QString clean = QDir::cleanPath(programDir);
    const bool system = clean == "/usr" || clean.startsWith("/usr/");
    return (programDirWritable && !system) || userDir.isEmpty() ? programDir : userDir;
}

Console::Console(const ConsoleOptions &options)
    : link_(operator_, *options.Trace, QtTextTranslator()),
      session_(link_.State().Link, link_.State().Connected), settings_{link_.Controller(), operator_,
                                                                       session_},
      filesDir_(ChooseFilesDir(options.ProgramDir, FolderWritable(options.ProgramDir), options.UserDir)),
      profiles_{link_.Controller(), session_, link_.Monitor(), link_.History(), operator_, filesDir_, {}} {
    link_.Serial().SetExtraPaths(options.ExtraSerialPaths);
    link_.SetTcpPort(options.TcpPort);

    // Same look, cheaper repaints of the value fields; once per application.
    if (!qobject_cast<CachedPanelStyle *>(QApplication::style()))
        QApplication::setStyle(new CachedPanelStyle(QStyleFactory::create(QApplication::style()->name())));
    // Unhinted glyphs, at the same widths: for light hinting FreeType first measures a Korean font on
    // dozens of sample glyphs never drawn, which keeps some 1.5 MB of each Nanum file mapped.
    if (QFont font = QApplication::font(); font.hintingPreference() != QFont::PreferNoHinting) {
        font.setHintingPreference(QFont::PreferNoHinting);
        QApplication::setFont(font);
    }

    mainWindow_ = std::make_unique<TMain_Form>(
        MainWindowContext{link_.Controller(), session_, link_, operator_, options.DefaultHost});
    TMain_Form *w = mainWindow_.get();
    link_.Controller().SetStatusView(w);
    link_.Port().SetPainter([w](bool green) { w->PaintConnect(green); });
    link_.SetHealthObserver([w] { w->RefreshHealth(); });
    QObject::connect(&link_.Serial(), &SerialEndpoint::TxLight, w, &TMain_Form::SetTxLight);
    QObject::connect(&link_.Serial(), &SerialEndpoint::RxLight, w, &TMain_Form::SetRxLight);

    InstallSettingsCommands(*w, settings_);
    InstallHistoryCommands(*w, HistoryWindows());
    // Lines still unsaved at exit go to the user's folder when the log's own cannot be written by then.
    InstallStatusLogPage(*w, StatusLogContext{link_.Controller(), operator_, filesDir_, options.UserDir});
    InstallTrafficCommand(*w, link_.Monitor());
    InstallProfileCommands(*w, profiles_);
    InstallLanguageMenu(*w, options.SettingsFile);
    QStringList alarmNames;
    for (const LampBit &lamp : LampBits())
        alarmNames << w->LampCaption(lamp.Name);
    InstallTrendPage(*w, link_.Controller(), TrendContext{filesDir_, alarmNames, options.SettingsFile});
}

Console::~Console() {
    // The window goes first: nothing may paint it or refresh its health after that.
    link_.Controller().LinkClosed();
    link_.Controller().SetStatusView(nullptr);
    link_.SetHealthObserver(nullptr);
    link_.Port().SetPainter(nullptr);
}

} // namespace zephyra
