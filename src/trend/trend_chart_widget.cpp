#include "trend/trend_chart_widget.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStaticText>
#include <cmath>
#include <cstring>

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
    frameValid_ = false;
    Refresh();
}

void TrendChart::SetView(int64_t endMs, int64_t spanMs) {
    endMs_ = endMs;
    spanMs_ = std::max<int64_t>(spanMs, 1000);
    if (hoverX_ >= 0)
        ShowValuesAt(hoverX_);
    Refresh();
}

void TrendChart::SetAlarmNames(QStringList names) {
    alarmNames_ = std::move(names);
    frameValid_ = false;
    Refresh();
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

void TrendChart::resizeEvent(QResizeEvent *) {
    frameValid_ = false;
}

void TrendChart::changeEvent(QEvent *event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange)
        frameValid_ = false;
    QWidget::changeEvent(event);
}

TrendChart::Layout TrendChart::LayoutNow() {
    Layout l;
    l.Area = PlotArea();
    l.Columns = Columns();
    l.ColumnMs = ColumnMs();
    l.FirstColumn = FirstColumn();
    l.ViewStart = l.FirstColumn * l.ColumnMs;
    l.ViewEnd = l.ViewStart + l.Columns * l.ColumnMs;
    l.PlotHeight = (l.Area.height() - kGap * (kTrendSeriesCount - 1)) / kTrendSeriesCount;
    l.Offset = store_ ? store_->UtcOffsetSeconds() : 0;
    static const std::vector<TrendBucket> kNone;
    l.Buckets = store_ ? &decimator_.Decimate(*store_, l.FirstColumn, l.ColumnMs, l.Columns) : &kNone;
    for (int s = 0; s < kTrendSeriesCount; ++s) {
        float lo = INFINITY, hi = -INFINITY;
        for (const TrendBucket &b : *l.Buckets)
            if (!std::isnan(b.Series[static_cast<std::size_t>(s)].Min)) {
                lo = std::min(lo, b.Series[static_cast<std::size_t>(s)].Min);
                hi = std::max(hi, b.Series[static_cast<std::size_t>(s)].Max);
            }
        if (lo > hi)
            lo = 0, hi = 1;
        // Room above and below, and ticks at round values, no finer than the device's resolution.
        Scale &sc = l.Scales[static_cast<std::size_t>(s)];
        const double resolution = std::pow(10.0, -kSeries[s].Decimals);
        sc.Step = std::max(NiceStep(double(hi - lo) / 2.5 + 1e-9), resolution);
        sc.Lo = std::floor(lo / sc.Step - 0.25) * sc.Step;
        sc.Hi = std::ceil(hi / sc.Step + 0.25) * sc.Step;
    }
    l.LastData = -1;
    for (int c = static_cast<int>(l.Buckets->size()) - 1; c >= 0 && l.LastData < 0; --c)
        for (const TrendColumn &col : (*l.Buckets)[static_cast<std::size_t>(c)].Series)
            if (!std::isnan(col.Min))
                l.LastData = c;
    if (store_)
        for (const TrendMarker &m : store_->Markers())
            if (m.TimeMs >= l.ViewStart && m.TimeMs < l.ViewEnd) {
                l.MarkersFirstMs = l.Markers == 0 ? m.TimeMs : l.MarkersFirstMs;
                ++l.Markers;
            }
    l.Empty = !store_ || store_->Empty();
    l.Day = LocalText(std::min(l.ViewEnd, !l.Empty ? store_->Newest().TimeMs : l.ViewEnd), l.Offset, 5, 5);
    return l;
}

QRect TrendChart::PlotRect(const Layout &l, int series) const {
    return QRect(l.Area.left(), l.Area.top() + series * (l.PlotHeight + kGap), l.Area.width(), l.PlotHeight);
}

