// TrendChart: the five measurements stacked on one time axis, the lamp changes as markers on it, and the
// values under the pointer. Draws from a TrendStore it does not own, one min/max per pixel column.
#pragma once

#include <QImage>
#include <QRegion>
#include <QStaticText>
#include <QStringList>
#include <QWidget>
#include <array>

#include "trend/trend_store.h"

namespace zephyra {

class TrendChart : public QWidget {
    Q_OBJECT
public:
    explicit TrendChart(QWidget *parent = nullptr);

    void SetStore(const TrendStore *store);
    const TrendStore *Store() const { return store_; }
    // The lamps' captions, in LampBits() order.
    void SetAlarmNames(QStringList names);
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
    void resizeEvent(QResizeEvent *) override;
    void changeEvent(QEvent *event) override;

private:
    struct Scale {
        double Lo = 0, Hi = 1, Step = 1;
        bool operator==(const Scale &) const = default;
    };
    // Where everything goes for the current view, and what the drawn frame was drawn for.
    struct Layout {
        QRect Area;
        int Columns = 0;
        int64_t ColumnMs = 1, FirstColumn = 0, ViewStart = 0, ViewEnd = 0;
        int PlotHeight = 0;
        int32_t Offset = 0;
        const std::vector<TrendBucket> *Buckets = nullptr;
        std::array<Scale, kTrendSeriesCount> Scales{};
        int LastData = -1; // the newest column holding a value
        int Markers = 0;
        int64_t MarkersFirstMs = 0;
        bool Empty = true;
        QString Day;
    };
    Layout LayoutNow();
    QRect PlotRect(const Layout &l, int series) const;
    void PrepareTitles();
    QRect TitleRect(const QRect &plot) const;
    QFont SmallFont() const;
    // Draws what changed into the frame and asks for only that to be shown.
    void Refresh();
    void RenderFrame();
    void PaintColumns(const Layout &l, int series, int x0, int x1);
    void PaintTitle(QPainter &p, const QRect &plot, int series);
    void PaintTimeAxis(QPainter &p, const Layout &l);
    void PaintMarkers(QPainter &p, const Layout &l, const QRegion &clip);

    QRect PlotArea() const;
    int64_t FirstColumn() const;
    QString Readout(int64_t timeMs) const;

    const TrendStore *store_ = nullptr;
    TrendDecimator decimator_;
    QImage frameImage_; // the chart as last drawn, without the readout
    Layout frame_;
    std::array<QStaticText, kTrendSeriesCount> titles_;
    std::array<int, kTrendSeriesCount> titleWidths_{};
    int titleWidth_ = 0, titleHeight_ = 0;
    QFont titleFont_;
    bool frameValid_ = false;
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
