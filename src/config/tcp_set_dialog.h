// TfrmTCP_Set: the access-list switch, the one access setting that may be changed over TCP.
#pragma once

#include <QDialog>

#include "app/console_context.h"

class QCheckBox;
class QComboBox;
class QPushButton;

namespace zephyra {

class TfrmTCP_Set : public QDialog {
    Q_OBJECT
public:
    TfrmTCP_Set(ConsoleContext &ctx, QWidget *parent = nullptr);

    void BitBtnOKClick();
    void BitBtnCancelClick();
    void done(int result) override;

private:
    void FormClose();

    ConsoleContext &ctx_;
    QCheckBox *cbACL_SET_EN_;
    QComboBox *cbbACL_;
    QPushButton *BitBtnOK_, *BitBtnCancel_;
};

} // namespace zephyra
