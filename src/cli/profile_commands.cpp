#include "cli/profile_commands.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTimer>
#include <iostream>

#include "device/device_link_endpoint.h"
#include "profile/report_pdf.h"
#include "profile/site_profile.h"

namespace zephyra::cli {

namespace {

void Fail(const std::string &text) {
    std::cerr << "zephyra-cli: " << text << std::endl;
}

// Polls until the first status decode or the time-out; false when none came.
bool ReadStatus(DeviceLink &link, const std::string &device, double timeoutS) {
    bool decoded = false;
    link.Controller().SetDecodeObserver([&](const StatusSnapshot &, const StatusViewModel &) {
        decoded = true;
        QCoreApplication::quit();
    });
    QTimer::singleShot(static_cast<int>(timeoutS * 1000), [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    link.Controller().SetDecodeObserver(nullptr);
    if (!decoded) {
        const std::string why = link.Monitor().Counters().LastError;
        Fail("no status reply from " + device + (why.empty() ? "" : " (" + why + ")"));
    }
    return decoded;
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

} // namespace

std::unique_ptr<QCoreApplication> MakeApplication(int &argc, char **argv,
                                                  const std::vector<std::string> &words) {
    for (const std::string &w : words)
        if (w == "report") {
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            return std::make_unique<QGuiApplication>(argc, argv);
        }
    return std::make_unique<QCoreApplication>(argc, argv);
}

int ProfileCommand(DeviceLink &link, const std::string &device, const std::vector<std::string> &words,
                   double timeoutS) {
    if (words.size() != 2 || (words[0] != "save" && words[0] != "diff")) {
        Fail("usage: profile save FILE | profile diff FILE");
        return 2;
    }
    const std::string &path = words[1];
    SiteProfile profile;
    if (words[0] == "diff") {
        QFile file(QString::fromStdString(path));
        if (!file.open(QIODevice::ReadOnly) || file.size() > 1 << 20) {
            Fail("cannot read " + path);
            return 1;
        }
        const QByteArray bytes = file.readAll();
        const std::string error = ProfileFromJson(std::string_view(bytes.constData(), bytes.size()), profile);
        if (!error.empty()) {
            Fail(path + ": " + error);
            return 1;
        }
    } else if (QFileInfo::exists(QString::fromStdString(path))) {
        Fail(path + " exists; it is not replaced");
        return 1;
    }
    if (!ReadStatus(link, device, timeoutS))
        return 1;
    const StatusSnapshot &snapshot = link.Controller().Snapshot();
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

int ReportCommand(DeviceLink &link, const std::string &device, const std::vector<std::string> &words,
                  double timeoutS) {
    if (words.size() != 1) {
        Fail("usage: report FILE.pdf");
        return 2;
    }
    const QString path = QString::fromStdString(words[0]);
    if (QFileInfo::exists(path)) {
        Fail(words[0] + " exists; it is not replaced");
        return 1;
    }
    if (!ReadStatus(link, device, timeoutS))
        return 1;
    ReportInputs in;
    in.Snapshot = link.Controller().Snapshot();
    in.View = link.Controller().LastView();
    in.LinkName = device;
    in.Counters = link.Monitor().Counters();
    in.HealthText = link.Controller().Health().Text;
    in.Created = QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss").toStdString();
    const QString error = WriteReportPdf(BuildCommissioningReport(in), path);
    if (!error.isEmpty()) {
        Fail("cannot write " + words[0] + ": " + error.toStdString());
        return 1;
    }
    return 0;
}

} // namespace zephyra::cli
