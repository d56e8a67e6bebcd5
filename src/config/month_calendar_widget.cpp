#include "config/month_calendar_widget.h"

#include <QHeaderView>
#include <QSignalBlocker>

namespace zephyra {

namespace {
constexpr char kWeekdayLetters[] = "SMTWTFS";
constexpr int kCellWidth = 30;
constexpr int kCellHeight = 20;
} // namespace

MonthCalendarWidget::MonthCalendarWidget(const char *name, QWidget *parent)
    : QTableWidget(kWeekRows, 7, parent) {
    setObjectName(name);
    QStringList letters;
    for (int i = 0; i < 7; ++i)
        letters << QString(QLatin1Char(kWeekdayLetters[i]));
    setHorizontalHeaderLabels(letters);
    verticalHeader()->setVisible(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setDefaultSectionSize(kCellWidth);
    verticalHeader()->setDefaultSectionSize(kCellHeight);
    horizontalHeader()->setHighlightSections(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setShowGrid(false);
    setFixedSize(7 * kCellWidth + 2 * frameWidth(),
                 kWeekRows * kCellHeight + horizontalHeader()->sizeHint().height() + 2 * frameWidth());
    for (int r = 0; r < kWeekRows; ++r) {
        for (int c = 0; c < 7; ++c) {
            auto *item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignCenter);
            setItem(r, c, item);
        }
    }
    connect(this, &QTableWidget::cellClicked, this, &MonthCalendarWidget::PickCell);
}

void MonthCalendarWidget::SetDate(const CalendarDate &date) {
    date_ = date;
    const int days = DaysInMonth(date_.Year, date_.Month);
    if (date_.Day > days)
        date_.Day = days;
    Refill();
}

int MonthCalendarWidget::DayAt(int row, int column) const {
    const QTableWidgetItem *cell = item(row, column);
    return cell && !cell->text().isEmpty() ? cell->text().toInt() : 0;
}

void MonthCalendarWidget::PickCell(int row, int column) {
    const int day = DayAt(row, column);
    if (day > 0) {
        date_.Day = day;
        emit DayPicked(day);
    }
    MarkPicked();
}

void MonthCalendarWidget::Refill() {
    const std::vector<std::array<int, 7>> weeks = MonthGrid(date_.Year, date_.Month);
    for (int r = 0; r < kWeekRows; ++r) {
        for (int c = 0; c < 7; ++c) {
            const int day = r < static_cast<int>(weeks.size())
                                ? weeks[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]
                                : 0;
            QTableWidgetItem *cell = item(r, c);
            cell->setText(day > 0 ? QString::number(day) : QString());
            cell->setFlags(day > 0 ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags);
        }
    }
    MarkPicked();
}

void MonthCalendarWidget::MarkPicked() {
    QSignalBlocker block(this);
    clearSelection();
    for (int r = 0; r < kWeekRows; ++r)
        for (int c = 0; c < 7; ++c)
            if (date_.Day > 0 && DayAt(r, c) == date_.Day)
                setCurrentCell(r, c);
}

} // namespace zephyra
