// The network address, access-list and TCP remote windows on the offscreen platform, without a device:
// controls, prefill from the last status, the buttons that only fill fields, and the poll mode rules.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>
#include <sstream>

#include "app/console.h"
#include "config/network_dialogs.h"
#include "support/fakes.h"
#include "support/gui_helpers.h"
#include "support/status_block.h"

namespace zephyra {
namespace {

using test::Child;
using test::OnNextModal;
using test::StatusBlock;

class SettingsDialogsB : public ::testing::Test {
protected:
    void SetUp() override {
        ConsoleOptions options;
        options.Trace = &trace;
        console = std::make_unique<Console>(options);
        window().show();
    }
    TMain_Form &window() { return console->MainWindow(); }
    const PollState &state() { return console->State(); }
    // Test setup only: windows never get a writable poll state.
    PollState &arrange() { return fakes::Arrange(console->State()); }

    // Opens a dialog with `open`, runs `body` on it and returns once it is closed.
    void Run(void (*open)(SettingsContext &, QWidget *), std::function<void(QWidget *)> body) {
        bool ran = false;
        OnNextModal(&window(), [&](QWidget *dialog) {
            ran = true;
            body(dialog);
            if (dialog->isVisible())
                dialog->close();
        });
        open(console->Settings(), &window());
        EXPECT_TRUE(ran) << "no dialog opened";
    }

    static QString Text(QWidget *dialog, const char *name) { return Child<QLineEdit>(dialog, name)->text(); }
    static bool Ticked(QWidget *dialog, const char *name) {
        return Child<QCheckBox>(dialog, name)->isChecked();
    }
    static void Shot(QWidget *dialog, const char *file) {
        EXPECT_TRUE(dialog->grab().save(QDir::current().filePath(file)));
    }

