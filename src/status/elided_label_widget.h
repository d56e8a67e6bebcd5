// A label for a long text, a path most often: shortened in the middle, where paths differ least, so the
// file name stays in view; the tooltip and the screen reader get it whole.
#pragma once

#include <QLabel>
#include <QResizeEvent>
#include <algorithm>

namespace zephyra {

class ElidedPanel : public QLabel {
public:
    void SetFullText(const QString &text) {
        if (text == full_)
            return;
        full_ = text;
        setToolTip(text);
        // A screen reader reads the whole path, not the shortened one.
        setAccessibleName(text);
        Elide();
    }
    const QString &FullText() const { return full_; }

protected:
    void resizeEvent(QResizeEvent *event) override {
        QLabel::resizeEvent(event);
        Elide();
    }

private:
    void Elide() {
        const QFontMetrics fm(font());
        // A framed label indents its text by half an "x".
        const int room = contentsRect().width() - (frameWidth() > 0 ? fm.horizontalAdvance('x') / 2 : 0);
        const QString shown = fm.elidedText(full_, Qt::ElideMiddle, std::max(room, 0));
        if (shown != text())
            setText(shown);
    }

    QString full_;
};

} // namespace zephyra
