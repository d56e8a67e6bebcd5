#include "status/message_box_dialog.h"

#include "polling/poll_state.h"
#include "status/accessible_names_widget.h"

namespace zephyra {

namespace {
// Described when shown, so buttons a caller added are found by name too.
class DescribedMessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent *event) override {
        DescribeByObjectName(this);
        QMessageBox::showEvent(event);
    }
};
} // namespace

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget *parent, QMessageBox::Icon icon, const QString &text,
                                            const QString &title, QMessageBox::StandardButtons buttons,
                                            const char *objectName) {
    auto box = std::make_unique<DescribedMessageBox>(
        icon, title.isEmpty() ? QString::fromLatin1(kModelName) : title, text, buttons, parent);
    box->setObjectName(objectName);
    if (buttons.testFlag(QMessageBox::No))
        box->setDefaultButton(QMessageBox::No);
    return box;
}

void ShowMessageBox(QWidget *parent, QMessageBox::Icon icon, const QString &text, const QString &title) {
    MakeMessageBox(parent, icon, text, title)->exec();
}

} // namespace zephyra