    std::ostringstream trace;
    std::unique_ptr<Console> console;
};

StatusBlock NetworkStatus() {
    StatusBlock b;
    b.Set({{reg::kIP, 0x0A01},
           {reg::kIP + 1, 0x0203},
           {reg::kGW, 0x0A01},
           {reg::kGW + 1, 0x02FE},
           {reg::kSM, 0xFFFF},
           {reg::kSM + 1, 0x0000},
           {reg::kMAC, 0x0011},
           {reg::kMAC + 1, 0x2233},
           {reg::kMAC + 2, 0x44AB}});
    return b;
}

TEST_F(SettingsDialogsB, IpDialogShowsTheKeptAddressesAndItsButtonsOnlyFillFields) {
    console->Controller().ResponseDispatcher(0x04, NetworkStatus().Payload());
    Run(OpenIpSettingDialog, [&](QWidget *d) {
        EXPECT_EQ(d->metaObject()->className(), std::string("zephyra::TfrmIPSetting"));
        EXPECT_EQ(d->windowTitle(), "IP 설정 ");
        EXPECT_EQ(d->focusWidget(), Child<QWidget>(d, "edtBCode"));
        const char *expected[][2] = {{"edtIP1", "10"},  {"edtIP4", "3"}, {"edtGW4", "254"},
                                     {"edtSM2", "255"}, {"edtSM3", "0"}, {"edtMAC1", "00"},
                                     {"edtMAC6", "AB"}};
        for (auto &e : expected)
            EXPECT_EQ(Text(d, e[0]), e[1]) << e[0];
        for (const char *box : {"cbIP_SET_EN", "cbGW_SET_EN", "cbSM_SET_EN", "cbMAC_SET_EN"})
            EXPECT_FALSE(Ticked(d, box)) << box;
        EXPECT_EQ(Child<QCheckBox>(d, "cbIP_SET_EN")->text(), "정류기 IP 주소");
        EXPECT_EQ(Child<QPushButton>(d, "Button_Mac")->text(), "Mac 주소변환");

        Child<QPushButton>(d, "bbtnDefault")->click();
        EXPECT_EQ(Text(d, "edtIP1") + "." + Text(d, "edtIP2") + "." + Text(d, "edtIP3") + "." +
                      Text(d, "edtIP4"),
                  "192.168.30.70");
        EXPECT_EQ(Text(d, "edtGW4"), "1");
        EXPECT_EQ(Text(d, "edtSM4"), "0");
        EXPECT_EQ(Text(d, "edtMAC1"), "0A");
        EXPECT_TRUE(Ticked(d, "cbIP_SET_EN") && Ticked(d, "cbGW_SET_EN") && Ticked(d, "cbSM_SET_EN"));
        EXPECT_FALSE(Ticked(d, "cbMAC_SET_EN"));

        Child<QLineEdit>(d, "edtBCode")->setText("12:34:56:78:9A:BC");
        Child<QPushButton>(d, "Button_Mac")->click();
        EXPECT_EQ(Text(d, "edtMAC3"), "56");
        EXPECT_EQ(Text(d, "edtMAC6"), "BC");
        EXPECT_TRUE(Ticked(d, "cbMAC_SET_EN"));
        Shot(d, "ip_setting_dialog.png");
    });
    EXPECT_EQ(console->Controller().Snapshot().MACText, "00.11.22.33.44.AB") << "nothing was sent";
}

TEST_F(SettingsDialogsB, AclDialogPrefillsFromTheLastStatus) {
    StatusBlock b;
    b.Set({{reg::kEthSpeed, 2},
           {reg::kDeviceId1, 0x0031},
           {reg::kDeviceId2, 0x4159},
           {reg::kDeviceId3, 0x2653},
           {reg::kACLEn, 1},
           {reg::kAclAdded + 4, 0xAC10},
           {reg::kAclAdded + 5, 0x0101},
           {reg::kAclAdded + 6, 0xAC10},
           {reg::kAclAdded + 7, 0x01FE}});
    console->Controller().ResponseDispatcher(0x04, b.Payload());
    Run(OpenAclCommand, [&](QWidget *d) {
        EXPECT_EQ(d->windowTitle(), "ACL 설정");
        EXPECT_EQ(Text(d, "edtDeviceID"), "3141592653");
        EXPECT_EQ(Child<QLineEdit>(d, "edtDeviceID")->maxLength(), 10);
        EXPECT_EQ(Child<QComboBox>(d, "cbbEthSpeed")->currentText(), "100M");
        EXPECT_EQ(Child<QComboBox>(d, "cbbACL")->currentText(), "사용");
        EXPECT_EQ(Text(d, "edtACL1_Start_IP1"), "0");
        EXPECT_EQ(Text(d, "edtACL2_Start_IP1"), "172");
        EXPECT_EQ(Text(d, "edtACL2_Start_IP4"), "1");
        EXPECT_EQ(Text(d, "edtACL2_End_IP4"), "254");
        for (int k = 1; k <= 5; ++k)
            EXPECT_EQ(Child<QCheckBox>(d, QStringLiteral("cbACL%1_SET_EN").arg(k).toLatin1())->text(),
                      QStringLiteral("#%1").arg(k));
        EXPECT_EQ(Child<QCheckBox>(d, "cbACL_SET_EN")->text(), "ACL 사용(공인망) / 미사용(NCN망) ");
        Shot(d, "acl_setting_dialog.png");
    });
}

// Open, exit button and close box of each window on each link, as the poll sees them.
TEST_F(SettingsDialogsB, PollModeFollowsOpeningAndClosingOnEachLink) {
    struct Case {
        LinkKind link;
        void (*open)(SettingsContext &, QWidget *);
        const char *window;
        const char *exitButton; // null: the close box
        uint8_t whileOpen, afterClose;
        bool dueAfterClose, timerAfterClose;
    };
    const Case cases[] = {
        {LinkKind::Serial, OpenIpSettingDialog, "zephyra::TfrmIPSetting", "bbtnExit", 20, 1, true, true},
        {LinkKind::Serial, OpenIpSettingDialog, "zephyra::TfrmIPSetting", nullptr, 20, 1, true, true},
        {LinkKind::Tcp, OpenIpSettingDialog, "zephyra::TfrmIPSetting", nullptr, 0, 1, true, true},
        {LinkKind::Serial, OpenAclCommand, "zephyra::TfrmACLSetting", "bbtnExit", 20, 0, true, true},
        {LinkKind::Serial, OpenAclCommand, "zephyra::TfrmACLSetting", nullptr, 20, 0, true, true},
        {LinkKind::Tcp, OpenAclCommand, "zephyra::TfrmTCP_Set", "BitBtnCancel", 0, 0, true, true},
        {LinkKind::Tcp, OpenAclCommand, "zephyra::TfrmTCP_Set", nullptr, 0, 0, false, false},
        {LinkKind::Unselected, OpenAclCommand, "zephyra::TfrmTCP_Set", nullptr, 0, 0, false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.window) + (c.exitButton ? " exit" : " close box") + " link " +
                     std::to_string(static_cast<int>(c.link)));
        arrange().Link = c.link;
        arrange().Connected = c.link != LinkKind::Unselected;
        arrange().RequestMode = mode::kPoll;
        arrange().PollDue = false;
        console->Timer1().stop();
        Run(c.open, [&](QWidget *d) {
            EXPECT_EQ(d->metaObject()->className(), std::string(c.window));
            EXPECT_EQ(state().RequestMode, c.whileOpen);
            if (c.exitButton)
                Child<QPushButton>(d, c.exitButton)->click();
        });
        EXPECT_EQ(state().RequestMode, c.afterClose);
        EXPECT_EQ(state().PollDue, c.dueAfterClose);
        EXPECT_EQ(console->Timer1().isActive(), c.timerAfterClose);
    }
}

TEST_F(SettingsDialogsB, TcpRemoteWindowShowsTheSwitchFromTheLastStatus) {
    console->Controller().ResponseDispatcher(0x04, StatusBlock().Set(reg::kACLEn, 1).Payload());
    arrange().Link = LinkKind::Tcp;
    Run(OpenAclCommand, [&](QWidget *d) {
        EXPECT_EQ(d->windowTitle(), "TCP_원격 설정");
        EXPECT_EQ(Child<QComboBox>(d, "cbbACL")->currentIndex(), 1);
        EXPECT_FALSE(Ticked(d, "cbACL_SET_EN"));
        EXPECT_EQ(Child<QPushButton>(d, "BitBtnOK")->text(), "설정 ");
        Shot(d, "tcp_set_dialog.png");
    });
}

} // namespace
} // namespace zephyra
