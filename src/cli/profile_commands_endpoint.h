// zephyra-cli's site-profile and report commands. Both work from one status read and never write to
// the device.
#pragma once

#include <QCoreApplication>
#include <memory>
#include <string>
#include <vector>

#include "profile/site_profile.h"

namespace zephyra {
class DeviceLink;
}

namespace zephyra::cli {

// The report lays out text and fonts, which needs Qt Gui: for it the application is a QGuiApplication
// on the offscreen platform (no display needed), for everything else a plain QCoreApplication.
// report: the command word is report.
std::unique_ptr<QCoreApplication> MakeApplication(int &argc, char **argv, bool report);

// profile save FILE | profile diff FILE, checked before the link opens (diff reads its profile): 0 when
// good, else the exit status (2 bad usage, 1 a file that cannot be used), said on standard error.
int ProfileUsage(const std::vector<std::string> &words, SiteProfile &profile);
// With the first status: 0 saved or matching, 3 differences (printed one a line), 1 a file not written.
int ProfileCommand(const std::vector<std::string> &words, const SiteProfile &profile,
                   const std::string &device, const StatusSnapshot &snapshot);
// What the technician adds to the report: the site, their name, the site profile to check the device against.
struct ReportOptions {
    std::string Site, Technician, Profile;
};
// report FILE.pdf, checked before the link opens (with --profile, the profile is read): 0 when good.
int ReportUsage(const std::vector<std::string> &words, const ReportOptions &options, SiteProfile &profile);
// With the first status: the commissioning report of the device as it is now.
int ReportCommand(const std::vector<std::string> &words, const ReportOptions &options, const SiteProfile &profile,
                  const std::string &device, DeviceLink &link);

} // namespace zephyra::cli
