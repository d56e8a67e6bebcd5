// The session: menu states and status-bar panels from login, link and every decode.
#include <gtest/gtest.h>

#include "access/session_model.h"

namespace zephyra {
namespace {

struct Session {
    LinkKind link = LinkKind::Serial;
    bool connected = false;
    SessionModel model{link, connected};

    // The poll controller's part of a confirmed link and of its close, then the session's.
    void Connect(LinkKind kind, const std::string &port = "/dev/ttyV0") {
        link = kind;
        connected = true;
        model.LinkConfirmed(port);
    }
    void Close() {
        connected = false;
        model.LinkClosed();
    }
    std::vector<std::string> On() const {
        std::vector<std::string> on;
        for (const auto &[item, enabled] : model.Menu())
            if (enabled)
                on.emplace_back(item);
        return on;
    }
};

using Items = std::vector<std::string>;
const Items kAlways{"mExit", "mHomePage", "mTraffic"};
Items With(Items base, const Items &more) {
    base.insert(base.end(), more.begin(), more.end());
    return base;
}

TEST(SessionModel, LoginConnectDisconnectAndLogoutFollowTheLifecycleTable) {
    Session s;
    EXPECT_EQ(s.On(), With(kAlways, {"mLogin"}));
    EXPECT_EQ(s.model.Panel(0), "");

    s.model.LogIn(UserLevel::Admin);
    EXPECT_EQ(s.On(), With(kAlways, {"mLogout", "mConnect"}));
    EXPECT_EQ(s.model.Panel(0), "  Admin User Mode");

    s.Connect(LinkKind::Serial);
    EXPECT_EQ(s.On(), With(kAlways, {"mLogout", "mDisconnect"})) << "device menus wait for a decode";
    EXPECT_EQ(s.model.Panel(1), "/dev/ttyV0");
    s.model.StatusDecoded();
    s.model.SetEthernetLinkText(" Link Up : Full-Duplex 1G");
    EXPECT_TRUE(s.model.Enabled("mAlarmTest"));
    EXPECT_EQ(s.model.Panel(2), " Link Up : Full-Duplex 1G");

    s.Close();
    EXPECT_EQ(s.On(), With(kAlways, {"mLogout", "mConnect"}));
    EXPECT_EQ(s.model.Panel(1), kNotConnectedText);
    EXPECT_EQ(s.model.Panel(2), "");
    EXPECT_EQ(s.model.Panel(0), "  Admin User Mode");

    s.Connect(LinkKind::Tcp, "127.0.0.1");
    s.model.StatusDecoded();
    s.connected = false;
    s.model.LogOut();
    EXPECT_EQ(s.On(), With(kAlways, {"mLogin"}));
    EXPECT_EQ(s.model.Panel(0), "");
    EXPECT_EQ(s.model.Panel(1), kNotConnectedText);
}

// The access table: what a decode enables per link and level, starting from a fresh connection.
TEST(SessionModel, EveryDecodeAppliesTheAccessTable) {
    const Items serialAll{"mIPSet",           "mACLSet",    "mSystemOperation", "mDataTimeSet",
                          "mControllerReset", "mAlarmTest", "mAlarmLog"};
    struct Case {
        LinkKind link;
        UserLevel level;
        Items on, off;
        bool relay;
    };
    const Case cases[] = {
        {LinkKind::Serial,
         UserLevel::Super,
         With(serialAll, {"mEventLog", "mMeasurementSet", "mFactoryInitial", "mInitialLog"}),
         {},
         true},
        {LinkKind::Serial,
         UserLevel::Admin,
         With(serialAll, {"mEventLog"}),
         {"mMeasurementSet", "mFactoryInitial", "mInitialLog"},
         false},
        {LinkKind::Serial,
         UserLevel::User,
         serialAll,
         {"mEventLog", "mMeasurementSet", "mFactoryInitial", "mInitialLog"},
         false},
        {LinkKind::Tcp,
         UserLevel::Super,
         {"mIPSet", "mACLSet"},
         {"mSystemOperation", "mDataTimeSet", "mAlarmLog", "mEventLog", "mMeasurementSet", "mInitialLog"},
         false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(static_cast<int>(c.level));
        Session s;
        s.model.LogIn(c.level);
        s.Connect(c.link);
        EXPECT_EQ(s.model.StatusDecoded(), c.relay);
        for (const std::string &item : c.on)
            EXPECT_TRUE(s.model.Enabled(item)) << item;
        for (const std::string &item : c.off)
            EXPECT_FALSE(s.model.Enabled(item)) << item;
    }
}

// A User after a Super still may not open the measurement window (the shown fields are the window's).
TEST(SessionModel, MenusDoNotOutliveALogout) {
    Session s;
    s.model.LogIn(UserLevel::Super);
    s.Connect(LinkKind::Serial);
    s.model.StatusDecoded();
    s.connected = false;
    s.model.LogOut();
    for (const char *item : DeviceMenuItems())
        EXPECT_FALSE(s.model.Enabled(item)) << item;
    s.model.LogIn(UserLevel::User);
    s.Connect(LinkKind::Serial);
    EXPECT_FALSE(s.model.StatusDecoded());
    EXPECT_FALSE(s.model.Enabled("mMeasurementSet"));
}

} // namespace
} // namespace zephyra
