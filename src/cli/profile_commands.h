// zephyra-cli's site-profile and report commands. Both read the device once and never write to it.
#pragma once

#include <QCoreApplication>
#include <memory>
#include <string>
#include <vector>

namespace zephyra {
class DeviceLink;
}

namespace zephyra::cli {

// The report lays out text and fonts, which needs Qt Gui: for it the application is a QGuiApplication
// on the offscreen platform (no display needed), for everything else a plain QCoreApplication.
std::unique_ptr<QCoreApplication> MakeApplication(int &argc, char **argv,
                                                  const std::vector<std::string> &words);

// profile save FILE | profile diff FILE. Exit 0 done (diff: the device matches), 3 diff found
// differences (printed one a line), 1 no status or a file problem, 2 bad usage.
int ProfileCommand(DeviceLink &link, const std::string &device, const std::vector<std::string> &words,
                   double timeoutS);
// report FILE.pdf: the commissioning report of the device as it is now.
int ReportCommand(DeviceLink &link, const std::string &device, const std::vector<std::string> &words,
                  double timeoutS);

} // namespace zephyra::cli
