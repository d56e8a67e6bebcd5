// The connection window against a stand-in for the device link.
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "device/connection_window.h"
#include "polling/poll_rig.h"
#include "support/gui_helpers.h"

namespace zephyra {
namespace {

class FakeLinkControl : public LinkControl {
public:
    std::vector<PortChoice> SearchPorts() override { return {}; }
    std::string HoldPort(const std::string &) override { return {}; }
    void ReleasePort() override {}
    ConnectOutcome Connect(LinkKind, const std::string &,
                           const std::function<void(const std::string &)> &connectFailed) override {
        ++connects;
        // The real TCP connect waits in a local event loop: clicks are handled in there.
        if (auto during = std::exchange(whileConnecting, nullptr))
            during();
        if (!error.empty() && connectFailed)
            connectFailed(error);
        return {true, error};
    }
    bool Disconnect() override { return false; }

    int connects = 0;
    std::string error;
    std::function<void()> whileConnecting;
};

TEST(ConnectionWindow, ASecondClickWhileConnectingStartsNoSecondConnect) {
    testrig::PollRig rig(LinkKind::Tcp);
    FakeLinkControl link;
    link.error = "Connection timed out";
    int confirmed = 0;
    TfrmComPort window(ConnectionContext{
        rig.ctl, link, rig.op, [&](LinkKind, const QString &) { ++confirmed; }, nullptr, "127.0.0.1"});
    window.show();
    window.TCPClick();
    auto *connect = test::Child<QPushButton>(&window, "BitBtn1");
    link.whileConnecting = [&] { QTest::mouseClick(connect, Qt::LeftButton); };
    QTest::mouseClick(connect, Qt::LeftButton);
    EXPECT_EQ(link.connects, 1);
    EXPECT_EQ(confirmed, 1);
    ASSERT_EQ(rig.op.messages.size(), 1u);
    EXPECT_EQ(rig.op.messages[0].text, kCheckLan);
}

} // namespace
} // namespace zephyra
