#include "cli/profile_commands_endpoint.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#if ZEPHYRA_CLI_REPORT
#include <QGuiApplication>
#endif
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <unistd.h>

#include "device/device_link_endpoint.h"
#include "device/language_endpoint.h"
#include "profile/commissioning_report.h"
#if ZEPHYRA_CLI_REPORT
#include "profile/report_pdf_endpoint.h"
#endif
#include "profile/site_profile.h"

namespace zephyra::cli {

namespace {

void Fail(const std::string &text) {
    std::cerr << "zephyra-cli: " << text << std::endl;
}

bool WriteNew(const std::string &path, const std::string &content) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        Fail("cannot write " + path + ": " + file.errorString().toStdString());
        return false;
    }
    if (file.write(content.data(), static_cast<qint64>(content.size())) !=
        static_cast<qint64>(content.size())) {
        Fail("cannot write " + path + ": " + file.errorString().toStdString());
        file.remove();
        return false;
    }
    return true;
}

#if !ZEPHYRA_CLI_REPORT
// The report's own build of this program, beside this one (a build tree) or where the console installs it.
[[noreturn]] void HandReportOver(char **argv) {
    const std::string self = argv[0];
    const std::size_t slash = self.rfind('/');
    if (slash != std::string::npos) {
        const std::string beside = self.substr(0, slash + 1) + "zephyra-report";
        execv(beside.c_str(), argv);
    }
    execv(ZEPHYRA_REPORT_HELPER, argv);
    Fail(std::string("report needs the zephyra-console package (") + ZEPHYRA_REPORT_HELPER + ": " +
         std::strerror(errno) + ")");
    std::exit(2);
}
#endif

} // namespace

std::unique_ptr<QCoreApplication> MakeApplication(int &argc, char **argv,
                                                  const std::vector<std::string> &words) {
    for (const std::string &w : words)
        if (w == "report") {
#if ZEPHYRA_CLI_REPORT
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            return std::make_unique<QGuiApplication>(argc, argv);
#else
            HandReportOver(argv);
#endif
        }
    return std::make_unique<QCoreApplication>(argc, argv);
}

int ProfileUsage(const std::vector<std::string> &words, SiteProfile &profile) {
    if (words.size() != 2 || (words[0] != "save" && words[0] != "diff")) {
        Fail("usage: profile save FILE | profile diff FILE");
        return 2;
    }
    const std::string &path = words[1];
    if (words[0] == "save") {
        if (QFileInfo::exists(QString::fromStdString(path))) {
            Fail(path + " exists; it is not replaced");
            return 1;
        }
        return 0;
    }
    QFile file(QString::fromStdString(path));
    // A profile is a few kilobytes; anything far larger is not one.
    if (!file.open(QIODevice::ReadOnly) || file.size() > 1 << 20) {
        Fail("cannot read " + path);
        return 1;
    }
    const QByteArray bytes = file.readAll();
    const std::string error =
        ProfileFromJson(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), profile);
    if (!error.empty()) {
        Fail(path + ": " + error);
        return 1;
    }
    return 0;
}

int ProfileCommand(const std::vector<std::string> &words, const SiteProfile &profile,
                   const std::string &device, const StatusSnapshot &snapshot) {
    const std::string &path = words[1];
    if (words[0] == "save")
        return WriteNew(path, ProfileToJson(ProfileFromSnapshot(snapshot))) ? 0 : 1;
    int differ = 0;
    for (const ProfileCompareRow &row : CompareProfile(snapshot, profile))
        if (row.Differs) {
            std::cout << device << " " << DiffLine(row) << "\n";
            ++differ;
        }
    std::cout.flush();
    if (differ == 0)
        std::cerr << device << " matches " << path << std::endl;
    return differ == 0 ? 0 : 3;
}

int ReportUsage(const std::vector<std::string> &words) {
    if (words.size() != 1) {
        Fail("usage: report FILE.pdf");
        return 2;
    }
    if (QFileInfo::exists(QString::fromStdString(words[0]))) {
        Fail(words[0] + " exists; it is not replaced");
        return 1;
    }
    return 0;
}

int ReportCommand(const std::vector<std::string> &words, const std::string &device, DeviceLink &link) {
    // The report is a document for the site, in the console's default language like the console's own
    // report; only the command's messages are English.
    RemoveEnglish();
    ReportInputs in;
    in.Snapshot = link.Controller().Snapshot();
    in.View = link.Controller().LastView();
    in.LinkName = device;
    in.Counters = link.Monitor().Counters();
    in.HealthText = link.Controller().Health().Text;
    in.Created = QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss").toStdString();
#if ZEPHYRA_CLI_REPORT
    const QString error = WriteReportPdf(BuildCommissioningReport(in), QString::fromStdString(words[0]));
#else
    const QString error = QStringLiteral("this build writes no reports");
#endif
    if (!error.isEmpty()) {
        Fail("cannot write " + words[0] + ": " + error.toStdString());
        return 1;
    }
    return 0;
}

} // namespace zephyra::cli
