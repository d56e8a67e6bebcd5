// zephyra-console: the technician's console for one ZEPHYRA-M10 controller.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>

#include "app/console.h"
#include "app/language.h"

namespace {

const QCommandLineOption kSerialPath("serial-path", "Extra serial device path to search (repeatable).",
                                     "path");
const QCommandLineOption kTcpPort("tcp-port", "TCP port of the controller (default 502).", "port", "502");
const QCommandLineOption kHost("host", "Host address offered in the connection window.", "address");
const QCommandLineOption
    kLang("lang", "Language of the windows: ko (default) or en; remembered choice otherwise.", "ko|en");

void Describe(QCommandLineParser &parser) {
    QCoreApplication::setApplicationName("zephyra-console");
    QCoreApplication::setApplicationVersion(ZEPHYRA_VERSION);
    parser.setApplicationDescription("ZEPHYRA-M10 rectifier controller console");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({kSerialPath, kTcpPort, kHost, kLang});
}

// Prints the help or the version and ends the program; false only for bad options.
bool RunParser(QCoreApplication &core) {
    QCommandLineParser parser;
    Describe(parser);
    parser.process(core);
    return true;
}

} // namespace

int main(int argc, char *argv[]) {
    // --help and --version need no display: answered before the window system is opened.
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-h" || arg == "--help" || arg == "--help-all" || arg == "-v" || arg == "--version") {
            QCoreApplication core(argc, argv);
            return RunParser(core) ? 0 : 2;
        }
    }
    zephyra::PrepareWindowSystem();
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption serialPath = kSerialPath, tcpPort = kTcpPort, host = kHost, lang = kLang;
    Describe(parser);
    parser.process(app);
    if (parser.isSet(lang) && parser.value(lang) != "ko" && parser.value(lang) != "en") {
        fprintf(stderr, "zephyra-console: --lang is ko or en\n");
        return 2;
    }

    zephyra::ConsoleOptions options;
    options.ExtraSerialPaths = parser.values(serialPath);
    // Extra paths can also come from the environment, colon-separated.
    for (const QString &p : qEnvironmentVariable("ZEPHYRA_SERIAL_PATHS").split(':', Qt::SkipEmptyParts))
        options.ExtraSerialPaths << p;
    bool ok = false;
    uint port = parser.value(tcpPort).toUInt(&ok);
    if (!ok || port == 0 || port > 65535) {
        fprintf(stderr, "zephyra-console: --tcp-port needs a number from 1 to 65535\n");
        return 2;
    }
    options.TcpPort = static_cast<quint16>(port);
    if (parser.isSet(host))
        options.DefaultHost = parser.value(host);
    // Files go beside the program, or to the user's Documents when an installed program's folder is
    // read-only.
    options.ProgramDir = QCoreApplication::applicationDirPath();
    options.UserDir = zephyra::UserFilesDir();
    options.SettingsFile =
        QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + "/console.ini";

    // Before any window is built: texts are translated as they are created.
    const QString language = zephyra::ChosenLanguage(parser.value(lang), options.SettingsFile);
    if (!zephyra::InstallLanguage(language))
        fprintf(stderr, "zephyra-console: the English translation could not be loaded\n");

    zephyra::Console console(options);
    console.MainWindow().show();
    return app.exec();
}
