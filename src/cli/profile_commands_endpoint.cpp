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
#include <ctime>
#include <filesystem>
#include <iostream>
#include <unistd.h>

#include "device/device_link_endpoint.h"
#include "device/language_endpoint.h"
#include "history/history_export.h"
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

// Whole or not at all, and never over a file that is there.
bool WriteNew(const std::string &path, std::string_view content) {
    const ExportResult written = WriteWholeFile(path, content, false, QtTextTranslator());
    if (!written.Ok)
        Fail("cannot write " + path + ": " + written.Error);
    return written.Ok;
}

// A site profile from its file, or the reason it cannot be used.
std::string ReadProfile(const std::string &path, SiteProfile &profile) {
    QFile file(QString::fromStdString(path));
    // A profile is a few kilobytes; anything far larger is not one.
    if (!file.open(QIODevice::ReadOnly) || file.size() > 1 << 20)
        return "cannot read " + path;
    const QByteArray bytes = file.readAll();
    const std::string error =
        ProfileFromJson(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), profile,
                        QtTextTranslator());
    return error.empty() ? error : path + ": " + error;
}

#if !ZEPHYRA_CLI_REPORT
// The report's own build of this program: beside this one in a build tree, else where the console package
// installs it relative to this program's folder.
[[noreturn]] void HandReportOver(char **argv) {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        self = std::filesystem::absolute(argv[0], ec);
    const std::filesystem::path folder = self.parent_path();
    const std::string beside = (folder / "zephyra-report").string();
    execv(beside.c_str(), argv);
    const std::string installed = (folder / ZEPHYRA_REPORT_HELPER).lexically_normal().string();
    execv(installed.c_str(), argv);
    Fail("report needs the zephyra-console package, which installs " + installed + " (" +
         std::strerror(errno) + ")");
    std::exit(2);
}
#endif

} // namespace

std::unique_ptr<QCoreApplication> MakeApplication(int &argc, char **argv, bool report) {
    if (report) {
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
    if (const std::string error = ReadProfile(path, profile); !error.empty()) {
        Fail(error);
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

int ReportUsage(const std::vector<std::string> &words, const ReportOptions &options, SiteProfile &profile) {
    if (words.size() != 1) {
        Fail("usage: report FILE.pdf [--site NAME] [--technician NAME] [--profile FILE]");
        return 2;
    }
    if (QFileInfo::exists(QString::fromStdString(words[0]))) {
        Fail(words[0] + " exists; it is not replaced");
        return 1;
    }
    if (!options.Profile.empty())
        if (const std::string error = ReadProfile(options.Profile, profile); !error.empty()) {
            Fail(error);
            return 1;
        }
    return 0;
}

int ReportCommand(const std::vector<std::string> &words, const ReportOptions &options,
                  const SiteProfile &profile, const std::string &device, DeviceLink &link) {
    // The report is a document for the site, in the console's default language like the console's own
    // report; only the command's messages are English.
    const TextTranslator korean;
    ReportInputs in =
        GatherReportInputs(link.Controller(), link.Monitor(), device, std::time(nullptr), korean);
    in.Site = options.Site;
    in.Technician = options.Technician;
    if (!options.Profile.empty()) {
        in.ProfileName = QFileInfo(QString::fromStdString(options.Profile)).fileName().toStdString();
        in.ProfileCheck = CompareProfile(in.Snapshot, profile);
    }
#if ZEPHYRA_CLI_REPORT
    const CommissioningReport report = BuildCommissioningReport(in, korean);
    // Why a file could not be written is the command's own message: English.
    const QString error = WriteReportPdf(report, QString::fromStdString(words[0]), false, QtTextTranslator());
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
