#include "device/traffic_window.h"

#include <QAction>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "device/language_endpoint.h"
#include "status/accessible_names_widget.h"
#include "status/main_window.h"
#include "status/message_box_dialog.h"

namespace zephyra {

namespace {

constexpr int kRefreshMs = 250;

QString Seconds(int64_t ms) {
    return QStringLiteral("%1.%2 s").arg(ms / 1000).arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

// A fixed font that has Hangul too, where there is one: with Hangul from a proportional fallback the
// columns drift, and the digits after a Korean meaning take the fallback's smaller glyphs.
QFont TrafficFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    static const QString kFixedHangul = QStringLiteral("NanumGothicCoding");
    if (QFontDatabase::families().contains(kFixedHangul))
        font.setFamilies({kFixedHangul, font.family()});
    return font;
}

} // namespace

TfrmTraffic::TfrmTraffic(LinkMonitor &monitor, QWidget *parent) : QDialog(parent), monitor_(monitor) {
    setObjectName("TfrmTraffic");
    setWindowTitle(tr("통신 모니터"));
    setModal(false);
    resize(900, 500);

    lstTraffic_ = new QPlainTextEdit;
    lstTraffic_->setObjectName("lstTraffic");
    lstTraffic_->setReadOnly(true);
    // One frame per row, and no undo history: the view holds up to kLineCapacity long hex lines.
    lstTraffic_->setLineWrapMode(QPlainTextEdit::NoWrap);
    lstTraffic_->setUndoRedoEnabled(false);
    lstTraffic_->setMaximumBlockCount(static_cast<int>(LinkMonitor::kLineCapacity));
    lstTraffic_->setFont(TrafficFont());
    labCounters_ = new QLabel;
    labCounters_->setObjectName("labCounters");
    labCounters_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    btnPause_ = new QPushButton(tr("일시정지"));
    btnPause_->setObjectName("btnPause");
    btnClear_ = new QPushButton(tr("지우기"));
    btnClear_->setObjectName("btnClear");
    btnReset_ = new QPushButton(tr("카운터 초기화"));
    btnReset_->setObjectName("btnReset");
    btnSave_ = new QPushButton(tr("저장"));
    btnSave_->setObjectName("btnSave");

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {btnPause_, btnClear_, btnReset_}) {
        // Enter in the view must not pause or clear anything.
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    btnSave_->setAutoDefault(false);
    buttons->addWidget(btnSave_);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lstTraffic_, 1);
    layout->addWidget(labCounters_);
    layout->addLayout(buttons);

    connect(btnPause_, &QPushButton::clicked, this, &TfrmTraffic::btnPauseClick);
    connect(btnClear_, &QPushButton::clicked, this, &TfrmTraffic::btnClearClick);
    connect(btnReset_, &QPushButton::clicked, this, &TfrmTraffic::btnResetClick);
    connect(btnSave_, &QPushButton::clicked, this, &TfrmTraffic::btnSaveClick);

    // Runs only while the window is shown: a closed monitor window costs the poll nothing.
    refreshTimer_ = new QTimer(this);
    refreshTimer_->setInterval(kRefreshMs);
    connect(refreshTimer_, &QTimer::timeout, this, &TfrmTraffic::Refresh);
    labCounters_->setText(CountersText());
}

void TfrmTraffic::Refresh() {
    if (!paused_)
        AppendNewLines();
    labCounters_->setText(CountersText());
}

void TfrmTraffic::AppendNewLines() {
    const std::deque<TrafficLine> &lines = monitor_.Lines();
    const uint64_t added = monitor_.LinesAdded();
    if (added < seen_) {
        // The monitor started counting afresh: show what it holds now.
        lstTraffic_->clear();
        seen_ = 0;
    }
    const std::size_t fresh = static_cast<std::size_t>(std::min<uint64_t>(added - seen_, lines.size()));
    seen_ = added;
    if (fresh == 0)
        return;
    std::size_t from = lines.size() - fresh;
    // Trimming old blocks costs about 60 us each and reloading the whole store about 60 ms, so past a
    // thousand blocks to trim the view starts again from the store.
    if (lstTraffic_->blockCount() + static_cast<int>(fresh) - lstTraffic_->maximumBlockCount() > 1000) {
        lstTraffic_->clear();
        from = 0;
    }
    // One append for the whole batch: the document lays out and trims once, not per line.
    const TextTranslator tr = QtTextTranslator();
    QString text;
    for (std::size_t i = from; i < lines.size(); ++i) {
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += QString::fromStdString(FormatTrafficLine(lines[i], tr));
    }
    lstTraffic_->appendPlainText(text);
}

