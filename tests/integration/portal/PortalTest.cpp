// The desktop portal clients. Against a stand-in portal on a private session bus: the words the
// user gets for each way the desktop refuses or lets go of a shortcut, that no session is left
// open, and the keysyms, consent token and refusals of typing through RemoteDesktop. Against the
// real portal of KDE Plasma 5.27 (xdg-desktop-portal-kde and kglobalaccel) on a headless X
// server: binding, and xdotool's keys coming back as Activated and Deactivated. (KDE's
// RemoteDesktop needs KWin, which does not run headless.)
#include "DBusSession.h"
#include "FakePortal.h"
#include "Files.h"
#include "MemoryKeyValueStore.h"
#include "Pump.h"
#include "XSession.h"
#include "core/Coro.h"
#include "core/Graphemes.h"
#include "core/SettingsModel.h"
#include "hotkey/HotkeyManager.h"
#include "platform/portal/PortalGlobalShortcutBackend.h"
#include "platform/portal/PortalKeyInjector.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <vector>


using namespace parlix;
using namespace parlix::test;
using Keysym = FakePortal::Keysym;

namespace {

const QString kClient = QStringLiteral("portal-client");

class PortalTest : public ::testing::Test {
protected:
    DBusSession session;
    std::unique_ptr<FakePortal> portal;
    QDBusConnection bus{QString()};
    MemoryKeyValueStore store;
    SettingsModel settings{store};
    QTemporaryDir dir;
    const QString tokenFile = dir.filePath(QStringLiteral("Parlix/remote-desktop-token"));

    void SetUp() override
    {
        ASSERT_TRUE(session.isRunning()) << session.error().toStdString();
        portal = std::make_unique<FakePortal>(session.address());
        ASSERT_TRUE(portal->isRegistered());
        bus = QDBusConnection::connectToBus(session.address(), kClient);
        ASSERT_TRUE(bus.isConnected());
    }

    void TearDown() override { QDBusConnection::disconnectFromBus(kClient); }

    // What the paste manager does to type `text` and then paste.
    static bool typeAndPaste(PortalKeyInjector &keys, const QString &text)
    {
        const QStringList characters = graphemes::split(text);
        if (coro::waitFor(keys.prepareTyping(characters)) != characters.size())
            return false;
        bool typed = true;
        for (const QString &character : characters)
            typed = keys.typeCharacter(character) && typed;
        if (!coro::waitFor(keys.prepareKeys({KeyInjector::Key::control, KeyInjector::Key::v})))
            return false;
        for (const auto &[key, down] : {std::pair{KeyInjector::Key::control, true}, {KeyInjector::Key::v, true},
                                        {KeyInjector::Key::v, false}, {KeyInjector::Key::control, false}})
            typed = keys.sendKey(key, down) && typed;
        keys.finish();
        return typed;
    }
};

TEST_F(PortalTest, EachShortcutRefusalOfTheDesktopIsReportedInWords)
{
    const struct {
        const char *name;
        bool offered;
        const char *refusingMethod;
        uint response;
        bool bindsNothing;
        bool closedAfterBinding;
        const char *failure;
        bool sessionClosedByUs;
    } cases[] = {
        {"the desktop ends the session", true, "", 0, false, true,
         "The desktop ended the shortcut session; the hotkey no longer works", false},
        // No failure: a key bound in the compositor runs parlixctl.
        {"no portal offers global shortcuts", false, "", 0, false, false, "", false},
        {"session refused", true, "CreateSession", 2, false, false, "The desktop bound no shortcut for dictation", false},
        {"dialog cancelled", true, "BindShortcuts", 1, false, false,
         "The desktop's shortcut dialog was closed without binding Ctrl+Alt+Space", true},
        {"nothing bound", true, "", 0, true, false, "The desktop bound no shortcut for dictation", true},
    };
    PortalGlobalShortcutBackend backend(bus);
    HotkeyManager manager(settings, backend);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        portal->offersGlobalShortcuts = c.offered;
        portal->responses = {{QString::fromLatin1(c.refusingMethod), c.response}};
        portal->bindsNothing = c.bindsNothing;
        portal->closedSessions.clear();

        manager.registerHotkey();
        ASSERT_TRUE(pumpUntil([&] { return !manager.isPending(); }));
        if (c.closedAfterBinding) {
            ASSERT_TRUE(manager.isRegistered()) << manager.failure().toStdString();
            EXPECT_EQ(portal->boundShortcuts.value("dictate").value("preferred_trigger").toString(), "CTRL+ALT+space");
            // The user rebinds it in the desktop's settings, then the desktop lets go.
            portal->changeTrigger("dictate", "Meta+D");
            EXPECT_TRUE(pumpUntil([&] { return manager.trigger() == "Meta+D"; }));
            portal->closeSession("GlobalShortcuts");
            EXPECT_TRUE(pumpUntil([&] { return !manager.isRegistered(); }));
        }

        EXPECT_FALSE(manager.isRegistered());
        EXPECT_EQ(manager.isBoundByCompositor(), !c.offered);
        EXPECT_EQ(manager.failure(), QString::fromUtf8(c.failure));
        // A session that bound nothing is not left open on the desktop.
        EXPECT_TRUE(pumpUntil([&] { return portal->closedSessions.isEmpty() != c.sessionClosedByUs; }, 2000));
    }
}

QList<Keysym> tap(int keysym)
{
    return {{keysym, 1}, {keysym, 0}};
}

