// The operator's session: who is logged in, which link is up, and what the menu and the status bar
// show because of it. The main window only renders this; no widget keeps a menu state of its own.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "access/access_rules.h"
#include "core/link_kind.h"

namespace zephyra {

// Panel 2 once a link has been closed.
inline constexpr const char *kNotConnectedText = "Not connected";

class SessionModel {
public:
    // The link kind and whether a link is confirmed belong to the poll; the session only reads them.
    SessionModel(const LinkKind &link, const bool &connected);

    void LogIn(UserLevel level);
    // Logout confirmed: the link is closed too.
    void LogOut();
    void LinkConfirmed(std::string portText);
    // Disconnect or logout confirmed.
    void LinkClosed();
    // Every decoded status block re-applies the access rules for the current link and level. True when
    // this decode shows the relay group and the charge fields (once more, if Image1 hid the latter).
    bool StatusDecoded();
    void SetEthernetLinkText(std::string text) { linkText_ = std::move(text); }

    UserLevel Level() const { return level_; }
    bool LoggedIn() const { return loggedIn_; }
    bool Connected() const { return connected_; }
    bool Enabled(std::string_view item) const;
    // Every menu item with its enabled state, in menu order.
    const std::vector<std::pair<const char *, bool>> &Menu() const { return menu_; }
    // Status bar: 0 user level, 1 port or host, 2 the device's Ethernet link.
    std::string Panel(int index) const;

private:
    void Set(std::string_view item, bool enabled);
    void DisableDeviceItems();
    void DeriveLinkItems();

    const LinkKind &link_;
    const bool &connected_;
    UserLevel level_ = UserLevel::User;
    bool loggedIn_ = false;
    bool everClosed_ = false;
    std::string portText_;
    std::string linkText_;
    std::vector<std::pair<const char *, bool>> menu_;
};

} // namespace zephyra
