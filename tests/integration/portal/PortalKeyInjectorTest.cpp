// Typing and the paste chord through the RemoteDesktop portal client, against a stand-in portal
// on a private session bus: the keysyms that reach the portal for a text well outside any one
// layout, the consent kept in a 0600 file and used by the next run, and what a refusal or a
// missing portal leaves the caller with.
#include "DBusSession.h"
#include "FakePortal.h"
#include "Pump.h"
#include "core/Coro.h"
#include "core/Graphemes.h"
#include "platform/portal/PortalKeyInjector.h"

#include <QDBusConnection>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

#include <sys/stat.h>

using namespace parlix;
using namespace parlix::test;
using Keysym = FakePortal::Keysym;

namespace {

class PortalKeyInjectorTest : public ::testing::Test {
protected:
    DBusSession session;
    std::unique_ptr<FakePortal> portal;
    QTemporaryDir dir;
    QString tokenFile;
    QDBusConnection bus{QString()};

    void SetUp() override
    {
        ASSERT_TRUE(session.isRunning()) << session.error().toStdString();
        portal = std::make_unique<FakePortal>(session.address());
        ASSERT_TRUE(portal->isRegistered());
        bus = QDBusConnection::connectToBus(session.address(), QStringLiteral("injector-client"));
        ASSERT_TRUE(bus.isConnected());
        tokenFile = dir.filePath(QStringLiteral("Parlix/remote-desktop-token"));
    }

    void TearDown() override { QDBusConnection::disconnectFromBus(QStringLiteral("injector-client")); }

    QString storedToken() const
    {
        QFile file(tokenFile);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

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

QList<Keysym> tap(int keysym)
{
    return {{keysym, 1}, {keysym, 0}};
}

TEST_F(PortalKeyInjectorTest, TypesEveryCharacterAsItsKeysymAndKeepsTheConsentForTheNextRun)
{
    const QString text = QStringLiteral("é中 ok!\n");
    const QList<Keysym> expected = tap(0xe9) + tap(0x1004e2d) + tap(0x20) + tap('o') + tap('k') + tap('!') + tap(0xff0d)
        + QList<Keysym>{{0xffe3, 1}, {'v', 1}, {'v', 0}, {0xffe3, 0}};

    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        portal->keysyms.clear();
        PortalKeyInjector keys(bus, tokenFile);
        EXPECT_TRUE(keys.ensureAccess());
        EXPECT_FALSE(keys.keyboardGrabbed());

        ASSERT_TRUE(typeAndPaste(keys, text));
        EXPECT_TRUE(pumpUntil([&] { return portal->keysyms.size() >= expected.size(); }));
        EXPECT_EQ(portal->keysyms, expected);

        EXPECT_EQ(portal->deviceOptions.value("types").toUInt(), 1u);
        EXPECT_EQ(portal->deviceOptions.value("persist_mode").toUInt(), 2u);
        // The first run asks the user; the next one hands back the token the first was given.
        EXPECT_EQ(portal->deviceOptions.value("restore_token").toString(),
                  run == 1 ? QString() : QStringLiteral("restore-1"));
        EXPECT_EQ(storedToken(), QStringLiteral("restore-%1").arg(run));
        struct stat info {};
        ASSERT_EQ(stat(QFile::encodeName(tokenFile).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
    }
}

TEST_F(PortalKeyInjectorTest, ARefusalOrAMissingPortalSendsNothingAndSaysSo)
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

} // namespace
