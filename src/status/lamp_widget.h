// A round alarm lamp: lime when normal, red when active, with an olive outline.
#pragma once

#include <QPixmap>
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

// A flat traffic light with a caption (TX, RX, Connect). It paints itself whole, so a blink on every
// request repaints nothing behind it, and from a picture of each of its looks: the caption is laid out
// once per colour, not on every blink.
class IndicatorWidget : public QWidget {
    Q_OBJECT
public:
    IndicatorWidget(const QString &name, const QString &text, QSize size, QWidget *parent = nullptr);
    void SetColors(const QColor &background, const QColor &text);
    QColor Background() const { return background_; }

protected:
    void paintEvent(QPaintEvent *) override;
    void changeEvent(QEvent *event) override;

private:
    QPixmap Look(const QColor &background, const QColor &text) const;

    QString text_;
    QColor background_, foreground_;
    // Lit and unlit: a light has two looks (the Connect light two more at most).
    struct CachedLook {
        QRgb Background, Text;
        QPixmap Picture;
    };
    mutable std::vector<CachedLook> looks_;
};

} // namespace zephyra
