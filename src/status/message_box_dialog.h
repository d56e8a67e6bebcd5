// Every message box of the console is built here: the same title, object name and accessible
// description, so tests and assistive tools find each one the same way.
#pragma once

#include <QMessageBox>
#include <memory>

namespace zephyra {

// A box to exec(); add buttons first where it needs more than the standard ones. An empty title is the
// model's name.
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget *parent, QMessageBox::Icon icon, const QString &text,
                                            const QString &title = {},
                                            QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                            const char *objectName = "MessageBox");

// A box with OK that returns once it is closed.
void ShowMessageBox(QWidget *parent, QMessageBox::Icon icon, const QString &text, const QString &title = {});

} // namespace zephyra
