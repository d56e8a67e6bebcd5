#include "trend/trend_chart_widget.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace zephyra {

namespace {

struct SeriesLook {
    const char *Caption;
    const char *Unit;
    int Decimals;
    QColor Color;
};

// Captions as the Information page's measurement rows.
const SeriesLook kSeries[kTrendSeriesCount] = {
    {QT_TRANSLATE_NOOP("zephyra::TrendChart", "AC 입력전압"), "V", 0, QColor(0x1f, 0x5f, 0xbf)},
    {QT_TRANSLATE_NOOP("zephyra::TrendChart", "DC 출력전압"), "V", 1, QColor(0xb0, 0x30, 0x20)},
    {QT_TRANSLATE_NOOP("zephyra::TrendChart", "DC 부하전류"), "A", 1, QColor(0x20, 0x80, 0x30)},
    {QT_TRANSLATE_NOOP("zephyra::TrendChart", "축전지 전류"), "A", 1, QColor(0x90, 0x40, 0xa0)},
    {QT_TRANSLATE_NOOP("zephyra::TrendChart", "랙 온도"), "°C", 1, QColor(0xc0, 0x70, 0x00)},
};

constexpr int kLeft = 58, kRight = 8, kMarkerLane = 30, kTimeAxis = 18, kGap = 5;

// 1, 2 or 5 times a power of ten, at least raw.
double NiceStep(double raw) {
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * p >= raw)
            return m * p;
    return 10 * p;
}

int64_t TimeStep(int64_t spanMs) {
    for (int64_t s : {60'000LL, 120'000LL, 300'000LL, 600'000LL, 900'000LL, 1'800'000LL, 3'600'000LL,
                      7'200'000LL, 10'800'000LL, 21'600'000LL})
        if (spanMs / s <= 7)
            return s;
    return 43'200'000;
}

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

QString LocalText(int64_t ms, int32_t offset, int from, int length) {
    return QString::fromStdString(
        FormatIsoLocal({ms, offset})
            .substr(static_cast<std::size_t>(from), static_cast<std::size_t>(length)));
}

QString ValueText(float v, int series) {
    if (std::isnan(v))
        return TrendChart::tr("미사용");
    return QString::number(v, 'f', kSeries[series].Decimals) + " " + QString::fromUtf8(kSeries[series].Unit);
}

} // namespace

QString TrendSeriesTitle(int series) {
    return TrendChart::tr(kSeries[series].Caption) + " (" + QString::fromUtf8(kSeries[series].Unit) + ")";
}

TrendChart::TrendChart(QWidget *parent) : QWidget(parent) {
    setObjectName("TrendChart");
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(400, 300);
}

void TrendChart::SetStore(const TrendStore *store) {
    store_ = store;
    update();
}

void TrendChart::SetView(int64_t endMs, int64_t spanMs) {
    endMs_ = endMs;
    spanMs_ = std::max<int64_t>(spanMs, 1000);
    if (hoverX_ >= 0)
        ShowValuesAt(hoverX_);
    update();
}

QRect TrendChart::PlotArea() const {
    return QRect(kLeft, kMarkerLane, std::max(1, width() - kLeft - kRight),
                 std::max(1, height() - kMarkerLane - kTimeAxis));
}

int TrendChart::Columns() const {
    return PlotArea().width();
}

int64_t TrendChart::ColumnMs() const {
    // Rounded up: the columns together cover at least the span.
    return std::max<int64_t>(1, (spanMs_ + Columns() - 1) / Columns());
}

int64_t TrendChart::FirstColumn() const {
    return FloorDiv(endMs_, ColumnMs()) - Columns() + 1;
}

void TrendChart::ShowValuesAt(int x) {
    hoverX_ = x >= kLeft && x < kLeft + Columns() ? x : -1;
    readout_ =
        hoverX_ < 0 ? QString() : Readout((FirstColumn() + hoverX_ - kLeft) * ColumnMs() + ColumnMs() / 2);
    update();
}

QString TrendChart::Readout(int64_t timeMs) const {
    if (!store_ || store_->Empty())
        return {};
    std::size_t i = store_->LowerBound(timeMs);
    if (i == store_->Size() || (i > 0 && timeMs - store_->At(i - 1).TimeMs < store_->At(i).TimeMs - timeMs))
        --i;
    const StoredSample &s = store_->At(i);
    // Far from any sample (before the first, after the last, or across a silence): nothing to read.
    if (std::llabs(s.TimeMs - timeMs) > std::max<int64_t>(ColumnMs(), TrendDecimator::kJoinGapMs))
        return {};
    QStringList lines{LocalText(s.TimeMs, store_->UtcOffsetSeconds(), 0, 10) + " " +
                      LocalText(s.TimeMs, store_->UtcOffsetSeconds(), 11, 8)};
    for (int k = 0; k < kTrendSeriesCount; ++k)
        lines << TrendChart::tr(kSeries[k].Caption) + "  " +
                     ValueText(s.Values[static_cast<std::size_t>(k)], k);
    return lines.join('\n');
}

