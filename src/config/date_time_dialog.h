// TfrmSetTime: the controller's clock, filled from the PC's clock whenever the window becomes active.
#pragma once

#include "config/date_time_settings.h"
#include "config/setting_form_dialog.h"

class QComboBox;

namespace zephyra {

class SpinFieldWidget;
class MonthCalendarWidget;

class TfrmSetTime : public SettingFormDialog {
    Q_OBJECT
public:
    static constexpr SettingsWindow kWindow = SettingsWindow::DateTime;

    TfrmSetTime(SettingsContext &ctx, QWidget *parent);

    DateTimeInputs Inputs() const;
    void Fill(const DateTimeInputs &in);
    void FillFromPcClock();

    void bbtnOKClick();
    void bbtnNowClick();
    void bbtnCloseClick();
    void cbMonthChange();
    void spinedtYearChange();

    bool event(QEvent *e) override;

private:
    void AdjustCalendarFor(bool yearFieldChanged);

    SpinFieldWidget *spinedtYear_;
    QComboBox *cbMonth_;
    MonthCalendarWidget *EngCalendar1_;
    SpinFieldWidget *spinedtHour_;
    SpinFieldWidget *spinedtMIn_;
    SpinFieldWidget *spinedtSec_;
    bool filling_ = false;
};

// The menu command mDataTimeSet: pauses the poll on a serial link only.
void mDataTimeSetClick(SettingsContext &ctx, QWidget *parent);

} // namespace zephyra
