#include "access/access_rules.h"

namespace zephyra {

namespace {
struct Account {
    const char *User;
    const char *Password;
    UserLevel Level;
};
// Checked in this order; a known user name with a wrong password falls through to the next.
constexpr Account kAccounts[] = {
    {"super", "905172648", UserLevel::Super},
    {"admin", "6472", UserLevel::Admin},
    {"guest", "6793", UserLevel::User},
};
} // namespace

std::optional<UserLevel> CheckCredentials(std::string_view user, std::string_view password) {
    for (const Account &a : kAccounts)
        if (user == a.User && password == a.Password)
            return a.Level;
    return std::nullopt;
}

const char *LevelText(UserLevel level) {
    switch (level) {
    case UserLevel::Super:
        return "  Super User Mode";
    case UserLevel::Admin:
        return "  Admin User Mode";
    case UserLevel::User:
        break;
    }
    return "  User Mode";
}

AccessChanges ApplyAccessRules(LinkKind link, UserLevel level) {
    AccessChanges c;
    c.Items = {{"mIPSet", true}, {"mACLSet", true}};
    if (link != LinkKind::Serial)
        return c;
    for (const char *name :
         {"mDataTimeSet", "mAlarmTest", "mSystemOperation", "mControllerReset", "mAlarmLog", "mEventLog"})
        c.Items.emplace_back(name, true);
    switch (level) {
    case UserLevel::Super:
        for (const char *name : {"mEventLog", "mMeasurementSet", "mFactoryInitial", "mInitialLog"})
            c.Items.emplace_back(name, true);
        c.ShowRelayFields = true;
        break;
    case UserLevel::Admin:
        c.Items.emplace_back("mEventLog", true);
        c.Items.emplace_back("mAlarmTest", true);
        break;
    case UserLevel::User:
        c.Items.emplace_back("mEventLog", false);
        c.Items.emplace_back("mMeasurementSet", false);
        c.Items.emplace_back("mFactoryInitial", false);
        c.Items.emplace_back("mAlarmTest", true);
        break;
    }
    return c;
}

const std::vector<const char *> &DeviceMenuItems() {
    // The ACL command too: without a link it could only fail, and the next decode enables it again.
    static const std::vector<const char *> items{"mMeasurementSet",  "mDataTimeSet",     "mIPSet",
                                                 "mSystemOperation", "mControllerReset", "mAlarmLog",
                                                 "mEventLog",        "mInitialLog",      "mFactoryInitial",
                                                 "mAlarmTest",       "mACLSet"};
    return items;
}

} // namespace zephyra
