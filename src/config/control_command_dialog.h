// The command windows: controller reset (TfrmControl), factory initialisation (TFactory_Initial) and
// the alarm test (TfrmAlarmTest).
#pragma once

#include <vector>

#include "config/control_commands.h"
#include "config/setting_form_dialog.h"

class QCheckBox;
class QComboBox;
class QRadioButton;

namespace zephyra {

class TfrmControl : public SettingFormDialog {
    Q_OBJECT
public:
    explicit TfrmControl(TMain_Form &main);

    void bbtnOKClick();
    void bbtnExitClick();

protected:
    void FormClose() override;

private:
    QRadioButton *confirm_;
    QPushButton *ok_;
};

class TFactory_Initial : public SettingFormDialog {
    Q_OBJECT
public:
    explicit TFactory_Initial(TMain_Form &main);

    void bbtnOKClick();
    void bbtnExitClick();

protected:
    void FormClose() override;

private:
    int ChosenIndex() const;

    int32_t level_;
    std::vector<QRadioButton *> entries_;
};

class TfrmAlarmTest : public SettingFormDialog {
    Q_OBJECT
public:
    // Boxes in bit order; bit 0x20 has none.
    static constexpr int kBitBoxes = 7;

    explicit TfrmAlarmTest(TMain_Form &main);

    AlarmTestInputs Inputs() const;

    void bbtnOKClick();
    void bbtnCloseClick();

protected:
    void FormClose() override;

private:
    QComboBox *cbbAlarmTestUsed_;
    QCheckBox *ckbAlarmTestUsed_;
    std::vector<std::pair<QCheckBox *, int32_t>> bits_;
};

// Menu commands. Reset pauses the poll on a serial link only, factory initialisation on either link
// (its window lets the poll go on again on TCP), and the alarm test leaves the poll running.
void mControllerResetClick(TMain_Form &main);
void mFactoryInitialClick(TMain_Form &main);
void mAlarmTestClick(TMain_Form &main);

} // namespace zephyra
