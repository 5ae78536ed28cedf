// Which session Parlix works with, from the environment it is started in.
#include "app/DesktopSession.h"

#include <gtest/gtest.h>

using namespace parlix;

TEST(DesktopSession, TheSessionDecidesUnlessQtIsToldOtherwise)
{
    struct Case {
        const char *wayland;
        const char *display;
        const char *qpa;
        DesktopSession::Kind kind;
        const char *qtPlatform;
        bool valid;
    };
    using K = DesktopSession::Kind;
    const Case cases[] = {
        {"wayland-0", ":0", nullptr, K::wayland, "wayland", true},
        {nullptr, ":0", nullptr, K::x11, "xcb", true},
        {"wayland-0", ":0", "xcb", K::x11, "xcb", true}, // XWayland on request
        {"wayland-0", nullptr, "xcb", K::x11, "xcb", false},
        {nullptr, ":0", "wayland", K::wayland, "wayland", false},
        {"wayland-0", ":0", "wayland:option", K::wayland, "wayland", true},
        {nullptr, ":0", "offscreen", K::x11, "xcb", true}, // a plugin without a desktop
        {nullptr, nullptr, nullptr, K::x11, "xcb", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.wayland ? c.wayland : "-") + " " + (c.display ? c.display : "-") + " " + (c.qpa ? c.qpa : "-"));
        QProcessEnvironment environment;
        if (c.wayland)
            environment.insert(QStringLiteral("WAYLAND_DISPLAY"), QString::fromLatin1(c.wayland));
        if (c.display)
            environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(c.display));
        if (c.qpa)
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QString::fromLatin1(c.qpa));
        const DesktopSession session = DesktopSession::choose(environment);
        EXPECT_EQ(session.kind, c.kind);
        EXPECT_EQ(session.qtPlatform, QByteArray(c.qtPlatform));
        EXPECT_EQ(session.isValid(), c.valid) << session.error.toStdString();
    }
}
