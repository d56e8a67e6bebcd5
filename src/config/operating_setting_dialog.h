// TfrmPoint_Setting: the operating and alarm set-points.
#pragma once

#include <array>

#include "config/operating_settings.h"
#include "config/setting_form_dialog.h"

class QCheckBox;
class QComboBox;

namespace zephyra {

class SpinFieldWidget;

class TfrmPoint_Setting : public SettingFormDialog {
    Q_OBJECT
public:
    static constexpr SettingsWindow kWindow = SettingsWindow::Operating;

    TfrmPoint_Setting(SettingsContext &ctx, QWidget *parent);

    OperatingInputs Inputs() const;
    void Fill(const OperatingInputs &in);

    void bbtnOKClick();
    void bbtnDefaultClick();
    void bbtnSelectAllClick();
    void bbtnExitClick();

private:
    std::array<QCheckBox *, kOperatingRows> ticks_{};
    QComboBox *cbbCHLimit_;
    QComboBox *cbbB_MODEL_;
    QComboBox *cbbB_Cho_;
    SpinFieldWidget *mskACOV_;
    SpinFieldWidget *mskACUV_;
    SpinFieldWidget *mskDCOV_;
    SpinFieldWidget *mskDCUV_;
};

// The menu command mSystemOperation: pauses the poll on either link and opens the window.
void mSystemOperationClick(SettingsContext &ctx, QWidget *parent);

} // namespace zephyra
