// Network identity: the dialog's fields, the kept parts, defaults, barcode conversion and the one
// 0x47 write frame.
#pragma once

#include <array>
#include <string>

#include "core/text_key.h"
#include "link/bytes.h"
#include "polling/poll_controller.h"
#include "polling/status_decoder.h"

namespace zephyra {

struct NetworkParts {
    std::array<std::string, 4> Ip, Gw, Sm;
    std::array<std::string, 6> Mac;
};

struct NetworkInputs {
    bool IpTicked = false, GwTicked = false, SmTicked = false, MacTicked = false;
    NetworkParts Fields;
    std::string Barcode;
};

// The stored address texts split at "." into 4, 4, 4 and 6 parts; shown in the fields and kept.
NetworkParts KeptNetworkParts(const StatusSnapshot &snapshot);
NetworkInputs PrefillNetwork(const StatusSnapshot &snapshot);

// 192.168.30.70, gateway 192.168.30.1, mask 255.255.255.0, MAC 0A.5E.21.FE.FF.10; ticks IP, gateway and
// mask but not the MAC.
void ApplyNetworkDefaults(NetworkInputs &in);
// A scanned MAC label: six two-digit hexadecimal parts, joined by one separator used throughout ("-",
// ":", "." or a blank) or by none. It fills the MAC fields and ticks the MAC box; anything else is refused
// with the returned message and changes nothing, so a misread label never reaches the device.
std::string ConvertBarcode(NetworkInputs &in, const TextTranslator &tr);

struct NetworkWrite {
    Bytes Request; // 01 47 00 13 02 + 18-byte block; empty when nothing was ticked or on error
    std::string Error;
    bool Ok() const { return Error.empty(); }
};

// Ticked sections come from the fields, the others from the kept parts (edits there are ignored).
// A refusal names the section at fault.
NetworkWrite NetworkWriteRequest(const NetworkInputs &in, const NetworkParts &kept, const TextTranslator &tr);

// The identity a write frame carries, as parts: once the device accepts it, this is what it holds and
// what the next OK keeps for its unticked sections.
NetworkParts WrittenNetworkParts(const Bytes &request);

} // namespace zephyra
