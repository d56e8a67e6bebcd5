#include "polling/lamp_widget.h"

#include <QPainter>

namespace zephyra {

LampWidget::LampWidget(const QString &name, QWidget *parent) : QWidget(parent) {
    setObjectName(name);
    setFixedSize(18, 18);
}

void LampWidget::SetActive(bool active) {
    if (active == active_) return;
    active_ = active;
    update();
}

void LampWidget::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x80, 0x80, 0x00), 2));
    p.setBrush(active_ ? QColor(0xFF, 0x00, 0x00) : QColor(0x00, 0xFF, 0x00));
    p.drawEllipse(rect().adjusted(2, 2, -2, -2));
}

} // namespace zephyra
