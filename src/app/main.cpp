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

// Options the window system takes for itself (-platform offscreen, -style Fusion ...): known here so they
// pass the check that runs before the window system is opened, which removes them.
const QStringList kWindowSystemValues{"platform",
                                      "platformpluginpath",
                                      "platformtheme",
                                      "plugin",
                                      "display",
                                      "geometry",
                                      "qwindowgeometry",
                                      "qwindowtitle",
                                      "qwindowicon",
                                      "style",
                                      "stylesheet",
                                      "session",
                                      "name",
                                      "title"};
const QStringList kWindowSystemFlags{"reverse", "nograb", "dograb", "widgetcount", "sync"};

void Describe(QCommandLineParser &parser) {
    QCoreApplication::setApplicationName("zephyra-console");
    QCoreApplication::setApplicationVersion(ZEPHYRA_VERSION);
    parser.setApplicationDescription("ZEPHYRA-M10 rectifier controller console");
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({kSerialPath, kTcpPort, kHost, kLang});
    for (const QString &name : kWindowSystemValues + kWindowSystemFlags) {
        QCommandLineOption option(name, QString(), kWindowSystemValues.contains(name) ? "value" : QString());
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

// The usage on standard error, for bad options.
int Refuse(const QCommandLineParser &parser, const QString &error) {
    // Without an application object Qt does not know the program's name.
    const QString usage = parser.helpText().replace("<executable_name>", QCoreApplication::applicationName());
    fprintf(stderr, "zephyra-console: %s\n\n%s", qPrintable(error), qPrintable(usage));
    return 2;
}

} // namespace

int main(int argc, char *argv[]) {
    // The command line is checked, and --help and --version answered, before the window system is opened:
    // neither needs a display.
    QCommandLineParser parser;
    Describe(parser);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (!parser.parse(arguments))
        return Refuse(parser, parser.errorText());
    if (parser.isSet("help") || parser.isSet("help-all") || parser.isSet("version")) {
        QCoreApplication core(argc, argv);
        parser.process(core); // prints and ends the program
    }
    if (!parser.positionalArguments().isEmpty())
        return Refuse(parser, "unexpected argument " + parser.positionalArguments().constFirst());
    if (parser.isSet(kLang) && parser.value(kLang) != "ko" && parser.value(kLang) != "en")
        return Refuse(parser, "--lang is ko or en");
    bool ok = false;
    const uint port = parser.value(kTcpPort).toUInt(&ok);
    if (!ok || port == 0 || port > 65535)
        return Refuse(parser, "--tcp-port needs a number from 1 to 65535");

    // Screen updates keep Qt's shared memory: over the X connection Qt keeps an upload buffer as large as
    // the largest repaint (2 MB of peak memory), for no less CPU per poll.
    QApplication app(argc, argv);
    zephyra::ConsoleOptions options;
    options.ExtraSerialPaths = parser.values(kSerialPath);
    // Extra paths can also come from the environment, colon-separated.
    for (const QString &p : qEnvironmentVariable("ZEPHYRA_SERIAL_PATHS").split(':', Qt::SkipEmptyParts))
        options.ExtraSerialPaths << p;
    options.TcpPort = static_cast<quint16>(port);
    if (parser.isSet(kHost))
        options.DefaultHost = parser.value(kHost);
    // Files go beside the program, or to the user's Documents when an installed program's folder is
    // read-only.
    options.ProgramDir = QCoreApplication::applicationDirPath();
    options.UserDir = zephyra::UserFilesDir();
    options.SettingsFile =
        QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + "/console.ini";

    // Before any window is built: texts are translated as they are created.
    const QString language = zephyra::ChosenLanguage(parser.value(kLang), options.SettingsFile);
    if (!zephyra::InstallLanguage(language))
        fprintf(stderr, "zephyra-console: the English translation could not be loaded\n");

    zephyra::Console console(options);
    console.MainWindow().show();
    return app.exec();
}
