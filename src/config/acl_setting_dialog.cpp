#include "config/acl_setting_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/octet_fields_widget.h"
#include "device/language_endpoint.h"

namespace zephyra {

namespace {

constexpr int kDeviceIdDigits = 10;

QCheckBox *TickBox(const QString &text, const QString &name, QWidget *parent) {
    auto *box = new QCheckBox(text, parent);
    box->setObjectName(name);
    return box;
}

} // namespace

TfrmACLSetting::TfrmACLSetting(SettingsContext &ctx, QWidget *parent)
    : SettingFormDialog(ctx, parent, kWindow, "TfrmACLSetting", tr("ACL 설정")) {
    auto *group = new QGroupBox(tr("ACL 설정"), this);
    group->setObjectName("GroupBox1");
    auto *grid = new QGridLayout(group);

    boxes_[kRowEthSpeed] = TickBox("Ethernet Speed", "cbEthSpeed", group);
    cbbEthSpeed_ = new QComboBox(group);
    cbbEthSpeed_->setObjectName("cbbEthSpeed");
    cbbEthSpeed_->addItems({"Auto", "10M", "100M", "1G"});
    grid->addWidget(boxes_[kRowEthSpeed], 0, 0);
    grid->addWidget(cbbEthSpeed_, 0, 1, Qt::AlignLeft);

    boxes_[kRowDeviceId] = TickBox(tr("장비 ID"), "cbDeviceID", group);
    edtDeviceID_ = new QLineEdit(group);
    edtDeviceID_->setObjectName("edtDeviceID");
    edtDeviceID_->setMaxLength(kDeviceIdDigits);
    edtDeviceID_->setFixedWidth(edtDeviceID_->fontMetrics().horizontalAdvance(QStringLiteral("00000000000")) +
                                12);
    auto *deviceIdHint = new QLabel(tr("10자리 입력 "), group);
    deviceIdHint->setObjectName("lblDeviceID");
    auto *deviceIdRow = new QHBoxLayout;
    deviceIdRow->addWidget(edtDeviceID_);
    deviceIdRow->addWidget(deviceIdHint);
    deviceIdRow->addStretch();
    grid->addWidget(boxes_[kRowDeviceId], 1, 0);
    grid->addLayout(deviceIdRow, 1, 1);

    boxes_[kRowAclEnable] = TickBox(tr("ACL 사용(공인망) / 미사용(NCN망) "), "cbACL_SET_EN", group);
    cbbACL_ = new QComboBox(group);
    cbbACL_->setObjectName("cbbACL");
    cbbACL_->addItems({tr("미사용"), tr("사용")});
    grid->addWidget(boxes_[kRowAclEnable], 2, 0);
    grid->addWidget(cbbACL_, 2, 1, Qt::AlignLeft);

    for (int k = 0; k < kAclRanges; ++k) {
        const int n = k + 1;
        QCheckBox *&box = boxes_[static_cast<std::size_t>(kRowRange1 + k)];
        box = TickBox(QStringLiteral("#%1").arg(n), QStringLiteral("cbACL%1_SET_EN").arg(n), group);
        RangeFields &fields = ranges_[static_cast<std::size_t>(k)];
        auto *row = new QHBoxLayout;
        row->addLayout(OctetRow(QStringLiteral("edtACL%1_Start_IP").arg(n), 3, fields.Start, group));
        row->addWidget(new QLabel("~", group));
        row->addLayout(OctetRow(QStringLiteral("edtACL%1_End_IP").arg(n), 3, fields.End, group));
        row->addStretch();
        grid->addWidget(box, 3 + k, 0);
        grid->addLayout(row, 3 + k, 1);
    }
    grid->setColumnStretch(1, 1);

    bbtnOK_ = Button("bbtnOK", tr("설정"));
    bbtnExit_ = Button("bbtnExit", tr("나가기 "));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bbtnOK_);
    buttons->addWidget(bbtnExit_);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    const AclInputs in = PrefillAcl(ctx_.Poll.Snapshot());
    edtDeviceID_->setText(QString::fromStdString(in.DeviceId));
    cbbEthSpeed_->setCurrentIndex(in.EthSpeedIndex);
    cbbACL_->setCurrentIndex(in.AclIndex);
    for (std::size_t k = 0; k < kAclRanges; ++k) {
        SetOctetTexts(ranges_[k].Start, in.Ranges[k].Start);
        SetOctetTexts(ranges_[k].End, in.Ranges[k].End);
    }

    connect(bbtnOK_, &QPushButton::clicked, this, &TfrmACLSetting::bbtnOKClick);
    connect(bbtnExit_, &QPushButton::clicked, this, &TfrmACLSetting::bbtnExitClick);
}

AclInputs TfrmACLSetting::Inputs() const {
    AclInputs in;
    for (std::size_t row = 0; row < kAclRows; ++row)
        in.Ticked[row] = boxes_[row]->isChecked();
    in.EthSpeedIndex = cbbEthSpeed_->currentIndex();
    in.DeviceId = edtDeviceID_->text().toStdString();
    in.AclIndex = cbbACL_->currentIndex();
    for (std::size_t k = 0; k < kAclRanges; ++k) {
        in.Ranges[k].Start = OctetTexts(ranges_[k].Start);
        in.Ranges[k].End = OctetTexts(ranges_[k].End);
    }
    return in;
}

void TfrmACLSetting::bbtnOKClick() {
    SettingWrites writes = AclWrites(Inputs(), QtTextTranslator());
    if (!writes.Ok()) {
        // The boxes stay ticked so the operator can correct the field and try again.
        ctx_.Messages.ShowError(writes.Error);
        return;
    }
    for (QCheckBox *box : boxes_)
        box->setChecked(false);
    Submit(writes.Writes);
}

void TfrmACLSetting::bbtnExitClick() {
    Exit();
}

} // namespace zephyra
