// What every settings window shares: it tells the poll controller when it opens, exits and closes,
// hands its writes to the write sequence, keeps OK disabled while a write or connect is under way,
// and reports input that does not parse.
#pragma once

#include <QDialog>
#include <QPointer>
#include <vector>

#include "access/session_model.h"
#include "config/setting_parse.h"
#include "polling/poll_controller.h"

class QPushButton;

namespace zephyra {

// What the settings windows work with.
struct SettingsContext {
    PollController &Poll;
    Operator &Messages;
    const SessionModel &Session;
};

class SettingFormDialog : public QDialog {
    Q_OBJECT
public:
    SettingFormDialog(SettingsContext &ctx, QWidget *parent, SettingsWindow window, const char *name,
                      const QString &caption);
    ~SettingFormDialog() override;

    // Every way of closing (exit button, close box, Esc) ends here.
    void done(int result) override;

protected:
    // The exit button: its effect on the poll, then the window closes.
    void Exit();
    // Shows the error, or queues the writes and sends the first. Returns whether the input was good.
    bool Submit(const SettingWrites &result);
    bool Submit(const std::vector<PendingWrite> &writes);
    // Whether OK may be pressed apart from a write under way (the reset window wants its tick first).
    virtual bool OkReady() const { return true; }
    void RefreshOk();

    QPushButton *Button(const char *name, const QString &caption);

    void showEvent(QShowEvent *event) override;

    SettingsContext &ctx_;

private:
    const SettingsWindow window_;
    bool closed_ = false;
    Subscription busy_; // RefreshOk when WriteBusy changes, while the window lives
};

// A menu command's window: the poll learns it opened, then it is created anew, shown modally and
// destroyed when closed.
template <typename Dialog> void ShowSettingDialog(SettingsContext &ctx, QWidget *parent) {
    ctx.Poll.SettingsWindowOpened(Dialog::kWindow);
    QPointer<Dialog> dialog = new Dialog(ctx, parent);
    dialog->exec();
    delete dialog.data();
}

} // namespace zephyra
