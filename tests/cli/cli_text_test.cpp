// What zephyra-cli reads from its command line and from HTTP clients.
#include <gtest/gtest.h>

#include "cli/cli_text.h"

namespace zephyra::cli {
namespace {

TEST(CliText, DeviceListsNameDevicesAndSayWhichLineIsWrong) {
    std::string error;
    auto listed = ParseDeviceList("# site\n\nrect-a = tcp:10.0.0.5\r\n ; old\n rect_b=serial:/dev/ttyUSB0 \n"
                                  "tcp:10.0.0.7:1502\n",
                                  &error);
    ASSERT_TRUE(listed) << error;
    ASSERT_EQ(listed->size(), 3u);
    EXPECT_EQ((*listed)[0].Name(), "rect-a");
    EXPECT_EQ((*listed)[0].Address(), "tcp:10.0.0.5:502");
    EXPECT_EQ((*listed)[1].Name(), "rect_b");
    EXPECT_EQ((*listed)[2].Name(), "tcp:10.0.0.7:1502");
    EXPECT_EQ(DuplicateDevice(*listed), "");

    const struct {
        const char *text, *error;
    } wrong[] = {
        {"a = tcp:h\nb = udp:h\n", "line 2: a device is tcp:HOST[:PORT] or serial:PATH, not udp:h"},
        {"rect a = tcp:h\n", "line 1: a name is letters, digits, _ - and ., not 'rect a'"},
        {"= tcp:h\n", "line 1: a name is letters, digits, _ - and ., not ''"},
    };
    for (const auto &w : wrong) {
        EXPECT_FALSE(ParseDeviceList(w.text, &error)) << w.text;
        EXPECT_EQ(error, w.error);
    }
    EXPECT_EQ(DuplicateDevice(*ParseDeviceList("a = tcp:h\nb = tcp:h:502\n", &error)),
              "devices a and b are both tcp:h:502: one poller per device");
    EXPECT_EQ(DuplicateDevice(*ParseDeviceList("a = tcp:h\na = tcp:g\n", &error)),
              "device a is listed twice");
}

TEST(CliText, DeviceNamesParseOrSayWhyNot) {
    struct Case {
        const char *text;
        const char *name; // nullptr: refused
    };
    const Case cases[] = {
        {"tcp:127.0.0.1", "tcp:127.0.0.1:502"},
        {"tcp:127.0.0.1:1502", "tcp:127.0.0.1:1502"},
        {"tcp:[::1]:1502", "tcp:[::1]:1502"},
        {"tcp:::1", "tcp:[::1]:502"},
        {"serial:/dev/ttyUSB0", "serial:/dev/ttyUSB0"},
        {"tcp:127.0.0.1:", nullptr},
        {"tcp:127.0.0.1:0", nullptr},
        {"tcp:127.0.0.1:65536", nullptr},
        {"tcp:host:12x", nullptr},
        {"tcp:[::1", nullptr},
        {"tcp:", nullptr},
        {"serial:", nullptr},
        {"/dev/ttyUSB0", nullptr},
    };
    for (const Case &c : cases) {
        std::string error;
        auto d = ParseDevice(c.text, &error);
        if (c.name) {
            ASSERT_TRUE(d) << c.text << ": " << error;
            EXPECT_EQ(d->Name(), c.name);
        } else {
            EXPECT_FALSE(d) << c.text;
            EXPECT_FALSE(error.empty()) << c.text;
        }
    }
    std::string error;
    EXPECT_EQ(ParseTcpTarget("127.0.0.1:0", &error, true)->Port, 0);
}

TEST(CliText, HttpRequestsGetTheMetricsOrAnError) {
    struct Case {
        const char *head;
        int status;
    };
    const Case cases[] = {
        {"GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n", 200},
        {"GET /metrics?x=1 HTTP/1.0\r\n\r\n", 200},
        {"HEAD /metrics HTTP/1.1\r\n\r\n", 200},
        {"GET / HTTP/1.1\r\n\r\n", 404},
        {"POST /metrics HTTP/1.1\r\n\r\n", 405},
        {"GET /metrics\r\n\r\n", 400},
        {"GET /metrics HTTP/2.0\r\n\r\n", 400},
        {"GET  /metrics HTTP/1.1\r\n\r\n", 400},
        {"\x16\x03\x01 garbage\r\n\r\n", 400},
        {"\r\n\r\n", 400},
    };
    for (const Case &c : cases) {
        int built = 0;
        const std::string response = HttpResponse(c.head, [&] {
            ++built;
            return std::string("page\n");
        });
        EXPECT_EQ(response.substr(0, 12), "HTTP/1.1 " + std::to_string(c.status)) << c.head;
        EXPECT_EQ(built, c.status == 200 ? 1 : 0) << c.head;
        const bool hasBody = response.size() >= 5 && response.compare(response.size() - 5, 5, "page\n") == 0;
        EXPECT_EQ(hasBody, c.status == 200 && std::string(c.head).rfind("HEAD", 0) != 0) << c.head;
    }
    EXPECT_FALSE(HttpHeadComplete("GET /metrics HTTP/1.1\r\nHost: x\r\n"));
}

TEST(CliText, LabelValuesAndLossAreEscapedAndCounted) {
    EXPECT_EQ(EscapeLabelValue("serial:/tmp/a\"b\\c\nd"), "serial:/tmp/a\\\"b\\\\c\\nd");
    LinkCounters c;
    c.Requests = 11;
    c.Replies = 8;
    // One request still in flight is neither lost nor answered.
    EXPECT_DOUBLE_EQ(LossPercent(c, 1).value_or(-1), 20.0);
    EXPECT_FALSE(LossPercent(LinkCounters{}, 0));
}

TEST(CliText, HistoryCsvQuotesOnlyCellsThatNeedIt) {
    const std::vector<HistoryRow> rows = {{"2024-01-02 03:04", "AC 입력 이상"},
                                          {"a,b", "say \"hi\"", "two\nlines", ""}};
    EXPECT_EQ(HistoryCsv(rows),
              "2024-01-02 03:04,AC 입력 이상\r\n\"a,b\",\"say \"\"hi\"\"\",\"two\nlines\",\r\n");
}

} // namespace
} // namespace zephyra::cli
