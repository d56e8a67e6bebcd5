#include "device/connection_window.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "status/accessible_names_widget.h"

namespace zephyra {

namespace {
QString DisplayPortName(QString path) {
    if (path.startsWith(QStringLiteral("\\\\.\\")))
        path.remove(0, 4);
    return path;
}
} // namespace

TfrmComPort::TfrmComPort(ConnectionContext ctx, QWidget *parent) : QDialog(parent), ctx_(std::move(ctx)) {
    setObjectName("TfrmComPort");
    setWindowTitle(tr("접속 "));
    setModal(true);

    tcp_ = new QRadioButton("TCP/IP (HOST)");
    tcp_->setObjectName("TCP");
    serial_ = new QRadioButton("Serial Port");
    serial_->setObjectName("Serial");
    // Both start unchecked: the operator must choose.
    tcp_->setAutoExclusive(false);
    serial_->setAutoExclusive(false);
    edtHostIP_ = new QLineEdit(ctx_.DefaultHost);
    edtHostIP_->setObjectName("edtHostIP");
    edtHostIP_->setEnabled(false);
    portSelect_ = new QComboBox;
    portSelect_->setObjectName("PortSelect");
    for (int i = 1; i <= 9; ++i) {
        QString name = QStringLiteral("COM%1").arg(i);
        portSelect_->addItem(name, name);
    }
    bitBtn1_ = new QPushButton(tr("접속 "));
    bitBtn1_->setObjectName("BitBtn1");
    bitBtn1_->setEnabled(false);
    port_ = new QPushButton(tr("포트 찾기 "));
    port_->setObjectName("Port");
    bitBtn2_ = new QPushButton(tr("나가기 "));
    bitBtn2_->setObjectName("BitBtn2");

    auto *grid = new QGridLayout;
    grid->addWidget(tcp_, 0, 0);
    grid->addWidget(edtHostIP_, 0, 1);
    grid->addWidget(serial_, 1, 0);
    grid->addWidget(portSelect_, 1, 1);
    grid->setColumnMinimumWidth(1, 170);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(port_);
    buttons->addStretch();
    buttons->addWidget(bitBtn1_);
    buttons->addWidget(bitBtn2_);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    ctx_.Poll.ConnectionWindowOpened();

    connect(serial_, &QRadioButton::clicked, this, &TfrmComPort::SerialClick);
    connect(tcp_, &QRadioButton::clicked, this, &TfrmComPort::TCPClick);
    connect(port_, &QPushButton::clicked, this, &TfrmComPort::PortClick);
    connect(portSelect_, &QComboBox::activated, this, &TfrmComPort::PortSelectChange);
    connect(bitBtn1_, &QPushButton::clicked, this, &TfrmComPort::Btn_OK);
    connect(bitBtn2_, &QPushButton::clicked, this, &TfrmComPort::BitBtn2Click);
    DescribeByObjectName(this);
}

void TfrmComPort::reject() {
    // The exit button, Esc and the close box all leave the same way.
    if (ctx_.OnLeft)
        ctx_.OnLeft();
    if (choice_ == LinkKind::Serial)
        ctx_.Link.ReleasePort();
    QDialog::reject();
}

void TfrmComPort::SerialClick() {
    choice_ = LinkKind::Serial;
    ctx_.Poll.LinkChosen(choice_);
    serialChosen_ = true;
    serial_->setChecked(true);
    tcp_->setChecked(false);
    portSelect_->setEnabled(true);
    edtHostIP_->setEnabled(false);
    bitBtn1_->setEnabled(true);
    PortClick();
}

void TfrmComPort::TCPClick() {
    choice_ = LinkKind::Tcp;
    ctx_.Poll.LinkChosen(choice_);
    serial_->setChecked(false);
    tcp_->setChecked(true);
    portSelect_->setEnabled(false);
    if (serialChosen_)
        ctx_.Link.ReleasePort();
    edtHostIP_->setEnabled(true);
    bitBtn1_->setEnabled(true);
}

void TfrmComPort::PortClick() {
    // Our own open port would fail the exclusive-open test.
    ctx_.Link.ReleasePort();
    const std::vector<PortChoice> found = ctx_.Link.SearchPorts();
    {
        QSignalBlocker block(portSelect_);
        portSelect_->clear();
        for (const PortChoice &c : found)
            portSelect_->addItem(QString::fromStdString(c.Name), QString::fromStdString(c.Path));
    }
    if (found.empty()) {
        ctx_.Messages.ShowMessage(kNoSerialPort);
        return;
    }
    portSelect_->setCurrentIndex(0);
    ctx_.Link.HoldPort(found.front().Path);
}

void TfrmComPort::PortSelectChange(int index) {
    if (index < 0)
        return;
    // The connect button takes the current entry; a caller may pick one without the list.
    portSelect_->setCurrentIndex(index);
    const QString path = portSelect_->itemData(index).toString();
    if (std::string error = ctx_.Link.HoldPort(path.toStdString()); !error.empty())
        ctx_.Messages.ShowError(QStringLiteral("%1: cannot open the port\n%2")
                                    .arg(path, QString::fromStdString(error))
                                    .toStdString());
}

void TfrmComPort::Btn_OK() {
    if (connecting_)
        return;
    switch (choice_) {
    case LinkKind::Serial: {
        const QString path = portSelect_->currentData().toString();
        const ConnectOutcome outcome = ctx_.Link.Connect(LinkKind::Serial, path.toStdString());
        if (!outcome.Confirmed) {
            ctx_.Messages.ShowMessage(std::string(kNoSerialPort) + "\n" + outcome.Error);
            return;
        }
        if (ctx_.OnLinkConfirmed)
            ctx_.OnLinkConfirmed(LinkKind::Serial, DisplayPortName(path));
        accept();
        break;
    }
    case LinkKind::Tcp: {
        const QString host = edtHostIP_->text().trimmed();
        // Stays disabled through the failure box too: the window closes after it either way.
        connecting_ = true;
        bitBtn1_->setEnabled(false);
        const ConnectOutcome outcome =
            ctx_.Link.Connect(LinkKind::Tcp, host.toStdString(),
                              [this](const std::string &) { ctx_.Messages.ShowMessage(kCheckLan); });
        port_->setEnabled(!outcome.Error.empty());
        if (ctx_.OnLinkConfirmed)
            ctx_.OnLinkConfirmed(LinkKind::Tcp, edtHostIP_->text());
        connecting_ = false;
        accept();
        break;
    }
    case LinkKind::Unselected:
        // No link, no poll: the window stays open for a choice.
        ctx_.Messages.ShowMessage(kSelectPort);
        break;
    }
}

void TfrmComPort::BitBtn2Click() {
    reject();
}

} // namespace zephyra
