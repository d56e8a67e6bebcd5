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
    explicit TfrmSetting(TMain_Form &main);

    MeasurementInputs Inputs() const;

    void bbtnOKClick();
    void bbtnExitClick();

protected:
    void FormClose() override;

private:
    std::array<QCheckBox *, kMeasurementRows> ticks_{};
    std::array<QLineEdit *, kMeasurementRows> fields_{};
};

// The menu command mMeasurementSet: pauses the poll on a serial link only.
void mMeasurementSetClick(TMain_Form &main);

} // namespace zephyra
