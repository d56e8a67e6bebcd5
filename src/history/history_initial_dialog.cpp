#include "history/history_initial_dialog.h"
#include "access/confirm_window.h"
#include "status/core_text_window.h"

#include <QButtonGroup>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "history/history_controller.h"
#include "status/accessible_names_widget.h"

namespace zephyra {

TfrmInitial::TfrmInitial(HistoryContext ctx, UserLevel level, QWidget *parent)
    : QDialog(parent), ctx_(std::move(ctx)) {
    setObjectName("TfrmInitial");
    setWindowTitle(CoreText(kInitialCaption));
    if (parent)
        setFont(parent->font());

    // The event log is cleared by Super and Admin only.
    const bool both = level == UserLevel::Super || level == UserLevel::Admin;
    rgInitial_ = new QGroupBox(CoreText(kInitialCaption));
    rgInitial_->setObjectName("rgInitial");
    rgInitial_->setFixedHeight(kListHeight[both ? 1 : 0]);
    items_ = new QButtonGroup(this);
    auto *list = new QVBoxLayout(rgInitial_);
    auto addItem = [&](const QString &text, HistoryKind kind) {
        auto *item = new QRadioButton(text);
        item->setObjectName(QStringLiteral("rgInitialItem%1").arg(items_->buttons().size()));
        items_->addButton(item, static_cast<int>(kind));
        list->addWidget(item);
    };
    addItem(tr("알람이력"), HistoryKind::Alarm);
    if (both)
        addItem(tr("이벤트이력"), HistoryKind::Event);
    list->addStretch(1);

    auto *panel = new QFrame;
    panel->setObjectName("Panel1");
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFixedHeight(kPanelHeight[both ? 1 : 0]);
    auto *panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(7, 7, 7, 7);
    panelLayout->addWidget(rgInitial_);

    ok_ = new QPushButton(tr("설정 "));
    ok_->setObjectName("BitBtnI_OK");
    ok_->setAutoDefault(false);
    auto *cancel = new QPushButton(tr("나가기 "));
    cancel->setObjectName("BitBtnI_Cancel");
    cancel->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 6);
    layout->addWidget(panel);
    layout->addLayout(buttons);
    setFixedSize(kWidth, sizeHint().height());

    connect(items_, &QButtonGroup::idClicked, this, [this](int) { ok_->setEnabled(true); });
    connect(ok_, &QPushButton::clicked, this, &TfrmInitial::BitBtnI_OKClick);
    connect(cancel, &QPushButton::clicked, this, &TfrmInitial::reject);

    DescribeByObjectName(this);
}

void TfrmInitial::BitBtnI_OKClick() {
    int id = items_->checkedId();
    if (id < 0)
        return;
    const auto kind = static_cast<HistoryKind>(id);
    // The device's log cannot be brought back: ask before it goes.
    if (!AskYesNo(this, windowTitle(), CoreText(InitialiseQuestion(kind))))
        return;
    ctx_.History.InitialiseLog(kind);
}

void TfrmInitial::reject() {
    ctx_.History.SetInitialiseDialogOpen(false);
    QDialog::reject();
}

} // namespace zephyra
