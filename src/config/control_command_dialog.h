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
    static constexpr SettingsWindow kWindow = SettingsWindow::ControllerReset;

    TfrmControl(SettingsContext &ctx, QWidget *parent);

    void bbtnOKClick();
    void bbtnExitClick();

protected:
    bool OkReady() const override;

private:
    QRadioButton *confirm_;
    QPushButton *ok_;
};

class TFactory_Initial : public SettingFormDialog {
    Q_OBJECT
public:
    static constexpr SettingsWindow kWindow = SettingsWindow::FactoryInitial;

    TFactory_Initial(SettingsContext &ctx, QWidget *parent);

    void bbtnOKClick();
    void bbtnExitClick();

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

    static constexpr SettingsWindow kWindow = SettingsWindow::AlarmTest;

    TfrmAlarmTest(SettingsContext &ctx, QWidget *parent);

    AlarmTestInputs Inputs() const;

    void bbtnOKClick();
    void bbtnCloseClick();

private:
    QComboBox *cbbAlarmTestUsed_;
    QCheckBox *ckbAlarmTestUsed_;
    std::vector<std::pair<QCheckBox *, int32_t>> bits_;
};

// Menu commands. Reset pauses the poll on a serial link only, factory initialisation on either link
// (its window lets the poll go on again on TCP), and the alarm test leaves the poll running.
void mControllerResetClick(SettingsContext &ctx, QWidget *parent);
void mFactoryInitialClick(SettingsContext &ctx, QWidget *parent);
void mAlarmTestClick(SettingsContext &ctx, QWidget *parent);

} // namespace zephyra
