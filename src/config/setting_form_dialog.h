// What every settings window shares: it pauses and resumes the poll through the poll state, hands
// its writes to the write sequence, and reports input that does not parse.
#pragma once

#include <QDialog>
#include <QPointer>
#include <vector>

#include "app/console_context.h"
#include "config/setting_parse.h"

class QPushButton;

namespace zephyra {

class TMain_Form;

class SettingFormDialog : public QDialog {
    Q_OBJECT
public:
    SettingFormDialog(TMain_Form &main, const char *name, const char *caption);

    // Every way of closing (exit button, close box, Esc) ends here.
    void done(int result) override;

protected:
    // The window's close handler; runs once, after any exit-button handler.
    virtual void FormClose() {}

    // Mode 0 and PollDue; the exit buttons of several windows also switch the poll timer back on.
    void ResumePoll(bool enableTimer);
    void ResumePollIfPaused(bool enableTimer = false);
    // Shows the error, or queues the writes and sends the first. Returns whether the input was good.
    bool Submit(const SettingWrites &result);
    void Submit(const std::vector<PendingWrite> &writes);

    QPushButton *Button(const char *name, const char *caption);

    void showEvent(QShowEvent *event) override;

    TMain_Form &main_;
    ConsoleContext &ctx_;

private:
    bool closed_ = false;
};

// A menu command's window: created anew, shown modally, destroyed when closed.
template <typename Dialog, typename... Args> void ShowSettingDialog(TMain_Form &main, Args &&...args) {
    QPointer<Dialog> dialog = new Dialog(main, std::forward<Args>(args)...);
    dialog->exec();
    delete dialog.data();
}

} // namespace zephyra
