// Which link a device is reached by; the windows' rules and the link layer both speak of it.
#pragma once

#include <cstdint>

namespace zephyra {

enum class LinkKind : uint8_t { Serial = 0, Tcp = 1, Unselected = 2 };

} // namespace zephyra
