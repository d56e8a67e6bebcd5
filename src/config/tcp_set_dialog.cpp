#include "config/tcp_set_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/acl_settings.h"
#include "device/language_endpoint.h"

namespace zephyra {

TfrmTCP_Set::TfrmTCP_Set(SettingsContext &ctx, QWidget *parent)
    : SettingFormDialog(ctx, parent, kWindow, "TfrmTCP_Set", tr("TCP_원격 설정")) {
    auto *group = new QGroupBox(tr("ACL 설정 "), this);
    group->setObjectName("GroupBox1");
    cbACL_SET_EN_ = new QCheckBox(tr("ACL 사용(공인망) / 미사용(NCN망) "), group);
    cbACL_SET_EN_->setObjectName("cbACL_SET_EN");
    cbbACL_ = new QComboBox(group);
    cbbACL_->setObjectName("cbbACL");
    cbbACL_->addItems({tr("미사용"), tr("사용")});
    auto *row = new QHBoxLayout(group);
    row->addWidget(cbACL_SET_EN_);
    row->addWidget(cbbACL_);

    BitBtnOK_ = Button("BitBtnOK", tr("설정 "));
    BitBtnCancel_ = Button("BitBtnCancel", tr("나가기 "));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtnOK_);
    buttons->addWidget(BitBtnCancel_);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    cbbACL_->setCurrentIndex(PrefillAcl(ctx_.Poll.Snapshot()).AclIndex);

    connect(BitBtnOK_, &QPushButton::clicked, this, &TfrmTCP_Set::BitBtnOKClick);
    connect(BitBtnCancel_, &QPushButton::clicked, this, &TfrmTCP_Set::BitBtnCancelClick);
}

void TfrmTCP_Set::BitBtnOKClick() {
    AclInputs in;
    in.Ticked[kRowAclEnable] = cbACL_SET_EN_->isChecked();
    in.AclIndex = cbbACL_->currentIndex();
    SettingWrites writes = AclWrites(in, QtTextTranslator());
    if (!writes.Ok()) {
        ctx_.Messages.ShowError(writes.Error);
        return;
    }
    cbACL_SET_EN_->setChecked(false);
    Submit(writes.Writes);
}

void TfrmTCP_Set::BitBtnCancelClick() {
    Exit();
}

} // namespace zephyra
