#include <gtest/gtest.h>

#include <sstream>

#include "config/network_settings.h"
#include "polling/poll_rig.h"
#include "support/fakes.h"

namespace zephyra {
namespace {

StatusSnapshot LastStatus() {
    StatusSnapshot s;
    s.IPText = "10.1.2.3";
    s.GWText = "10.1.2.254";
    s.SMText = "255.255.0.0";
    s.MACText = "00.11.22.33.44.AB";
    return s;
}

Bytes Frame(std::initializer_list<uint8_t> block) {
    Bytes f{0x01, 0x47, 0x00, 0x13, 0x02};
    for (uint8_t b : block)
        f.push_back(b);
    return f;
}

TEST(NetworkSettings, DefaultsThenOkSendsTheDefaultAddressesWithTheKeptMac) {
    StatusSnapshot s = LastStatus();
    NetworkInputs in = PrefillNetwork(s);
    ApplyNetworkDefaults(in);
    EXPECT_TRUE(in.IpTicked && in.GwTicked && in.SmTicked);
    EXPECT_FALSE(in.MacTicked);
    NetworkWrite w = NetworkWriteRequest(in, KeptNetworkParts(s), TextTranslator());
    ASSERT_TRUE(w.Ok()) << w.Error;
    EXPECT_EQ(w.Request, Frame({0x00, 0x11, 0x22, 0x33, 0x44, 0xAB, 0xC0, 0xA8, 0x1E, 0x46, 0xFF, 0xFF, 0xFF,
                                0x00, 0xC0, 0xA8, 0x1E, 0x01}));
}

TEST(NetworkSettings, OnlyTickedSectionsTakeTheFieldsOthersTheKeptParts) {
    StatusSnapshot s = LastStatus();
    NetworkInputs in = PrefillNetwork(s);
    in.Fields.Mac = {"0A", "5E", "21", "FE", "FF", "10"};
    in.Fields.Ip = {"1", "1", "1", "1"}; // edited but not ticked
    in.MacTicked = true;
    NetworkWrite w = NetworkWriteRequest(in, KeptNetworkParts(s), TextTranslator());
    EXPECT_EQ(w.Request,
              Frame({0x0A, 0x5E, 0x21, 0xFE, 0xFF, 0x10, 10, 1, 2, 3, 255, 255, 0, 0, 10, 1, 2, 254}));
}

TEST(NetworkSettings, ZeroPaddedKeptPartsReadAsDecimal) {
    StatusSnapshot s = LastStatus();
    const uint8_t reply[18] = {1, 2, 3, 4, 5, 6, 10, 0, 0, 9, 255, 255, 255, 0, 10, 0, 0, 1};
    DecodeIpSettingsReply(reply, s);
    EXPECT_EQ(s.IPText, "10.00.00.09");
    NetworkInputs in = PrefillNetwork(s);
    in.GwTicked = true;
    EXPECT_EQ(NetworkWriteRequest(in, KeptNetworkParts(s), TextTranslator()).Request,
              Frame({1, 2, 3, 4, 5, 6, 10, 0, 0, 9, 255, 255, 255, 0, 10, 0, 0, 1}));
}

TEST(NetworkSettings, NothingTickedSendsNothing) {
    StatusSnapshot s = LastStatus();
    NetworkWrite w = NetworkWriteRequest(PrefillNetwork(s), KeptNetworkParts(s), TextTranslator());
    EXPECT_TRUE(w.Ok());
    EXPECT_TRUE(w.Request.empty());
}

TEST(NetworkSettings, BadOctetsStopOkNamingTheSection) {
    struct Case {
        int section; // 0 IP, 1 gateway, 2 mask, 3 MAC
        const char *text;
        const char *error;
    };
    const Case cases[] = {
        {0, "300", "IP: '300' 값은 주소 자리(0..255)로 쓸 수 없습니다"},
        {0, "256", "IP: '256' 값은 주소 자리(0..255)로 쓸 수 없습니다"},
        {1, "-1", "Gateway: '-1' 값은 주소 자리(0..255)로 쓸 수 없습니다"},
        {1, "", "Gateway: '' is not a valid integer value"},
        {2, "-", "Subnet mask: '-' is not a valid integer value"},
        {2, "1000", "Subnet mask: '1000' 값은 주소 자리(0..255)로 쓸 수 없습니다"},
        {1, "x", "Gateway: 'x' is not a valid integer value"},
        {0, " ", "IP: ' ' is not a valid integer value"},
        {3, "ZZ", "MAC: '$ZZ' is not a valid integer value"},
        {3, "100", "MAC: '100' 값은 주소 자리(00..FF)로 쓸 수 없습니다"},
    };
    StatusSnapshot s = LastStatus();
    for (const Case &c : cases) {
        NetworkInputs in = PrefillNetwork(s);
        in.IpTicked = in.GwTicked = in.SmTicked = in.MacTicked = true;
        std::string *field[] = {&in.Fields.Ip[0], &in.Fields.Gw[3], &in.Fields.Sm[1], &in.Fields.Mac[5]};
        *field[c.section] = c.text;
        NetworkWrite w = NetworkWriteRequest(in, KeptNetworkParts(s), TextTranslator());
        EXPECT_EQ(w.Error, c.error);
        EXPECT_TRUE(w.Request.empty());
    }
}

TEST(NetworkSettings, EmptyKeptPartsOfAnUntickedSectionStopOk) {
    StatusSnapshot none;
    NetworkInputs in = PrefillNetwork(none);
    EXPECT_EQ(in.Fields.Ip, (std::array<std::string, 4>{}));
    in.Fields.Ip = {"10", "0", "0", "2"};
    in.IpTicked = true;
    NetworkWrite w = NetworkWriteRequest(in, KeptNetworkParts(none), TextTranslator());
    EXPECT_EQ(w.Error, "MAC: '$' is not a valid integer value");
    EXPECT_TRUE(w.Request.empty());
}

TEST(NetworkSettings, BarcodeFillsTheMacOnlyWhenItIsSixHexPairs) {
    struct Case {
        const char *barcode;
        std::array<std::string, 6> mac; // empty: refused
    };
    const std::array<std::string, 6> scanned{"0A", "5E", "21", "FE", "FF", "10"};
    const Case cases[] = {
        {"0A-5E-21-FE-FF-10", scanned},
        {"0a:5e:21:fe:ff:10", scanned},
        {"0A5E21FEFF10", scanned},
        {" 0A.5E.21.FE.FF.10 ", scanned},
        {"0A 5E 21 FE FF 10", scanned},
        {"0A-5E-21-FE-FF-1", {}},
        {"0A-5E-21-FE-FF-1G", {}},
        {"0A-5E-21-FE-FF-100", {}},
        {"0A-5E-21-FE-FF", {}},
        {"0A-5E-21", {}},
        {"0A-5E:21-FE-FF-10", {}},
        {"0A-5E-21-FE-F-F10", {}},
        {"0A5E21FEFF1", {}},
        {"0A_5E_21+FE/FF-10", {}},
        {"0AX5EX21XFEXFFX10", {}},
        {"가나-AB-CD-EF-01", {}},
        {"", {}},
    };
    const std::array<std::string, 6> before{"00", "11", "22", "33", "44", "AB"};
    for (const Case &c : cases) {
        NetworkInputs in;
        in.Fields.Mac = before;
        in.Barcode = c.barcode;
        std::string error = ConvertBarcode(in, TextTranslator());
        const bool good = !c.mac[0].empty();
        EXPECT_EQ(error.empty(), good) << c.barcode << ": " << error;
        EXPECT_EQ(in.Fields.Mac, good ? c.mac : before) << c.barcode;
        EXPECT_EQ(in.MacTicked, good) << c.barcode;
        if (!good) {
            EXPECT_EQ(error, "바코드: '" + std::string(c.barcode) +
                                 "' 값은 MAC 주소(두 자리 16진수 여섯 묶음)가 아닙니다");
        }
    }
}

TEST(NetworkSettings, AnAcceptedWriteIsWhatTheNextOkKeeps) {
    NetworkParts kept = KeptNetworkParts(LastStatus());
    NetworkInputs macOnly = PrefillNetwork(LastStatus());
    macOnly.Fields.Mac = {"0a", "5E", "21", "FE", "FF", "1"};
    macOnly.MacTicked = true;
    NetworkWrite first = NetworkWriteRequest(macOnly, kept, TextTranslator());
    ASSERT_TRUE(first.Ok()) << first.Error;

    kept = WrittenNetworkParts(first.Request);
    EXPECT_EQ(kept.Mac, (std::array<std::string, 6>{"0A", "5E", "21", "FE", "FF", "01"}));
    NetworkInputs ipOnly = PrefillNetwork(LastStatus());
    ipOnly.Fields.Ip = {"10", "1", "2", "9"};
    ipOnly.IpTicked = true;
    EXPECT_EQ(NetworkWriteRequest(ipOnly, kept, TextTranslator()).Request,
              Frame({0x0A, 0x5E, 0x21, 0xFE, 0xFF, 0x01, 10, 1, 2, 9, 255, 255, 0, 0, 10, 1, 2, 254}));
    EXPECT_EQ(WrittenNetworkParts(Bytes{0x01, 0x47}).Mac, (std::array<std::string, 6>{}))
        << "a frame without a block gives no parts";
}

// The dialog's OK, from the frame it built to what crossed the link and what the reply did.
struct NetworkRig : testrig::PollRig {
    explicit NetworkRig(LinkKind link) : PollRig(link) { state.PollDue = false; }
};

const Bytes kWrite = Frame({0x0A, 0x5E, 0x21, 0xFE, 0xFF, 0x10, 10, 0, 0, 7, 255, 0, 0, 0, 10, 0, 0, 1});

TEST(NetworkSettings, WriteGoesOutOnSerialAfterADroppedHalfFrameAndItsAcceptanceShowsWhatWasWritten) {
    NetworkRig rig(LinkKind::Serial);
    const Bytes half{0x01, 0x04, 0xFE, 0x00};
    rig.rx.OnSerialRead(half);
    // The open window learns the answer before the operator's box: it must hold no stale identity then.
    std::vector<std::pair<bool, std::size_t>> answers; // accepted, messages shown by then
    rig.ctl.SetNetworkWriteObserver([&](bool accepted) {
        answers.push_back({accepted, rig.op.messages.size()});
    });
    ASSERT_TRUE(rig.ctl.StartNetworkWrite(kWrite));
    EXPECT_EQ(rig.port.Frames(), std::vector<Bytes>{WithCrc(kWrite)});
    EXPECT_EQ(rig.state.LastRawRequest, kWrite);
    EXPECT_EQ(rig.state.RequestMode, mode::kPoll)
        << "the serial dialog already paused the poll when it opened";
    EXPECT_TRUE(rig.state.PollDue);
    EXPECT_EQ(rig.state.PollCountdown, 3);

    // Without the reset the reply would be read as the rest of the status block.
    rig.rx.OnSerialRead(WithCrc(Bytes{0x01, 0x47, 0x00, 0x02, 0x02, 0x01}));
    ASSERT_EQ(rig.op.messages.size(), 1u);
    EXPECT_EQ(rig.op.messages[0].text, kSettingSuccess);
    rig.rx.OnSerialRead(WithCrc(Bytes{0x01, 0x47, 0x00, 0x02, 0x02, 0x02}));
    EXPECT_EQ(answers, (std::vector<std::pair<bool, std::size_t>>{{true, 0}, {false, 1}}));
    const StatusSnapshot &s = rig.ctl.Snapshot();
    EXPECT_EQ(s.MACText, "0A.5E.21.FE.FF.10");
    EXPECT_EQ(s.IPText, "10.00.00.07");
    EXPECT_EQ(s.SMText, "255.00.00.00");
    EXPECT_EQ(s.GWText, "10.00.00.01");
}

TEST(NetworkSettings, WriteOnTcpPausesThePollAndConnectsFirst) {
    NetworkRig rig(LinkKind::Tcp);
    rig.port.connected = false;
    ASSERT_TRUE(rig.ctl.StartNetworkWrite(kWrite));
    EXPECT_EQ(rig.port.connectCalls, 1);
    EXPECT_EQ(rig.state.RequestMode, mode::kPaused);
    ASSERT_EQ(rig.port.writes.size(), 1u);
    EXPECT_TRUE(rig.port.writes[0].Tcp);
    EXPECT_EQ(Bytes(rig.port.Last().begin() + 6, rig.port.Last().end()), kWrite);
}

TEST(NetworkSettings, FailedConnectSendsNothingAndSaysWhy) {
    NetworkRig rig(LinkKind::Tcp);
    rig.port.connected = false;
    rig.port.connectError = "Connection refused";
    rig.state.LastRawRequest = {0x01};
    EXPECT_FALSE(rig.ctl.StartNetworkWrite(kWrite));
    EXPECT_TRUE(rig.port.writes.empty());
    EXPECT_EQ(rig.state.LastRawRequest, Bytes{0x01}) << "a later reply must not show a frame never sent";
    EXPECT_FALSE(rig.state.PollDue);
    ASSERT_EQ(rig.op.messages.size(), 1u);
    EXPECT_EQ(rig.op.messages[0].kind, fakes::FakeOperator::Kind::Error);
    EXPECT_EQ(rig.op.messages[0].text, "Connection refused");
}

} // namespace
} // namespace zephyra
