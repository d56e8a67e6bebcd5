// The network address, access-list and TCP remote windows against zephyra-sim: what reaches the device,
// in which order, what the operator is told, and what the next poll shows.
#include <QAction>
#include <QCheckBox>
#include <QMessageBox>
#include <memory>
#include <optional>

#include "e2e/console_fixture.h"

namespace zephyra::test {
namespace {

// A controller whose identity differs from the dialog's defaults, so a write shows on the next read.
constexpr const char *kOtherIdentity = R"({"steady": true, "identity": {"mac": "00:11:22:33:44:AB",
    "ip": "10.1.2.3", "mask": "255.255.0.0", "gateway": "10.1.2.254"}})";
constexpr const char *kRefusingIdentity = R"({"steady": true, "identity": {"mac": "00:11:22:33:44:AB",
    "ip": "10.1.2.3", "mask": "255.255.0.0", "gateway": "10.1.2.254"}, "faults": {"refuse_network_write": true}})";

// The defaults with the MAC kept from the last status.
const Bytes kDefaultsWrite{0x01, 0x47, 0x00, 0x13, 0x02, 0x00, 0x11, 0x22, 0x33, 0x44, 0xAB, 0xC0,
                           0xA8, 0x1E, 0x46, 0xFF, 0xFF, 0xFF, 0x00, 0xC0, 0xA8, 0x1E, 0x01};
const Bytes kIdentityRead{0x01, 0x47, 0x00, 0x01, 0x01};

// Request units the device received on a link: RTU without its CRC, TCP without the MBAP header.
std::vector<Bytes> Requests(const SimProcess &sim, const std::string &link) {
    std::vector<Bytes> out;
    for (Bytes f : JournalFrames(sim.ReadJournal(), link, "RX")) {
        if (link == "TCP")
            f.erase(f.begin(), f.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(6, f.size())));
        else if (f.size() >= 2)
            f.resize(f.size() - 2);
        out.push_back(f);
    }
    return out;
}

std::vector<Bytes> OfFunction(const std::vector<Bytes> &units, uint8_t function) {
    std::vector<Bytes> out;
    for (const Bytes &u : units)
        if (u.size() > 1 && u[1] == function)
            out.push_back(u);
    return out;
}

struct RegisterWrite {
    int Address, Value;
    bool operator==(const RegisterWrite &) const = default;
};
std::ostream &operator<<(std::ostream &os, const RegisterWrite &w) {
    return os << std::hex << "0x" << w.Address << " := 0x" << w.Value << std::dec;
}

std::vector<RegisterWrite> Writes(const std::vector<Bytes> &units) {
    std::vector<RegisterWrite> out;
    for (const Bytes &u : OfFunction(units, 0x06))
        if (u.size() == 6)
            out.push_back({u[2] << 8 | u[3], u[4] << 8 | u[5]});
    return out;
}

struct Box {
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
};

// Clicks a button of the dialog and answers the message box it brings, at once or after replies.
Box ClickAndAnswer(QWidget *dialog, const char *button, int timeoutMs = 5000) {
    auto seen = std::make_shared<std::optional<Box>>();
    OnNextModal(
        dialog,
        [seen](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            *seen = Box{BoxText(w), box ? box->icon() : QMessageBox::NoIcon};
            CloseBox(w);
        },
        timeoutMs, dialog);
    Child<QAbstractButton>(dialog, button)->click();
    WaitFor([seen] { return seen->has_value(); }, timeoutMs);
    return seen->value_or(Box{"(no message)"});
}

void SetText(QWidget *dialog, const char *name, const QString &text) {
    Child<QLineEdit>(dialog, name)->setText(text);
}
void Tick(QWidget *dialog, const char *name, bool on = true) {
    Child<QCheckBox>(dialog, name)->setChecked(on);
}
bool Ticked(QWidget *dialog, const char *name) {
    return Child<QCheckBox>(dialog, name)->isChecked();
}

struct BadInput {
    const char *field;
    const char *text;
    const char *message;
};

