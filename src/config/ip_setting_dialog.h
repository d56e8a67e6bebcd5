// TfrmIPSetting: the controller's IP address, gateway, subnet mask and MAC address, sent as one frame.
#pragma once

#include <array>

#include "config/network_settings.h"
#include "config/setting_form_dialog.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace zephyra {

class TfrmIPSetting : public SettingFormDialog {
    Q_OBJECT
public:
    static constexpr SettingsWindow kWindow = SettingsWindow::NetworkAddress;

    TfrmIPSetting(SettingsContext &ctx, QWidget *parent);
    ~TfrmIPSetting() override;

    void bbtnOKClick();
    void bbtnDefaultClick();
    void Button_MacClick();
    void bbtnExitClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    NetworkInputs Inputs() const;
    void Show(const NetworkInputs &in);

    // What the device holds as far as this window knows: the addresses at opening, then each write it
    // accepted. Sections whose box is not ticked are sent from these.
    NetworkParts kept_;
    QCheckBox *cbIP_SET_EN_, *cbGW_SET_EN_, *cbSM_SET_EN_, *cbMAC_SET_EN_;
    std::array<QLineEdit *, 4> edtIP_{}, edtGW_{}, edtSM_{};
    std::array<QLineEdit *, 6> edtMAC_{};
    QLineEdit *edtBCode_;
    QPushButton *buttonMac_, *bbtnOK_, *bbtnDefault_, *bbtnExit_;
};

} // namespace zephyra
