// Every function of the simulated controller, over the pseudo-terminal and over TCP, through the console's
// own codec and response receiver.
#include <algorithm>
#include <set>

#include "polling/status_decoder.h"
#include "sim/sim_fixture.h"

namespace zephyra::test {
namespace {

class SimProtocolTest : public SimLinkTest {};

TEST_P(SimProtocolTest, StatusBlockDecodesToTheScenario) {
    json s = FrozenScenario();
    s["registers"] = {{"ACV", 231},
                      {"DCV", 535},
                      {"LCA", 5},
                      {"BCA", -15},
                      {"RT", 9999},
                      {"AlarmBits", "0x41"},
                      {"EthLinkBits", "0x3C"},
                      {"TcpRxTx", "0x0102"}};
    s["device_id"] = "3141592653";
    s["identity"] = {
        {"mac", "0A-5E-21-FE-FF-10"}, {"ip", "10.1.2.3"}, {"mask", "255.255.0.0"}, {"gateway", "10.1.0.1"}};
    s["acl"] = {{"enabled", true}, {"added", json::array({json::array({"10.0.0.1", "10.0.0.254"})})}};
    ASSERT_NO_FATAL_FAILURE(StartSim(s));

    auto r = Ask(ReadRequestUnit(0x0001, 0x007F));
    ASSERT_TRUE(r);
    ASSERT_EQ(r->function, kFnReadInput);
    ASSERT_EQ(r->payload.size(), 1u + kStatusByteCount);
    EXPECT_EQ(r->payload[0], 0xFE);

    StatusSnapshot snap;
    StatusViewModel view;
    DecodeStatus(ByteView(r->payload).subspan(1), snap, view);
    EXPECT_EQ(snap.DateText, "2025-08-07");
    EXPECT_EQ(snap.TimeText, "09:05:03");
    EXPECT_EQ(snap.ACVText, "231 V");
    EXPECT_EQ(snap.DCVText, "53.5 V");
    EXPECT_EQ(snap.LCAText, "0.5 A");
    EXPECT_EQ(snap.BCAText, "-1.5 A");
    EXPECT_EQ(snap.RTText, "미사용");
    EXPECT_EQ(snap.AlarmText, "0x41");
    EXPECT_EQ(snap.IPText, "10.1.2.3");
    EXPECT_EQ(snap.GWText, "10.1.0.1");
    EXPECT_EQ(snap.SMText, "255.255.0.0");
    EXPECT_EQ(snap.MACText, "0A.5E.21.FE.FF.10");
    EXPECT_EQ(snap.ACLEn, 1);
    EXPECT_EQ(snap.AclAddedTexts[0], "10.0.0.1");
    EXPECT_EQ(snap.AclAddedTexts[1], "10.0.0.254");
    EXPECT_EQ(DeviceIdText(snap.Reg(reg::kDeviceId1), snap.Reg(reg::kDeviceId2), snap.Reg(reg::kDeviceId3)),
              "3141592653");
    EXPECT_EQ(view.LinkText, " Link Up : Full-Duplex 1G, TCP (RX:1,TX:2)");
}

TEST_P(SimProtocolTest, ReadRangesAreSlicesOfTheBlockAndBadRangesAreRefused) {
    ASSERT_NO_FATAL_FAILURE(StartSim(FrozenScenario()));
    std::vector<uint16_t> block = Read(0x0001, 0x007F);
    ASSERT_EQ(block.size(), 127u);

    struct Range {
        int start, count;
    };
    for (Range ok : {Range{1, 1}, Range{0x7F, 1}, Range{0x40, 9}, Range{2, 125}, Range{0x49, 21}}) {
        std::vector<uint16_t> got = Read(ok.start, ok.count);
        std::vector<uint16_t> want(block.begin() + ok.start - 1, block.begin() + ok.start - 1 + ok.count);
        EXPECT_EQ(got, want) << "start " << ok.start << " count " << ok.count;
    }

    struct Bad {
        int start, count;
        uint8_t code;
    };
    for (Bad bad : {Bad{0, 1, 2}, Bad{0x7F, 2, 2}, Bad{0x80, 1, 2}, Bad{0x0001, 0, 3}, Bad{0x0001, 128, 3},
                    Bad{0xFFFF, 0xFFFF, 3}}) {
        EXPECT_TRUE(IsException(Ask(ReadRequestUnit(bad.start, bad.count)), kFnReadInput, bad.code))
            << "start " << bad.start << " count " << bad.count;
    }
}

struct WriteCase {
    int address;
    int value;
    uint8_t event1, event2, event3; // the event the controller logs for it
};

TEST_P(SimProtocolTest, WritesEchoShowInTheNextReadAndAreLoggedAsEvents) {
    json s = FrozenScenario();
    s["logs"] = {{"event", 0}};
    ASSERT_NO_FATAL_FAILURE(StartSim(s));
    const WriteCase cases[] = {
        {reg::kMinute, 59, 32, 1, 5},
        {reg::kHour, 23, 32, 1, 4},
        {reg::kDay, 28, 32, 1, 3},
        {reg::kMonth, 2, 32, 1, 2},
        {reg::kYear, 2031, 32, 1, 1},
        {reg::kSecond, 1, 32, 1, 6},
        {reg::kChLimit, 4, 31, 5, 1},
        {reg::kBModel, 1, 31, 6, 15},
        {reg::kBCho, 2, 31, 6, 16},
        {reg::kACHigh, 250, 1, 1, 4},
        {reg::kACLow, 180, 1, 2, 4},
        {reg::kDCHigh, 575, 2, 1, 4},
        {reg::kDCLow, 435, 2, 2, 4},
        {reg::kEthSpeed, 2, 31, 31, 40},
        {reg::kDeviceId1, 0x31, 31, 31, 31},
        {reg::kDeviceId2, 0x4159, 31, 31, 32},
        {reg::kDeviceId3, 0x2653, 31, 31, 33},
        {reg::kACLEn, 1, 31, 31, 1},
        {0x004A, 0x0A00, 31, 31, 2},
        {0x004D, 0x00FE, 31, 31, 5},
        {0x005D, 0xFFFF, 31, 31, 21},
    };
    std::size_t events = 0;
    for (const WriteCase &c : cases) {
        SCOPED_TRACE(c.address);
        Bytes unit = WriteRequestUnit(c.address, c.value);
        auto echo = Ask(unit);
        ASSERT_TRUE(echo);
        EXPECT_EQ(echo->function, kFnWriteSingle);
        EXPECT_EQ(echo->payload, Bytes(unit.begin() + 2, unit.end()));
        EXPECT_EQ(ReadOne(c.address), c.value);

        auto count = Ask(HistoryCountUnit(3));
        ASSERT_TRUE(count);
        ASSERT_EQ(count->payload.size(), 6u);
        EXPECT_EQ(ParseBE16(ByteView(count->payload).subspan(4)), static_cast<int32_t>(++events));
        auto record = Ask(HistoryRecordUnit(3, static_cast<int>(events - 1)));
        ASSERT_TRUE(record);
        ASSERT_EQ(record->payload.size(), 4u + 14u);
        ByteView body = ByteView(record->payload).subspan(4);
        EXPECT_EQ(body[8], Serial() ? 1 : 2) << "source: RS232 or TCP/IP";
        EXPECT_EQ(body[9], c.event1);
        EXPECT_EQ(body[10], c.event2);
        EXPECT_EQ(body[11], c.event3);
        EXPECT_EQ(ParseBE16(body.subspan(12)), c.value);
    }
    // The last clock writes left the device at 2031-02-28 23:59:01, and events carry that time.
    auto last = Ask(HistoryRecordUnit(3, static_cast<int>(events - 1)));
    ASSERT_TRUE(last);
    EXPECT_EQ(Bytes(last->payload.begin() + 6, last->payload.begin() + 12), (Bytes{31, 2, 28, 23, 59, 1}));
}

TEST_P(SimProtocolTest, CommandsAndCalibrationsAreAcceptedAndJournalled) {
    json s = FrozenScenario();
    s["registers"] = {{"ACV", 221}, {"DCV", 535}};
    ASSERT_NO_FATAL_FAILURE(StartSim(s));
    const std::optional<uint16_t> before = ReadOne(reg::kCommand);
    for (int value : {1, 4, 8}) {
        Bytes unit = WriteRequestUnit(reg::kCommand, value);
        auto echo = Ask(unit);
        ASSERT_TRUE(echo);
        EXPECT_EQ(echo->function, kFnWriteSingle);
    }
    EXPECT_EQ(ReadOne(reg::kCommand), before) << "a command is not a setting";
    EXPECT_TRUE(IsException(Ask(WriteRequestUnit(reg::kCommand, 2)), kFnWriteSingle, 3));

    // A meter reading entered for AC (volts x 10) and DC (volts x 100) becomes the measured value.
    ASSERT_TRUE(Ask(WriteRequestUnit(0x0030, 2305)));
    ASSERT_TRUE(Ask(WriteRequestUnit(0x0031, 5350)));
    ASSERT_TRUE(Ask(WriteRequestUnit(0x0033, 100)));
    EXPECT_EQ(ReadOne(reg::kACV), 231);
    EXPECT_EQ(ReadOne(reg::kDCV), 535);

    auto notes = sim_->ReadJournal();
    std::vector<std::string> texts;
    for (const auto &e : notes)
        if (e.dir == "NOTE" && e.link == LinkTag())
            texts.push_back(e.text);
    for (const char *want : {"command 0x0022=1 controller reset", "command 0x0022=4 configuration initialise",
                             "command 0x0022=8 environment initialise", "calibration 0x0030=2305",
                             "calibration 0x0031=5350", "calibration 0x0033=100"})
        EXPECT_NE(std::find(texts.begin(), texts.end(), want), texts.end()) << want;
}

TEST_P(SimProtocolTest, WritesOutsideTheSettingsAreRefused) {
    ASSERT_NO_FATAL_FAILURE(StartSim(FrozenScenario()));
    struct Bad {
        int address, value;
        uint8_t code;
    };
    for (Bad bad :
         {Bad{reg::kACV, 1, 2}, Bad{reg::kIP, 1, 2}, Bad{0x0000, 1, 2}, Bad{0x0080, 1, 2}, Bad{0xFFFF, 1, 2},
          Bad{reg::kMonth, 13, 3}, Bad{reg::kHour, 24, 3}, Bad{reg::kDay, 0, 3}}) {
        EXPECT_TRUE(IsException(Ask(WriteRequestUnit(bad.address, bad.value)), kFnWriteSingle, bad.code))
            << "register " << bad.address;
    }
    EXPECT_EQ(ReadOne(reg::kMonth), 8) << "a refused clock write changes nothing";
}

TEST_P(SimProtocolTest, AlarmTestRaisesTheSelectedAlarmsUntilSwitchedOff) {
    json s = FrozenScenario();
    s["registers"] = {{"AlarmBits", 0}, {"RelayBits", 0}};
    ASSERT_NO_FATAL_FAILURE(StartSim(s));
    ASSERT_TRUE(Ask(WriteRequestUnit(reg::kAlarmTestBits, 0x14)));
    EXPECT_EQ(ReadOne(reg::kAlarmBits), 0) << "selection alone starts nothing";
    ASSERT_TRUE(Ask(WriteRequestUnit(reg::kAlarmTestOn, 1)));
    EXPECT_EQ(ReadOne(reg::kAlarmBits), 0x14);
    EXPECT_EQ(ReadOne(reg::kRelayBits), 0x02 | 0x08 | 0x10) << "DC fail, module fail, summary";
    ASSERT_TRUE(Ask(WriteRequestUnit(reg::kAlarmTestOn, 0)));
    EXPECT_EQ(ReadOne(reg::kAlarmBits), 0);
}

TEST_P(SimProtocolTest, NetworkIdentityReadWriteAndRefusal) {
    json s = FrozenScenario();
    s["identity"] = {{"mac", "0A:5E:21:FE:FF:10"},
                     {"ip", "192.168.30.70"},
                     {"mask", "255.255.255.0"},
                     {"gateway", "192.168.30.1"}};
    ASSERT_NO_FATAL_FAILURE(StartSim(s));
    const Bytes original{0x0A, 0x5E, 0x21, 0xFE, 0xFF, 0x10, 192, 168, 30,
                         70,   255,  255,  255,  0,    192,  168, 30,  1};

    auto read = Ask(NetworkReadUnit());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->function, kFnNetwork);
    Bytes want{0x00, 0x13, 0x01};
    want.insert(want.end(), original.begin(), original.end());
    EXPECT_EQ(read->payload, want);

