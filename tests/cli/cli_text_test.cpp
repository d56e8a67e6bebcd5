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
    // Told apart by what they resolve to: a host name may have several addresses, of which one is shared.
    const std::vector<DeviceSpec> spelled =
        *ParseDeviceList("tcp:localhost\ntcp:127.0.0.1:502\ntcp:127.0.0.1:503\n", &error);
    EXPECT_EQ(
        DuplicateDevice(spelled, {{"tcp:[::1]:502", "tcp:127.0.0.1:502"}, {}, {}}),
        "devices tcp:localhost:502 and tcp:127.0.0.1:502 are both tcp:127.0.0.1:502: one poller per device");
    EXPECT_EQ(DuplicateDevice(spelled, {{"tcp:[::1]:502"}, {}, {}}), "");
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

TEST(CliText, HttpRequestsGetAPageOrAnError) {
    struct Case {
        const char *head;
        int code; // 0: a page
        bool landing, headOnly;
    };
    const Case cases[] = {
        {"GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n", 0, false, false},
        {"GET /metrics?x=1 HTTP/1.0\r\n\r\n", 0, false, false},
        {"HEAD /metrics HTTP/1.1\r\n\r\n", 0, false, true},
        {"GET / HTTP/1.1\r\n\r\n", 0, true, false},
        {"GET /other HTTP/1.1\r\n\r\n", 404, false, false},
        {"POST /metrics HTTP/1.1\r\n\r\n", 405, false, false},
        {"GET /metrics\r\n\r\n", 400, false, false},
        {"GET /metrics HTTP/2.0\r\n\r\n", 400, false, false},
        {"GET  /metrics HTTP/1.1\r\n\r\n", 400, false, false},
        {"\x16\x03\x01 garbage\r\n\r\n", 400, false, false},
        {"\r\n\r\n", 400, false, false},
    };
    for (const Case &c : cases) {
        const HttpRequest r = HttpCheckRequest(c.head);
        EXPECT_EQ(r.Code, c.code) << c.head;
        if (r.Code == 0) {
            EXPECT_EQ(r.Landing, c.landing) << c.head;
            EXPECT_EQ(r.HeadOnly, c.headOnly) << c.head;
        }
    }
    EXPECT_FALSE(HttpHeadComplete("GET /metrics HTTP/1.1\r\nHost: x\r\n"));
    // Each error names its status in the status line; 401 asks for credentials, HEAD leaves the body out.
    for (int code : {400, 401, 404, 405, 408}) {
        const std::string response = HttpError(code);
        EXPECT_EQ(response.substr(0, 13), "HTTP/1.1 " + std::to_string(code) + " ") << response;
        EXPECT_EQ(response.find("\r\nWWW-Authenticate: Basic ") != std::string::npos, code == 401)
            << response;
    }
    const std::string headOnly = HttpStatus(200, "text/plain", "page", false);
    EXPECT_EQ(headOnly.substr(headOnly.size() - 4), "\r\n\r\n") << headOnly;
    EXPECT_NE(LandingPage("1.2").find("<a href=\"/metrics\">"), std::string::npos);
}

// What an exporter says of itself, in the exposition format; figures the system did not give are left out.
TEST(CliText, TheExportersOwnFiguresLeaveOutWhatIsUnknown) {
    ProcessStats p;
    p.OpenFds = 7;
    const std::string text = ExporterMetricsText("1.2\"3", p);
    EXPECT_NE(text.find("\nzephyra_exporter_build_info{version=\"1.2\\\"3\"} 1\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("# TYPE process_open_fds gauge\nprocess_open_fds 7\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("process_cpu_seconds_total"), std::string::npos) << text;
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
