#include "config/setting_form_dialog.h"

#include <QPushButton>

#include "polling/main_window.h"

namespace zephyra {

SettingFormDialog::SettingFormDialog(TMain_Form &main, const char *name, const char *caption)
    : QDialog(&main), main_(main), ctx_(main.Context()) {
    setObjectName(name);
    setWindowTitle(QString::fromUtf8(caption));
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    QFont face("Verdana", 9);
    face.setBold(true);
    setFont(face);
}

void SettingFormDialog::done(int result) {
    if (!closed_) {
        closed_ = true;
        FormClose();
    }
    QDialog::done(result);
}

void SettingFormDialog::ResumePoll(bool enableTimer) {
    if (enableTimer)
        ctx_.Timer1.SetEnabled(true);
    ctx_.State.RequestMode = mode::kPoll;
    ctx_.State.PollDue = true;
}

void SettingFormDialog::ResumePollIfPaused(bool enableTimer) {
    if (ctx_.State.RequestMode == mode::kPaused)
        ResumePoll(enableTimer);
}

bool SettingFormDialog::Submit(const SettingWrites &result) {
    if (!result.Ok()) {
        ctx_.Messages.ShowError(result.Error);
        return false;
    }
    Submit(result.Writes);
    return true;
}

void SettingFormDialog::Submit(const std::vector<PendingWrite> &writes) {
    ctx_.Controller.StartWriteSequence(writes);
}

QPushButton *SettingFormDialog::Button(const char *name, const char *caption) {
    auto *button = new QPushButton(QString::fromUtf8(caption));
    button->setObjectName(name);
    // Enter in a field must not press OK: a write goes out only when the operator clicks it.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

void SettingFormDialog::showEvent(QShowEvent *event) {
    // Assistive tools (and scripted use) find every control by its name.
    for (QWidget *w : findChildren<QWidget *>())
        if (!w->objectName().isEmpty() && w->accessibleDescription().isEmpty())
            w->setAccessibleDescription(w->objectName());
    QDialog::showEvent(event);
}

} // namespace zephyra
