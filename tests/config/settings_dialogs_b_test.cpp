// The network address, access-list and TCP remote windows on the offscreen platform, without a device:
// controls, prefill from the last status, the buttons that only fill fields, and the poll mode rules.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>
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

        // A label read one digit short is refused: the fields and the box stay as they were.
        Child<QLineEdit>(d, "edtBCode")->setText("12-34-56-78-9A-B");
        QString refusal;
        OnNextModal(
            d,
            [&](QWidget *box) {
                refusal = test::BoxText(box);
                Shot(d, "ip_setting_barcode_refused.png");
                Shot(box, "ip_setting_barcode_refused_box.png");
                test::CloseBox(box);
            },
            5000, d);
        Child<QPushButton>(d, "Button_Mac")->click();
        EXPECT_EQ(refusal, "바코드: '12-34-56-78-9A-B' 값은 MAC 주소(두 자리 16진수 여섯 묶음)가 아닙니다");
        EXPECT_EQ(Text(d, "edtMAC1"), "0A");
        EXPECT_EQ(Text(d, "edtMAC6"), "10");
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

TEST_F(SettingsDialogsB, TcpRemoteWindowShowsTheSwitchFromTheLastStatus) {
    console->Controller().ResponseDispatcher(0x04, StatusBlock().Set(reg::kACLEn, 1).Payload());
    console->Controller().LinkChosen(LinkKind::Tcp);
    Run(OpenAclCommand, [&](QWidget *d) {
        EXPECT_EQ(d->windowTitle(), "TCP_원격 설정");
        EXPECT_EQ(Child<QComboBox>(d, "cbbACL")->currentIndex(), 1);
        EXPECT_FALSE(Ticked(d, "cbACL_SET_EN"));
        EXPECT_EQ(Child<QPushButton>(d, "BitBtnOK")->text(), "설정 ");
        Shot(d, "tcp_set_dialog.png");
    });
}

double Luminance(const QColor &c) {
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

// The text as painted against its box, in the colour group the box is painted in.
double Contrast(QLineEdit *field) {
    const QPalette::ColorGroup group = field->isEnabled() ? QPalette::Active : QPalette::Disabled;
    double a = Luminance(field->palette().color(group, QPalette::Text));
    double b = Luminance(field->palette().color(group, QPalette::Base));
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

// The widest value a box can hold: `value` or one of its forms with every digit swapped for one digit of
// `digits` (equal-width digits, but letters differ); `value` itself on a tie.
QString Widest(const QFontMetrics &metrics, const QString &value, const QString &digits) {
    QString widest = value;
    for (QChar d : digits) {
        QString form = value;
        for (QChar &c : form)
            if (digits.contains(c))
                c = d;
        if (metrics.horizontalAdvance(form) > metrics.horizontalAdvance(widest))
            widest = form;
    }
    return widest;
}

QStringList Numbered(const QString &prefix, int count) {
    QStringList names;
    for (int i = 1; i <= count; ++i)
        names << prefix + QString::number(i);
    return names;
}

// Every address, MAC and device identifier box shows its widest value whole and readable, at its own font.
TEST_F(SettingsDialogsB, AddressBoxesShowTheirWidestValueWholeAndReadable) {
    const QString dec = "0123456789", hex = "0123456789ABCDEF";
    struct Boxes {
        QStringList names;
        QString value, digits;
    };
    QStringList aclOctets, mainRanges;
    for (int k = 1; k <= 5; ++k) {
        aclOctets << Numbered(QStringLiteral("edtACL%1_Start_IP").arg(k), 4)
                  << Numbered(QStringLiteral("edtACL%1_End_IP").arg(k), 4);
        mainRanges << Numbered(QStringLiteral("edtACL_IP%1").arg(k), 2)
                   << Numbered(QStringLiteral("edtACL_DIP%1").arg(k), 2);
    }
    struct Case {
        const char *window;
        void (*open)(SettingsContext &, QWidget *); // null: the main window
        std::vector<Boxes> boxes;
    };
    const Case cases[] = {
        {"IP",
         OpenIpSettingDialog,
         {{Numbered("edtIP", 4) + Numbered("edtGW", 4) + Numbered("edtSM", 4), "255", dec},
          {Numbered("edtMAC", 6), "FF", hex}}},
        {"ACL", OpenAclCommand, {{aclOctets, "255", dec}, {{"edtDeviceID"}, "9999999999", dec}}},
        // The main window's other fields are sized by the console's own test; here the range boxes, the
        // fixed ones among them read-only but not greyed out.
        {"main", nullptr, {{mainRanges, "255.255.255.255", dec}}},
    };
    console->Controller().LinkChosen(LinkKind::Serial);
    for (const Case &c : cases) {
        auto check = [&](QWidget *root) {
            for (const Boxes &b : c.boxes)
                for (const QString &name : b.names) {
                    auto *field = root->findChild<QLineEdit *>(name);
                    ASSERT_TRUE(field) << c.window << " " << name.toStdString();
                    const QFontMetrics metrics(field->font());
                    const QString widest = Widest(metrics, b.value, b.digits);
                    field->setText(widest);
                    EXPECT_LE(metrics.horizontalAdvance(widest), test::TextRoom(field))
                        << c.window << " " << name.toStdString() << " cuts " << widest.toStdString();
                    EXPECT_GE(Contrast(field), 4.5) << c.window << " " << name.toStdString()
                                                    << " is hard to read (" << Contrast(field) << ":1)";
                }
            if (c.open)
                Shot(root, QStringLiteral("widest_%1.png").arg(c.window).toLatin1().constData());
        };
        if (c.open)
            Run(c.open, check);
        else
            check(&window());
    }
}

} // namespace
} // namespace zephyra
