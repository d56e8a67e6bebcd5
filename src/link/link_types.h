#pragma once

#include <cstdint>

#include "core/link_kind.h"

namespace zephyra {

inline constexpr uint8_t kUnitAddress = 0x01;
inline constexpr uint8_t kFnReadInput = 0x04;
inline constexpr uint8_t kFnWriteSingle = 0x06;
inline constexpr uint8_t kFnHistory = 0x41;
inline constexpr uint8_t kFnNetwork = 0x47;
inline constexpr uint8_t kExceptionBit = 0x80;

} // namespace zephyra
