// One device's link against the simulated controller: connecting, a refused connect, the controller
// switched off and on again, and a disconnect while a connect is still under way.
#include <sstream>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "device/device_link_endpoint.h"
#include "support/fakes.h"
#include "support/gui_helpers.h"
#include "support/sim_process.h"

namespace zephyra::test {
namespace {

constexpr int kWaitMs = 15000;

// A controller that can be switched off and on: it comes back at the same serial path and TCP port.
class Controller {
public:
    Controller() {
        char dir[] = "/tmp/zephyra-device-link-XXXXXX";
        dir_ = ::mkdtemp(dir);
        path_ = dir_ + "/ttyZ";
    }
    ~Controller() {
        sim_.reset();
        ::rmdir(dir_.c_str());
    }
    void Start() {
        SimOptions options;
        options.link = false;
        options.extraArgs = {"--link", path_};
        if (tcpPort_)
            options.extraArgs.insert(options.extraArgs.end(), {"--tcp-port", std::to_string(tcpPort_)});
        std::string error;
        sim_ = SimProcess::Start(options, &error);
        ASSERT_TRUE(sim_) << error;
        tcpPort_ = sim_->TcpPort();
    }
    void Stop() { sim_.reset(); }
    // A port where nobody listens yet; Start() later listens there.
    void ReserveTcpPort() {
        Start();
        Stop();
    }
    std::string Address(LinkKind link) const { return link == LinkKind::Serial ? path_ : "127.0.0.1"; }
    quint16 TcpPort() const { return static_cast<quint16>(tcpPort_); }
    const SimProcess &Sim() const { return *sim_; }

private:
    std::string dir_, path_;
    int tcpPort_ = 0;
    std::unique_ptr<SimProcess> sim_;
};

struct Rig {
    fakes::FakeOperator op;
    std::ostringstream trace;
    DeviceLink link{op, trace, TextTranslator()};
    uint64_t Decodes() { return link.Controller().DecodeCount(); }
    bool DecodesBeyond(uint64_t n) {
        return WaitFor([&] { return Decodes() > n; }, kWaitMs);
    }
};

class DeviceLinkOn : public ::testing::TestWithParam<LinkKind> {};

TEST_P(DeviceLinkOn, PollsAndComesBackWhenTheControllerReturns) {
    const LinkKind kind = GetParam();
    Controller device;
    device.Start();
    Rig rig;
    rig.link.SetTcpPort(device.TcpPort());
    const ConnectOutcome outcome = rig.link.Connect(kind, device.Address(kind));
    EXPECT_TRUE(outcome.Confirmed);
    EXPECT_EQ(outcome.Error, "");
    ASSERT_TRUE(rig.DecodesBeyond(1));

    device.Stop();
    ASSERT_TRUE(WaitFor([&] { return rig.link.Controller().Health().Stale; }, kWaitMs))
        << rig.link.Controller().Health().Text;
    const uint64_t before = rig.Decodes();
    device.Start();
    ASSERT_TRUE(rig.DecodesBeyond(before + 1)) << rig.link.Controller().Health().Text;
    EXPECT_EQ(rig.link.Monitor().Counters().Reconnects, 1u);
    EXPECT_FALSE(rig.link.Controller().Health().Stale);
    if (kind == LinkKind::Serial)
        EXPECT_EQ(rig.link.Monitor().Counters().PortLosses, 1u);

    EXPECT_EQ(rig.link.Disconnect(), kind == LinkKind::Tcp) << "says whether a TCP connection was up";
    EXPECT_TRUE(rig.op.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Links, DeviceLinkOn, ::testing::Values(LinkKind::Serial, LinkKind::Tcp),
                         [](const auto &info) { return info.param == LinkKind::Serial ? "Serial" : "Tcp"; });

TEST(DeviceLink, RefusedConnectSaysWhyAndOnlyTcpKeepsTrying) {
    Controller device;
    device.ReserveTcpPort();
    Rig rig;
    rig.link.SetTcpPort(device.TcpPort());

    const ConnectOutcome serial = rig.link.Connect(LinkKind::Serial, "/dev/zephyra-no-such-port");
    EXPECT_FALSE(serial.Confirmed) << "a closed port would look connected while nothing is sent";
    EXPECT_NE(serial.Error.find("/dev/zephyra-no-such-port"), std::string::npos) << serial.Error;

    std::vector<std::string> told;
    const ConnectOutcome tcp = rig.link.Connect(LinkKind::Tcp, "127.0.0.1",
                                                [&](const std::string &error) { told.push_back(error); });
    EXPECT_TRUE(tcp.Confirmed);
    EXPECT_FALSE(tcp.Error.empty());
    EXPECT_EQ(told, std::vector<std::string>{tcp.Error});

    // The controller comes up later: the poll's retries find it without another Connect.
    device.Start();
    EXPECT_TRUE(rig.DecodesBeyond(0)) << rig.link.Controller().Health().Text;
}

TEST(DeviceLink, DisconnectWhileConnectingLeavesTheTcpSideAlone) {
    Controller device;
    device.Start();
    Rig rig;
    rig.link.SetTcpPort(device.TcpPort());
    rig.link.SetConnectInBackground(true);
    rig.link.Connect(LinkKind::Tcp, "127.0.0.1");
    EXPECT_FALSE(rig.link.Disconnect()) << "the connect had not finished";

    // Serial polls run meanwhile; by then a connect left running would have reached the controller.
    ASSERT_TRUE(rig.link.Connect(LinkKind::Serial, device.Address(LinkKind::Serial)).Confirmed);
    ASSERT_TRUE(rig.DecodesBeyond(2));
    EXPECT_FALSE(rig.link.Tcp().IsConnected());
    EXPECT_TRUE(JournalFrames(device.Sim().ReadJournal(), "TCP", "RX").empty());
    EXPECT_EQ(rig.link.Monitor().Counters().Reconnects, 0u);
}

} // namespace
} // namespace zephyra::test
