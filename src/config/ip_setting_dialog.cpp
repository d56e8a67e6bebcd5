#include "config/ip_setting_dialog.h"

#include <QCheckBox>
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

TfrmIPSetting::TfrmIPSetting(SettingsContext &ctx, QWidget *parent)
    : SettingFormDialog(ctx, parent, kWindow, "TfrmIPSetting", tr("IP 설정 ")) {
    auto *group = new QGroupBox(tr("IP 설정 "), this);
    group->setObjectName("GroupBox1");
    cbIP_SET_EN_ = new QCheckBox(tr("정류기 IP 주소"), group);
    cbIP_SET_EN_->setObjectName("cbIP_SET_EN");
    cbGW_SET_EN_ = new QCheckBox("GATEWAY", group);
    cbGW_SET_EN_->setObjectName("cbGW_SET_EN");
    cbSM_SET_EN_ = new QCheckBox("SUBNET MASK", group);
    cbSM_SET_EN_->setObjectName("cbSM_SET_EN");
    cbMAC_SET_EN_ = new QCheckBox(tr("Mac 주소"), group);
    cbMAC_SET_EN_->setObjectName("cbMAC_SET_EN");
    edtBCode_ = new QLineEdit(group);
    edtBCode_->setObjectName("edtBCode");
    buttonMac_ = Button("Button_Mac", tr("Mac 주소변환"));

    auto *grid = new QGridLayout(group);
    auto row = [group](const char *prefix, int digits, auto &fields) {
        QHBoxLayout *octets = OctetRow(prefix, digits, fields, group);
        octets->addStretch();
        return octets;
    };
    grid->addWidget(cbIP_SET_EN_, 0, 0);
    grid->addLayout(row("edtIP", 3, edtIP_), 0, 1);
    grid->addWidget(cbGW_SET_EN_, 1, 0);
    grid->addLayout(row("edtGW", 3, edtGW_), 1, 1);
    grid->addWidget(cbSM_SET_EN_, 2, 0);
    grid->addLayout(row("edtSM", 3, edtSM_), 2, 1);
    grid->addWidget(cbMAC_SET_EN_, 3, 0);
    grid->addLayout(row("edtMAC", 2, edtMAC_), 3, 1);
    auto *barcodeLabel = new QLabel(tr("Mac 주소 바코드"), group);
    barcodeLabel->setObjectName("lblBCode");
    barcodeLabel->setBuddy(edtBCode_);
    grid->addWidget(barcodeLabel, 4, 0);
    auto *barcodeRow = new QHBoxLayout;
    barcodeRow->addWidget(edtBCode_, 1);
    barcodeRow->addWidget(buttonMac_);
    grid->addLayout(barcodeRow, 4, 1);
    grid->setColumnStretch(1, 1);

    bbtnOK_ = Button("bbtnOK", tr("설정"));
    bbtnDefault_ = Button("bbtnDefault", tr("기본값 "));
    bbtnExit_ = Button("bbtnExit", tr("나가기 "));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(bbtnDefault_);
    buttons->addStretch();
    buttons->addWidget(bbtnOK_);
    buttons->addWidget(bbtnExit_);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    const StatusSnapshot &snapshot = ctx_.Poll.Snapshot();
    kept_ = KeptNetworkParts(snapshot);
    Show(PrefillNetwork(snapshot));

    // A later OK must not send back the addresses this window has just replaced.
    ctx_.Poll.SetNetworkWriteObserver([this](bool accepted) {
        if (accepted)
            kept_ = WrittenNetworkParts(ctx_.Poll.State().LastRawRequest);
    });

    connect(bbtnOK_, &QPushButton::clicked, this, &TfrmIPSetting::bbtnOKClick);
    connect(bbtnDefault_, &QPushButton::clicked, this, &TfrmIPSetting::bbtnDefaultClick);
    connect(buttonMac_, &QPushButton::clicked, this, &TfrmIPSetting::Button_MacClick);
    connect(bbtnExit_, &QPushButton::clicked, this, &TfrmIPSetting::bbtnExitClick);
}

TfrmIPSetting::~TfrmIPSetting() {
    ctx_.Poll.SetNetworkWriteObserver(nullptr);
}

void TfrmIPSetting::showEvent(QShowEvent *event) {
    SettingFormDialog::showEvent(event);
    // The barcode scanner types into whatever has the focus.
    edtBCode_->setFocus();
}

NetworkInputs TfrmIPSetting::Inputs() const {
    NetworkInputs in;
    in.IpTicked = cbIP_SET_EN_->isChecked();
    in.GwTicked = cbGW_SET_EN_->isChecked();
    in.SmTicked = cbSM_SET_EN_->isChecked();
    in.MacTicked = cbMAC_SET_EN_->isChecked();
    in.Fields.Ip = OctetTexts(edtIP_);
    in.Fields.Gw = OctetTexts(edtGW_);
    in.Fields.Sm = OctetTexts(edtSM_);
    in.Fields.Mac = OctetTexts(edtMAC_);
    in.Barcode = edtBCode_->text().toStdString();
    return in;
}

void TfrmIPSetting::Show(const NetworkInputs &in) {
    cbIP_SET_EN_->setChecked(in.IpTicked);
    cbGW_SET_EN_->setChecked(in.GwTicked);
    cbSM_SET_EN_->setChecked(in.SmTicked);
    cbMAC_SET_EN_->setChecked(in.MacTicked);
    SetOctetTexts(edtIP_, in.Fields.Ip);
    SetOctetTexts(edtGW_, in.Fields.Gw);
    SetOctetTexts(edtSM_, in.Fields.Sm);
    SetOctetTexts(edtMAC_, in.Fields.Mac);
}

void TfrmIPSetting::bbtnOKClick() {
    NetworkWrite write = NetworkWriteRequest(Inputs(), kept_, QtTextTranslator());
    if (!write.Ok()) {
        // The boxes stay ticked so the operator can correct the field and try again.
        ctx_.Messages.ShowError(write.Error);
        return;
    }
    for (QCheckBox *box : {cbIP_SET_EN_, cbGW_SET_EN_, cbSM_SET_EN_, cbMAC_SET_EN_})
        box->setChecked(false);
    if (write.Request.empty())
        return;
    ctx_.Poll.StartNetworkWrite(write.Request);
}

void TfrmIPSetting::bbtnDefaultClick() {
    NetworkInputs in = Inputs();
    ApplyNetworkDefaults(in);
    Show(in);
}

void TfrmIPSetting::Button_MacClick() {
    NetworkInputs in = Inputs();
    std::string error = ConvertBarcode(in, QtTextTranslator());
    if (!error.empty()) {
        ctx_.Messages.ShowError(error);
        return;
    }
    Show(in);
}

void TfrmIPSetting::bbtnExitClick() {
    Exit();
}

} // namespace zephyra
