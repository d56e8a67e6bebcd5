// TfrmACLSetting: Ethernet speed, device identifier, the access-list switch and five address ranges.
#pragma once

#include <array>

#include "config/acl_settings.h"
#include "config/setting_form_dialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace zephyra {

class TfrmACLSetting : public SettingFormDialog {
    Q_OBJECT
public:
    static constexpr SettingsWindow kWindow = SettingsWindow::AccessList;

    TfrmACLSetting(SettingsContext &ctx, QWidget *parent);

    void bbtnOKClick();
    void bbtnExitClick();

private:
    struct RangeFields {
        std::array<QLineEdit *, 4> Start{}, End{};
    };

    AclInputs Inputs() const;

    // Tick boxes in push order.
    std::array<QCheckBox *, kAclRows> boxes_{};
    QComboBox *cbbEthSpeed_, *cbbACL_;
    QLineEdit *edtDeviceID_;
    std::array<RangeFields, kAclRanges> ranges_{};
    QPushButton *bbtnOK_, *bbtnExit_;
};

} // namespace zephyra
