// The headless desktop the X11 tests rely on: a server on a private display and a window
// manager that answers for the active window.
#include "XSession.h"

#include <gtest/gtest.h>

using parlix::test::XSession;

TEST(XSession, ServesAPrivateDisplayWithAWindowManager)
{
    XSession session({.windowManager = true});
    ASSERT_TRUE(session.isRunning()) << session.error().toStdString();
    EXPECT_NE(session.display(), qEnvironmentVariable("DISPLAY"));

    QByteArray geometry;
    ASSERT_EQ(session.run("xdotool", {"getdisplaygeometry"}, &geometry), 0);
    EXPECT_EQ(geometry.trimmed(), "1280 800");

    QByteArray supported;
    ASSERT_EQ(session.run("xprop", {"-root", "_NET_SUPPORTED"}, &supported), 0);
    EXPECT_TRUE(supported.contains("_NET_ACTIVE_WINDOW"));
}

TEST(XSession, TwoSessionsGetDifferentDisplays)
{
    XSession a;
    XSession b;
    ASSERT_TRUE(a.isRunning() && b.isRunning());
    EXPECT_NE(a.display(), b.display());
}
