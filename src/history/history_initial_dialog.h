// TfrmInitial: clears the device's alarm log or (Super and Admin) its event log.
#pragma once

#include "core/text_key.h"
#include <QDialog>

#include "access/access_rules.h"
#include "history/history_window.h"

class QButtonGroup;
class QGroupBox;
class QPushButton;

namespace zephyra {

inline constexpr const char *kInitialCaption = ZEPHYRA_TEXT("zephyra", "이력 초기화 ");

class TfrmInitial : public QDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 220;
    // Heights of the radio list and its panel for one and for two items.
    static constexpr int kListHeight[2] = {79, 99};
    static constexpr int kPanelHeight[2] = {93, 113};

    TfrmInitial(HistoryContext ctx, UserLevel level, QWidget *parent = nullptr);

    void BitBtnI_OKClick();
    // Exit, Esc and the close box: the poll resumes.
    void reject() override;

private:
    HistoryContext ctx_;
    QGroupBox *rgInitial_;
    QButtonGroup *items_;
    QPushButton *ok_;
};

} // namespace zephyra
