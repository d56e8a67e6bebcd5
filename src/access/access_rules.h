// Accounts, user levels and which menu commands each level may use on each link.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/link_kind.h"

namespace zephyra {

enum class UserLevel : int32_t { User = 0, Admin = 1, Super = 2 };

inline constexpr const char *kPleaseTryAgain = " Please try again ";

// Exact, case-sensitive match of the fixed accounts; nullopt when the check fails.
std::optional<UserLevel> CheckCredentials(std::string_view user, std::string_view password);
// First status-bar panel: "  Super User Mode", "  Admin User Mode", "  User Mode".
const char *LevelText(UserLevel level);

struct AccessChanges {
    // Menu items (object names) whose enabled state changes; items not listed keep their state.
    std::vector<std::pair<const char *, bool>> Items;
    // The relay group and the two charge fields are shown (never hidden again by the rules).
    bool ShowRelayFields = false;
};

AccessChanges ApplyAccessRules(LinkKind link, UserLevel level);

// Device commands that a confirmed disconnect or logout disables.
const std::vector<const char *> &DeviceMenuItems();

} // namespace zephyra
