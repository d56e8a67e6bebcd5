#include "access/session_model.h"

#include <algorithm>

namespace zephyra {

namespace {
// Menu order; the three always-on items first.
constexpr const char *kItems[] = {
    "mExit",     "mHomePage",   "mTraffic",         "mLogin",          "mLogout",
    "mConnect",  "mDisconnect", "mSystemOperation", "mMeasurementSet", "mDataTimeSet",
    "mIPSet",    "mACLSet",     "mControllerReset", "mFactoryInitial", "mAlarmTest",
    "mAlarmLog", "mEventLog",   "mInitialLog",
};
} // namespace

SessionModel::SessionModel(const LinkKind &link, const bool &connected) : link_(link), connected_(connected) {
    for (const char *item : kItems)
        menu_.emplace_back(item, false);
    Set("mExit", true);
    Set("mHomePage", true);
    Set("mTraffic", true); // watching the line needs no login
    DeriveLinkItems();
}

void SessionModel::Set(std::string_view item, bool enabled) {
    auto it = std::find_if(menu_.begin(), menu_.end(), [&](const auto &m) { return item == m.first; });
    if (it != menu_.end())
        it->second = enabled;
}

bool SessionModel::Enabled(std::string_view item) const {
    auto it = std::find_if(menu_.begin(), menu_.end(), [&](const auto &m) { return item == m.first; });
    return it != menu_.end() && it->second;
}

void SessionModel::DeriveLinkItems() {
    Set("mLogin", !loggedIn_);
    Set("mLogout", loggedIn_);
    Set("mConnect", loggedIn_ && !connected_);
    Set("mDisconnect", loggedIn_ && connected_);
}

void SessionModel::DisableDeviceItems() {
    for (const char *item : DeviceMenuItems())
        Set(item, false);
}

void SessionModel::LogIn(UserLevel level) {
    level_ = level;
    loggedIn_ = true;
    DeriveLinkItems();
}

void SessionModel::LogOut() {
    // The level stays until the next login overwrites it; nothing reaches the device before that.
    loggedIn_ = false;
    LinkClosed();
}

void SessionModel::LinkConfirmed(std::string portText) {
    portText_ = std::move(portText);
    linkText_.clear();
    DeriveLinkItems();
}

void SessionModel::LinkClosed() {
    everClosed_ = true;
    linkText_.clear();
    DisableDeviceItems();
    DeriveLinkItems();
}

bool SessionModel::StatusDecoded() {
    AccessChanges changes = ApplyAccessRules(link_, level_);
    for (const auto &[item, enabled] : changes.Items)
        Set(item, enabled);
    DeriveLinkItems();
    return changes.ShowRelayFields;
}

std::string SessionModel::Panel(int index) const {
    switch (index) {
    case 0:
        return loggedIn_ ? LevelText(level_) : "";
    case 1:
        if (connected_)
            return portText_;
        return everClosed_ ? kNotConnectedText : "";
    case 2:
        return linkText_;
    default:
        return "";
    }
}

} // namespace zephyra
