// The GlobalShortcuts client against the real desktop portal of KDE Plasma 5.27
// (xdg-desktop-portal with its KDE backend and kglobalaccel, the daemon behind KDE's global
// shortcuts) on a private session bus and a headless X server: kglobalaccel grabs the bound
// trigger there, so xdotool's key presses come back as the portal's Activated and Deactivated.
// (Its RemoteDesktop needs KWin, which does not run headless: typing is tested against the
// stand-in portal.)
#include "DBusSession.h"
#include "MemoryKeyValueStore.h"
#include "Pump.h"
#include "XSession.h"
#include "core/SettingsModel.h"
#include "hotkey/HotkeyManager.h"
#include "platform/portal/PortalGlobalShortcutBackend.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace parlix;
using namespace parlix::test;

namespace {

const QString kClient = QStringLiteral("kde-portal-client");

QString firstExisting(const QStringList &paths)
{
    for (const QString &path : paths) {
        if (QFileInfo(path).isExecutable())
            return path;
    }
    return {};
}

class KdePortalTest : public ::testing::Test {
protected:
    XSession x;
    DBusSession bus;
    QTemporaryDir home;
    std::vector<std::unique_ptr<QProcess>> desktop;
    QDBusConnection client{QString()};

    void SetUp() override
    {
        ASSERT_TRUE(x.isRunning()) << x.error().toStdString();
        ASSERT_TRUE(bus.isRunning()) << bus.error().toStdString();
        client = QDBusConnection::connectToBus(bus.address(), kClient);
        ASSERT_TRUE(client.isConnected());

        QProcessEnvironment env = bus.environment(x.environment());
        env.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("KDE"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
        QDir(home.path()).mkdir(QStringLiteral("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("run")));

        const QString kdeBackend = firstExisting({"/usr/lib/x86_64-linux-gnu/libexec/xdg-desktop-portal-kde",
                                                  "/usr/lib/aarch64-linux-gnu/libexec/xdg-desktop-portal-kde",
                                                  "/usr/libexec/xdg-desktop-portal-kde"});
        const QString portal = firstExisting({"/usr/libexec/xdg-desktop-portal", "/usr/lib/xdg-desktop-portal"});
        ASSERT_FALSE(kdeBackend.isEmpty() || portal.isEmpty()) << "xdg-desktop-portal and xdg-desktop-portal-kde are needed";
        // The portal looks its backend up when it starts: the backend and kglobalaccel first.
        start(QStringLiteral("kglobalaccel5"), env);
        start(kdeBackend, env);
        ASSERT_TRUE(waitForName("org.kde.kglobalaccel") && waitForName("org.freedesktop.impl.portal.desktop.kde"));
        start(portal, env);
        ASSERT_TRUE(waitForName("org.freedesktop.portal.Desktop"));
    }

    void TearDown() override
    {
        for (auto &process : desktop) {
            process->terminate();
            if (!process->waitForFinished(3000))
                process->kill();
            process->waitForFinished(1000);
        }
        QDBusConnection::disconnectFromBus(kClient);
    }

    void start(const QString &program, const QProcessEnvironment &env)
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->setStandardOutputFile(QProcess::nullDevice());
        process->start(program, {});
        desktop.push_back(std::move(process));
    }

    bool waitForName(const char *name)
    {
        return pumpUntil([&] { return client.interface()->isServiceRegistered(QString::fromLatin1(name)).value(); }, 20000);
    }
};

TEST_F(KdePortalTest, TheKdePortalBindsTheHotkeyAndItsKeysComeBackAsPressAndRelease)
{
    MemoryKeyValueStore store;
    SettingsModel settings{store};
    PortalGlobalShortcutBackend backend(client);
    HotkeyManager manager(settings, backend);
    QStringList events;
    manager.onHotkeyPressed = [&] { events << "pressed"; };
    manager.onHotkeyReleased = [&] { events << "released"; };

    manager.registerHotkey();
    ASSERT_TRUE(pumpUntil([&] { return !manager.isPending(); }, 20000));
    ASSERT_TRUE(manager.isRegistered()) << manager.failure().toStdString();
    EXPECT_EQ(manager.trigger(), "Ctrl+Alt+Space");

    const QStringList hold{"keydown", "ctrl+alt+space", "sleep", "0.3", "keyup", "space", "alt", "ctrl"};
    ASSERT_EQ(x.run(QStringLiteral("xdotool"), hold), 0);
    EXPECT_TRUE(pumpUntil([&] { return events.size() >= 2; }));
    EXPECT_EQ(events, QStringList({"pressed", "released"}));

    // Closing the session lets the keys go.
    manager.unregisterHotkey();
    pumpFor(500);
    ASSERT_EQ(x.run(QStringLiteral("xdotool"), hold), 0);
    pumpFor(500);
    EXPECT_EQ(events.size(), 2);
}

} // namespace