TEST_F(PortalTest, TypesEveryCharacterAsItsKeysymAndKeepsTheConsentForTheNextRun)
{
    const QList<Keysym> expected = tap(0xe9) + tap(0x1004e2d) + tap(0x20) + tap('o') + tap('k') + tap('!') + tap(0xff0d)
        + QList<Keysym>{{0xffe3, 1}, {'v', 1}, {'v', 0}, {0xffe3, 0}};
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        portal->keysyms.clear();
        PortalKeyInjector keys(bus, tokenFile);
        EXPECT_TRUE(keys.ensureAccess());
        EXPECT_FALSE(keys.keyboardGrabbed());

        ASSERT_TRUE(typeAndPaste(keys, QStringLiteral("é中 ok!\n")));
        EXPECT_TRUE(pumpUntil([&] { return portal->keysyms.size() >= expected.size(); }));
        EXPECT_EQ(portal->keysyms, expected);

        EXPECT_EQ(portal->deviceOptions.value("types").toUInt(), 1u);
        EXPECT_EQ(portal->deviceOptions.value("persist_mode").toUInt(), 2u);
        // The first run asks the user; the next one hands back the token the first was given.
        EXPECT_EQ(portal->deviceOptions.value("restore_token").toString(), run == 1 ? QString() : QStringLiteral("restore-1"));
        EXPECT_EQ(fileBytes(tokenFile), QStringLiteral("restore-%1").arg(run).toUtf8());
        EXPECT_EQ(fileMode(tokenFile), 0600);
    }
}

TEST_F(PortalTest, ATypingRefusalOrAMissingPortalSendsNothingAndSaysSo)
{
    const struct {
        const char *name;
        bool offered;
        QHash<QString, uint> responses;
        uint grantedDevices;
        PortalKeyInjector::State state;
    } cases[] = {
        {"the user cancels", true, {{"Start", 1}}, 1, PortalKeyInjector::State::refused},
        {"only a pointer granted", true, {}, 2, PortalKeyInjector::State::refused},
        {"session refused", true, {{"CreateSession", 2}}, 1, PortalKeyInjector::State::refused},
        {"no remote desktop portal", false, {}, 1, PortalKeyInjector::State::unavailable},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        portal->offersRemoteDesktop = c.offered;
        portal->responses = c.responses;
        portal->grantedDevices = c.grantedDevices;
        portal->keysyms.clear();
        PortalKeyInjector keys(bus, tokenFile);
        keys.ensureAccess();

        EXPECT_FALSE(typeAndPaste(keys, QStringLiteral("ok")));
        EXPECT_EQ(keys.state(), c.state);
        // The paste manager's next check reports it instead of sending keys nobody receives.
        EXPECT_FALSE(keys.ensureAccess());
        pumpFor(50);
        EXPECT_TRUE(portal->keysyms.isEmpty());
    }
}

TEST(KdePortalTest, TheKdePortalBindsTheHotkeyAndItsKeysComeBackAsPressAndRelease)
{
    XSession x;
    DBusSession session;
    QTemporaryDir home;
    ASSERT_TRUE(x.isRunning()) << x.error().toStdString();
    ASSERT_TRUE(session.isRunning()) << session.error().toStdString();
    QDBusConnection client = QDBusConnection::connectToBus(session.address(), kClient);
    ASSERT_TRUE(client.isConnected());

    QProcessEnvironment env = session.environment(x.environment());
    env.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("KDE"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("HOME"), home.path());
    env.remove(QStringLiteral("XDG_CONFIG_HOME"));
    env.remove(QStringLiteral("XDG_DATA_HOME"));
    QDir(home.path()).mkdir(QStringLiteral("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("run")));
    const QStringList libexec{"/usr/lib/x86_64-linux-gnu/libexec", "/usr/lib/aarch64-linux-gnu/libexec", "/usr/libexec",
                              "/usr/lib"};
    const QString kdeBackend = QStandardPaths::findExecutable(QStringLiteral("xdg-desktop-portal-kde"), libexec);
    const QString portal = QStandardPaths::findExecutable(QStringLiteral("xdg-desktop-portal"), libexec);
    ASSERT_FALSE(kdeBackend.isEmpty() || portal.isEmpty()) << "xdg-desktop-portal and xdg-desktop-portal-kde are needed";

    std::vector<std::unique_ptr<QProcess>> desktop;
    const auto stop = qScopeGuard([&] {
        for (auto &process : desktop) {
            process->terminate();
            process->waitForFinished(3000); // else killed as it goes
        }
        QDBusConnection::disconnectFromBus(kClient);
    });
    const auto start = [&](const QString &program, const char *name) {
        desktop.push_back(std::make_unique<QProcess>());
        desktop.back()->setProcessEnvironment(env);
        desktop.back()->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        desktop.back()->setStandardOutputFile(QProcess::nullDevice());
        desktop.back()->start(program, {});
        return pumpUntil([&] { return client.interface()->isServiceRegistered(QString::fromLatin1(name)).value(); }, 20000);
    };
    // The portal looks its backend up when it starts: the backend and kglobalaccel first.
    ASSERT_TRUE(start(QStringLiteral("kglobalaccel5"), "org.kde.kglobalaccel"));
    ASSERT_TRUE(start(kdeBackend, "org.freedesktop.impl.portal.desktop.kde"));
    ASSERT_TRUE(start(portal, "org.freedesktop.portal.Desktop"));
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
