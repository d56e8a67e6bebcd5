// Request framing on both links, the CRC, and the byte helpers that cut device frames.
#include <gtest/gtest.h>

#include "link/bytes.h"
#include "link/modbus_codec.h"
#include "link/response_receiver.h"
#include "support/fakes.h"

namespace zephyra {
namespace {

using fakes::FakeLinkPort;

Bytes Hex(std::string_view text) {
    Bytes out;
    EXPECT_TRUE(ParseHexBytes(text, out)) << text;
    return out;
}

TEST(Crc16, MatchesTheModbusCheckValue) {
    const std::string_view check = "123456789";
    Bytes bytes(check.begin(), check.end());
    EXPECT_EQ(Crc16(bytes), 0x4B37);
    // The count limits the bytes taken; a count past the end takes them all.
    EXPECT_EQ(Crc16(bytes, 4), Crc16(Bytes(bytes.begin(), bytes.begin() + 4)));
    EXPECT_EQ(Crc16(bytes, 100), 0x4B37);
    EXPECT_EQ(Crc16(Bytes{}), 0xFFFF);
}

// What each request looks like on the serial wire.
struct SerialRequestCase {
    const char *name;
    std::function<void(ModbusCodec &)> build;
    const char *wire;
};
void PrintTo(const SerialRequestCase &c, std::ostream *os) {
    *os << c.name;
}

class SerialRequests : public ::testing::TestWithParam<SerialRequestCase> {};

TEST_P(SerialRequests, GoOutWithTheirCrcLowByteFirst) {
    LinkKind link = LinkKind::Serial;
    FakeLinkPort port;
    ModbusCodec codec(link, port);
    GetParam().build(codec);
    ASSERT_EQ(port.writes.size(), 1u);
    EXPECT_FALSE(port.writes[0].Tcp);
    EXPECT_EQ(BytesToSpacedHex(port.Last()), GetParam().wire);
    EXPECT_EQ(codec.TransactionCounter(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Codec, SerialRequests,
    ::testing::Values(SerialRequestCase{"StatusPoll",
                                        [](ModbusCodec &c) { c.BuildReadRequest("0001", "007F"); },
                                        "01 04 00 01 00 7F E0 2A"},
                      SerialRequestCase{"Write230To0x30",
                                        [](ModbusCodec &c) { c.BuildWriteRequest(0x30, 230); },
                                        "01 06 00 30 00 E6 08 4F"},
                      SerialRequestCase{"NetworkRead",
                                        [](ModbusCodec &c) {
                                            const uint8_t d[] = {0x01};
                                            c.BuildVendorRequest(kFnNetwork, d);
                                        },
                                        "01 47 00 01 01 CD 24"},
                      SerialRequestCase{"EventLogCount",
                                        [](ModbusCodec &c) {
                                            const uint8_t d[] = {0x03, 0x01};
                                            c.BuildVendorRequest(kFnHistory, d);
                                        },
                                        "01 41 00 02 03 01 5D 35"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(TcpFraming, FirstRequestCarriesTransactionOneAndTheUnitLength) {
    LinkKind link = LinkKind::Tcp;
    FakeLinkPort port;
    ModbusCodec codec(link, port);
    codec.BuildReadRequest("0001", "007F");
    ASSERT_EQ(port.writes.size(), 1u);
    EXPECT_TRUE(port.writes[0].Tcp);
    EXPECT_EQ(BytesToSpacedHex(port.Last()), "00 01 00 00 00 06 01 04 00 01 00 7F");
    EXPECT_EQ(codec.LastSentFunction(), kFnReadInput);
    EXPECT_EQ(port.indicator, std::optional<bool>(true));

    Bytes data{0x01, 0x02};
    AppendBE16(data, 258);
    codec.BuildVendorRequest(kFnHistory, data);
    EXPECT_EQ(BytesToSpacedHex(port.Last()), "00 02 00 00 00 08 01 41 00 04 01 02 01 02");
    EXPECT_EQ(codec.LastSentFunction(), kFnHistory);
}

TEST(TcpFraming, TransactionIdWrapsFromFFFFToZero) {
    LinkKind link = LinkKind::Tcp;
    FakeLinkPort port;
    ModbusCodec codec(link, port);
    for (int i = 0; i < 0xFFFF; ++i)
        codec.BuildWriteRequest(0x30, i);
    EXPECT_EQ(codec.TransactionCounter(), 0xFFFFu);
    EXPECT_EQ(BytesToSpacedHex(Bytes(port.Last().begin(), port.Last().begin() + 2)), "FF FF");
    codec.BuildWriteRequest(0x30, 1);
    EXPECT_EQ(BytesToSpacedHex(Bytes(port.Last().begin(), port.Last().begin() + 2)), "00 00");
    codec.BuildWriteRequest(0x30, 1);
    EXPECT_EQ(BytesToSpacedHex(Bytes(port.Last().begin(), port.Last().begin() + 2)), "00 01");
}

TEST(TcpFraming, DisconnectedSendWritesNothingAndReconnects) {
    for (LinkKind kind : {LinkKind::Tcp, LinkKind::Unselected}) {
        LinkKind link = kind;
        FakeLinkPort port;
        ModbusCodec codec(link, port);
        codec.BuildReadRequest("0001", "007F");
        ASSERT_EQ(codec.TransactionCounter(), 1u);

        port.connected = false;
        codec.BuildWriteRequest(0x30, 230);
        EXPECT_EQ(port.writes.size(), 1u);
        EXPECT_EQ(codec.TransactionCounter(), 1u);
        EXPECT_EQ(codec.LastSentFunction(), kFnReadInput);
        EXPECT_EQ(port.indicator, std::optional<bool>(false));
        EXPECT_EQ(port.reconnects, 1);

        port.connected = true;
        codec.BuildWriteRequest(0x30, 230);
        EXPECT_EQ(BytesToSpacedHex(port.Last()), "00 02 00 00 00 06 01 06 00 30 00 E6");
        EXPECT_EQ(port.indicator, std::optional<bool>(true));
    }
}

TEST(SendRequest, LinkFailuresNeverReachTheCaller) {
    for (LinkKind kind : {LinkKind::Serial, LinkKind::Tcp}) {
        LinkKind link = kind;
        FakeLinkPort port;
        port.throwOnWrite = true;
        ModbusCodec codec(link, port);
        EXPECT_NO_THROW(codec.BuildReadRequest("0001", "007F"));
        port.connected = false;
        EXPECT_NO_THROW(codec.BuildReadRequest("0001", "007F"));
        EXPECT_TRUE(port.writes.empty());
    }
}

TEST(CheckSerialFrame, AcceptsTheCrcAndSplitsFunctionAndPayload) {
    Bytes frame = Hex("01 06 00 30 00 E6 08 4F");
    int32_t function = -1;
    Bytes payload;
    ASSERT_TRUE(CheckSerialFrame(frame, function, payload));
    EXPECT_EQ(function, 0x06);
    EXPECT_EQ(BytesToSpacedHex(payload), "00 30 00 E6 08 4F");
}

TEST(CheckSerialFrame, RejectsAnyCorruptedByteAndChangesNothing) {
    const Bytes good = WithCrc(Hex("01 41 00 03 01 03 01"));
    for (std::size_t i = 0; i < good.size(); ++i) {
        for (uint8_t flip : {0x01, 0x80}) {
            Bytes bad = good;
            bad[i] ^= flip;
            int32_t function = -1;
            Bytes payload{0xAA};
            EXPECT_FALSE(CheckSerialFrame(bad, function, payload)) << "byte " << i;
            EXPECT_EQ(function, -1);
            EXPECT_EQ(payload, Bytes{0xAA});
        }
    }
    int32_t function = -1;
    Bytes payload;
    for (const char *shortFrame : {"", "01", "01 06", "FF FF FF"})
        EXPECT_FALSE(CheckSerialFrame(Hex(shortFrame), function, payload)) << shortFrame;
}

TEST(ModbusCodec, HistoryRequestResetsTheReceiverButNetworkReadDoesNot) {
    LinkKind link = LinkKind::Serial;
    FakeLinkPort port;
    ModbusCodec codec(link, port);
    fakes::RecordingSink sink;
    fakes::FakeClock clock;
    ResponseReceiver rx(codec, sink, clock);
    codec.AttachReceiver(&rx);

    const Bytes partial = Hex("01 04 FE 00 00");
    rx.OnSerialRead(partial);
    const uint8_t network[] = {0x01};
    codec.BuildVendorRequest(kFnNetwork, network);
    EXPECT_NE(rx.RxState(), ResponseReceiver::kIdle);

    const uint8_t count[] = {0x01, 0x01};
    codec.BuildVendorRequest(kFnHistory, count);
    EXPECT_EQ(rx.RxState(), ResponseReceiver::kIdle);
    // The reply that follows at once is taken whole instead of as data of the abandoned frame.
    rx.OnSerialRead(WithCrc(Hex("01 41 00 04 01 01 00 03")));
    ASSERT_EQ(sink.responses.size(), 1u);
    EXPECT_EQ(sink.responses[0].function, kFnHistory);
}

TEST(ByteHelpers, CutAndFormat) {
    Bytes b = Hex("01 02 03");
    EXPECT_EQ(TakeFront(b, 2), (Bytes{1, 2}));
    EXPECT_EQ(b, Bytes{3});
    EXPECT_EQ(TakeFront(b, 5), Bytes{3});
    EXPECT_TRUE(b.empty());
    EXPECT_EQ(BytesToHex(Hex("0A FF 00")), "0AFF00");
    EXPECT_EQ(ParseHex(""), 0);
    EXPECT_EQ(ParseHex("007F"), 127);
    EXPECT_EQ(ParseHex("fe"), 254);
    EXPECT_EQ(ParseBE16(Hex("01 02")), 258);
    Bytes out;
    EXPECT_FALSE(ParseHexBytes("0", out));
    EXPECT_FALSE(ParseHexBytes("0 1", out));
    EXPECT_FALSE(ParseHexBytes("zz", out));
}

} // namespace
} // namespace zephyra
