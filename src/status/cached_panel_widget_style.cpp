#include "status/cached_panel_widget_style.h"

#include <QPainter>
#include <QPixmapCache>
#include <QStyleOptionFrame>

namespace zephyra {

namespace {

// Everything the panel's look depends on: its size and state, and the colours a style draws it with.
QString PanelKey(const QStyleOptionFrame &frame, qreal ratio) {
    const QPalette &pal = frame.palette;
    size_t h = qHashMulti(0, frame.rect.width(), frame.rect.height(), uint(frame.state), frame.lineWidth,
                          frame.midLineWidth, uint(frame.features), ratio, int(frame.direction));
    for (QPalette::ColorRole role : {QPalette::Base, QPalette::Window, QPalette::Highlight, QPalette::Button,
                                     QPalette::Light, QPalette::Mid, QPalette::Dark, QPalette::Shadow})
        h = qHashMulti(h, pal.color(role).rgba(), int(pal.brush(role).style()));
    return QStringLiteral("zephyra-panel-") + QString::number(h, 16);
}

} // namespace

void CachedPanelStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                                     const QWidget *widget) const {
    const auto *frame = qstyleoption_cast<const QStyleOptionFrame *>(option);
    // Only plain panels on an unscaled painter: a picture would blur under scaling.
    if (element != PE_PanelLineEdit || !frame || frame->rect.isEmpty() ||
        painter->transform().type() > QTransform::TxTranslate) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QString key = PanelKey(*frame, ratio);
    QPixmap picture;
    if (!QPixmapCache::find(key, &picture)) {
        picture = QPixmap(frame->rect.size() * ratio);
        picture.setDevicePixelRatio(ratio);
        picture.fill(Qt::transparent);
        QStyleOptionFrame atOrigin(*frame);
        atOrigin.rect.moveTo(0, 0);
        QPainter p(&picture);
        QProxyStyle::drawPrimitive(element, &atOrigin, &p, widget);
        p.end();
        QPixmapCache::insert(key, picture);
    }
    painter->drawPixmap(frame->rect.topLeft(), picture);
}

} // namespace zephyra
