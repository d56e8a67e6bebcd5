// A console (real windows, endpoints and core) connected to a running zephyra-sim.
#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>

#include "app/console.h"
#include "support/gui_helpers.h"
#include "support/sim_process.h"

namespace zephyra::test {

// A device whose measured values hold still, so texts can be compared exactly.
inline constexpr const char *kSteadyScenario = R"({"steady": true, "start_time": "2025-08-07 09:05:03",
    "clock_running": false})";
// A device whose values move on every poll, with its clock running.
inline constexpr const char *kMovingScenario = R"({"steady": false, "clock_running": true,
    "start_time": "2025-08-07 09:05:03"})";

class ConsoleWithSim : public ::testing::Test {
protected:
    void StartSim(const std::string &scenario = kSteadyScenario, bool tcp = true, bool pty = true) {
        SimOptions options;
        options.scenarioJson = scenario;
        options.tcp = tcp;
        options.pty = pty;
        options.link = pty;
        std::string error;
        sim = SimProcess::Start(options, &error);
        ASSERT_TRUE(sim) << error;
    }

    void StartConsole(UserLevel level = UserLevel::User) {
        ConsoleOptions options;
        if (!sim->LinkPath().empty())
            options.ExtraSerialPaths << QString::fromStdString(sim->LinkPath());
        options.TcpPort = static_cast<quint16>(sim->TcpPort());
        options.DefaultHost = "127.0.0.1";
        options.ProgramDir = QString::fromStdString(sim->Dir());
        StartConsole(options, level);
    }
    void StartConsole(ConsoleOptions options, UserLevel level) {
        options.Trace = &trace;
        console = std::make_unique<Console>(options);
        console->MainWindow().show();
        console->MainWindow().LogIn(level);
    }

    // Runs the connection window: serial picks the simulator's pseudo-terminal.
    void Connect(LinkKind link) {
        std::string linkPath = sim->LinkPath();
        OnNextModal(&console->MainWindow(), [link, linkPath](QWidget *dialog) {
            if (link == LinkKind::Serial) {
                Child<QRadioButton>(dialog, "Serial")->click();
                auto *ports = Child<QComboBox>(dialog, "PortSelect");
                int index = ports->findData(QString::fromStdString(linkPath));
                EXPECT_GE(index, 0) << "the simulator's port was not found";
                if (index > 0) {
                    ports->setCurrentIndex(index);
                    emit ports->activated(index);
                }
            } else {
                Child<QRadioButton>(dialog, "TCP")->click();
            }
            Child<QPushButton>(dialog, "BitBtn1")->click();
        });
        console->MainWindow().mConnectClick();
    }

    bool WaitForDecode(int timeoutMs = 5000) {
        return WaitFor([this] { return console->Controller().Snapshot().Decoded; }, timeoutMs);
    }

    QString Field(const char *name) { return Child<QLineEdit>(&console->MainWindow(), name)->text(); }

    void TearDown() override {
        console.reset();
        if (sim)
            sim->Stop();
    }

    std::ostringstream trace;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<Console> console;
};

} // namespace zephyra::test
