// The control interface on a private session bus, in front of the real dictation controller with
// fake services: PropertiesChanged announces each change of State, and OpenSettings refuses an
// unknown tab. Reading State over the bus is what every e2e test waits on
// (ParlixInstance::waitForState).
#include "AnnouncedStates.h"
#include "ControllerHarness.h"
#include "DBusSession.h"
#include "Pump.h"
#include "control/ControlNames.h"
#include "control/ControlService.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <gtest/gtest.h>

using namespace parlix;
using namespace parlix::test;

namespace {

class ControlServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bus.isRunning()) << bus.error().toStdString();
        harness = std::make_unique<ControllerHarness>();
        server = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(bus.address(), QStringLiteral("server")));
        client = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(bus.address(), QStringLiteral("client")));
        ASSERT_TRUE(server->isConnected() && client->isConnected());
        ASSERT_TRUE(server->registerService(QString::fromLatin1(control::serviceName)));
        service = std::make_unique<ControlService>(*harness->controller, harness->state);
        QString error;
        ASSERT_TRUE(service->registerOn(*server, &error)) << error.toStdString();
        ASSERT_TRUE(announced.listen(*client));
    }

    void TearDown() override
    {
        service.reset();
        server.reset();
        client.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("server"));
        QDBusConnection::disconnectFromBus(QStringLiteral("client"));
    }

    // Calls a method through the bus; the service answers on this thread, so the loop runs meanwhile.
    QDBusMessage control(const QString &method, const QVariantList &arguments = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(QString::fromLatin1(control::serviceName), QString::fromLatin1(control::objectPath),
                                                              QString::fromLatin1(control::interfaceName), method);
        message.setArguments(arguments);
        QDBusPendingCall pending = client->asyncCall(message, 5000);
        EXPECT_TRUE(pumpUntil([&] { return pending.isFinished(); }));
        return pending.reply();
    }
    DBusSession bus;
    std::unique_ptr<ControllerHarness> harness;
    std::unique_ptr<QDBusConnection> server;
    std::unique_ptr<QDBusConnection> client;
    std::unique_ptr<ControlService> service;
    AnnouncedStates announced;
};

TEST_F(ControlServiceTest, StateChangesAreAnnounced)
{
    ControllerHarness &h = *harness;
    h.engine.holdCalls = true;
    h.engine.succeed(h.clip.clipPath, QStringLiteral("Hello there."));

    control(QStringLiteral("Start"));
    ASSERT_TRUE(pumpUntil([&] { return h.state.isRecording(); }));

    control(QStringLiteral("Stop"));
    ASSERT_TRUE(pumpUntil([&] { return h.engine.pending.waiting() > 0; }));

    h.engine.pending.releaseNext();
    ASSERT_TRUE(pumpUntil([&] { return !h.state.isTranscribing(); }));
    ASSERT_TRUE(pumpUntil([&] { return announced.states.size() >= 3; }, 5000));
    EXPECT_EQ(announced.states, (QStringList{QStringLiteral("recording"), QStringLiteral("transcribing"), QStringLiteral("idle")}));
    ASSERT_EQ(h.delivery.pasted, QStringList{QStringLiteral("Hello there.")});

    // A live dictation is announced as "live", and only changes are announced.
    h.useLive();
    control(QStringLiteral("Toggle"));
    ASSERT_TRUE(pumpUntil([&] { return h.state.isLiveTranscribing(); }));
    control(QStringLiteral("Start"));
    control(QStringLiteral("Stop"));
    ASSERT_TRUE(pumpUntil([&] { return !h.state.isLiveTranscribing() && !h.controller->isLiveStopping(); }));
    ASSERT_TRUE(pumpUntil([&] { return announced.states.size() >= 5; }, 5000));
    EXPECT_EQ(announced.states.mid(3), (QStringList{QStringLiteral("live"), QStringLiteral("idle")}));
}

// A named tab opens: ParlixProcessTest (none: General) and DictationTest (parlixctl settings
// recording). A name parlixctl would not send is refused with the names there are.
TEST_F(ControlServiceTest, OpenSettingsRefusesAnUnknownTab)
{
    const QDBusMessage reply = control(QStringLiteral("OpenSettings"), {QStringLiteral("bogus")});
    EXPECT_EQ(reply.errorName(), QString::fromLatin1(control::unknownTabError));
    EXPECT_TRUE(reply.errorMessage().contains(QStringLiteral("recording, model, output, history, general, about")));
    EXPECT_TRUE(harness->settingsRequests.isEmpty());
}

} // namespace

