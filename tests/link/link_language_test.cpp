// Causes the console builds from its own words (link errors, traffic lines, export failures) are Korean by
// default and wholly English once English is installed: a text left unmarked or untranslated shows up here.
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

#include "device/language_endpoint.h"
#include "history/history_export.h"
#include "link/link_monitor.h"
#include "link/modbus_codec.h"
#include "link/serial_endpoint.h"
#include "link/tcp_endpoint.h"
#include "support/fakes.h"

namespace zephyra {
namespace {

bool HasHangul(const std::string &text) {
    return QString::fromStdString(text).contains(QRegularExpression("[\\x{AC00}-\\x{D7A3}]"));
}

std::string LastErrorAfter(const std::function<void(LinkMonitor &, fakes::FakeClock &)> &events) {
    fakes::FakeClock clock;
    LinkMonitor monitor(clock, QtTextTranslator());
    monitor.LinkOpened(LinkKind::Serial);
    events(monitor, clock);
    return monitor.Counters().LastError;
}

std::string RefusedPortText() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    const quint16 port = server.serverPort();
    server.close(); // nothing listens there now: the connect is refused
    TcpEndpoint tcp{QtTextTranslator()};
    tcp.SetHost("127.0.0.1");
    tcp.SetPort(port);
    return tcp.ConnectAndWait().toStdString();
}

struct TextCase {
    const char *name;
    std::function<std::string()> make;
    std::string english;
};

TEST(LinkLanguage, CausesAreKoreanByDefaultAndEnglishOnceChosen) {
    QTemporaryDir dir;
    const TextCase cases[] = {
        {"Timeout",
         [] {
             return LastErrorAfter([](LinkMonitor &m, fakes::FakeClock &c) {
                 m.RequestSent(LinkKind::Serial, WithCrc(ReadRequestUnit(1, 127)), 0);
                 c.Advance(LinkMonitor::kSerialReplyTimeoutMs);
                 m.Tick();
             });
         },
         "no reply within 1.0 s"},
        {"Dropped",
         [] {
             return LastErrorAfter([](LinkMonitor &m, auto &) {
                 m.FrameDropped(LinkKind::Serial, Bytes{1, 4, 0}, DropReason::BadCrc);
             });
         },
         "dropped: bad CRC"},
        {"Refused", RefusedPortText, "Connection refused"},
        {"PortMissing",
         [] {
             SerialEndpoint serial{QtTextTranslator()};
             serial.SetDeviceName("/dev/zephyra-no-such-port");
             serial.Open();
             return serial.OpenErrorText().toStdString();
         },
         "/dev/zephyra-no-such-port does not exist (is the adapter plugged in?)"},
        {"HistoryLine",
         [] {
             return DescribeFrame({.Dir = Direction::Tx,
                                   .Frame = WithCrc(VendorRequestUnit(kFnHistory, Bytes{1, 2, 0x07, 0xCF}))},
                                  QtTextTranslator());
         },
         "history record request 1999 of alarm log"},
        {"ExportFolder",
         [&dir] {
             return SpreadsheetExport(HistoryKind::Alarm, {}, (dir.path() + "/missing").toStdString(),
                                      {1, 2, 3}, QtTextTranslator())
                 .Error;
         },
         "the folder does not exist"},
    };
    // Handed the Qt translator once, before English: it asks at each text, so it follows the switch.
    fakes::FakeClock clock;
    LinkMonitor early(clock, QtTextTranslator());
    early.LinkOpened(LinkKind::Serial);
    for (const TextCase &c : cases)
        EXPECT_TRUE(HasHangul(c.make())) << c.name << ": " << c.make();
    ASSERT_TRUE(InstallEnglish());
    for (const TextCase &c : cases)
        EXPECT_EQ(c.make(), c.english) << c.name;
    EXPECT_EQ(early.Health(600, true).Text, "Waiting for the first reply");
    RemoveEnglish();
    EXPECT_TRUE(HasHangul(cases[0].make())) << "back to Korean";
    EXPECT_EQ(early.Health(600, true).Text, "첫 응답을 기다리는 중");
}

} // namespace
} // namespace zephyra