void TrendChart::Refresh() {
    // A hidden chart draws nothing; it is drawn whole when it is next shown.
    if (!isVisible()) {
        frameValid_ = false;
        return;
    }
    Layout l = LayoutNow();
    const int64_t shift = l.FirstColumn - frame_.FirstColumn;
    // A new sample moves the view by a column or two and changes only the newest columns: the rest is
    // moved as pixels, unless the scales, the markers or the day shown changed.
    const bool sameFrame = frameValid_ && frameImage_.size() == size() && l.ColumnMs == frame_.ColumnMs &&
                           l.Columns == frame_.Columns && l.Scales == frame_.Scales &&
                           l.Markers == frame_.Markers && l.MarkersFirstMs == frame_.MarkersFirstMs &&
                           l.Day == frame_.Day && l.Offset == frame_.Offset && l.Empty == frame_.Empty &&
                           shift >= 0 && shift < l.Columns / 4 && frame_.LastData >= 0;
    if (!sameFrame) {
        frameValid_ = false;
        update();
        return;
    }
    const int k = static_cast<int>(shift);
    const QRect &area = l.Area;
    const int bandTop = area.top(); // above it the marker lane, drawn anew when the view moves
    auto *bits = reinterpret_cast<QRgb *>(frameImage_.bits());
    const qsizetype stride = frameImage_.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    QPainter p(&frameImage_);
    if (k > 0) {
        // The plots and the marker lines through them move left as pixels; lane and axis are drawn anew.
        for (int y = bandTop; y <= area.bottom(); ++y)
            std::memmove(bits + y * stride + area.left(), bits + y * stride + area.left() + k,
                         static_cast<std::size_t>(area.width() - k) * sizeof(QRgb));
        p.fillRect(QRect(0, 0, width(), bandTop), palette().window());
        p.fillRect(QRect(0, area.bottom() + 1, width(), height() - area.bottom() - 1), palette().window());
    }
    // Drawn again: from the last column that held a value (its line runs on into the new one) to the newest,
    // the strip a scroll uncovered, and under the titles, which are drawn afresh rather than over themselves.
    // The empty columns right of the newest value are blank already: redrawing them to the edge sent the
    // rest of the plots to the X server on every poll until the view began to scroll.
    const int from = std::max(0, frame_.LastData - k);
    const int to = k > 0 ? l.Columns - 1 : std::max(l.LastData, frame_.LastData);
    const int titleEnd = TitleRect(area).right() - area.left() + 1;
    // The titles are translucent over the plots' left end: drawn again only where what lies under them was.
    const bool titles = k > 0 || from <= titleEnd;
    QRegion redrawn;
    for (auto [x0, x1] : {std::pair{from, to}, std::pair{0, titles ? titleEnd : -1}}) {
        x1 = std::min(x1, l.Columns - 1);
        if (x0 > x1)
            continue;
        const QRect columns(area.left() + x0, k > 0 ? bandTop : 0, x1 - x0 + 1,
                            area.bottom() + 1 - (k > 0 ? bandTop : 0));
        p.fillRect(columns, palette().window());
        redrawn += columns;
        for (int s = 0; s < kTrendSeriesCount; ++s)
            PaintColumns(l, s, x0, x1);
    }
    const QRect whole(0, 0, width(), height());
    PaintMarkers(p, l, k > 0 ? QRegion(whole) : redrawn);
    for (int s = 0; titles && s < kTrendSeriesCount; ++s)
        PaintTitle(p, PlotRect(l, s), s);
    if (k > 0)
        PaintTimeAxis(p, l);
    p.end();
    frame_ = std::move(l);
    frame_.Buckets = nullptr;
    // Only what changed goes to the screen. A moved view moves the plots on screen too, which a window
    // system does without the pixels passing through the program again; the readout would move with
    // them, so under the pointer the chart is shown whole.
    if (k > 0 && hoverX_ < 0) {
        scroll(-k, 0, area);
        update(QRect(0, 0, width(), area.top()));
        update(QRect(0, area.bottom() + 1, width(), height() - area.bottom() - 1));
        update(redrawn);
    } else {
        update(k > 0 ? QRegion(whole) : redrawn);
    }
}

