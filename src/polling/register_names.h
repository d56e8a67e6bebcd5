// Names of the writable registers as the settings windows caption them, so a message about a write
// speaks of the field the operator ticked rather than of an address.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/text_key.h"
#include "polling/poll_state.h"
#include "polling/write_sequence.h"

namespace zephyra {

// The caption of the field that writes the register, or "register 0xNNNN".
std::string RegisterName(int32_t address, const TextTranslator &tr);
// A queued write by name; the command register is named after the command it carries.
std::string WriteName(const PendingWrite &write, const TextTranslator &tr);
// A Modbus exception code in words ("잘못된 데이터 주소"), or "예외 NN" for the rarer ones.
std::string ExceptionText(int code, const TextTranslator &tr);
// What a sequence refused part-way did: the fail line, then the writes that took effect, the refused
// one with the device's reason, and those never sent, each group in the order it went (or would have).
std::string RefusedSequenceText(std::span<const PendingWrite> written, const PendingWrite &refused, int code,
                                std::span<const PendingWrite> notSent, const TextTranslator &tr);

// The message of a write sequence that did not end with every write confirmed: a refusal as above; an
// echo that did not match its write (" Setting Fail!!" first); a deadline (in words, naming the
// settings not confirmed and those never sent).
std::string WriteSequenceEndText(const WriteSequenceReport &report, const TextTranslator &tr);

} // namespace zephyra
