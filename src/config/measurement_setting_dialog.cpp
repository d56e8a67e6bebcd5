#include "config/measurement_setting_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "device/language_endpoint.h"

namespace zephyra {

TfrmSetting::TfrmSetting(SettingsContext &ctx, QWidget *parent)
    : SettingFormDialog(ctx, parent, kWindow, "TfrmSetting", tr("계측값 설정 ")) {
    struct Row {
        const char *Tick;
        const char *Caption;
        const char *Field;
        const char *Mask;
        const char *Unit;
    };
    // Four digit positions and a fixed point; blank positions show as '_'.
    static constexpr Row kRows[kMeasurementRows] = {
        {"cbACVR", QT_TR_NOOP("AC 전압 "), "MskACVR", "000.0;_", "V"},
        {"cbDCV", QT_TR_NOOP("DC 전압 "), "MskDCV", "00.00;_", "V"},
        {"cbLCA", QT_TR_NOOP("부하 전류 "), "MskLCA", "00.00;_", "A"},
        {"cbBCAP", QT_TR_NOOP("축전지 전류 (+)"), "MskBCAP", "00.00;_", "A"},
        {"cbBCAN", QT_TR_NOOP("축전지 전류 (-)"), "MskBCAN", "00.00;_", "A"},
    };
    const MeasurementInputs initial;

    auto *group = new QGroupBox(tr("계측값 설정 "));
    group->setObjectName("gbMeasurement");
    auto *grid = new QGridLayout(group);
    for (int r = 0; r < kMeasurementRows; ++r) {
        const auto i = static_cast<std::size_t>(r);
        ticks_[i] = new QCheckBox(tr(kRows[r].Caption));
        ticks_[i]->setObjectName(kRows[r].Tick);
        fields_[i] = new QLineEdit;
        fields_[i]->setObjectName(kRows[r].Field);
        fields_[i]->setInputMask(kRows[r].Mask);
        fields_[i]->setText(QString::fromStdString(initial.Texts[i]));
        fields_[i]->setFixedWidth(80);
        fields_[i]->setAlignment(Qt::AlignRight);
        grid->addWidget(ticks_[i], r, 0);
        grid->addWidget(fields_[i], r, 1);
        grid->addWidget(new QLabel(kRows[r].Unit), r, 2);
    }

    QPushButton *ok = Button("bbtnOK", tr("설정"));
    QPushButton *exit = Button("bbtnExit", tr("나가기 "));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(exit);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ok, &QPushButton::clicked, this, &TfrmSetting::bbtnOKClick);
    connect(exit, &QPushButton::clicked, this, &TfrmSetting::bbtnExitClick);
}

MeasurementInputs TfrmSetting::Inputs() const {
    MeasurementInputs in;
    for (std::size_t r = 0; r < ticks_.size(); ++r) {
        in.Ticked[r] = ticks_[r]->isChecked();
        // The shown text keeps blank positions where they are, so "2_0.5" is not read as 20.5.
        in.Texts[r] = fields_[r]->displayText().toStdString();
    }
    return in;
}

void TfrmSetting::bbtnOKClick() {
    SettingWrites result = MeasurementWrites(Inputs(), QtTextTranslator());
    if (!result.Ok()) {
        ctx_.Messages.ShowError(result.Error);
        return;
    }
    for (QCheckBox *tick : ticks_)
        tick->setChecked(false);
    Submit(result.Writes);
}

void TfrmSetting::bbtnExitClick() {
    Exit();
}

void mMeasurementSetClick(SettingsContext &ctx, QWidget *parent) {
    ShowSettingDialog<TfrmSetting>(ctx, parent);
}

} // namespace zephyra
