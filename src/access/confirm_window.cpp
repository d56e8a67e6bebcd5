#include "access/confirm_window.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "status/message_box_dialog.h"

namespace zephyra {

bool AskYesNo(QWidget *parent, const QString &title, const QString &question) {
    auto box =
        MakeMessageBox(parent, QMessageBox::Question, question, title, QMessageBox::Yes | QMessageBox::No);
    // The same words as the console's own confirmation, not the toolkit's.
    box->button(QMessageBox::Yes)->setText(TOutMessage::tr("예 "));
    box->button(QMessageBox::No)->setText(TOutMessage::tr("아니오"));
    return box->exec() == QMessageBox::Yes;
}

TOutMessage::TOutMessage(uint8_t confirmMode, std::function<void()> onCancel, std::function<void()> onConfirm,
                         QWidget *parent)
    : QDialog(parent), onCancel_(std::move(onCancel)), onConfirm_(std::move(onConfirm)) {
    setObjectName("TOutMessage");
    setWindowTitle(tr("주의 "));
    setModal(true);
    auto *group = new QGroupBox(confirmMode == 1 ? "Disconnect" : confirmMode == 2 ? "Logout" : "");
    group->setObjectName("GroupBox1");
    auto *question = new QLabel(tr("정말 실행하겠습니까 ?"));
    question->setAlignment(Qt::AlignCenter);
    auto *inner = new QVBoxLayout(group);
    inner->addWidget(question);
    auto *yes = new QPushButton(tr("예 "));
    yes->setObjectName("BitBtn1");
    auto *no = new QPushButton(tr("나가기 "));
    no->setObjectName("BitBtn2");
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(yes);
    buttons->addWidget(no);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    resize(300, 140);
    connect(yes, &QPushButton::clicked, this, [this] {
        if (onConfirm_)
            onConfirm_();
        accept();
    });
    connect(no, &QPushButton::clicked, this, &TOutMessage::reject);
}

void TOutMessage::reject() {
    if (onCancel_)
        onCancel_();
    QDialog::reject();
}

TfrmMsg::TfrmMsg(QWidget *parent) : QDialog(parent) {
    setObjectName("TfrmMsg");
    setWindowTitle(" ");
    auto *text = new QLabel("Now Closing... Plase, wait 5~20 Seconds!!");
    bar_ = new QProgressBar;
    bar_->setObjectName("ProgressBar1");
    bar_->setRange(0, 100);
    bar_->setValue(0);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(bar_);
    timer_.setInterval(300);
    connect(&timer_, &QTimer::timeout, this, [this] {
        // Past the maximum the bar simply stays full.
        int position = closingTicks_ + 11;
        bar_->setValue(position > 100 ? 100 : position);
        ++closingTicks_;
    });
}

void TfrmMsg::Start() {
    closingTicks_ = 0;
    timer_.start();
    show();
}

} // namespace zephyra
