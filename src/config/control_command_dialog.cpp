#include "config/control_command_dialog.h"
#include "access/confirm_window.h"
#include "device/language_endpoint.h"
#include "status/core_text_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zephyra {

namespace {

QHBoxLayout *ButtonRow(std::initializer_list<QPushButton *> buttons) {
    auto *row = new QHBoxLayout;
    row->addStretch();
    for (QPushButton *b : buttons)
        row->addWidget(b);
    return row;
}

// An exclusive radio button cannot be unticked while it is the checked one.
void Untick(QRadioButton *button) {
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(true);
}

} // namespace

TfrmControl::TfrmControl(SettingsContext &ctx, QWidget *parent)
    : SettingFormDialog(ctx, parent, kWindow, "TfrmControl", tr("제어보드 리셋 ")) {
    auto *group = new QGroupBox(tr("제어보드 리셋 "));
    group->setObjectName("rgReset");
    confirm_ = new QRadioButton(tr("정말 실행하시겠습니까?"));
    confirm_->setObjectName("rbReset");
    auto *inner = new QVBoxLayout(group);
    inner->addWidget(confirm_);

    ok_ = Button("bbtnOK", tr("설정"));
    ok_->setEnabled(false);
    QPushButton *exit = Button("bbtnExit", tr("나가기 "));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(ButtonRow({ok_, exit}));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(confirm_, &QRadioButton::toggled, this, [this] { RefreshOk(); });
    connect(ok_, &QPushButton::clicked, this, &TfrmControl::bbtnOKClick);
    connect(exit, &QPushButton::clicked, this, &TfrmControl::bbtnExitClick);
}

void TfrmControl::bbtnOKClick() {
    if (!confirm_->isChecked())
        return;
    Submit(ControllerResetWrites());
    Untick(confirm_);
    RefreshOk();
}

bool TfrmControl::OkReady() const {
    return confirm_->isChecked();
}

void TfrmControl::bbtnExitClick() {
    Exit();
}

TFactory_Initial::TFactory_Initial(SettingsContext &ctx, QWidget *parent)
    : SettingFormDialog(ctx, parent, kWindow, "TFactory_Initial", tr("공장초기화 ")),
      level_(static_cast<int32_t>(ctx.Session.Level())) {

    auto *group = new QGroupBox(tr("공장초기화 "));
    group->setObjectName("rgFactory");
    auto *inner = new QVBoxLayout(group);
    int n = 0;
    for (const std::string &entry : FactoryInitialEntries(level_)) {
        auto *button = new QRadioButton(CoreText(entry));
        button->setObjectName(QStringLiteral("rbFactory%1").arg(n++));
        inner->addWidget(button);
        entries_.push_back(button);
    }

    QPushButton *ok = Button("bbtnOK", tr("설정"));
    QPushButton *exit = Button("bbtnExit", tr("나가기 "));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(ButtonRow({ok, exit}));

    // Sized to its list: shorter with one entry than with two.
    const int designed = entries_.size() > 1 ? 149 : 96;
    setFixedSize(qMax(sizeHint().width(), 240), qMax(sizeHint().height(), designed));

    connect(ok, &QPushButton::clicked, this, &TFactory_Initial::bbtnOKClick);
    connect(exit, &QPushButton::clicked, this, &TFactory_Initial::bbtnExitClick);
}

int TFactory_Initial::ChosenIndex() const {
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i]->isChecked())
            return static_cast<int>(i);
    return -1;
}

void TFactory_Initial::bbtnOKClick() {
    const int chosen = ChosenIndex();
    std::vector<PendingWrite> writes = FactoryInitialWrites(level_, chosen);
    if (writes.empty())
        return;
    // One click must not wipe the controller: the operator says Yes to exactly what is reset.
    const QString question = CoreText(FactoryInitialQuestion(level_, chosen));
    if (!AskYesNo(this, windowTitle(), question))
        return;
    Submit(writes);
    Untick(entries_[static_cast<std::size_t>(chosen)]);
}

void TFactory_Initial::bbtnExitClick() {
    reject();
}

