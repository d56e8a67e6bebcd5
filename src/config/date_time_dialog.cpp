#include "config/date_time_dialog.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "config/month_calendar_widget.h"
#include "config/spin_field_widget.h"
#include "core/local_clock.h"
#include "device/language_endpoint.h"

namespace zephyra {

TfrmSetTime::TfrmSetTime(SettingsContext &ctx, QWidget *parent)
    : SettingFormDialog(ctx, parent, kWindow, "TfrmSetTime", tr("날짜/시간 설정 ")) {
    using Kind = SpinFieldWidget::Kind;
    spinedtYear_ = new SpinFieldWidget("spinedtYear", Kind::Integer, kYearMin, kYearMax, LeaveYear, 4);
    cbMonth_ = new QComboBox;
    cbMonth_->setObjectName("cbMonth");
    for (int m = 1; m <= 12; ++m)
        cbMonth_->addItem(QStringLiteral("%1").arg(m, 2, 10, QLatin1Char('0')));
    // The operator may type a month as well as pick one; typing must not grow the list.
    cbMonth_->setEditable(true);
    cbMonth_->setInsertPolicy(QComboBox::NoInsert);
    cbMonth_->setCompleter(nullptr);
    EngCalendar1_ = new MonthCalendarWidget("EngCalendar1");
    spinedtHour_ = new SpinFieldWidget("spinedtHour", Kind::Integer, 0, 23, LeaveHour, 2);
    spinedtMIn_ = new SpinFieldWidget("spinedtMIn", Kind::Integer, 0, 59, LeaveMinuteOrSecond, 2);
    spinedtSec_ = new SpinFieldWidget("spinedtSec", Kind::Integer, 0, 59, LeaveMinuteOrSecond, 2);
    spinedtYear_->setFixedWidth(80);
    cbMonth_->setFixedWidth(80);
    for (SpinFieldWidget *w : {spinedtHour_, spinedtMIn_, spinedtSec_})
        w->setFixedWidth(60);

    auto *date = new QGroupBox(tr("날짜"));
    date->setObjectName("gbDate");
    auto *dateGrid = new QGridLayout(date);
    auto *yearRow = new QHBoxLayout;
    yearRow->addWidget(spinedtYear_);
    yearRow->addWidget(new QLabel(tr("년")));
    yearRow->addSpacing(12);
    yearRow->addWidget(cbMonth_);
    yearRow->addWidget(new QLabel(tr("월")));
    yearRow->addStretch();
    dateGrid->addLayout(yearRow, 0, 0);
    dateGrid->addWidget(EngCalendar1_, 1, 0, Qt::AlignHCenter);

    auto *time = new QGroupBox(tr("시간"));
    time->setObjectName("gbTime");
    auto *timeRow = new QHBoxLayout(time);
    for (auto [field, unit] : {std::pair{spinedtHour_, tr("시")}, std::pair{spinedtMIn_, tr("분")},
                               std::pair{spinedtSec_, tr("초")}}) {
        timeRow->addWidget(field);
        timeRow->addWidget(new QLabel(unit));
        timeRow->addSpacing(8);
    }
    timeRow->addStretch();

    auto *page = new QWidget;
    page->setObjectName("TabSheet1");
    auto *pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(date);
    pageLayout->addWidget(time);
    auto *pages = new QTabWidget;
    pages->setObjectName("PageControl1");
    pages->addTab(page, tr("날짜 / 시간"));

    QPushButton *ok = Button("bbtnOK", tr("설정"));
    QPushButton *now = Button("bbtnNow", tr("현재 날짜/시간"));
    QPushButton *close = Button("bbtClose", tr("닫기"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(now);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pages);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ok, &QPushButton::clicked, this, &TfrmSetTime::bbtnOKClick);
    connect(now, &QPushButton::clicked, this, &TfrmSetTime::bbtnNowClick);
    connect(close, &QPushButton::clicked, this, &TfrmSetTime::bbtnCloseClick);
    connect(cbMonth_, &QComboBox::editTextChanged, this, &TfrmSetTime::cbMonthChange);
    connect(spinedtYear_, &SpinFieldWidget::TextChanged, this, &TfrmSetTime::spinedtYearChange);

    FillFromPcClock();
}

DateTimeInputs TfrmSetTime::Inputs() const {
    DateTimeInputs in;
    in.Year = spinedtYear_->Text().toStdString();
    in.Month = cbMonth_->currentText().toStdString();
    in.Calendar = EngCalendar1_->Date();
    in.Hour = spinedtHour_->Text().toStdString();
    in.Minute = spinedtMIn_->Text().toStdString();
    in.Second = spinedtSec_->Text().toStdString();
    return in;
}

void TfrmSetTime::Fill(const DateTimeInputs &in) {
    filling_ = true;
    spinedtYear_->SetText(QString::fromStdString(in.Year));
    cbMonth_->setEditText(QString::fromStdString(in.Month));
    EngCalendar1_->SetDate(in.Calendar);
    spinedtHour_->SetText(QString::fromStdString(in.Hour));
    spinedtMIn_->SetText(QString::fromStdString(in.Minute));
    spinedtSec_->SetText(QString::fromStdString(in.Second));
    filling_ = false;
}

void TfrmSetTime::FillFromPcClock() {
    Fill(FillFromClock(LocalNow()));
}

void TfrmSetTime::AdjustCalendarFor(bool yearFieldChanged) {
    if (filling_)
        return;
    DateTimeInputs in = Inputs();
    AdjustCalendar(in, yearFieldChanged);
    filling_ = true;
    spinedtYear_->SetText(QString::fromStdString(in.Year));
    filling_ = false;
    EngCalendar1_->SetDate(in.Calendar);
}

void TfrmSetTime::cbMonthChange() {
    AdjustCalendarFor(false);
}

void TfrmSetTime::spinedtYearChange() {
    AdjustCalendarFor(true);
}

void TfrmSetTime::bbtnOKClick() {
    Submit(DateTimeWrites(Inputs(), QtTextTranslator()));
}

void TfrmSetTime::bbtnNowClick() {
    FillFromPcClock();
}

void TfrmSetTime::bbtnCloseClick() {
    Exit();
}

bool TfrmSetTime::event(QEvent *e) {
    // Active again: the PC's time, afresh. A message box over the window closing unblocks it, which
    // counts too: not every platform hands the activation back.
    if (e->type() == QEvent::WindowActivate || e->type() == QEvent::WindowUnblocked)
        FillFromPcClock();
    return SettingFormDialog::event(e);
}

void mDataTimeSetClick(SettingsContext &ctx, QWidget *parent) {
    ShowSettingDialog<TfrmSetTime>(ctx, parent);
}

} // namespace zephyra
