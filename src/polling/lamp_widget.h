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
    QSize sizeHint() const override { return {18, 18}; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    bool active_ = false;
};

} // namespace zephyra
