// zephyra-console: the technician's console for one ZEPHYRA-M10 controller.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>

#include "app/console.h"
#include "app/language.h"

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("zephyra-console");

    QCommandLineParser parser;
    parser.setApplicationDescription("ZEPHYRA-M10 rectifier controller console");
    parser.addHelpOption();
    QCommandLineOption serialPath("serial-path", "Extra serial device path to search (repeatable).", "path");
    QCommandLineOption tcpPort("tcp-port", "TCP port of the controller (default 502).", "port", "502");
    QCommandLineOption host("host", "Host address offered in the connection window.", "address");
    QCommandLineOption lang(
        "lang", "Language of the windows: ko (default) or en; remembered choice otherwise.", "ko|en");
    parser.addOptions({serialPath, tcpPort, host, lang});
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