    const Bytes fresh{0x02, 0x11, 0x22, 0x33, 0x44, 0x55, 10, 0, 0, 1, 255, 0, 0, 0, 10, 0, 0, 254};
    auto written = Ask(NetworkWriteUnit(fresh));
    ASSERT_TRUE(written);
    EXPECT_EQ(written->function, kFnNetwork);
    EXPECT_EQ(written->payload, (Bytes{0x00, 0x02, 0x02, 0x01}));

    read = Ask(NetworkReadUnit());
    ASSERT_TRUE(read);
    EXPECT_EQ(Bytes(read->payload.begin() + 3, read->payload.end()), fresh);
    // The status block carries the same identity.
    EXPECT_EQ(Read(reg::kIP, 9), (std::vector<uint16_t>{0x0A00, 0x0001, 0x0A00, 0x00FE, 0xFF00, 0x0000,
                                                        0x0211, 0x2233, 0x4455}));

    // Wrong lengths and unknown sub-functions are malformed.
    const Bytes malformed[] = {
        VendorRequestUnit(kFnNetwork, Bytes{2, 1, 2, 3}),
        VendorRequestUnit(kFnNetwork, Bytes{3}),
        VendorRequestUnit(kFnNetwork, Bytes{1, 0}),
        VendorRequestUnit(kFnNetwork, Bytes(18, 2)),
    };
    for (const Bytes &unit : malformed)
        EXPECT_TRUE(IsException(Ask(unit), kFnNetwork, 3)) << BytesToSpacedHex(unit);
}

TEST_P(SimProtocolTest, RefusedNetworkWriteChangesNothing) {
    json s = FrozenScenario();
    s["faults"] = {{"refuse_network_write", true}};
    ASSERT_NO_FATAL_FAILURE(StartSim(s));
    const std::vector<uint16_t> before = Read(reg::kIP, 9);
    auto written = Ask(NetworkWriteUnit(Bytes(18, 7)));
    ASSERT_TRUE(written);
    EXPECT_EQ(written->payload, (Bytes{0x00, 0x02, 0x02, 0x02}));
    EXPECT_EQ(Read(reg::kIP, 9), before);
}

TEST_P(SimProtocolTest, HistoryCountRecordsAndInitialise) {
    json s = FrozenScenario();
    s["logs"] = {
        {"alarm",
         {{{"time", "2025-03-07 14:05:09"},
           {"acv", 221},
           {"dcv", 540},
           {"lca", 123},
           {"bca", -15},
           {"rt", 253},
           {"code", 2},
           {"state", 1}},
          {{"time", "2025-03-07 14:15:41"}, {"code", 2}, {"state", 0}}}},
        {"data", {{{"time", "2024-12-31 23:59:59"}, {"acv", 230}, {"rt", -100}}}},
        {"event",
         {{{"time", "2025-01-02 03:04:05"},
           {"source", 3},
           {"event1", 31},
           {"event2", 4},
           {"event3", 2},
           {"value", 65535}}}},
    };
    ASSERT_NO_FATAL_FAILURE(StartSim(s));

    struct Expect {
        uint8_t kind;
        int count;
        std::size_t length; // L of a record reply
        Bytes firstBody;    // record 0 after its index bytes
    };
    const Expect kinds[] = {
        {1, 2, 22, {25, 3, 7, 14, 5, 9, 0, 221, 0x02, 0x1C, 0, 123, 0xFF, 0xF1, 0, 253, 2, 1}},
        {2, 1, 20, {24, 12, 31, 23, 59, 59, 0, 230, 0, 0, 0, 0, 0, 0, 0xFF, 0x9C}},
        {3, 1, 16, {25, 1, 2, 3, 4, 5, 3, 31, 4, 2, 0xFF, 0xFF}},
    };
    for (const Expect &k : kinds) {
        SCOPED_TRACE(static_cast<int>(k.kind));
        auto count = Ask(HistoryCountUnit(k.kind));
        ASSERT_TRUE(count);
        EXPECT_EQ(count->function, kFnHistory);
        EXPECT_EQ(count->payload, (Bytes{0x00, 0x04, k.kind, 0x01, 0x00, static_cast<uint8_t>(k.count)}));

        for (int index = 0; index < k.count; ++index) {
            auto record = Ask(HistoryRecordUnit(k.kind, index));
            ASSERT_TRUE(record);
            ASSERT_EQ(record->payload.size(), 2 + k.length);
            EXPECT_EQ(ParseBE16(record->payload), static_cast<int32_t>(k.length));
            EXPECT_EQ(record->payload[2], k.kind);
            EXPECT_EQ(record->payload[3], 0x02);
            EXPECT_EQ(ParseBE16(ByteView(record->payload).subspan(4)), index)
                << "leading bytes carry the index";
            if (index == 0) {
                EXPECT_EQ(Bytes(record->payload.begin() + 6, record->payload.end()), k.firstBody);
            }
        }
        EXPECT_TRUE(IsException(Ask(HistoryRecordUnit(k.kind, k.count)), kFnHistory, 2));
        EXPECT_TRUE(IsException(Ask(HistoryRecordUnit(k.kind, 0xFFFF)), kFnHistory, 2));
    }

    auto init = Ask(HistoryInitialiseUnit(1));
    ASSERT_TRUE(init);
    EXPECT_EQ(init->payload, (Bytes{0x00, 0x03, 0x01, 0x03, 0x01}));
    auto count = Ask(HistoryCountUnit(1));
    ASSERT_TRUE(count);
    EXPECT_EQ(ParseBE16(ByteView(count->payload).subspan(4)), 0);
    // Clearing the alarm log is itself an event: "LOG History Init", "Alarm Log".
    auto events = Ask(HistoryCountUnit(3));
    ASSERT_TRUE(events);
    ASSERT_EQ(ParseBE16(ByteView(events->payload).subspan(4)), 2);
    auto logged = Ask(HistoryRecordUnit(3, 1));
    ASSERT_TRUE(logged);
    EXPECT_EQ(Bytes(logged->payload.begin() + 13, logged->payload.begin() + 16), (Bytes{23, 1, 1}));

    ASSERT_TRUE(Ask(HistoryInitialiseUnit(3)));
    events = Ask(HistoryCountUnit(3));
    ASSERT_TRUE(events);
    EXPECT_EQ(ParseBE16(ByteView(events->payload).subspan(4)), 0);

    const Bytes malformed[] = {
        VendorRequestUnit(kFnHistory, Bytes{4, 1}),       // no such log
        VendorRequestUnit(kFnHistory, Bytes{1, 9}),       // no such command
        VendorRequestUnit(kFnHistory, Bytes{1, 2}),       // record without its index
        VendorRequestUnit(kFnHistory, Bytes{1, 1, 0, 0}), // count with extra bytes
        VendorRequestUnit(kFnHistory, Bytes{1}),          // no command
    };
    for (const Bytes &unit : malformed)
        EXPECT_TRUE(IsException(Ask(unit), kFnHistory, 3)) << BytesToSpacedHex(unit);
}

TEST_P(SimProtocolTest, RefusedInitialiseKeepsTheLog) {
    json s = FrozenScenario();
    s["logs"] = {{"alarm", 5}};
    s["faults"] = {{"refuse_initialise", true}};
    ASSERT_NO_FATAL_FAILURE(StartSim(s));
    auto init = Ask(HistoryInitialiseUnit(1));
    ASSERT_TRUE(init);
    EXPECT_EQ(init->payload, (Bytes{0x00, 0x03, 0x01, 0x03, 0x02}));
    auto count = Ask(HistoryCountUnit(1));
    ASSERT_TRUE(count);
    EXPECT_EQ(ParseBE16(ByteView(count->payload).subspan(4)), 5);
}

TEST_P(SimProtocolTest, TwoThousandRecordsReadBackEachExactlyOnce) {
    json s = FrozenScenario();
    s["logs"] = {{"alarm", 2000}};
    ASSERT_NO_FATAL_FAILURE(StartSim(s));
    auto count = Ask(HistoryCountUnit(1));
    ASSERT_TRUE(count);
    ASSERT_EQ(ParseBE16(ByteView(count->payload).subspan(4)), 2000);

    // Newest first, as the console asks: index Total-1 down to 0.
    std::set<int> seen;
    Bytes previousTime;
    for (int index = 1999; index >= 0; --index) {
        auto record = Ask(HistoryRecordUnit(1, index));
        ASSERT_TRUE(record) << "index " << index;
        ASSERT_EQ(record->payload.size(), 24u);
        int got = ParseBE16(ByteView(record->payload).subspan(4));
        ASSERT_EQ(got, index);
        EXPECT_TRUE(seen.insert(got).second) << "index " << got << " twice";
        Bytes time(record->payload.begin() + 6, record->payload.begin() + 12);
        if (!previousTime.empty()) {
            EXPECT_LT(time, previousTime) << "older records sit at lower indexes";
        }
        previousTime = time;
    }
    EXPECT_EQ(seen.size(), 2000u);
}

TEST_P(SimProtocolTest, UnknownFunctionsGetIllegalFunction) {
    ASSERT_NO_FATAL_FAILURE(StartSim(FrozenScenario()));
    const Bytes units[] = {
        {0x01, 0x03, 0x00, 0x01, 0x00, 0x01}, // read holding registers
        {0x01, 0x10, 0x00, 0x21, 0x00, 0x01, 0x02, 0x00, 0x03},
        {0x01, 0x2B, 0x0E, 0x01, 0x00},
        {0x01, 0x07},
    };
    for (const Bytes &unit : units)
        EXPECT_TRUE(IsException(Ask(unit), unit[1], 1)) << BytesToSpacedHex(unit);
    EXPECT_EQ(Read(0x0001, 1).size(), 1u) << "still answering";
}

INSTANTIATE_TEST_SUITE_P(Links, SimProtocolTest, ::testing::Values(LinkKind::Serial, LinkKind::Tcp),
                         LinkName);

} // namespace
} // namespace zephyra::test
