#include "config/ip_setting_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zephyra {

namespace {

QLineEdit *OctetField(const QString &name, int digits, QWidget *parent) {
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setAlignment(Qt::AlignCenter);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QString(digits + 1, QChar('0'))) + 12);
    return edit;
}

// One row of octet fields joined by dots.
template <std::size_t N>
QHBoxLayout *OctetRow(const char *prefix, int digits, std::array<QLineEdit *, N> &fields, QWidget *parent) {
    auto *row = new QHBoxLayout;
    row->setSpacing(2);
    for (std::size_t i = 0; i < N; ++i) {
        if (i)
            row->addWidget(new QLabel(".", parent));
        fields[i] = OctetField(QStringLiteral("%1%2").arg(prefix).arg(i + 1), digits, parent);
        row->addWidget(fields[i]);
    }
    row->addStretch();
    return row;
}

template <std::size_t N> std::array<std::string, N> Texts(const std::array<QLineEdit *, N> &fields) {
    std::array<std::string, N> out;
    for (std::size_t i = 0; i < N; ++i)
        out[i] = fields[i]->text().toStdString();
    return out;
}

template <std::size_t N>
void SetTexts(const std::array<QLineEdit *, N> &fields, const std::array<std::string, N> &texts) {
    for (std::size_t i = 0; i < N; ++i)
        fields[i]->setText(QString::fromStdString(texts[i]));
}

} // namespace

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
    grid->addWidget(cbIP_SET_EN_, 0, 0);
    grid->addLayout(OctetRow("edtIP", 3, edtIP_, group), 0, 1);
    grid->addWidget(cbGW_SET_EN_, 1, 0);
    grid->addLayout(OctetRow("edtGW", 3, edtGW_, group), 1, 1);
    grid->addWidget(cbSM_SET_EN_, 2, 0);
    grid->addLayout(OctetRow("edtSM", 3, edtSM_, group), 2, 1);
    grid->addWidget(cbMAC_SET_EN_, 3, 0);
    grid->addLayout(OctetRow("edtMAC", 2, edtMAC_, group), 3, 1);
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
    in.Fields.Ip = Texts(edtIP_);
    in.Fields.Gw = Texts(edtGW_);
    in.Fields.Sm = Texts(edtSM_);
    in.Fields.Mac = Texts(edtMAC_);
    in.Barcode = edtBCode_->text().toStdString();
    return in;
}

void TfrmIPSetting::Show(const NetworkInputs &in) {
    cbIP_SET_EN_->setChecked(in.IpTicked);
    cbGW_SET_EN_->setChecked(in.GwTicked);
    cbSM_SET_EN_->setChecked(in.SmTicked);
    cbMAC_SET_EN_->setChecked(in.MacTicked);
    SetTexts(edtIP_, in.Fields.Ip);
    SetTexts(edtGW_, in.Fields.Gw);
    SetTexts(edtSM_, in.Fields.Sm);
    SetTexts(edtMAC_, in.Fields.Mac);
}

void TfrmIPSetting::bbtnOKClick() {
    NetworkWrite write = NetworkWriteRequest(Inputs(), kept_);
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
    std::string error = ConvertBarcode(in);
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
