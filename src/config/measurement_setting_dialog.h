// TfrmSetting: measured-value calibration, four masked fields and five rows.
#pragma once

#include <array>

#include "config/measurement_settings.h"
#include "config/setting_form_dialog.h"

class QCheckBox;
class QLineEdit;

namespace zephyra {

class TfrmSetting : public SettingFormDialog {
    Q_OBJECT
public:
    static constexpr SettingsWindow kWindow = SettingsWindow::Measurement;

    TfrmSetting(SettingsContext &ctx, QWidget *parent);

    MeasurementInputs Inputs() const;

    void bbtnOKClick();
    void bbtnExitClick();

private:
    std::array<QCheckBox *, kMeasurementRows> ticks_{};
    std::array<QLineEdit *, kMeasurementRows> fields_{};
};

// The menu command mMeasurementSet: pauses the poll on a serial link only.
void mMeasurementSetClick(SettingsContext &ctx, QWidget *parent);

} // namespace zephyra
