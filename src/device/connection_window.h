// TfrmComPort: the operator picks the serial port or the TCP host and connects.
#pragma once

#include <QDialog>
#include <functional>

#include "core/link_control.h"
#include "polling/poll_controller.h"

class QRadioButton;
class QLineEdit;
class QComboBox;
class QPushButton;

namespace zephyra {

struct ConnectionContext {
    PollController &Poll;
    LinkControl &Link;
    Operator &Messages;
    // The link is confirmed (the poll already runs): the main window shows its indicators, menus and
    // port text.
    std::function<void(LinkKind, const QString &panelText)> OnLinkConfirmed;
    // "나가기 ": the connect command becomes available again.
    std::function<void()> OnLeft;
    QString DefaultHost = QStringLiteral("192.168.30.70");
};

inline constexpr const char *kNoSerialPort = "Can not find the serial port";
inline constexpr const char *kCheckLan = "Please, Check PC Lan Port Connection!";
inline constexpr const char *kSelectPort = "Please, Select Port";

class TfrmComPort : public QDialog {
    Q_OBJECT
public:
    TfrmComPort(ConnectionContext ctx, QWidget *parent = nullptr);

    void SerialClick();
    void TCPClick();
    void PortClick();
    void PortSelectChange(int index);
    void Btn_OK();
    void BitBtn2Click();
    void reject() override;

private:
    ConnectionContext ctx_;
    // Local until the connect button confirms it; the poll state learns it as the operator picks.
    LinkKind choice_ = LinkKind::Unselected;
    bool serialChosen_ = false;
    // A TCP connect waits in a local event loop: a second click must not start another.
    bool connecting_ = false;
    QRadioButton *tcp_;
    QRadioButton *serial_;
    QLineEdit *edtHostIP_;
    QComboBox *portSelect_;
    QPushButton *bitBtn1_;
    QPushButton *port_;
    QPushButton *bitBtn2_;
};

} // namespace zephyra
