// The "Trend" page: the session's measurements on a time line, the span and scroll, the recording to a CSV
// file per day, an earlier recording opened read-only, and the chart saved as a picture.
// The samples belong to the page's TrendStore, fed by the poll's decode observer.
#pragma once

#include <QWidget>
#include <memory>

#include "polling/poll_controller.h"
#include "trend/trend_chart_widget.h"
#include "trend/trend_recording.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QScrollBar;

namespace zephyra {

class TMain_Form;

struct TrendContext {
    // Recordings and pictures go here (the console's files folder).
    QString FilesDir;
    // The lamps' captions, in LampBits() order: the markers' names.
    QStringList AlarmNames;
    // Where the record tick is remembered between runs; empty: not remembered.
    QString SettingsFile;
};

class TTrendPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int64_t kSpans[] = {600'000, 3'600'000, 8 * 3'600'000, 24 * 3'600'000};

    explicit TTrendPage(TrendContext ctx, QWidget *parent = nullptr);

    // One decoded status, taken at the present wall-clock time.
    void AddStatus(const StatusSnapshot &snapshot);
    void AddSample(const TrendSample &sample);

    void cbTrendSpanChange(int index);
    void ckbTrendRecordClick(bool on);
    void btnTrendOpenClick();
    // Shows a recording instead of the session; false (with the reason on the page) when it cannot be read.
    bool OpenRecording(const QString &path);
    void btnTrendLiveClick();
    // Returns the picture's path, empty when it could not be saved.
    QString btnTrendSavePngClick();

    const TrendStore &Session() const { return live_; }
    const TrendChart &Chart() const { return *chart_; }
    bool Recording() const;
    QString Message() const;
    // The page's own place among the poll's decode observers, for as long as it lives.
    void KeepDecodeSubscription(Subscription s) { decodes_ = std::move(s); }

private:
    void ShowView();
    const TrendStore &Shown() const { return loaded_ ? *loaded_ : live_; }

    TrendContext ctx_;
    Subscription decodes_;
    TrendStore live_;
    std::unique_ptr<TrendStore> loaded_; // an opened recording, read-only
    TrendRecorder recorder_;
    bool recordFailing_ = false; // said once on the page until a line is written again
    TrendChart *chart_ = nullptr;
    QComboBox *cbTrendSpan_ = nullptr;
    QScrollBar *sbTrendTime_ = nullptr;
    QCheckBox *ckbTrendRecord_ = nullptr;
    QPushButton *btnTrendLive_ = nullptr;
    QLabel *labTrendRecord_ = nullptr;
    QLabel *labTrendMessage_ = nullptr;
};

void InstallTrendPage(TMain_Form &window, PollController &poll, TrendContext ctx);

} // namespace zephyra
