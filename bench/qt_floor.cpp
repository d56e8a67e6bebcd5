// The floor under the console's polling cost: a bare Qt program doing only what any console must
// visibly do per status poll. It sends the same status read on the same cadence (600 ms serial,
// 900 ms TCP), reads the reply, lights TX and RX for 100 ms with the console's own light widget and
// writes two changing values into two read-only fields (drawn with the console's cached panel); a Korean
// caption in regular and bold loads the same fonts. No decode, no poll controller, no link health, no Trend
// page, no status log.
//   bench_qt_floor SECONDS PATH|tcp:PORT [--hidden]
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QSerialPort>
#include <QStyleFactory>
#include <QTcpSocket>
#include <QTimer>
#include <cstdio>

#include "link/modbus_codec.h"
#include "process_cpu.h"
#include "status/cached_panel_widget_style.h"
#include "status/lamp_widget.h"

using namespace zephyra;

namespace {
QByteArray ToQt(const Bytes &b) {
    return QByteArray(reinterpret_cast<const char *>(b.data()), static_cast<qsizetype>(b.size()));
}

constexpr int kReplyBytesRtu = 3 + 254 + 2;
constexpr int kReplyBytesTcp = 6 + 3 + 254;
} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setStyle(new CachedPanelStyle(QStyleFactory::create(QApplication::style()->name())));
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: %s SECONDS PATH|tcp:PORT [--hidden]\n", argv[0]);
        return 2;
    }
    const int seconds = args[1].toInt();
    const bool tcp = args[2].startsWith("tcp:");

    QWidget window;
    auto *caption = new QLabel(QStringLiteral("출력 전압 <b>정류기</b>"), &window);
    caption->setGeometry(8, 8, 200, 20);
    auto *tx = new IndicatorWidget("pnl_TX", "TX", {40, 22}, &window);
    auto *rx = new IndicatorWidget("pnl_RX", "RX", {40, 22}, &window);
    tx->move(8, 32);
    rx->move(50, 32);
    QLineEdit *fields[2];
    for (int i = 0; i < 2; ++i) {
        fields[i] = new QLineEdit(&window);
        fields[i]->setReadOnly(true);
        fields[i]->setGeometry(8, 60 + i * 24, 84, 20);
    }
    window.resize(932, 532);
    if (!args.contains("--hidden"))
        window.show();
    const QColor unlit(Qt::lightGray), lit(Qt::green);
    QTimer txOff, rxOff;
    for (QTimer *t : {&txOff, &rxOff}) {
        t->setSingleShot(true);
        t->setInterval(100);
    }
    QObject::connect(&txOff, &QTimer::timeout, [&] { tx->SetColors(unlit, Qt::black); });
    QObject::connect(&rxOff, &QTimer::timeout, [&] { rx->SetColors(unlit, Qt::black); });

    QSerialPort serial;
    QTcpSocket socket;
    QIODevice *link = &serial;
    const Bytes unit = ReadRequestUnit(1, 127);
    if (tcp) {
        socket.connectToHost("127.0.0.1", static_cast<quint16>(args[2].mid(4).toUInt()));
        if (!socket.waitForConnected(3000))
            return 1;
        link = &socket;
    } else {
        serial.setPortName(args[2]);
        serial.setBaudRate(QSerialPort::Baud115200);
        if (!serial.open(QIODevice::ReadWrite))
            return 1;
    }
    const int replyBytes = tcp ? kReplyBytesTcp : kReplyBytesRtu;
    int have = 0;
    unsigned long long replies = 0;
    uint16_t transaction = 0;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(link, &QIODevice::readyRead, [&] {
        have += static_cast<int>(link->readAll().size());
        rx->SetColors(lit, Qt::black);
        rxOff.start();
        if (have < replyBytes)
            return;
        have = 0;
        ++replies;
        fields[0]->setText(QString::number(clock.elapsed() / 1000.0, 'f', 1));
        fields[1]->setText(QString::number(replies % 50 / 10.0 + 12, 'f', 1));
    });
    QTimer poll;
    poll.setInterval(tcp ? 900 : 600);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        have = 0;
        link->write(ToQt(tcp ? WithMbap(++transaction, unit) : WithCrc(unit)));
        tx->SetColors(lit, Qt::black);
        txOff.start();
    });
    poll.start();

    const double start = ProcessCpuSeconds();
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    const double cpu = ProcessCpuSeconds() - start;
    std::printf("floor replies %llu cpu_polling_s=%.3f cpu_per_poll_ms=%.2f\n", replies, cpu,
                replies ? cpu * 1000.0 / static_cast<double>(replies) : 0.0);
    return replies > 0 ? 0 : 1;
}
