// TMain_Form: menus, link indicators, the Information page and the status bar.
#pragma once

#include <QHash>
#include <QMainWindow>

#include "access/access_rules.h"
#include "app/console_context.h"
#include "polling/poll_controller.h"

class QAction;
class QLabel;
class QLineEdit;
class QTabWidget;
class QGroupBox;
class QFrame;

namespace zephyra {

class LampWidget;
class IndicatorWidget;
class TfrmMsg;

inline constexpr const char *kMainCaption = "ZEPHYRA-M10 V0.8 (2025-08-07)";
// The maker's home page item: caption and address kept together.
inline constexpr const char *kHomePageCaption = "Zephyra Power";
inline constexpr const char *kHomePageUrl = "https://www.example.com/zephyra";

class TMain_Form : public QMainWindow, public StatusView {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 932;
    static constexpr int kClientHeight = 513;

    explicit TMain_Form(ConsoleContext ctx, QWidget *parent = nullptr);
    ~TMain_Form() override;

    // StatusView
    void ApplyAccessRules() override;
    void ShowStatus(const StatusSnapshot &snapshot, const StatusViewModel &view) override;

    QAction *Action(const char *name) const { return actions_.value(QString::fromLatin1(name)); }
    QWidget *LogPage() const { return logPage_; }
    ConsoleContext &Context() { return ctx_; }
    UserLevel Level() const { return level_; }
    bool LoggedIn() const { return loggedIn_; }

    void PaintConnect(bool green);
    void SetTxLight(bool on);
    void SetRxLight(bool on);

    // Menu and click handlers.
    void mLoginClick();
    void mLogoutClick();
    void mConnectClick();
    void mDisconnectClick();
    void mExitClick();
    void mHomePageClick();
    void Image10Click();
    void Image1Click();
    void LogIn(UserLevel level);

signals:
    // The window is closing: last chance to save what is unsaved.
    void Closing();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void BuildMenus();
    QWidget *BuildTopStrip();
    QWidget *BuildInformationPage();
    void OpenConfirmation(uint8_t confirmMode);
    void Confirmed(uint8_t confirmMode);
    void LinkConfirmed(LinkKind link, const QString &panelText);
    void SetChargeFieldsVisible(bool visible);
    QLineEdit *Field(const char *name, int width = 0);
    QLabel *Caption(const char *text, const char *name = nullptr);

    ConsoleContext ctx_;
    UserLevel level_ = UserLevel::User;
    bool loggedIn_ = false;
    uint8_t confirmMode_ = 0;

    QHash<QString, QAction *> actions_;
    QHash<QString, QLineEdit *> fields_;
    QHash<QString, LampWidget *> lamps_;
    QTabWidget *pageControl_ = nullptr;
    QWidget *infoGroup_ = nullptr;
    QWidget *logPage_ = nullptr;
    QLabel *labAlarmTest_ = nullptr;
    QGroupBox *relayGroup_ = nullptr;
    QLabel *labChRelay_ = nullptr;
    QLabel *labChRef_ = nullptr;
    QFrame *flatPanel3_ = nullptr;
    IndicatorWidget *pnlTx_ = nullptr;
    IndicatorWidget *pnlRx_ = nullptr;
    IndicatorWidget *pnlConnect_ = nullptr;
    QLabel *panels_[3] = {};
    TfrmMsg *closingWindow_ = nullptr;
};

} // namespace zephyra