TfrmAlarmTest::TfrmAlarmTest(SettingsContext &ctx, QWidget *parent)
    : SettingFormDialog(ctx, parent, kWindow, "TfrmAlarmTest", tr("경보 시험 ")) {
    struct BitBox {
        const char *Name;
        const char *Caption;
        int32_t Bit;
    };
    static constexpr BitBox kBoxes[kBitBoxes] = {
        {"CheckBox0_0", QT_TR_NOOP("AC 전원이상  "), 0x01},
        {"CheckBox0_1", QT_TR_NOOP("DC 고전압 "), 0x02},
        {"CheckBox0_2", QT_TR_NOOP("DC 저전압 "), 0x04},
        {"CheckBox0_3", "Rect1 Fail", 0x08},
        {"CheckBox0_4", "Rect2 Fail", 0x10},
        {"CheckBox0_6", QT_TR_NOOP("축전지 차단 "), 0x40},
        {"CheckBox0_7", QT_TR_NOOP("축전지 방전시험 "), 0x80},
    };
    const AlarmTestInputs prefill = PrefillAlarmTest(ctx_.Poll.Snapshot());

    ckbAlarmTestUsed_ = new QCheckBox(tr("경보시험 "));
    ckbAlarmTestUsed_->setObjectName("ckbAlarmTestUsed");
    cbbAlarmTestUsed_ = new QComboBox;
    cbbAlarmTestUsed_->setObjectName("cbbAlarmTestUsed");
    cbbAlarmTestUsed_->addItems({tr("미사용"), tr("사용")});
    cbbAlarmTestUsed_->setCurrentIndex(prefill.SwitchIndex);
    cbbAlarmTestUsed_->setFixedWidth(110);

    auto *switchGroup = new QGroupBox;
    switchGroup->setObjectName("gbAlarmTest");
    auto *switchRow = new QHBoxLayout(switchGroup);
    switchRow->addWidget(ckbAlarmTestUsed_);
    switchRow->addWidget(cbbAlarmTestUsed_);
    switchRow->addStretch();

    auto *bitGroup = new QGroupBox;
    bitGroup->setObjectName("gbAlarmBits");
    auto *bitGrid = new QGridLayout(bitGroup);
    int shown = 0;
    for (const BitBox &b : kBoxes) {
        auto *box = new QCheckBox(tr(b.Caption));
        box->setObjectName(b.Name);
        box->setChecked((prefill.Bits & b.Bit) != 0);
        bits_.emplace_back(box, b.Bit);
        if (b.Bit == 0x80) {
            // Hidden: its bit only keeps what the controller reported at opening.
            box->setParent(this);
            box->setVisible(false);
            continue;
        }
        bitGrid->addWidget(box, shown / 2, shown % 2);
        ++shown;
    }

    QPushButton *ok = Button("bbtnOK", tr("설정"));
    QPushButton *close = Button("bbtClose", tr("닫기"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(switchGroup);
    layout->addWidget(bitGroup);
    layout->addLayout(ButtonRow({ok, close}));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ok, &QPushButton::clicked, this, &TfrmAlarmTest::bbtnOKClick);
    connect(close, &QPushButton::clicked, this, &TfrmAlarmTest::bbtnCloseClick);
}

AlarmTestInputs TfrmAlarmTest::Inputs() const {
    AlarmTestInputs in;
    in.SwitchTicked = ckbAlarmTestUsed_->isChecked();
    in.SwitchIndex = cbbAlarmTestUsed_->currentIndex();
    for (const auto &[box, bit] : bits_)
        if (box->isChecked())
            in.Bits |= bit;
    return in;
}

void TfrmAlarmTest::bbtnOKClick() {
    SettingWrites result = AlarmTestWrites(Inputs(), QtTextTranslator());
    if (!result.Ok()) {
        // Nothing goes out, so neither the poll nor its pace changes.
        ctx_.Messages.ShowError(result.Error);
        return;
    }
    if (!ctx_.Poll.StartAlarmTest(result.Writes))
        return;
    ckbAlarmTestUsed_->setChecked(false);
}

void TfrmAlarmTest::bbtnCloseClick() {
    reject();
}

void mControllerResetClick(SettingsContext &ctx, QWidget *parent) {
    ShowSettingDialog<TfrmControl>(ctx, parent);
}

void mFactoryInitialClick(SettingsContext &ctx, QWidget *parent) {
    ShowSettingDialog<TFactory_Initial>(ctx, parent);
}

void mAlarmTestClick(SettingsContext &ctx, QWidget *parent) {
    ShowSettingDialog<TfrmAlarmTest>(ctx, parent);
}

} // namespace zephyra
