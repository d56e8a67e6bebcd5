#include "trend/trend_page.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QVBoxLayout>
#include <filesystem>
#include <fstream>

#include "device/language_endpoint.h"
#include "history/history_export.h"
#include "status/accessible_names_widget.h"
#include "status/main_window.h"

namespace zephyra {

namespace {

constexpr const char *kRecordKey = "trend/record";

std::filesystem::path FsPath(const QString &path) {
    return std::filesystem::path(path.toStdU16String());
}

QString PathText(const std::filesystem::path &path) {
    return QDir::toNativeSeparators(QString::fromStdU16String(path.u16string()));
}

} // namespace

TTrendPage::TTrendPage(TrendContext ctx, QWidget *parent)
    : QWidget(parent), ctx_(std::move(ctx)), recorder_(FsPath(ctx_.FilesDir), QtTextTranslator()) {
    setObjectName("TrendPage");

    chart_ = new TrendChart;
    chart_->SetAlarmNames(ctx_.AlarmNames);
    chart_->SetStore(&live_);

    sbTrendTime_ = new QScrollBar(Qt::Horizontal);
    sbTrendTime_->setObjectName("sbTrendTime");
    sbTrendTime_->setAccessibleName(tr("지난 시간 보기"));
    sbTrendTime_->setRange(0, 0);
    connect(sbTrendTime_, &QScrollBar::valueChanged, this, [this] { ShowView(); });

    cbTrendSpan_ = new QComboBox;
    cbTrendSpan_->setObjectName("cbTrendSpan");
    cbTrendSpan_->setAccessibleName(tr("구간"));
    cbTrendSpan_->addItems({tr("10분"), tr("1시간"), tr("8시간"), tr("24시간")});
    connect(cbTrendSpan_, &QComboBox::currentIndexChanged, this, &TTrendPage::cbTrendSpanChange);

    ckbTrendRecord_ = new QCheckBox(tr("CSV로 기록"));
    ckbTrendRecord_->setObjectName("ckbTrendRecord");
    if (!ctx_.SettingsFile.isEmpty())
        ckbTrendRecord_->setChecked(
            QSettings(ctx_.SettingsFile, QSettings::IniFormat).value(kRecordKey).toBool());
    connect(ckbTrendRecord_, &QCheckBox::toggled, this, &TTrendPage::ckbTrendRecordClick);

    auto *open = new QPushButton(tr("기록 열기…"));
    open->setObjectName("btnTrendOpen");
    connect(open, &QPushButton::clicked, this, &TTrendPage::btnTrendOpenClick);
    btnTrendLive_ = new QPushButton(tr("실시간"));
    btnTrendLive_->setObjectName("btnTrendLive");
    btnTrendLive_->setEnabled(false);
    connect(btnTrendLive_, &QPushButton::clicked, this, &TTrendPage::btnTrendLiveClick);
    auto *save = new QPushButton(tr("PNG 저장"));
    save->setObjectName("btnTrendSavePng");
    connect(save, &QPushButton::clicked, this, &TTrendPage::btnTrendSavePngClick);

    auto *spanCaption = new QLabel(tr("구간"));
    spanCaption->setObjectName("labTrendSpan");
    spanCaption->setBuddy(cbTrendSpan_);
    labTrendRecord_ = new QLabel;
    labTrendRecord_->setObjectName("labTrendRecord");
    labTrendRecord_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    labTrendRecord_->setMinimumWidth(40);
    labTrendMessage_ = new QLabel;
    labTrendMessage_->setObjectName("labTrendMessage");
    labTrendMessage_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    labTrendMessage_->setMinimumWidth(40);

    auto *controls = new QHBoxLayout;
    controls->addWidget(spanCaption);
    controls->addWidget(cbTrendSpan_);
    controls->addSpacing(12);
    controls->addWidget(ckbTrendRecord_);
    controls->addWidget(labTrendRecord_, 1);
    for (QPushButton *b : {open, btnTrendLive_, save})
        controls->addWidget(b);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    layout->addWidget(chart_, 1);
    layout->addWidget(sbTrendTime_);
    layout->addLayout(controls);
    layout->addWidget(labTrendMessage_);

    DescribeByObjectName(this);
    ShowView();
}

void TTrendPage::AddStatus(const StatusSnapshot &snapshot) {
    AddSample(MakeTrendSample(snapshot, NowWallTime()));
}

void TTrendPage::AddSample(const TrendSample &sample) {
    live_.Push(sample);
    if (ckbTrendRecord_->isChecked()) {
        const TrendRecordResult r = recorder_.Record(sample);
        if (!r.Wrote && !recordFailing_) {
            // Said once; every later decode tries the file again while the chart keeps all samples.
            recordFailing_ = true;
            labTrendRecord_->setText(QString::fromStdString(r.Error));
            labTrendRecord_->setStyleSheet("color: #c00000;");
        } else if (r.Wrote && (recordFailing_ || labTrendRecord_->toolTip() != PathText(r.Path))) {
            recordFailing_ = false;
            labTrendRecord_->setStyleSheet({});
            labTrendRecord_->setText(PathText(r.Path));
            labTrendRecord_->setToolTip(PathText(r.Path));
        }
    }
    if (!loaded_)
        ShowView();
}

void TTrendPage::ShowView() {
    const TrendStore &store = Shown();
    const int64_t span = kSpans[std::max(0, cbTrendSpan_->currentIndex())];
    if (store.Empty()) {
        chart_->SetView(QDateTime::currentMSecsSinceEpoch(), span);
        return;
    }
    const int64_t oldest = store.At(0).TimeMs, newest = store.Newest().TimeMs;
    // Whole seconds from the first possible end of the view; the last one follows the newest sample.
    const int last = static_cast<int>(std::max<int64_t>(0, (newest - oldest - span + 999) / 1000));
    const bool following = sbTrendTime_->value() >= sbTrendTime_->maximum();
    // Following the newest sample, the view moves a sixteenth of the span at a time rather than a pixel
    // column: each move shifts the whole plot on screen and redraws its lane, axis and titles, which
    // column by column cost three times what the Information page costs per poll. The scroll bar grows by
    // such steps too: drawn anew every second, it cost more than the chart.
    const int64_t step = span / 16;
    const int stepSeconds = static_cast<int>(step / 1000);
    if (!following || last / stepSeconds != sbTrendTime_->maximum() / stepSeconds) {
        const QSignalBlocker quiet(sbTrendTime_);
        sbTrendTime_->setRange(0, last);
        if (following)
            sbTrendTime_->setValue(last);
    }
    if (sbTrendTime_->pageStep() != span / 1000)
        sbTrendTime_->setPageStep(static_cast<int>(span / 1000));
    const int64_t end = oldest + span + int64_t{sbTrendTime_->value()} * 1000;
    chart_->SetView(following && last > 0 ? (newest / step + 1) * step : end, span);
}

void TTrendPage::cbTrendSpanChange(int) {
    // The newest samples stay in view when the span changes.
    sbTrendTime_->setValue(sbTrendTime_->maximum());
    ShowView();
    sbTrendTime_->setValue(sbTrendTime_->maximum());
}

void TTrendPage::ckbTrendRecordClick(bool on) {
    if (!ctx_.SettingsFile.isEmpty())
        QSettings(ctx_.SettingsFile, QSettings::IniFormat).setValue(kRecordKey, on);
    if (!on) {
        recorder_.Close();
        recordFailing_ = false;
        labTrendRecord_->setStyleSheet({});
        labTrendRecord_->clear();
        labTrendRecord_->setToolTip({});
    }
}

bool TTrendPage::Recording() const {
    return ckbTrendRecord_->isChecked();
}

QString TTrendPage::Message() const {
    return labTrendMessage_->text();
}

void TTrendPage::btnTrendOpenClick() {
    const QString path = QFileDialog::getOpenFileName(this, tr("기록 열기"), ctx_.FilesDir,
                                                      tr("추이 기록 (trend-*.csv);;CSV 파일 (*.csv)"));
    if (!path.isEmpty())
        OpenRecording(path);
}

bool TTrendPage::OpenRecording(const QString &path) {
    std::ifstream in(FsPath(path), std::ios::binary);
    if (!in) {
        labTrendMessage_->setText(tr("%1 파일을 열 수 없습니다").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    auto store = std::make_unique<TrendStore>();
    const TrendCsvRead read = ReadTrendCsv(in, *store);
    loaded_ = std::move(store);
    chart_->SetStore(loaded_.get());
    btnTrendLive_->setEnabled(true);
    // Whole sentences, so each language words the count its own way.
    const QString name = QFileInfo(path).fileName();
    QString text =
        read.Skipped == 0 ? tr("%1 (읽기 전용): 표본 %2개").arg(name).arg(read.Samples)
        : read.Skipped == 1
            ? tr("%1 (읽기 전용): 표본 %2개, 읽을 수 없는 1줄은 건너뜀").arg(name).arg(read.Samples)
            : tr("%1 (읽기 전용): 표본 %2개, 읽을 수 없는 %3줄은 건너뜀")
                  .arg(name)
                  .arg(read.Samples)
                  .arg(read.Skipped);
    labTrendMessage_->setText(text);
    sbTrendTime_->setValue(0);
    ShowView();
    return true;
}

void TTrendPage::btnTrendLiveClick() {
    loaded_.reset();
    chart_->SetStore(&live_);
    btnTrendLive_->setEnabled(false);
    labTrendMessage_->clear();
    sbTrendTime_->setValue(sbTrendTime_->maximum());
    ShowView();
    sbTrendTime_->setValue(sbTrendTime_->maximum());
}

QString TTrendPage::btnTrendSavePngClick() {
    QDir().mkpath(ctx_.FilesDir);
    const QString stamp = QDateTime::currentDateTime().toString("yyyy-MM-dd-HHmmss");
    QString path = QDir(ctx_.FilesDir).filePath("trend-" + stamp + ".png");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(ctx_.FilesDir).filePath(QString("trend-%1-%2.png").arg(stamp).arg(n));
    // Whole or not at all, as every file of ours: a full disk leaves no cut picture behind.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    const bool drawn = chart_->grab().save(&buffer, "PNG");
    const ExportResult written =
        drawn ? WriteWholeFile(path.toStdString(),
                               std::string_view(png.constData(), static_cast<std::size_t>(png.size())), false,
                               QtTextTranslator())
              : ExportResult{};
    if (!written.Ok) {
        labTrendMessage_->setText(
            tr("차트를 %1(으)로 저장하지 못했습니다").arg(QDir::toNativeSeparators(path)) +
            (written.Error.empty() ? QString() : " (" + QString::fromStdString(written.Error) + ")"));
        return {};
    }
    labTrendMessage_->setText(tr("차트 저장됨: %1").arg(QDir::toNativeSeparators(path)));
    return path;
}

void InstallTrendPage(TMain_Form &window, PollController &poll, TrendContext ctx) {
    auto *page = new TTrendPage(std::move(ctx));
    window.AddPage(page, TTrendPage::tr("추이"));
    page->KeepDecodeSubscription(poll.OnDecode(
        [page](const StatusSnapshot &snapshot, const StatusViewModel &) { page->AddStatus(snapshot); }));
}

} // namespace zephyra
