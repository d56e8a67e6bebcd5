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
}

void TfrmComPort::reject() {
    // The exit button, Esc and the close box all leave the same way.
    if (ctx_.OnLeft)
        ctx_.OnLeft();
    if (choice_ == LinkKind::Serial)
        ctx_.Serial.Close();
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
        ctx_.Serial.Close();
    edtHostIP_->setEnabled(true);
    bitBtn1_->setEnabled(true);
}

void TfrmComPort::PortClick() {
    // Our own open port would fail the exclusive-open test.
    ctx_.Serial.Close();
    std::vector<SerialPortCandidate> found = ctx_.Serial.SearchPorts();
    {
        QSignalBlocker block(portSelect_);
        portSelect_->clear();
        for (const SerialPortCandidate &c : found)
            portSelect_->addItem(c.Name, c.Path);
    }
    if (found.empty()) {
        ctx_.Messages.ShowMessage(kNoSerialPort);
        return;
    }
    portSelect_->setCurrentIndex(0);
    ctx_.Serial.SetDeviceName(found.front().Path);
    ctx_.Serial.Open();
}

void TfrmComPort::PortSelectChange(int index) {
    if (index < 0)
        return;
    ctx_.Serial.Close();
    ctx_.Serial.SetDeviceName(portSelect_->itemData(index).toString());
    if (!ctx_.Serial.Open())
        ctx_.Messages.ShowError(QStringLiteral("%1: cannot open the port\n%2")
                                    .arg(ctx_.Serial.DeviceName(), ctx_.Serial.OpenErrorText())
                                    .toStdString());
}

void TfrmComPort::Btn_OK() {
    switch (choice_) {
    case LinkKind::Serial: {
        if (!ctx_.Serial.Open()) {
            // Polling a closed port would look connected while nothing is sent.
            ctx_.Messages.ShowMessage(std::string(kNoSerialPort) + "\n" +
                                      ctx_.Serial.OpenErrorText().toStdString());
            return;
        }
        ctx_.Tcp.Disconnect();
        ctx_.Serial.SetReadEnabled(true);
        ctx_.Poll.LinkConfirmed(LinkKind::Serial);
        if (ctx_.OnLinkConfirmed)
            ctx_.OnLinkConfirmed(LinkKind::Serial, DisplayPortName(ctx_.Serial.DeviceName()));
        accept();
        break;
    }
    case LinkKind::Tcp: {
        ctx_.Serial.Close();
        ctx_.Tcp.SetHost(edtHostIP_->text().trimmed());
        ctx_.Serial.SetReadEnabled(false);
        const QString error = ctx_.Tcp.ConnectAndWait();
        if (error.isEmpty()) {
            port_->setEnabled(false);
            if (ctx_.PaintConnect)
                ctx_.PaintConnect(true);
        } else {
            ctx_.Messages.ShowMessage(kCheckLan);
            port_->setEnabled(true);
        }
        // Also after a failed connect: the poll keeps trying to reconnect.
        ctx_.Poll.LinkConfirmed(LinkKind::Tcp, error.toStdString());
        if (ctx_.OnLinkConfirmed)
            ctx_.OnLinkConfirmed(LinkKind::Tcp, edtHostIP_->text());
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
