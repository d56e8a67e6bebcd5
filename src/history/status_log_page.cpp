#include "history/status_log_page.h"

#include <QButtonGroup>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <iterator>

#include "core/local_clock.h"
#include "device/language_endpoint.h"
#include "history/status_log_commands.h"
#include "status/accessible_names_widget.h"
#include "status/main_window.h"

namespace zephyra {

namespace {

QString PathText(const std::filesystem::path &path) {
    return QString::fromStdU16String(path.u16string());
}

QString JoinLines(const std::vector<std::string> &lines, std::size_t first) {
    QStringList out;
    for (std::size_t i = first; i < lines.size(); ++i)
        out << QString::fromStdString(lines[i]);
    return out.join(QLatin1Char('\n'));
}

} // namespace

TStatusLogPage::TStatusLogPage(StatusLogContext ctx, QWidget *parent)
    : QWidget(parent), ctx_(ctx),
      log_(std::filesystem::path(ctx.FilesDir.toStdU16String()), QtTextTranslator()), timer5_(this) {
    setObjectName("LocalStatusLog");
    timer5_.setObjectName("Timer5");
    timer5_.setInterval(LogPeriodMs(0));
    connect(&timer5_, &QTimer::timeout, this, &TStatusLogPage::Timer5Timer);

    mmLogo_ = new QPlainTextEdit;
    mmLogo_->setObjectName("mmLogo");
    mmLogo_->setFont(QFont("Verdana", 9, QFont::Normal)); // the window's bold would tire on long logs
    mmLogo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmLogo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmLogo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    connect(mmLogo_, &QPlainTextEdit::textChanged, this, [this] {
        if (!rendering_)
            memoEdited_ = true;
    });

    rgLogoTime_ = new QGroupBox("Log Time");
    rgLogoTime_->setObjectName("rgLogoTime");
    periods_ = new QButtonGroup(rgLogoTime_);
    auto *row = new QHBoxLayout(rgLogoTime_);
    row->setContentsMargins(6, 2, 6, 4);
    for (int i = 0; i < static_cast<int>(std::size(kLogPeriods)); ++i) {
        auto *choice = new QRadioButton(kLogPeriods[i].Label);
        choice->setObjectName(QStringLiteral("rgLogoTime%1").arg(i));
        periods_->addButton(choice, i);
        row->addWidget(choice);
    }
    periods_->button(0)->setChecked(true);
    connect(periods_, &QButtonGroup::idClicked, this, &TStatusLogPage::rgLogoTimeClick);

    auto *button1 = new QPushButton("Save");
    button1->setObjectName("Button1");
    connect(button1, &QPushButton::clicked, this, &TStatusLogPage::Button1Click);
    auto *button2 = new QPushButton("Delete");
    button2->setObjectName("Button2");
    connect(button2, &QPushButton::clicked, this, &TStatusLogPage::Button2Click);
    btnLogo_ = new QPushButton(kStartCaption);
    btnLogo_->setObjectName("btnLogo");
    connect(btnLogo_, &QPushButton::clicked, this, &TStatusLogPage::btnLogoClick);

    auto *controls = new QHBoxLayout;
    controls->addWidget(rgLogoTime_);
    controls->addStretch(1);
    for (QPushButton *b : {button1, button2, btnLogo_}) {
        b->setMinimumWidth(90);
        controls->addWidget(b, 0, Qt::AlignBottom);
    }

    // Where the last file went: the folder may be the user's own rather than the program's.
    labLogSaved_ = new QLabel;
    labLogSaved_->setObjectName("labLogSaved");
    labLogSaved_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    labLogSaved_->setMinimumWidth(40);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(mmLogo_, 1);
    layout->addLayout(controls);
    layout->addWidget(labLogSaved_);

    DescribeByObjectName(this);
}

void TStatusLogPage::rgLogoTimeClick(int index) {
    // A running timer restarts with the new period, so the log goes on.
    timer5_.setInterval(LogPeriodMs(index));
}

void TStatusLogPage::btnLogoClick() {
    if (running_) {
        SetRunning(false);
        return;
    }
    SetRunning(true);
    writeFailing_ = false;
    TakeBackEdits();
    const std::size_t before = log_.Lines().size();
    log_.AppendHeader();
    AppendToMemo(before);
}

void TStatusLogPage::Timer5Timer() {
    // Stopped while the step works, so the next line follows one full period after this one.
    timer5_.stop();
    TakeBackEdits();
    const std::size_t before = log_.Lines().size();
    const StatusLog::StepResult step = log_.AddLine(ctx_.Poll.Snapshot(), LocalNow());
    if (step.Wrote)
        ShowAllLines();
    else
        AppendToMemo(before);
    if (running_)
        timer5_.start();

    if (step.Wrote) {
        writeFailing_ = false;
        ShowSaved(step.File);
    } else if (!step.File.Ok() && !writeFailing_) {
        // Reported once; every later step tries the file again while the memo keeps all lines.
        writeFailing_ = true;
        ctx_.Messages.ShowError(step.File.Error);
    }
}

void TStatusLogPage::Button1Click() {
    TakeBackEdits();
    const LogFileResult saved = log_.Save(LocalNow());
    if (saved.Ok())
        ShowSaved(saved);
    else
        ctx_.Messages.ShowError(saved.Error);
}

void TStatusLogPage::Button2Click() {
    log_.Delete();
    ShowAllLines();
    memoEdited_ = false;
}

void TStatusLogPage::MainFormClosing() {
    SetRunning(false);
    TakeBackEdits();
    const LogFileResult saved =
        log_.SaveUnsaved(LocalNow(), std::filesystem::path(ctx_.FallbackDir.toStdU16String()));
    if (!saved.Ok())
        ctx_.Messages.ShowError(saved.Error);
    else if (!saved.FallbackReason.empty())
        // The technician would look beside the program: say where the lines are instead.
        ctx_.Messages.ShowInformation(saved.FallbackReason + "\n" +
                                      tr("로그를 이 파일에 저장했습니다: %1")
                                          .arg(QDir::toNativeSeparators(PathText(saved.Path)))
                                          .toStdString());
}

void TStatusLogPage::ShowSaved(const LogFileResult &file) {
    const QString path = QDir::toNativeSeparators(PathText(file.Path));
    labLogSaved_->setText(path);
    labLogSaved_->setToolTip(path);
    labLogSaved_->setAccessibleName(path);
}

void TStatusLogPage::TakeBackEdits() {
    if (!memoEdited_)
        return;
    memoEdited_ = false;
    std::vector<std::string> lines;
    const QString text = mmLogo_->toPlainText();
    if (!text.isEmpty())
        for (const QString &line : text.split(QLatin1Char('\n')))
            lines.push_back(line.toStdString());
    log_.ReplaceLines(std::move(lines));
}

void TStatusLogPage::AppendToMemo(std::size_t firstLine) {
    if (firstLine >= log_.Lines().size())
        return;
    rendering_ = true;
    // One new paragraph per call, never the whole text again: a full memo stays cheap to add to.
    if (firstLine == 0)
        mmLogo_->setPlainText(JoinLines(log_.Lines(), 0));
    else
        mmLogo_->appendPlainText(JoinLines(log_.Lines(), firstLine));
    rendering_ = false;
}

void TStatusLogPage::ShowAllLines() {
    rendering_ = true;
    mmLogo_->setPlainText(JoinLines(log_.Lines(), 0));
    mmLogo_->moveCursor(QTextCursor::End);
    rendering_ = false;
}

void TStatusLogPage::SetRunning(bool running) {
    running_ = running;
    btnLogo_->setText(running ? kStopCaption : kStartCaption);
    if (running)
        timer5_.start();
    else
        timer5_.stop();
}

void InstallStatusLogPage(TMain_Form &window, StatusLogContext ctx) {
    QWidget *host = window.LogPage();
    auto *page = new TStatusLogPage(std::move(ctx), host);
    auto *layout = new QVBoxLayout(host);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(page);
    QObject::connect(&window, &TMain_Form::Closing, page, &TStatusLogPage::MainFormClosing);
}

} // namespace zephyra
