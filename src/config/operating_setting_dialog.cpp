#include "config/operating_setting_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/spin_field_widget.h"
#include "device/language_endpoint.h"

namespace zephyra {

namespace {

QComboBox *PickList(const char *name, const QStringList &entries) {
    auto *list = new QComboBox;
    list->setObjectName(name);
    list->addItems(entries);
    return list;
}

} // namespace

TfrmPoint_Setting::TfrmPoint_Setting(SettingsContext &ctx, QWidget *parent)
    : SettingFormDialog(ctx, parent, kWindow, "TfrmPoint_Setting", tr("운용/알람 설정 ")) {
    struct Row {
        const char *Name;
        const char *Caption;
    };
    static constexpr Row kRows[kOperatingRows] = {{"ckbCHLimit", QT_TR_NOOP("충전전류 제한 (Off, 3~ 5A) ")},
                                                  {"ckbB_MODEL", QT_TR_NOOP("축전지 종류 ")},
                                                  {"ckbB_Cho", QT_TR_NOOP("축전지 수량 ")},
                                                  {"ckbACOV", QT_TR_NOOP("AC 고전압 (230V ~ 270V)")},
                                                  {"ckbACUV", QT_TR_NOOP("AC 저전압 (160V ~ 210V)")},
                                                  {"ckbDCOV", QT_TR_NOOP("DC 고전압 (55.0V ~ 59.0V) ")},
                                                  {"ckbDCUV", QT_TR_NOOP("DC 저전압 (43.0V ~ 50.0V) ")}};

    cbbCHLimit_ = PickList("cbbCHLimit", {"OFF", "3 A", "4 A", "5 A"});
    cbbB_MODEL_ = PickList("cbbB_MODEL", {tr("아트라스"), tr("세방전지")});
    cbbB_Cho_ = PickList("cbbB_Cho", {tr("1조"), tr("2조"), tr("3조")});
    using Kind = SpinFieldWidget::Kind;
    mskACOV_ = new SpinFieldWidget("mskACOV", Kind::Integer, kACOVMin, kACOVMax, LeaveACOV);
    mskACUV_ = new SpinFieldWidget("mskACUV", Kind::Integer, kACUVMin, kACUVMax, LeaveACUV);
    mskDCOV_ = new SpinFieldWidget("mskDCOV", Kind::Tenths, kDCOVMin, kDCOVMax, LeaveDCOV);
    mskDCUV_ = new SpinFieldWidget("mskDCUV", Kind::Tenths, kDCUVMin, kDCUVMax, LeaveDCUV);
    QWidget *inputs[kOperatingRows] = {cbbCHLimit_, cbbB_MODEL_, cbbB_Cho_, mskACOV_,
                                       mskACUV_,    mskDCOV_,    mskDCUV_};

    auto *group = new QGroupBox(tr("운용설정 "));
    group->setObjectName("gbOperation");
    auto *grid = new QGridLayout(group);
    for (int r = 0; r < kOperatingRows; ++r) {
        ticks_[static_cast<std::size_t>(r)] = new QCheckBox(tr(kRows[r].Caption));
        ticks_[static_cast<std::size_t>(r)]->setObjectName(kRows[r].Name);
        inputs[r]->setFixedWidth(110);
        grid->addWidget(ticks_[static_cast<std::size_t>(r)], r, 0);
        grid->addWidget(inputs[r], r, 1);
    }

    QPushButton *ok = Button("bbtnOK", tr("설정"));
    QPushButton *defaults = Button("bbtnDefault", tr("기본값 "));
    QPushButton *selectAll = Button("bbtnSelectAll", tr("전체 선택 "));
    QPushButton *exit = Button("bbtnExit", tr("나가기 "));
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {ok, defaults, selectAll, exit})
        buttons->addWidget(b);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ok, &QPushButton::clicked, this, &TfrmPoint_Setting::bbtnOKClick);
    connect(defaults, &QPushButton::clicked, this, &TfrmPoint_Setting::bbtnDefaultClick);
    connect(selectAll, &QPushButton::clicked, this, &TfrmPoint_Setting::bbtnSelectAllClick);
    connect(exit, &QPushButton::clicked, this, &TfrmPoint_Setting::bbtnExitClick);

    Fill(PrefillOperating(ctx_.Poll.Snapshot()));
}

OperatingInputs TfrmPoint_Setting::Inputs() const {
    OperatingInputs in;
    for (std::size_t r = 0; r < ticks_.size(); ++r)
        in.Ticked[r] = ticks_[r]->isChecked();
    in.CHLimitIndex = cbbCHLimit_->currentIndex();
    in.BModelIndex = cbbB_MODEL_->currentIndex();
    in.BChoIndex = cbbB_Cho_->currentIndex();
    in.ACOV = mskACOV_->Text().toStdString();
    in.ACUV = mskACUV_->Text().toStdString();
    in.DCOV = mskDCOV_->Text().toStdString();
    in.DCUV = mskDCUV_->Text().toStdString();
    return in;
}

void TfrmPoint_Setting::Fill(const OperatingInputs &in) {
    for (std::size_t r = 0; r < ticks_.size(); ++r)
        ticks_[r]->setChecked(in.Ticked[r]);
    cbbCHLimit_->setCurrentIndex(in.CHLimitIndex);
    cbbB_MODEL_->setCurrentIndex(in.BModelIndex);
    cbbB_Cho_->setCurrentIndex(in.BChoIndex);
    mskACOV_->SetText(QString::fromStdString(in.ACOV));
    mskACUV_->SetText(QString::fromStdString(in.ACUV));
    mskDCOV_->SetText(QString::fromStdString(in.DCOV));
    mskDCUV_->SetText(QString::fromStdString(in.DCUV));
}

void TfrmPoint_Setting::bbtnOKClick() {
    OperatingInputs in = Inputs();
    SettingWrites result = OperatingWrites(in, QtTextTranslator());
    if (!result.Ok()) {
        ctx_.Messages.ShowError(result.Error);
        return;
    }
    in.Ticked.fill(false);
    Fill(in);
    Submit(result.Writes);
}

void TfrmPoint_Setting::bbtnDefaultClick() {
    OperatingInputs in = Inputs();
    ApplyOperatingDefaults(in);
    Fill(in);
}

void TfrmPoint_Setting::bbtnSelectAllClick() {
    OperatingInputs in = Inputs();
    SelectAllOperating(in);
    Fill(in);
}

void TfrmPoint_Setting::bbtnExitClick() {
    Exit();
}

void mSystemOperationClick(SettingsContext &ctx, QWidget *parent) {
    ShowSettingDialog<TfrmPoint_Setting>(ctx, parent);
}

} // namespace zephyra
