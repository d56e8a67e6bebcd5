// EngCalendar1: one month as a grid of weeks from Sunday; the operator picks the day by clicking it.
#pragma once

#include <QTableWidget>

#include "config/date_time_settings.h"

namespace zephyra {

class MonthCalendarWidget : public QTableWidget {
    Q_OBJECT
public:
    static constexpr int kWeekRows = 6; // the most weeks a month can touch

    explicit MonthCalendarWidget(const char *name, QWidget *parent = nullptr);

    // Shows the month of `date` with its day picked; a day past the month's end is taken as its last.
    void SetDate(const CalendarDate &date);
    const CalendarDate &Date() const { return date_; }
    // The day in a cell, 0 for a blank one.
    int DayAt(int row, int column) const;
    // The day as the operator picks it with a click; a blank cell picks nothing.
    void PickCell(int row, int column);

signals:
    void DayPicked(int day);

private:
    void Refill();
    void MarkPicked();

    CalendarDate date_;
};

} // namespace zephyra