class SettingsB : public ConsoleWithSim {
protected:
    // Runs the menu command; body works in the window it opens, which is closed afterwards if still open.
    void RunDialog(const char *menu, std::function<void(QWidget *)> body) {
        QAction *action = console->MainWindow().Action(menu);
        ASSERT_TRUE(action && action->isEnabled()) << menu;
        bool ran = false;
        OnNextModal(&console->MainWindow(), [&](QWidget *d) {
            ran = true;
            body(d);
            if (d->isVisible())
                d->close();
        });
        action->trigger();
        // The command runs queued and its window is modal: both are over once no modal window is left.
        ASSERT_TRUE(WaitFor([&] { return ran && !QApplication::activeModalWidget(); }, 30000))
            << menu << " opened no window";
    }
    uint8_t Mode() { return console->State().RequestMode; }
    bool NextDecode() {
        uint64_t before = console->Controller().DecodeCount();
        return WaitFor([&] { return console->Controller().DecodeCount() > before; }, 5000);
    }
    // Each bad input, put in turn into an otherwise good dialog, must stop OK with its message.
    void ExpectRefused(QWidget *d, const std::vector<BadInput> &cases, std::vector<const char *> ticked) {
        for (const BadInput &c : cases) {
            QString good = Child<QLineEdit>(d, c.field)->text();
            SetText(d, c.field, c.text);
            Box box = ClickAndAnswer(d, "bbtnOK");
            EXPECT_EQ(box.Text.toStdString(), c.message) << c.field << " = '" << c.text << "'";
            EXPECT_EQ(box.Icon, QMessageBox::Critical);
            for (const char *name : ticked)
                EXPECT_TRUE(Ticked(d, name)) << name << " after " << c.field;
            SetText(d, c.field, good);
        }
    }
};

TEST_F(SettingsB, AclDialogOnSerialRefusesBadInputThenWritesRangeAndIdentifierLastPushedFirst) {
    StartSim(kSteadyScenario, false, true);
    StartConsole(UserLevel::Super);
    Connect(LinkKind::Serial);
    ASSERT_TRUE(WaitForDecode()) << sim->Stderr();

    RunDialog("mACLSet", [&](QWidget *d) {
        EXPECT_EQ(d->metaObject()->className(), std::string("zephyra::TfrmACLSetting"));
        EXPECT_EQ(Mode(), mode::kPaused);
        const char *start[] = {"edtACL1_Start_IP1", "edtACL1_Start_IP2", "edtACL1_Start_IP3",
                               "edtACL1_Start_IP4"};
        const char *end[] = {"edtACL1_End_IP1", "edtACL1_End_IP2", "edtACL1_End_IP3", "edtACL1_End_IP4"};
        const char *octets[] = {"10", "0", "0", "1"};
        for (int i = 0; i < 4; ++i) {
            SetText(d, start[i], octets[i]);
            SetText(d, end[i], i == 3 ? "254" : octets[i]);
        }
        SetText(d, "edtDeviceID", "3141592653");
        Tick(d, "cbDeviceID");
        Tick(d, "cbACL1_SET_EN");
        ExpectRefused(d,
                      {{"edtDeviceID", "314159265", "장비 ID: '314159265' 값은 열 자리 숫자가 아닙니다"},
                       {"edtDeviceID", "31415x2653", "장비 ID: '31415x2653' 값은 열 자리 숫자가 아닙니다"},
                       {"edtACL1_Start_IP2", "", "#1 start: '' is not a valid integer value"},
                       {"edtACL1_End_IP3", "a", "#1 end: 'a' is not a valid integer value"},
                       {"edtACL1_End_IP4", "256", "#1 end: '256' 값은 주소 자리(0..255)로 쓸 수 없습니다"}},
                      {"cbDeviceID", "cbACL1_SET_EN"});

        Box done = ClickAndAnswer(d, "bbtnOK");
        EXPECT_EQ(done.Text, " Setting Sucess!!");
        EXPECT_EQ(done.Icon, QMessageBox::Information);
        EXPECT_FALSE(Ticked(d, "cbDeviceID") || Ticked(d, "cbACL1_SET_EN"));
        EXPECT_EQ(Mode(), mode::kPaused) << "on serial the poll waits until the dialog is left";
        EXPECT_TRUE(d->isVisible()) << "OK leaves the dialog open";
        Child<QPushButton>(d, "bbtnExit")->click();
    });
    EXPECT_EQ(Mode(), mode::kPoll);
    EXPECT_EQ(Writes(Requests(*sim, "RTU")), (std::vector<RegisterWrite>{{0x4D, 0x00FE},
                                                                         {0x4C, 0x0A00},
                                                                         {0x4B, 0x0001},
                                                                         {0x4A, 0x0A00},
                                                                         {0x3F, 0x2653},
                                                                         {0x3E, 0x4159},
                                                                         {0x3D, 0x0031}}));
    ASSERT_TRUE(NextDecode());
    EXPECT_EQ(Field("edtDeviceID"), "3141592653");
    EXPECT_EQ(Field("edtACL_IP11"), "10.0.0.1");
    EXPECT_EQ(Field("edtACL_IP12"), "10.0.0.254");
}

