// TOutMessage (disconnect / logout confirmation) and TfrmMsg (the closing window).
#pragma once

#include <QDialog>
#include <QTimer>
#include <functional>

class QProgressBar;

namespace zephyra {

// A question that cannot be undone ("Yes" erases something): 예/아니오 buttons, 아니오 the default.
bool AskYesNo(QWidget *parent, const QString &title, const QString &question);

class TOutMessage : public QDialog {
    Q_OBJECT
public:
    // confirmMode: 1 Disconnect, 2 Logout. onOpen runs at creation (stops the poll); onCancel and
    // onConfirm when the operator answers.
    TOutMessage(uint8_t confirmMode, std::function<void()> onCancel, std::function<void()> onConfirm,
                QWidget *parent = nullptr);

    void reject() override;

private:
    std::function<void()> onCancel_;
    std::function<void()> onConfirm_;
};

class TfrmMsg : public QDialog {
    Q_OBJECT
public:
    explicit TfrmMsg(QWidget *parent = nullptr);
    void Start(); // ClosingTicks := 0, timer on, shown without waiting
    int ClosingTicks() const { return closingTicks_; }
    QProgressBar *Bar() const { return bar_; }

private:
    QProgressBar *bar_;
    QTimer timer_;
    int closingTicks_ = 0;
};

} // namespace zephyra
