// Helpers for driving real windows on the offscreen platform.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTest>
#include <QTimer>
#include <functional>

namespace zephyra::test {

// Runs `action` on the next modal window that appears (within the timeout), from a timer owned by
// `owner` so a failed test leaves no stray poller. Arm it before the click that opens the window.
inline void OnNextModal(QObject *owner, std::function<void(QWidget *)> action, int timeoutMs = 5000,
                        QWidget *ignore = nullptr) {
    auto *timer = new QTimer(owner);
    auto *clock = new QElapsedTimer;
    clock->start();
    QObject::connect(timer, &QTimer::timeout, timer, [timer, clock, action, timeoutMs, ignore] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal != ignore && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            delete clock;
            action(modal);
        } else if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            delete clock;
        }
    });
    timer->start(10);
}

// Text of a message box, or empty for other windows.
inline QString BoxText(QWidget *w) {
    if (auto *box = qobject_cast<QMessageBox *>(w))
        return box->text();
    return {};
}

inline void CloseBox(QWidget *w) {
    if (auto *box = qobject_cast<QMessageBox *>(w))
        box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click() : box->accept();
    else if (auto *dialog = qobject_cast<QDialog *>(w))
        dialog->reject();
}

// Waits (processing events) until pred holds or the timeout passes.
inline bool WaitFor(std::function<bool()> pred, int timeoutMs = 5000) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QTest::qWait(5);
    }
    return true;
}

// Pixels a line edit has for its text: the style's contents rectangle less the text margins, the 2 px it
// keeps clear on each side and one for the cursor (a wider text scrolls and is cut).
inline int TextRoom(QLineEdit *field) {
    QStyleOptionFrame opt;
    opt.initFrom(field);
    opt.lineWidth =
        field->hasFrame() ? field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, field) : 0;
    opt.state |= QStyle::State_Sunken;
    const QMargins m = field->textMargins();
    return field->style()->subElementRect(QStyle::SE_LineEditContents, &opt, field).width() - m.left() -
           m.right() - 5;
}

template <typename T> T *Child(QObject *parent, const char *name) {
    return parent->findChild<T *>(name);
}

} // namespace zephyra::test
