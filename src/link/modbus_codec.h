// Request framing (RTU CRC or MBAP header) and the serial CRC check.
#pragma once

#include <cstdint>
#include <string_view>

#include "link/bytes.h"
#include "link/link_monitor.h"
#include "link/link_port.h"
#include "link/link_types.h"

namespace zephyra {

class ResponseReceiver;
class LinkMonitor;

uint16_t Crc16(ByteView bytes, std::size_t count);
inline uint16_t Crc16(ByteView bytes) {
    return Crc16(bytes, bytes.size());
}

// Unit bytes (01, function, fields) of each request kind, without link framing.
Bytes ReadRequestUnit(int32_t start, int32_t count);
Bytes WriteRequestUnit(int32_t address, int32_t value);
Bytes VendorRequestUnit(uint8_t function, ByteView data);

// Appends the CRC, low byte first.
Bytes WithCrc(ByteView unit);
// Puts the MBAP header in front: transaction id, protocol 0, length of the unit.
Bytes WithMbap(uint16_t transaction, ByteView unit);

// True when the last two bytes (low first) are the CRC of the rest; then sets function and payload
// (everything from the third byte on, CRC included). Leaves them unchanged otherwise.
bool CheckSerialFrame(ByteView frame, int32_t &function, Bytes &payload);

class ModbusCodec {
public:
    ModbusCodec(const LinkKind &link, LinkPort &port) : link_(link), port_(port) {}

    // The 0x41 request resets this receiver before it is sent.
    void AttachReceiver(ResponseReceiver *receiver) { receiver_ = receiver; }
    // A half frame left over must not swallow the reply to the next request.
    void ResetReceiver();
    // Every request that goes out is recorded here.
    void SetMonitor(LinkMonitor *monitor) { monitor_ = monitor; }

    void BuildReadRequest(std::string_view startHex, std::string_view countHex);
    void BuildWriteRequest(int32_t address, int32_t value);
    void BuildVendorRequest(uint8_t function, ByteView data);
    // replyWindowMs: how long the reply is awaited (0: the link's own time-out). Returns the request's
    // number from the link monitor (0: not sent, or no monitor).
    uint64_t SendRequest(ByteView unit, int64_t replyWindowMs = 0);

    uint32_t TransactionCounter() const { return transactionCounter_; }
    int32_t LastSentFunction() const { return lastSentFunction_; }
    // Whether a serial reply answers the request last sent, as libmodbus checks a confirmation: the
    // same function (or its exception) and, for a register read, two bytes per register asked.
    DropReason MatchSerialReply(int32_t function, ByteView payload) const;
    LinkPort &Port() { return port_; }
    LinkKind Link() const { return link_; }

private:
    const LinkKind &link_;
    LinkPort &port_;
    ResponseReceiver *receiver_ = nullptr;
    LinkMonitor *monitor_ = nullptr;
    uint32_t transactionCounter_ = 0;
    int32_t lastSentFunction_ = 0;
    struct Awaited {
        int32_t Function = 0;
        int32_t Registers = 0;
    };
    Awaited awaited_; // the last serial request
};

} // namespace zephyra