QString TfrmTraffic::CountersText() const {
    const LinkCounters &c = monitor_.Counters();
    const std::optional<double> percent = LossPercent(c, monitor_.OutstandingCount());
    const QString loss = percent ? QString::number(*percent, 'f', 1) + " %" : QStringLiteral("-");
    QString text =
        tr("요청 %1   응답 %2   응답없음 %3   대체됨 %4   보류 %5   CRC 오류 %6   재연결 %7   포트 끊김 %8   "
           "손실 %9")
            .arg(c.Requests)
            .arg(c.Replies)
            .arg(c.Timeouts)
            .arg(c.Superseded)
            .arg(c.HeldBack)
            .arg(c.CrcErrors)
            .arg(c.Reconnects)
            .arg(c.PortLosses)
            .arg(loss);
    const QString none = tr("없음");
    QStringList exceptions;
    for (const auto &[code, count] : c.Exceptions)
        exceptions << QString::number(code, 16).toUpper().rightJustified(2, QLatin1Char('0')) + " x " +
                          QString::number(count);
    text += "\n" + tr("예외 응답: %1").arg(exceptions.isEmpty() ? none : exceptions.join(", "));
    QStringList dropped;
    for (std::size_t r = 0; r < c.Dropped.size(); ++r)
        if (c.Dropped[r])
            dropped << QString::fromStdString(
                           DropReasonText(static_cast<DropReason>(r), QtTextTranslator())) +
                           " " + QString::number(c.Dropped[r]);
    text += "\n" + tr("버려진 프레임: %1").arg(dropped.isEmpty() ? none : dropped.join(", "));
    if (c.LastError.empty())
        text += "\n" + tr("마지막 오류: %1").arg(none);
    else if (c.LastErrorMs >= 0)
        text += "\n" +
                tr("마지막 오류: %1 (%2)").arg(QString::fromStdString(c.LastError), Seconds(c.LastErrorMs));
    else
        text += "\n" + tr("마지막 오류: %1").arg(QString::fromStdString(c.LastError));
    return text;
}

bool TfrmTraffic::SaveTo(const QString &path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const TextTranslator tr = QtTextTranslator();
    for (const TrafficLine &line : monitor_.Lines()) {
        std::string text = FormatTrafficLine(line, tr);
        text += '\n';
        file.write(text.data(), static_cast<qint64>(text.size()));
    }
    // Nothing replaces the old file unless every write went through.
    return file.commit();
}

void TfrmTraffic::btnPauseClick() {
    paused_ = !paused_;
    btnPause_->setText(paused_ ? tr("계속") : tr("일시정지"));
    if (!paused_)
        Refresh();
}

void TfrmTraffic::btnClearClick() {
    monitor_.ClearLines();
    lstTraffic_->clear();
    seen_ = monitor_.LinesAdded();
}

void TfrmTraffic::btnResetClick() {
    monitor_.ResetCounters();
    labCounters_->setText(CountersText());
}

void TfrmTraffic::btnSaveClick() {
    QString path =
        QFileDialog::getSaveFileName(this, tr("저장"), "traffic.txt", tr("텍스트 (*.txt);;모든 파일 (*)"));
    if (path.isEmpty())
        return;
    if (!SaveTo(path))
        ShowMessageBox(this, QMessageBox::Warning, tr("%1 파일에 쓸 수 없습니다.").arg(path), windowTitle());
}

void TfrmTraffic::showEvent(QShowEvent *event) {
    DescribeByObjectName(this);
    QDialog::showEvent(event);
    Refresh();
    refreshTimer_->start();
}

void TfrmTraffic::hideEvent(QHideEvent *event) {
    refreshTimer_->stop();
    // The store keeps every line, so a closed (not minimised) window gives its copy back and reloads
    // it when shown again.
    if (!event->spontaneous()) {
        lstTraffic_->clear();
        seen_ = 0;
        paused_ = false;
        btnPause_->setText(tr("일시정지"));
    }
    QDialog::hideEvent(event);
}

} // namespace zephyra

namespace zephyra {

void InstallTrafficCommand(TMain_Form &window, LinkMonitor &monitor) {
    QAction *action = window.Action("mTraffic");
    if (!action)
        return;
    // Built when first asked for: most sessions never open it.
    QObject::connect(action, &QAction::triggered, &window, [&window, &monitor] {
        auto *traffic = window.findChild<TfrmTraffic *>(QString(), Qt::FindDirectChildrenOnly);
        if (!traffic)
            traffic = new TfrmTraffic(monitor, &window);
        traffic->show();
        traffic->raise();
        traffic->activateWindow();
    });
}

} // namespace zephyra
