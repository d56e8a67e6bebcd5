#include "access/login_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace zephyra {

TfrmRecControl::TfrmRecControl(std::function<bool(const QString &, const QString &)> check, QWidget *parent)
    : QDialog(parent), check_(std::move(check)) {
    setObjectName("TfrmRecControl");
    setWindowTitle(tr("로그인 "));
    setModal(true);

    idInput_ = new QLineEdit;
    idInput_->setObjectName("ID_Input");
    pwInput_ = new QLineEdit;
    pwInput_->setObjectName("PW_Input");
    // Masked: a password must not stand on an operator's screen.
    pwInput_->setEchoMode(QLineEdit::Password);
    bbtnOK_ = new QPushButton(tr("로그인 "));
    bbtnOK_->setObjectName("bbtnOK");
    bitBtn2_ = new QPushButton(tr("나가기 "));
    bitBtn2_->setObjectName("BitBtn2");
    // Enter in the user-name box must do nothing, so no button is a default button.
    for (QPushButton *b : {bbtnOK_, bitBtn2_}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("아이디 ")), 0, 0);
    grid->addWidget(idInput_, 0, 1);
    grid->addWidget(new QLabel(tr("비밀번호 ")), 1, 0);
    grid->addWidget(pwInput_, 1, 1);
    grid->setColumnMinimumWidth(1, 160);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bbtnOK_);
    buttons->addWidget(bitBtn2_);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(pwInput_, &QLineEdit::returnPressed, this, [this] {
        if (check_(idInput_->text(), pwInput_->text()))
            accept();
    });
    connect(bbtnOK_, &QPushButton::clicked, this, &TfrmRecControl::bbtnOKClick);
    connect(bitBtn2_, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmRecControl::bbtnOKClick() {
    // The login button closes the dialog whether or not the check passed.
    check_(idInput_->text(), pwInput_->text());
    accept();
}

void TfrmRecControl::keyPressEvent(QKeyEvent *event) {
    // Enter in the password field logs in (returnPressed); it never reaches QDialog's default button.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return;
    QDialog::keyPressEvent(event);
}

} // namespace zephyra