TEST_F(SettingsB, IpDialogOnSerialSendsTheDefaultsInOneFrameAndReadsTheIdentityBackOnClose) {
    StartSim(kOtherIdentity, false, true);
    StartConsole(UserLevel::Super);
    Connect(LinkKind::Serial);
    ASSERT_TRUE(WaitForDecode()) << sim->Stderr();

    RunDialog("mIPSet", [&](QWidget *d) {
        EXPECT_EQ(Mode(), mode::kPaused);
        // A label read one digit short is refused at once; it neither fills nor ticks the MAC, so the
        // OK after it has nothing to send (the list of frames below shows none went out).
        SetText(d, "edtBCode", "0A-5E-21-FE-FF-1");
        Box barcode = ClickAndAnswer(d, "Button_Mac");
        EXPECT_EQ(barcode.Text, "바코드: '0A-5E-21-FE-FF-1' 값은 MAC 주소(두 자리 16진수 여섯 묶음)가 아닙니다");
        EXPECT_EQ(barcode.Icon, QMessageBox::Critical);
        EXPECT_EQ(Child<QLineEdit>(d, "edtMAC1")->text(), "00");
        EXPECT_FALSE(Ticked(d, "cbMAC_SET_EN"));
        Child<QPushButton>(d, "bbtnOK")->click();

        Child<QPushButton>(d, "bbtnDefault")->click();
        ExpectRefused(d,
                      {{"edtIP4", "256", "IP: '256' 값은 주소 자리(0..255)로 쓸 수 없습니다"},
                       {"edtGW1", "300", "Gateway: '300' 값은 주소 자리(0..255)로 쓸 수 없습니다"},
                       {"edtSM4", "999", "Subnet mask: '999' 값은 주소 자리(0..255)로 쓸 수 없습니다"},
                       {"edtGW2", "", "Gateway: '' is not a valid integer value"},
                       {"edtSM2", "ff", "Subnet mask: 'ff' is not a valid integer value"}},
                      {"cbIP_SET_EN", "cbGW_SET_EN", "cbSM_SET_EN"});
        Tick(d, "cbMAC_SET_EN");
        ExpectRefused(d,
                      {{"edtMAC6", "", "MAC: '$' is not a valid integer value"},
                       {"edtMAC6", "G1", "MAC: '$G1' is not a valid integer value"},
                       {"edtMAC6", "123", "MAC: '123' 값은 주소 자리(00..FF)로 쓸 수 없습니다"}},
                      {"cbMAC_SET_EN"});
        // Unticked, the MAC goes out as it was kept at opening, whatever the fields hold.
        Tick(d, "cbMAC_SET_EN", false);

        Box done = ClickAndAnswer(d, "bbtnOK");
        EXPECT_EQ(done.Text, " Setting Sucess!!");
        EXPECT_EQ(done.Icon, QMessageBox::Information);
        EXPECT_EQ(Mode(), mode::kPaused);
        d->close();
        EXPECT_EQ(Mode(), mode::kNetworkReadBack);
    });
    EXPECT_TRUE(console->Controller().Ticking());
    ASSERT_TRUE(WaitFor([&] { return OfFunction(Requests(*sim, "RTU"), 0x47).size() >= 2; }));
    EXPECT_EQ(OfFunction(Requests(*sim, "RTU"), 0x47), (std::vector<Bytes>{kDefaultsWrite, kIdentityRead}));
    EXPECT_TRUE(Writes(Requests(*sim, "RTU")).empty());
    ASSERT_TRUE(WaitFor([&] { return Mode() == mode::kPoll; }));
    ASSERT_TRUE(NextDecode());
    EXPECT_EQ(Field("edtIP"), "192.168.30.70");
    EXPECT_EQ(Field("edtGW"), "192.168.30.1");
    EXPECT_EQ(Field("edtSM"), "255.255.255.0");
    EXPECT_EQ(Field("edtMAC"), "00.11.22.33.44.AB");
}

