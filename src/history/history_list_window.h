// TfrmHistList: the abbreviation list of the alarm history grid, shown beside it without being modal.
#pragma once

#include <QDialog>

class QPlainTextEdit;

namespace zephyra {

class TfrmHistList : public QDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 256;
    static constexpr int kHeight = 173;

    explicit TfrmHistList(QWidget *owner);

    // Shows the list above `window` (a modal history window blocks every window but its own).
    void ShowFor(QWidget *window);
    // The window it was shown for goes away: the list stays, owned by the main window again.
    void Release(QWidget *window);

private:
    QWidget *owner_;
    QPlainTextEdit *memo_;
};

} // namespace zephyra
