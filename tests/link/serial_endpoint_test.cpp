// Why a serial port cannot be opened, in words an operator can act on; what the TX and RX lights show.
#include <QSerialPort>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include "link/serial_endpoint.h"
#include "support/gui_helpers.h"

namespace zephyra {
namespace {

TEST(SerialEndpoint, OpenFailureSaysWhetherThePortIsMissingOrInUse) {
    SerialEndpoint missing{TextTranslator()};
    missing.SetDeviceName("/dev/zephyra-no-such-port");
    EXPECT_FALSE(missing.Open());
    EXPECT_EQ(missing.OpenErrorText(), "/dev/zephyra-no-such-port 포트가 없습니다 (어댑터가 꽂혀 있습니까?)");

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const QString path = QString::fromLatin1(::ptsname(master));
    QSerialPort holder;
    holder.setPortName(path);
    ASSERT_TRUE(holder.open(QIODevice::ReadWrite)) << "another program has the port";
    SerialEndpoint busy{TextTranslator()};
    busy.SetDeviceName(path);
    EXPECT_FALSE(busy.Open());
    EXPECT_EQ(busy.OpenErrorText(), path + " 포트를 다른 프로그램이 쓰고 있습니다");
    holder.close();
    EXPECT_TRUE(busy.Open());
    EXPECT_TRUE(busy.OpenErrorText().isEmpty());
    busy.Close();
    ::close(master);
}

// A request lights TX before RX, also when both are drawn in one repaint, and both go out; a request left
// unanswered still lights TX.
TEST(SerialEndpoint, LightsShowTheRequestThenTheReply) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    SerialEndpoint link{TextTranslator()};
    link.SetDeviceName(QString::fromLatin1(::ptsname(master)));
    ASSERT_TRUE(link.Open());
    link.SetReadEnabled(true);
    link.SetReceiver([](ByteView) {});
    QStringList shown;
    QObject::connect(&link, &SerialEndpoint::TxLight, [&](bool on) { shown << (on ? "TX on" : "TX off"); });
    QObject::connect(&link, &SerialEndpoint::RxLight, [&](bool on) { shown << (on ? "RX on" : "RX off"); });
    for (bool answered : {true, false}) {
        SCOPED_TRACE(answered);
        shown.clear();
        link.Write({0x01, 0x03, 0x00, 0x00, 0x00, 0x7F});
        if (answered) {
            ASSERT_EQ(::write(master, "\x01\x03\x02\x00\x00", 5), 5);
        }
        ASSERT_TRUE(test::WaitFor([&] { return shown.contains("TX off"); }));
        const QStringList expected =
            answered ? QStringList{"TX on", "RX on", "TX off", "RX off"} : QStringList{"TX on", "TX off"};
        EXPECT_EQ(shown, expected);
    }
    link.Close();
    ::close(master);
}

} // namespace
} // namespace zephyra
