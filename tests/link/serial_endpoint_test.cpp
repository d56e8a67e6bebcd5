// Why a serial port cannot be opened, in words an operator can act on.
#include <QSerialPort>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include "link/serial_endpoint.h"

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

} // namespace
} // namespace zephyra
