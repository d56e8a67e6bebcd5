#include "config/network_settings.h"

#include "config/setting_parse.h"
#include "core/text_key.h"
#include "link/modbus_codec.h"

namespace zephyra {

namespace {

constexpr uint8_t kNetworkFunction = 0x47;
constexpr uint8_t kSubWrite = 0x02;
// Unit, function, two length bytes and the sub-code come before the identity block.
constexpr std::size_t kBlockOffset = 5;
constexpr std::size_t kBlockSize = 18;

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool IsBarcodeSeparator(char c) {
    return c == '-' || c == ':' || c == '.' || c == ' ';
}

template <std::size_t N> std::array<std::string, N> Split(const std::string &text) {
    std::vector<std::string> parts = SplitParts(text, '.', N);
    std::array<std::string, N> out;
    for (std::size_t i = 0; i < N; ++i)
        out[i] = parts[i];
    return out;
}

std::string AppendDecimal(const char *label, const std::array<std::string, 4> &parts, Bytes &block,
                          const TextTranslator &tr) {
    for (const std::string &part : parts) {
        uint8_t octet = 0;
        std::string error = ReadDecimalOctet(label, part, octet, tr);
        if (!error.empty())
            return error;
        block.push_back(octet);
    }
    return {};
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

std::string ConvertBarcode(NetworkInputs &in, const TextTranslator &tr) {
    const std::string_view text = TrimBlanks(in.Barcode);
    // Twelve digits in a row, or six pairs with one separator between each two.
    const std::size_t step = text.size() == 12 ? 2 : text.size() == 17 ? 3 : 0;
    bool ok = step != 0;
    std::array<std::string, 6> mac;
    for (std::size_t group = 0; ok && group < 6; ++group) {
        const std::size_t at = group * step;
        ok = IsHexDigit(text[at]) && IsHexDigit(text[at + 1]);
        if (ok && step == 3 && group < 5)
            ok = IsBarcodeSeparator(text[at + 2]) && text[at + 2] == text[2];
        for (std::size_t k = at; ok && k < at + 2; ++k)
            mac[group] += static_cast<char>(text[k] >= 'a' ? text[k] - 'a' + 'A' : text[k]);
    }
    if (!ok)
        return tr.Format(
            ZEPHYRA_TEXT("zephyra", "바코드: '%1' 값은 MAC 주소(두 자리 16진수 여섯 묶음)가 아닙니다"),
            {in.Barcode});
    in.Fields.Mac = mac;
    in.MacTicked = true;
    return {};
}

NetworkWrite NetworkWriteRequest(const NetworkInputs &in, const NetworkParts &kept,
                                 const TextTranslator &tr) {
    NetworkWrite out;
    const NetworkParts &mac = in.MacTicked ? in.Fields : kept;
    const NetworkParts &ip = in.IpTicked ? in.Fields : kept;
    const NetworkParts &sm = in.SmTicked ? in.Fields : kept;
    const NetworkParts &gw = in.GwTicked ? in.Fields : kept;

    Bytes data{kSubWrite};
    for (const std::string &part : mac.Mac) {
        uint8_t octet = 0;
        out.Error = ReadHexOctet("MAC", part, octet, tr);
        if (!out.Ok())
            return out;
        data.push_back(octet);
    }
    if (!(out.Error = AppendDecimal("IP", ip.Ip, data, tr)).empty())
        return out;
    if (!(out.Error = AppendDecimal("Subnet mask", sm.Sm, data, tr)).empty())
        return out;
    if (!(out.Error = AppendDecimal("Gateway", gw.Gw, data, tr)).empty())
        return out;

    if (in.IpTicked || in.GwTicked || in.SmTicked || in.MacTicked)
        out.Request = VendorRequestUnit(kNetworkFunction, data);
    return out;
}

NetworkParts WrittenNetworkParts(const Bytes &request) {
    NetworkParts parts;
    if (request.size() < kBlockOffset + kBlockSize)
        return parts;
    const uint8_t *block = request.data() + kBlockOffset;
    const char *hex = "0123456789ABCDEF";
    for (std::size_t i = 0; i < 6; ++i)
        parts.Mac[i] = {hex[block[i] >> 4], hex[block[i] & 0x0F]};
    for (std::size_t i = 0; i < 4; ++i) {
        parts.Ip[i] = std::to_string(block[6 + i]);
        parts.Sm[i] = std::to_string(block[10 + i]);
        parts.Gw[i] = std::to_string(block[14 + i]);
    }
    return parts;
}

} // namespace zephyra