void TrendChart::PaintColumns(const Layout &l, int s, int x0, int x1) {
    const QRect plot = PlotRect(l, s);
    x0 = std::max(x0, 0);
    x1 = std::min(x1, plot.width() - 1);
    if (x0 > x1)
        return;
    const Scale &sc = l.Scales[static_cast<std::size_t>(s)];
    auto yOf = [&](double v) { return plot.bottom() - (v - sc.Lo) / (sc.Hi - sc.Lo) * (plot.height() - 1); };
    // The plot is drawn pixel by pixel and not with QPainter lines: a column's spread as lines costs a
    // span per pixel row, handed out to worker threads in small batches.
    auto *bits = reinterpret_cast<QRgb *>(frameImage_.bits());
    const qsizetype stride = frameImage_.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    const QRgb white = qRgb(255, 255, 255), grid = qRgb(0xdd, 0xdd, 0xdd);
    for (int y = plot.top(); y <= plot.bottom(); ++y)
        std::fill(bits + y * stride + plot.left() + x0, bits + y * stride + plot.left() + x1 + 1, white);
    for (double v = sc.Lo; v <= sc.Hi + sc.Step / 2; v += sc.Step) {
        const int y = static_cast<int>(std::lround(yOf(v)));
        if (y >= plot.top() && y <= plot.bottom())
            std::fill(bits + y * stride + plot.left() + x0, bits + y * stride + plot.left() + x1 + 1, grid);
    }
    // The frame with the columns: a QPainter rectangle round every plot cost more than the plots' new columns.
    const QRgb frame = qRgb(0x99, 0x99, 0x99);
    for (int y : {plot.top(), plot.bottom()})
        std::fill(bits + y * stride + plot.left() + x0, bits + y * stride + plot.left() + x1 + 1, frame);
    for (int x : {0, plot.width() - 1})
        if (x >= x0 && x <= x1)
            for (int y = plot.top(); y <= plot.bottom(); ++y)
                bits[y * stride + plot.left() + x] = frame;
    const QRgb rgb = kSeries[s].Color.rgb();
    auto rowOf = [&](float v) { return static_cast<int>(std::lround(yOf(v))); };
    auto run = [&](int x, int y0, int y1) {
        if (x < x0 || x > x1)
            return;
        if (y0 > y1)
            std::swap(y0, y1);
        for (int y = std::max(y0, plot.top()); y <= std::min(y1, plot.bottom()); ++y)
            bits[y * stride + plot.left() + x] = rgb;
    };
    const std::vector<TrendBucket> &buckets = *l.Buckets;
    int prevX = -1, prevY = 0;
    // A column right of the range still draws the part of its joining line that falls inside it.
    for (int c = 0; c < static_cast<int>(buckets.size()) && (c <= x1 || prevX < x1); ++c) {
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
}

void TrendChart::PrepareTitles() {
    // Laid out once per font: shaping the Korean captions again on every poll costs more than the plots.
    QFont title = SmallFont();
    title.setBold(true);
    titleFont_ = title;
    const QFontMetrics fm(title);
    titleWidth_ = 0;
    for (int s = 0; s < kTrendSeriesCount; ++s) {
        titles_[static_cast<std::size_t>(s)] = QStaticText(TrendSeriesTitle(s));
        titles_[static_cast<std::size_t>(s)].prepare(QTransform(), title);
        titleWidths_[static_cast<std::size_t>(s)] = fm.horizontalAdvance(TrendSeriesTitle(s));
        titleWidth_ = std::max(titleWidth_, titleWidths_[static_cast<std::size_t>(s)]);
    }
    titleHeight_ = fm.height();
}

QRect TrendChart::TitleRect(const QRect &plot) const {
    // Wide enough for any series' title.
    return QRect(plot.left() + 4, plot.top() + 2, titleWidth_ + 6, titleHeight_);
}

void TrendChart::PaintTitle(QPainter &p, const QRect &plot, int s) {
    p.setFont(titleFont_);
    const QStaticText &text = titles_[static_cast<std::size_t>(s)];
    const QRect box(plot.left() + 4, plot.top() + 2, titleWidths_[static_cast<std::size_t>(s)] + 6,
                    titleHeight_);
    p.fillRect(box, QColor(255, 255, 255, 210));
    p.setPen(kSeries[s].Color);
    p.drawStaticText(box.left() + 3, box.top() + (box.height() - static_cast<int>(text.size().height())) / 2,
                     text);
}

QFont TrendChart::SmallFont() const {
    QFont small = font();
    small.setBold(false);
    small.setPointSizeF(8);
    return small;
}

void TrendChart::PaintTimeAxis(QPainter &p, const Layout &l) {
    // Round local times.
    p.setFont(SmallFont());
    const QFontMetrics fm(p.font());
    const QRect &area = l.Area;
    auto xOf = [&](int64_t t) {
        return area.left() + static_cast<int>(FloorDiv(t - l.ViewStart, l.ColumnMs));
    };
    const int64_t tick = TimeStep(spanMs_);
    const int64_t offsetMs = int64_t{l.Offset} * 1000;
    for (int64_t t = (FloorDiv(l.ViewStart + offsetMs, tick) + 1) * tick - offsetMs; t < l.ViewEnd;
         t += tick) {
        const int x = xOf(t);
        p.setPen(QColor(0xbb, 0xbb, 0xbb));
        p.drawLine(x, area.bottom() + 1, x, area.bottom() + 4);
        p.setPen(Qt::black);
        const QString label = LocalText(t, l.Offset, 11, tick < 60'000 ? 8 : 5);
        const int w = fm.horizontalAdvance(label);
        if (x - w / 2 >= kLeft && x + w / 2 <= width()) // clear of the day under the value labels
            p.drawText(x - w / 2, area.bottom() + 4 + fm.ascent(), label);
    }
    // The day of the view's end, where no tick label sits.
    p.drawText(QRect(0, area.bottom() + 4, kLeft - 4, fm.height()), Qt::AlignRight | Qt::AlignTop, l.Day);
}

void TrendChart::PaintMarkers(QPainter &p, const Layout &l, const QRegion &clip) {
    // Lamp changes: a line through every plot, the lamps' captions in the lane above, two rows of them.
    // Changes in the same pixel column share one label.
    if (!store_)
        return;
    p.save();
    p.setClipRegion(clip);
    p.setFont(SmallFont());
    const QFontMetrics fm(p.font());
    const QRect &area = l.Area;
    struct Label {
        int X;
        bool Active;
        QStringList Texts;
    };
    std::vector<Label> labels;
    QStringList texts;
    for (const TrendMarker &m : store_->Markers()) {
        if (m.TimeMs < l.ViewStart || m.TimeMs >= l.ViewEnd)
            continue;
        const int x = area.left() + static_cast<int>(FloorDiv(m.TimeMs - l.ViewStart, l.ColumnMs));
        const QString name =
            m.Lamp < alarmNames_.size() ? alarmNames_[m.Lamp].trimmed() : QString::number(m.Lamp);
        const QString text = name + (m.Active ? tr(" 발생") : tr(" 해제"));
        texts << text;
        if (labels.empty() || labels.back().X != x)
            labels.push_back({x, m.Active, {}});
        labels.back().Active = labels.back().Active || m.Active;
        labels.back().Texts << text;
    }
    drawnMarkers_ = static_cast<int>(texts.size());
    markerTexts_ = texts;
    int rowEnd[2] = {-1000, -1000};
    for (const Label &lb : labels) {
        const QColor color = lb.Active ? QColor(0xd0, 0x10, 0x10) : QColor(0x10, 0x80, 0x10);
        p.setPen(QPen(color, 1, Qt::DashLine));
        p.drawLine(lb.X, area.top() - 4, lb.X, area.bottom());
        const QString text = lb.Texts.join(", ");
        const int w = fm.horizontalAdvance(text) + 4;
        const int left = std::clamp(lb.X - w / 2, 0, std::max(0, width() - w));
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
    p.restore();
}

void TrendChart::RenderFrame() {
    PrepareTitles();
    Layout l = LayoutNow();
    if (frameImage_.size() != size())
        frameImage_ = QImage(size(), QImage::Format_RGB32);
    QPainter p(&frameImage_);
    p.fillRect(rect(), palette().window());
    p.setFont(SmallFont());
    const QFontMetrics fm(p.font());
    for (int s = 0; s < kTrendSeriesCount; ++s) {
        const QRect plot = PlotRect(l, s);
        PaintColumns(l, s, 0, l.Columns - 1);
        // The value labels of the grid lines, left of the plot.
        const Scale &sc = l.Scales[static_cast<std::size_t>(s)];
        auto yOf = [&](double v) {
            return plot.bottom() - (v - sc.Lo) / (sc.Hi - sc.Lo) * (plot.height() - 1);
        };
        p.setPen(Qt::black);
        for (double v = sc.Lo; v <= sc.Hi + sc.Step / 2; v += sc.Step) {
            const int y = static_cast<int>(std::lround(yOf(v)));
            const QString label = QString::number(v, 'f', sc.Step < 1 ? (sc.Step < 0.1 ? 2 : 1) : 0);
            if (y - fm.ascent() / 2 >= plot.top() - 2 && y + fm.ascent() / 2 <= plot.bottom() + 2)
                p.drawText(QRect(0, y - fm.height() / 2, kLeft - 4, fm.height()),
                           Qt::AlignRight | Qt::AlignVCenter, label);
        }
    }
    PaintTimeAxis(p, l);
    PaintMarkers(p, l, QRegion(rect()));
    for (int s = 0; s < kTrendSeriesCount; ++s)
        PaintTitle(p, PlotRect(l, s), s);
    if (l.Empty) {
        p.setFont(SmallFont());
        p.setPen(Qt::darkGray);
        p.drawText(l.Area, Qt::AlignCenter, tr("아직 샘플이 없습니다"));
    }
    p.end();
    frame_ = std::move(l);
    frame_.Buckets = nullptr;
    frameValid_ = true;
}

void TrendChart::paintEvent(QPaintEvent *event) {
    if (!frameValid_ || frameImage_.size() != size())
        RenderFrame();
    QPainter p(this);
    for (const QRect &r : event->region())
        p.drawImage(r, frameImage_, r);
    if (hoverX_ >= 0 && !readout_.isEmpty()) {
        const QRect area = PlotArea();
        p.setFont(SmallFont());
        const QFontMetrics fm(p.font());
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
