#include "config/setting_form_dialog.h"

#include "status/accessible_names_widget.h"

#include <QPushButton>

namespace zephyra {

namespace {
bool IsOkButton(const QPushButton *b) {
    return b->objectName() == QLatin1String("bbtnOK") || b->objectName() == QLatin1String("BitBtnOK");
}
} // namespace

SettingFormDialog::SettingFormDialog(SettingsContext &ctx, QWidget *parent, SettingsWindow window,
                                     const char *name, const QString &caption)
    : QDialog(parent), ctx_(ctx), window_(window) {
    setObjectName(name);
    setWindowTitle(caption);
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    QFont face("Verdana", 9);
    face.setBold(true);
    setFont(face);
    busy_ = ctx_.Poll.OnWriteBusy([this](bool) { RefreshOk(); });
}

SettingFormDialog::~SettingFormDialog() = default;

void SettingFormDialog::done(int result) {
    if (!closed_) {
        closed_ = true;
        ctx_.Poll.SettingsWindowClosed(window_);
    }
    QDialog::done(result);
}

void SettingFormDialog::Exit() {
    ctx_.Poll.SettingsWindowExit(window_);
    reject();
}

void SettingFormDialog::RefreshOk() {
    const bool enabled = !ctx_.Poll.WriteBusy() && OkReady();
    for (QPushButton *b : findChildren<QPushButton *>())
        if (IsOkButton(b))
            b->setEnabled(enabled);
}

bool SettingFormDialog::Submit(const SettingWrites &result) {
    if (!result.Ok()) {
        ctx_.Messages.ShowError(result.Error);
        return false;
    }
    Submit(result.Writes);
    return true;
}

bool SettingFormDialog::Submit(const std::vector<PendingWrite> &writes) {
    return ctx_.Poll.StartWriteSequence(writes);
}

QPushButton *SettingFormDialog::Button(const char *name, const QString &caption) {
    auto *button = new QPushButton(caption);
    button->setObjectName(name);
    // Enter in a field must not press OK: a write goes out only when the operator clicks it.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

void SettingFormDialog::showEvent(QShowEvent *event) {
    DescribeByObjectName(this);
    QDialog::showEvent(event);
}

} // namespace zephyra
