// TrendChart: the five measurements stacked on one time axis, the lamp changes as markers on it, and the
// values under the pointer. Draws from a TrendStore it does not own, one min/max per pixel column.
#pragma once

#include <QImage>
#include <QStringList>
#include <QWidget>

#include "trend/trend_store.h"

namespace zephyra {

class TrendChart : public QWidget {
    Q_OBJECT
public:
    explicit TrendChart(QWidget *parent = nullptr);

    void SetStore(const TrendStore *store);
    const TrendStore *Store() const { return store_; }
    // The lamps' captions, in LampBits() order.
    void SetAlarmNames(QStringList names) { alarmNames_ = std::move(names); }
    // What the view shows: spanMs of time ending at endMs.
    void SetView(int64_t endMs, int64_t spanMs);
    int64_t ViewEnd() const { return endMs_; }
    int64_t ViewSpan() const { return spanMs_; }

    // Pixel columns of the plots and the time each covers, as last drawn.
    int Columns() const;
    int64_t ColumnMs() const;
    // The markers the last paint drew, with their texts.
    int DrawnMarkers() const { return drawnMarkers_; }
    QStringList DrawnMarkerTexts() const { return markerTexts_; }
    // The pointer at x: the readout shows the sample nearest to that time. -1: none.
    void ShowValuesAt(int x);
    QString ReadoutText() const { return readout_; }

    QSize sizeHint() const override { return {900, 380}; }

protected:
    void paintEvent(QPaintEvent *) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *) override;

private:
    QRect PlotArea() const;
    int64_t FirstColumn() const;
    QString Readout(int64_t timeMs) const;

    const TrendStore *store_ = nullptr;
    TrendDecimator decimator_;
    QImage layer_; // one plot's pixels, reused for each
    QStringList alarmNames_;
    int64_t endMs_ = 0, spanMs_ = 600'000;
    int hoverX_ = -1;
    QString readout_;
    int drawnMarkers_ = 0;
    QStringList markerTexts_;
};

// The series' captions with their units, as the chart titles them: "AC 입력전압 (V)".
QString TrendSeriesTitle(int series);

} // namespace zephyra
