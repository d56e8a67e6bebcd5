#include "config/network_settings.h"

#include "config/setting_parse.h"
#include "link/modbus_codec.h"

namespace zephyra {

namespace {

constexpr uint8_t kNetworkFunction = 0x47;
constexpr uint8_t kSubWrite = 0x02;

template <std::size_t N> std::array<std::string, N> Split(const std::string &text) {
    std::vector<std::string> parts = SplitParts(text, '.', N);
    std::array<std::string, N> out;
    for (std::size_t i = 0; i < N; ++i)
        out[i] = parts[i];
    return out;
}

std::string AppendDecimal(const char *label, const std::array<std::string, 4> &parts, Bytes &block) {
    for (const std::string &part : parts) {
        uint8_t octet = 0;
        std::string error = ReadDecimalOctet(label, part, octet);
        if (!error.empty())
            return error;
        block.push_back(octet);
    }
    return {};
}

// Byte ranges of a UTF-8 text, one per character, so a cut never splits a character.
std::vector<std::string> Characters(std::string_view text) {
    std::vector<std::string> chars;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t n = 1;
        while (i + n < text.size() && (static_cast<uint8_t>(text[i + n]) & 0xC0) == 0x80)
            ++n;
        chars.emplace_back(text.substr(i, n));
        i += n;
    }
    return chars;
}

} // namespace

NetworkParts KeptNetworkParts(const StatusSnapshot &snapshot) {
    NetworkParts kept;
    kept.Ip = Split<4>(snapshot.IPText);
    kept.Gw = Split<4>(snapshot.GWText);
    kept.Sm = Split<4>(snapshot.SMText);
    kept.Mac = Split<6>(snapshot.MACText);
    return kept;
}

NetworkInputs PrefillNetwork(const StatusSnapshot &snapshot) {
    NetworkInputs in;
    in.Fields = KeptNetworkParts(snapshot);
    return in;
}

void ApplyNetworkDefaults(NetworkInputs &in) {
    in.Fields.Ip = {"192", "168", "30", "70"};
    in.Fields.Gw = {"192", "168", "30", "1"};
    in.Fields.Sm = {"255", "255", "255", "0"};
    in.Fields.Mac = {"0A", "5E", "21", "FE", "FF", "10"};
    in.IpTicked = in.GwTicked = in.SmTicked = true;
}

void ConvertBarcode(NetworkInputs &in) {
    std::vector<std::string> chars = Characters(in.Barcode);
    for (std::size_t group = 0; group < 6; ++group) {
        std::string &field = in.Fields.Mac[group];
        field.clear();
        for (std::size_t k = group * 3; k < group * 3 + 2 && k < chars.size(); ++k)
            field += chars[k];
    }
    in.MacTicked = true;
}

NetworkWrite NetworkWriteRequest(const NetworkInputs &in, const NetworkParts &kept) {
    NetworkWrite out;
    const NetworkParts &mac = in.MacTicked ? in.Fields : kept;
    const NetworkParts &ip = in.IpTicked ? in.Fields : kept;
    const NetworkParts &sm = in.SmTicked ? in.Fields : kept;
    const NetworkParts &gw = in.GwTicked ? in.Fields : kept;

    Bytes data{kSubWrite};
    for (const std::string &part : mac.Mac) {
        uint8_t octet = 0;
        out.Error = ReadHexOctet("MAC", part, octet);
        if (!out.Ok())
            return out;
        data.push_back(octet);
    }
    if (!(out.Error = AppendDecimal("IP", ip.Ip, data)).empty())
        return out;
    if (!(out.Error = AppendDecimal("Subnet mask", sm.Sm, data)).empty())
        return out;
    if (!(out.Error = AppendDecimal("Gateway", gw.Gw, data)).empty())
        return out;

    if (in.IpTicked || in.GwTicked || in.SmTicked || in.MacTicked)
        out.Request = VendorRequestUnit(kNetworkFunction, data);
    return out;
}

bool SendNetworkWrite(PollController &controller, ResponseReceiver &receiver, const Bytes &request) {
    if (request.empty() || controller.WriteBusy())
        return false;
    receiver.Reset();
    return controller.StartNetworkWrite(request);
}

} // namespace zephyra