void TrendChart::mouseMoveEvent(QMouseEvent *event) {
    ShowValuesAt(event->position().toPoint().x());
}

void TrendChart::mousePressEvent(QMouseEvent *event) {
    ShowValuesAt(event->position().toPoint().x());
}

void TrendChart::leaveEvent(QEvent *) {
    ShowValuesAt(-1);
}

void TrendChart::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    QFont small = font();
    small.setBold(false);
    small.setPointSizeF(8);
    p.setFont(small);
    const QFontMetrics fm(small);

    const QRect area = PlotArea();
    const int columns = Columns();
    const int64_t columnMs = ColumnMs(), firstColumn = FirstColumn();
    const int64_t viewStart = firstColumn * columnMs, viewEnd = viewStart + columns * columnMs;
    const int plotHeight = (area.height() - kGap * (kTrendSeriesCount - 1)) / kTrendSeriesCount;
    const int32_t offset = store_ ? store_->UtcOffsetSeconds() : 0;
    auto xOf = [&](int64_t t) { return area.left() + static_cast<int>(FloorDiv(t - viewStart, columnMs)); };

    static const std::vector<TrendBucket> kNone;
    const std::vector<TrendBucket> &buckets =
        store_ ? decimator_.Decimate(*store_, firstColumn, columnMs, columns) : kNone;

    for (int s = 0; s < kTrendSeriesCount; ++s) {
        const QRect plot(area.left(), area.top() + s * (plotHeight + kGap), area.width(), plotHeight);
        // The plot is drawn pixel by pixel into an image of its own and copied in one go: a column's spread
        // as QPainter lines costs a span per pixel row, handed out to worker threads in small batches.
        if (layer_.size() != plot.size())
            layer_ = QImage(plot.size(), QImage::Format_RGB32);
        layer_.fill(Qt::white);
        QPainter grid(&layer_);
        grid.setPen(QColor(0xdd, 0xdd, 0xdd));

        float lo = INFINITY, hi = -INFINITY;
        for (const TrendBucket &b : buckets)
            if (!std::isnan(b.Series[static_cast<std::size_t>(s)].Min)) {
                lo = std::min(lo, b.Series[static_cast<std::size_t>(s)].Min);
                hi = std::max(hi, b.Series[static_cast<std::size_t>(s)].Max);
            }
        if (lo > hi)
            lo = 0, hi = 1;
        // Room above and below, and ticks at round values.
        // No finer than the device's resolution.
        const double resolution = std::pow(10.0, -kSeries[s].Decimals);
        const double step = std::max(NiceStep(double(hi - lo) / 2.5 + 1e-9), resolution);
        const double yLo = std::floor(lo / step - 0.25) * step, yHi = std::ceil(hi / step + 0.25) * step;
        auto yOf = [&](double v) { return plot.bottom() - (v - yLo) / (yHi - yLo) * (plot.height() - 1); };

        for (double v = yLo; v <= yHi + step / 2; v += step) {
            const int y = static_cast<int>(std::lround(yOf(v)));
            grid.drawLine(0, y - plot.top(), plot.width() - 1, y - plot.top());
            p.setPen(Qt::black);
            const QString label = QString::number(v, 'f', step < 1 ? (step < 0.1 ? 2 : 1) : 0);
            if (y - fm.ascent() / 2 >= plot.top() - 2 && y + fm.ascent() / 2 <= plot.bottom() + 2)
                p.drawText(QRect(0, y - fm.height() / 2, kLeft - 4, fm.height()),
                           Qt::AlignRight | Qt::AlignVCenter, label);
        }
        grid.end();

        QRgb *bits = reinterpret_cast<QRgb *>(layer_.bits());
        const qsizetype stride = layer_.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
        const QRgb rgb = kSeries[s].Color.rgb();
        const int rows = layer_.height();
        auto rowOf = [&](float v) { return static_cast<int>(std::lround(yOf(v))) - plot.top(); };
        auto run = [&](int x, int y0, int y1) {
            if (y0 > y1)
                std::swap(y0, y1);
            for (int y = std::max(y0, 0); y <= std::min(y1, rows - 1); ++y)
                bits[y * stride + x] = rgb;
        };
        int prevX = -1, prevY = 0;
        for (int c = 0; c < static_cast<int>(buckets.size()); ++c) {
            const TrendColumn &col = buckets[static_cast<std::size_t>(c)].Series[static_cast<std::size_t>(s)];
            if (std::isnan(col.Min))
                continue;
            if (col.JoinsPrevious && prevX >= 0) {
                // A straight line over any empty columns in between, without holes.
                const int to = rowOf(col.First);
                for (int x = prevX + 1, from = prevY; x <= c; ++x) {
                    const int y = prevY + (to - prevY) * (x - prevX) / (c - prevX);
                    run(x, from, y);
                    from = y;
                }
            }
            run(c, rowOf(col.Max), rowOf(col.Min));
            prevX = c;
            prevY = rowOf(col.Last);
        }
        p.drawImage(plot.topLeft(), layer_);
        p.setPen(QColor(0x99, 0x99, 0x99));
        p.drawRect(plot.adjusted(0, 0, -1, -1));

        QFont title = small;
        title.setBold(true);
        p.setFont(title);
        const QString text = TrendSeriesTitle(s);
        const QRect box(plot.left() + 4, plot.top() + 2, QFontMetrics(title).horizontalAdvance(text) + 6,
                        QFontMetrics(title).height());
        p.fillRect(box, QColor(255, 255, 255, 210));
        p.setPen(kSeries[s].Color);
        p.drawText(box, Qt::AlignCenter, text);
        p.setFont(small);
    }

    // Time axis: round local times.
    p.setPen(Qt::black);
    const int64_t tick = TimeStep(spanMs_);
    const int64_t offsetMs = int64_t{offset} * 1000;
    for (int64_t t = (FloorDiv(viewStart + offsetMs, tick) + 1) * tick - offsetMs; t < viewEnd; t += tick) {
        const int x = xOf(t);
        p.setPen(QColor(0xbb, 0xbb, 0xbb));
        p.drawLine(x, area.bottom() + 1, x, area.bottom() + 4);
        p.setPen(Qt::black);
        const QString label = LocalText(t, offset, 11, tick < 60'000 ? 8 : 5);
        const int w = fm.horizontalAdvance(label);
        if (x - w / 2 >= kLeft && x + w / 2 <= width()) // clear of the day under the value labels
            p.drawText(x - w / 2, area.bottom() + 4 + fm.ascent(), label);
    }
    // The day of the view's end, where no tick label sits.
    p.drawText(QRect(0, area.bottom() + 4, kLeft - 4, fm.height()), Qt::AlignRight | Qt::AlignTop,
               LocalText(std::min(viewEnd, store_ && !store_->Empty() ? store_->Newest().TimeMs : viewEnd),
                         offset, 5, 5));

    // Lamp changes: a line through every plot, the lamps' captions in the lane above, two rows of them.
    // Changes in the same pixel column share one label.
    drawnMarkers_ = 0;
    markerTexts_.clear();
    if (store_) {
        struct Label {
            int X;
            bool Active;
            QStringList Texts;
        };
        std::vector<Label> labels;
        for (const TrendMarker &m : store_->Markers()) {
            if (m.TimeMs < viewStart || m.TimeMs >= viewEnd)
                continue;
            const int x = xOf(m.TimeMs);
            const QString name =
                m.Lamp < alarmNames_.size() ? alarmNames_[m.Lamp].trimmed() : QString::number(m.Lamp);
            const QString text = name + (m.Active ? tr(" 발생") : tr(" 해제"));
            ++drawnMarkers_;
            markerTexts_ << text;
            if (labels.empty() || labels.back().X != x)
                labels.push_back({x, m.Active, {}});
            labels.back().Active = labels.back().Active || m.Active;
            labels.back().Texts << text;
        }
        int rowEnd[2] = {-1000, -1000};
        for (const Label &l : labels) {
            const QColor color = l.Active ? QColor(0xd0, 0x10, 0x10) : QColor(0x10, 0x80, 0x10);
            p.setPen(QPen(color, 1, Qt::DashLine));
            p.drawLine(l.X, area.top() - 4, l.X, area.bottom());
            const QString text = l.Texts.join(", ");
            const int w = fm.horizontalAdvance(text) + 4;
            const int left = std::clamp(l.X - w / 2, 0, std::max(0, width() - w));
            for (int row = 0; row < 2; ++row) {
                if (left <= rowEnd[row])
                    continue;
                const QRect label(left, 1 + row * (fm.height() + 1), w, fm.height());
                p.fillRect(label, QColor(255, 255, 255, 220));
                p.setPen(color);
                p.drawText(label, Qt::AlignCenter, text);
                rowEnd[row] = left + w + 2;
                break;
            }
        }
    }

    if (!store_ || store_->Empty()) {
        p.setPen(Qt::darkGray);
        p.drawText(area, Qt::AlignCenter, QStringLiteral("No samples yet"));
    }

    if (hoverX_ >= 0 && !readout_.isEmpty()) {
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.drawLine(hoverX_, area.top(), hoverX_, area.bottom());
        const QRect need =
            fm.boundingRect(QRect(0, 0, 400, 400), Qt::AlignLeft, readout_).adjusted(-5, -4, 5, 4);
        QRect box = need.translated(hoverX_ + 12, area.top() + 6);
        if (box.right() > width() - 2)
            box.moveRight(hoverX_ - 12);
        p.fillRect(box, QColor(255, 255, 225, 235));
        p.setPen(Qt::black);
        p.drawRect(box.adjusted(0, 0, -1, -1));
        p.drawText(box.adjusted(5, 4, -5, -4), Qt::AlignLeft, readout_);
    }
}

} // namespace zephyra
