// The application's style, with the sunken panel of line edits drawn from a cached picture. Every value
// that changes repaints its field; the panel's rounded, antialiased frame cost more than the text.
#pragma once

#include <QProxyStyle>

namespace zephyra {

class CachedPanelStyle : public QProxyStyle {
    Q_OBJECT
public:
    // base: the style drawn for real (the proxy owns it); null for the application's default.
    explicit CachedPanelStyle(QStyle *base = nullptr) : QProxyStyle(base) {}
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
};

} // namespace zephyra