TEST_F(SettingsB, IpDialogSendsWhatItWroteBeforeForSectionsNotTickedAgain) {
    StartSim(kOtherIdentity, false, true);
    StartConsole(UserLevel::Super);
    Connect(LinkKind::Serial);
    ASSERT_TRUE(WaitForDecode()) << sim->Stderr();

    RunDialog("mIPSet", [&](QWidget *d) {
        SetText(d, "edtBCode", "0A:5E:21:FE:FF:10");
        Child<QPushButton>(d, "Button_Mac")->click();
        EXPECT_EQ(ClickAndAnswer(d, "bbtnOK").Text, " Setting Sucess!!");
        Tick(d, "cbIP_SET_EN");
        SetText(d, "edtIP4", "9");
        EXPECT_EQ(ClickAndAnswer(d, "bbtnOK").Text, " Setting Sucess!!");
    });
    const Bytes head{0x01, 0x47, 0x00, 0x13, 0x02, 0x0A, 0x5E, 0x21, 0xFE, 0xFF, 0x10};
    auto write = [&](std::initializer_list<uint8_t> addresses) {
        Bytes frame = head;
        frame.insert(frame.end(), addresses);
        return frame;
    };
    ASSERT_TRUE(WaitFor([&] { return OfFunction(Requests(*sim, "RTU"), 0x47).size() >= 3; }));
    EXPECT_EQ(OfFunction(Requests(*sim, "RTU"), 0x47),
              (std::vector<Bytes>{write({10, 1, 2, 3, 255, 255, 0, 0, 10, 1, 2, 254}),
                                  write({10, 1, 2, 9, 255, 255, 0, 0, 10, 1, 2, 254}), kIdentityRead}));
    ASSERT_TRUE(WaitFor([&] { return Mode() == mode::kPoll; }));
    ASSERT_TRUE(NextDecode());
    EXPECT_EQ(Field("edtMAC"), "0A.5E.21.FE.FF.10");
    EXPECT_EQ(Field("edtIP"), "10.1.2.9");
}

TEST_F(SettingsB, IpDialogOnTcpPausesThePollOnlyFromOkAndReportsARefusal) {
    StartSim(kRefusingIdentity, true, false);
    StartConsole(UserLevel::Super);
    Connect(LinkKind::Tcp);
    ASSERT_TRUE(WaitForDecode()) << sim->Stderr();

    RunDialog("mIPSet", [&](QWidget *d) {
        EXPECT_EQ(Mode(), mode::kPoll) << "over TCP the poll goes on while the dialog is open";
        Child<QPushButton>(d, "bbtnDefault")->click();
        Box refused = ClickAndAnswer(d, "bbtnOK");
        EXPECT_EQ(refused.Text, " Setting Fail!!");
        EXPECT_EQ(refused.Icon, QMessageBox::Critical);
        EXPECT_EQ(Mode(), mode::kPaused);
        Child<QPushButton>(d, "bbtnExit")->click();
    });
    EXPECT_EQ(Mode(), mode::kNetworkReadBack);
    ASSERT_TRUE(WaitFor([&] { return OfFunction(Requests(*sim, "TCP"), 0x47).size() >= 2; }));
    EXPECT_EQ(OfFunction(Requests(*sim, "TCP"), 0x47), (std::vector<Bytes>{kDefaultsWrite, kIdentityRead}));
    ASSERT_TRUE(NextDecode());
    EXPECT_EQ(Field("edtIP"), "10.1.2.3") << "a refused write changes nothing";
}

TEST_F(SettingsB, TcpRemoteWindowWritesTheSwitchOnlyWhenTicked) {
    StartSim(kSteadyScenario, true, false);
    StartConsole(UserLevel::Super);
    Connect(LinkKind::Tcp);
    ASSERT_TRUE(WaitForDecode()) << sim->Stderr();
    EXPECT_EQ(Field("edtACLEn"), "미사용");

    RunDialog("mACLSet", [&](QWidget *d) {
        EXPECT_EQ(d->metaObject()->className(), std::string("zephyra::TfrmTCP_Set"));
        EXPECT_EQ(Mode(), mode::kPoll);
        auto *list = Child<QComboBox>(d, "cbbACL");
        EXPECT_EQ(list->currentIndex(), 0);
        list->setCurrentIndex(1);
        Child<QPushButton>(d, "BitBtnOK")->click();
        EXPECT_EQ(Mode(), mode::kPoll) << "nothing ticked: nothing sent, the poll goes on";

        Tick(d, "cbACL_SET_EN");
        EXPECT_EQ(ClickAndAnswer(d, "BitBtnOK").Text, " Setting Sucess!!");
        EXPECT_FALSE(Ticked(d, "cbACL_SET_EN"));
        EXPECT_EQ(Mode(), mode::kPoll) << "over TCP the success message resumes the poll";
        Child<QPushButton>(d, "BitBtnCancel")->click();
    });
    EXPECT_EQ(Writes(Requests(*sim, "TCP")), (std::vector<RegisterWrite>{{0x49, 1}}));
    ASSERT_TRUE(NextDecode());
    EXPECT_EQ(Field("edtACLEn"), "사용");
}

} // namespace
} // namespace zephyra::test
