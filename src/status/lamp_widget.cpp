#include "status/lamp_widget.h"

#include <QEvent>
#include <QPainter>

namespace zephyra {

LampWidget::LampWidget(const QString &name, QWidget *parent) : QWidget(parent) {
    setObjectName(name);
    setFixedSize(18, 18);
}

void LampWidget::SetActive(bool active) {
    if (active == active_)
        return;
    active_ = active;
    update();
}

void LampWidget::SetStale(bool stale) {
    if (stale == stale_)
        return;
    stale_ = stale;
    update();
}

void LampWidget::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x80, 0x80, 0x00), 2));
    QColor fill = active_ ? QColor(0xFF, 0x00, 0x00) : QColor(0x00, 0xFF, 0x00);
    if (stale_)
        fill = QColor::fromHsv(fill.hue(), 70, 200); // faded: the state is old
    p.setBrush(fill);
    p.drawEllipse(rect().adjusted(2, 2, -2, -2));
}

IndicatorWidget::IndicatorWidget(const QString &name, const QString &text, QSize size, QWidget *parent)
    : QWidget(parent), text_(text) {
    setObjectName(name);
    setFixedSize(size);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void IndicatorWidget::SetColors(const QColor &background, const QColor &text) {
    if (background == background_ && text == foreground_)
        return;
    background_ = background;
    foreground_ = text;
    update();
}

QPixmap IndicatorWidget::Look(const QColor &background, const QColor &text) const {
    const qreal ratio = devicePixelRatioF();
    for (const CachedLook &look : looks_)
        if (look.Background == background.rgba() && look.Text == text.rgba() &&
            look.Picture.devicePixelRatio() == ratio)
            return look.Picture;
    QPixmap picture(size() * ratio);
    picture.setDevicePixelRatio(ratio);
    QPainter p(&picture);
    p.setFont(font());
    const QRect r(QPoint(0, 0), size());
    p.fillRect(r, background);
    p.setPen(QColor(0x40, 0x40, 0x40));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.setPen(text);
    p.drawText(r, Qt::AlignCenter, text_);
    p.end();
    if (looks_.size() >= 4)
        looks_.erase(looks_.begin());
    looks_.push_back({background.rgba(), text.rgba(), picture});
    return picture;
}

void IndicatorWidget::changeEvent(QEvent *event) {
    if (event->type() == QEvent::FontChange)
        looks_.clear();
    QWidget::changeEvent(event);
}

void IndicatorWidget::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.drawPixmap(0, 0, Look(background_, foreground_));
}

} // namespace zephyra
