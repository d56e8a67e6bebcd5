#include "link/modbus_codec.h"

#include <exception>

#include "link/link_monitor.h"
#include "link/response_receiver.h"

namespace zephyra {

uint16_t Crc16(ByteView bytes, std::size_t count) {
    uint16_t crc = 0xFFFF;
    if (count > bytes.size())
        count = bytes.size();
    for (std::size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) {
            bool out = crc & 1;
            crc >>= 1;
            if (out)
                crc ^= 0xA001;
        }
    }
    return crc;
}

Bytes ReadRequestUnit(int32_t start, int32_t count) {
    Bytes unit{kUnitAddress, kFnReadInput};
    AppendBE16(unit, start);
    AppendBE16(unit, count);
    return unit;
}

Bytes WriteRequestUnit(int32_t address, int32_t value) {
    Bytes unit{kUnitAddress, kFnWriteSingle};
    AppendBE16(unit, address);
    AppendBE16(unit, value);
    return unit;
}

Bytes VendorRequestUnit(uint8_t function, ByteView data) {
    Bytes unit{kUnitAddress, function};
    AppendBE16(unit, static_cast<int32_t>(data.size()));
    unit.insert(unit.end(), data.begin(), data.end());
    return unit;
}

Bytes WithCrc(ByteView unit) {
    Bytes frame(unit.begin(), unit.end());
    uint16_t crc = Crc16(unit);
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    return frame;
}

Bytes WithMbap(uint16_t transaction, ByteView unit) {
    Bytes frame;
    frame.reserve(unit.size() + 6);
    AppendBE16(frame, transaction);
    AppendBE16(frame, 0);
    AppendBE16(frame, static_cast<int32_t>(unit.size()));
    frame.insert(frame.end(), unit.begin(), unit.end());
    return frame;
}

bool CheckSerialFrame(ByteView frame, int32_t &function, Bytes &payload) {
    if (frame.size() < 4)
        return false;
    std::size_t n = frame.size() - 2;
    uint16_t got = static_cast<uint16_t>(frame[n] | (frame[n + 1] << 8));
    if (got != Crc16(frame, n))
        return false;
    function = frame[1];
    payload.assign(frame.begin() + 2, frame.end());
    return true;
}

void ModbusCodec::BuildReadRequest(std::string_view startHex, std::string_view countHex) {
    SendRequest(ReadRequestUnit(ParseHex(startHex), ParseHex(countHex)));
}

void ModbusCodec::BuildWriteRequest(int32_t address, int32_t value) {
    SendRequest(WriteRequestUnit(address, value));
}

void ModbusCodec::ResetReceiver() {
    if (receiver_)
        receiver_->Reset();
}

void ModbusCodec::BuildVendorRequest(uint8_t function, ByteView data) {
    if (function == kFnHistory)
        ResetReceiver();
    SendRequest(VendorRequestUnit(function, data));
}

uint64_t ModbusCodec::SendRequest(ByteView unit, int64_t replyWindowMs) {
    // Link failures never reach the caller: the poll notices them as missing replies and asks again.
    try {
        if (link_ == LinkKind::Serial) {
            awaited_.Function = unit.size() > 1 ? unit[1] : 0;
            awaited_.Registers = unit.size() >= 6 && unit[1] == kFnReadInput ? unit[4] << 8 | unit[5] : 0;
            Bytes frame = WithCrc(unit);
            port_.WriteSerial(frame);
            return monitor_ ? monitor_->RequestSent(LinkKind::Serial, frame, 0, replyWindowMs) : 0;
        }
        if (!port_.TcpConnected()) {
            port_.PaintConnect(false);
            port_.ReconnectTcp();
            return 0;
        }
        transactionCounter_ = transactionCounter_ == 0xFFFF ? 0 : transactionCounter_ + 1;
        Bytes frame = WithMbap(static_cast<uint16_t>(transactionCounter_), unit);
        lastSentFunction_ = unit.size() > 1 ? unit[1] : 0;
        port_.WriteTcp(frame);
        uint64_t number = 0;
        if (monitor_)
            number = monitor_->RequestSent(LinkKind::Tcp, frame, static_cast<uint16_t>(transactionCounter_),
                                           replyWindowMs);
        port_.PaintConnect(true);
        return number;
    } catch (const std::exception &) {
    }
    return 0;
}

DropReason ModbusCodec::MatchSerialReply(int32_t function, ByteView payload) const {
    // Nothing asked yet (or a reply fed by hand): the mode alone decides.
    if (awaited_.Function == 0)
        return DropReason::None;
    if ((function & ~kExceptionBit) != awaited_.Function)
        return DropReason::RequestMismatch;
    if (function == kFnReadInput && (payload.empty() || payload[0] != 2 * awaited_.Registers))
        return DropReason::RequestMismatch;
    return DropReason::None;
}

} // namespace zephyra
