#include "polling/lamp_widget.h"

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

void IndicatorWidget::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), background_);
    p.setPen(QColor(0x40, 0x40, 0x40));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setPen(foreground_);
    p.drawText(rect(), Qt::AlignCenter, text_);
}

} // namespace zephyra
