// A round alarm lamp: lime when normal, red when active, with an olive outline.
#pragma once

#include <QWidget>

namespace zephyra {

class LampWidget : public QWidget {
    Q_OBJECT
public:
    explicit LampWidget(const QString &name, QWidget *parent = nullptr);
    void SetActive(bool active);
    bool Active() const { return active_; }
    // A lamp whose state is old is drawn faded.
    void SetStale(bool stale);
    QSize sizeHint() const override { return {18, 18}; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    bool active_ = false;
    bool stale_ = false;
};

// A flat traffic light with a caption (TX, RX, Connect). It paints itself whole in one fill, so a
// blink on every request repaints nothing behind it.
class IndicatorWidget : public QWidget {
    Q_OBJECT
public:
    IndicatorWidget(const QString &name, const QString &text, QSize size, QWidget *parent = nullptr);
    void SetColors(const QColor &background, const QColor &text);
    QColor Background() const { return background_; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QString text_;
    QColor background_, foreground_;
};

} // namespace zephyra
