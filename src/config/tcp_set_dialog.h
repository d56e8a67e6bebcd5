// TfrmTCP_Set: the access-list switch, the one access setting that may be changed over TCP.
#pragma once

#include "config/setting_form_dialog.h"

class QCheckBox;
class QComboBox;
class QPushButton;

namespace zephyra {

class TfrmTCP_Set : public SettingFormDialog {
    Q_OBJECT
public:
    static constexpr SettingsWindow kWindow = SettingsWindow::TcpRemote;

    TfrmTCP_Set(SettingsContext &ctx, QWidget *parent);

    void BitBtnOKClick();
    void BitBtnCancelClick();

private:
    QCheckBox *cbACL_SET_EN_;
    QComboBox *cbbACL_;
    QPushButton *BitBtnOK_, *BitBtnCancel_;
};

} // namespace zephyra
