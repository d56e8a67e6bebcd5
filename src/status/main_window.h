// TMain_Form: menus, link indicators, the Information page and the status bar.
#pragma once

#include <QHash>
#include <QMainWindow>
#include <unordered_map>

#include "access/session_model.h"
#include "core/link_control.h"
#include "polling/poll_controller.h"

class QAction;
class QLabel;
class QLineEdit;
class QTabWidget;
class QGroupBox;
class QFrame;
class QTimer;

namespace zephyra {

class LampWidget;
class ElidedPanel;
class IndicatorWidget;
class TfrmMsg;

// What the main window works with: the poll (through its intents), the session it renders, and the
// device link it asks to connect and disconnect.
struct MainWindowContext {
    PollController &Poll;
    SessionModel &Session;
    LinkControl &Link;
    Operator &Messages;
    QString DefaultHost;
};

inline constexpr const char *kMainCaption = "ZEPHYRA-M10 V0.8 (2025-08-07)";
// The maker's home page item: caption and address kept together.
inline constexpr const char *kHomePageCaption = "Zephyra Power";
inline constexpr const char *kHomePageUrl = "https://www.example.com/zephyra";

class TMain_Form : public QMainWindow, public StatusView {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 932;
    static constexpr int kClientHeight = 513;
    static constexpr int kPanelWidth = 120; // the status bar's panels as designed, at the least

    explicit TMain_Form(MainWindowContext ctx, QWidget *parent = nullptr);
    ~TMain_Form() override;

    // StatusView
    void ApplyAccessRules() override;
    void ShowStatus(const StatusSnapshot &snapshot, const StatusViewModel &view) override;

    QAction *Action(const char *name) const { return actions_.value(QString::fromLatin1(name)); }
    QWidget *LogPage() const { return logPage_; }
    // A further page beside Information and Log, shown with them after the first decode.
    void AddPage(QWidget *page, const QString &title);
    // The caption beside a lamp ("spACF" -> "AC입력 전원이상 ").
    QString LampCaption(const char *lamp) const { return lampCaptions_.value(QString::fromLatin1(lamp)); }
    const SessionModel &Session() const { return ctx_.Session; }
    UserLevel Level() const { return ctx_.Session.Level(); }
    bool LoggedIn() const { return ctx_.Session.LoggedIn(); }

    void PaintConnect(bool green);
    // The link-health panel and the stale look of the values, from the poll's view of the link.
    void RefreshHealth();
    // The link-health panel's text in the windows' language, short enough for the panel.
    static QString HealthText(const LinkHealth &health);
    // Its tooltip: the whole sentence, and the polls held back for a slow device.
    static QString HealthToolTip(const LinkHealth &health);
    bool ValuesStale() const { return stale_; }
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
    // The connection window confirmed a link; the text names its port or host.
    void LinkConfirmed(LinkKind link, const QString &panelText);

signals:
    // The window is closing: last chance to save what is unsaved.
    void Closing();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void BuildMenus();
    QWidget *BuildTopStrip();
    QWidget *BuildInformationPage();
    void OpenConfirmation(uint8_t confirmMode);
    void Confirmed(uint8_t confirmMode);
    // Menus, status bar and relay fields as the session says.
    void RenderSession();
    void SetChargeFieldsVisible(bool visible);
    // A read-only value field, fixed as wide as `widest` needs (stretching with its row without one).
    QLineEdit *Field(const char *name, const char *widest = nullptr);
    int FieldWidth(QLineEdit *edit, const char *widest) const;
    QLabel *Caption(const char *text, const char *name = nullptr);
    // At least as wide as the widest of texts, so none is cut off.
    // A decoded field's text as shown: the core's Korean words in the chosen language.
    static QString ShownText(const FieldText &field);
    static void FitPanel(QLabel *panel, const std::vector<std::string> &texts);

    MainWindowContext ctx_;
    uint8_t confirmMode_ = 0;

    QHash<QString, QAction *> actions_;
    QHash<QString, QLineEdit *> fields_;
    QHash<QString, LampWidget *> lamps_;
    QHash<QString, QString> lampCaptions_;
    // By the decoder's name of a field (its own constant): the widget and the text it was last given, so a
    // poll converts and compares only the values that changed; the windows' language is fixed at start.
    struct ShownField {
        QLineEdit *Edit = nullptr;
        bool Given = false;
        std::string Text;
        const char *Comment = nullptr;
    };
    std::unordered_map<const char *, ShownField> shownFields_;
    std::unordered_map<const char *, LampWidget *> shownLamps_;
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
    ElidedPanel *portPanel_ = nullptr; // panels_[1]
    QLabel *pnlLinkHealth_ = nullptr;
    // Shows the values' age as it grows while no poll wakes the panel; runs only while the text has one.
    QTimer *healthAgeTimer_ = nullptr;
    std::string healthText_;
    uint64_t healthHeldBack_ = 0;
    bool stale_ = false;
    TfrmMsg *closingWindow_ = nullptr;
};

} // namespace zephyra
