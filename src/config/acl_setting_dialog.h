// TfrmACLSetting: Ethernet speed, device identifier, the access-list switch and five address ranges.
#pragma once

#include <QDialog>
#include <array>

#include "app/console_context.h"
#include "config/acl_settings.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace zephyra {

class TfrmACLSetting : public QDialog {
    Q_OBJECT
public:
    TfrmACLSetting(ConsoleContext &ctx, QWidget *parent = nullptr);

    void bbtnOKClick();
    void bbtnExitClick();
    void done(int result) override;

private:
    struct RangeFields {
        std::array<QLineEdit *, 4> Start{}, End{};
    };

    AclInputs Inputs() const;
    void FormClose();

    ConsoleContext &ctx_;
    // Tick boxes in push order.
    std::array<QCheckBox *, kAclRows> boxes_{};
    QComboBox *cbbEthSpeed_, *cbbACL_;
    QLineEdit *edtDeviceID_;
    std::array<RangeFields, kAclRanges> ranges_{};
    QPushButton *bbtnOK_, *bbtnExit_;
};

} // namespace zephyra
