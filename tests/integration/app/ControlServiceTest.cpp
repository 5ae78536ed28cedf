// The control interface on a private session bus, in front of the real dictation controller with
// fake services: each method reaches the trigger entry points, the
// State property and its PropertiesChanged follow the dictation, and OpenSettings names its tab.
#include "AnnouncedStates.h"
#include "ControllerHarness.h"
#include "DBusSession.h"
#include "Pump.h"
#include "control/ControlNames.h"
#include "control/ControlService.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <gtest/gtest.h>

using namespace parlix;
using namespace parlix::test;

namespace {

class ControlServiceTest : public ::testing::Test {
protected:
    void SetUp() override { build(); }
    void TearDown() override { teardown(); }

    // A fresh controller harness with the service in front of it on the bus.
    void build()
    {
        ASSERT_TRUE(bus.isRunning()) << bus.error().toStdString();
        harness = std::make_unique<ControllerHarness>();
        static int round = 0;
        ++round;
        server = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(bus.address(), QStringLiteral("server%1").arg(round)));
        client = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(bus.address(), QStringLiteral("client%1").arg(round)));
        ASSERT_TRUE(server->isConnected() && client->isConnected());
        ASSERT_TRUE(server->registerService(QString::fromLatin1(control::serviceName)));
        service = std::make_unique<ControlService>(*harness->controller, harness->state);
        QString error;
        ASSERT_TRUE(service->registerOn(*server, &error)) << error.toStdString();
        ASSERT_TRUE(announced.listen(*client));
    }

    void teardown()
    {
        if (server) {
            server->unregisterObject(QString::fromLatin1(control::objectPath));
            server->unregisterService(QString::fromLatin1(control::serviceName));
        }
        service.reset();
        const QString serverName = server ? server->name() : QString();
        const QString clientName = client ? client->name() : QString();
        server.reset();
        client.reset();
        QDBusConnection::disconnectFromBus(serverName);
        QDBusConnection::disconnectFromBus(clientName);
        harness.reset();
        announced.states.clear();
    }

    // Calls a method through the bus; the service answers on this thread, so the loop runs meanwhile.
    QDBusMessage call(const QString &interface, const QString &method, const QVariantList &arguments = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(QString::fromLatin1(control::serviceName),
                                                              QString::fromLatin1(control::objectPath), interface, method);
        message.setArguments(arguments);
        QDBusPendingCall pending = client->asyncCall(message, 5000);
        EXPECT_TRUE(pumpUntil([&] { return pending.isFinished(); }));
        return pending.reply();
    }
    QDBusMessage control(const QString &method, const QVariantList &arguments = {})
    {
        return call(QString::fromLatin1(control::interfaceName), method, arguments);
    }
    QString stateOverBus()
    {
        const QDBusMessage reply = call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                                        {QString::fromLatin1(control::interfaceName), QStringLiteral("State")});
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return QStringLiteral("<error %1>").arg(reply.errorName());
        return reply.arguments().first().value<QDBusVariant>().variant().toString();
    }

    DBusSession bus;
    std::unique_ptr<ControllerHarness> harness;
    std::unique_ptr<QDBusConnection> server;
    std::unique_ptr<QDBusConnection> client;
    std::unique_ptr<ControlService> service;
    AnnouncedStates announced;
};

enum class Before { idle, recording, live, starting };

// The full trigger table is the controller's own (TriggerTest); these rows show each method
// reaching its entry point, including the stop remembered while the recorder starts.
TEST_F(ControlServiceTest, MethodsReachTheTriggerEntryPoints)
{
    struct Row {
        Before setup;
        const char *method;
        int clipStarts; // further clip starts the request caused
        int clipStops;
        int liveStops;
        const char *activity; // afterwards, with every held recorder start released
    };
    const Row rows[] = {
        {Before::idle, "Start", 1, 0, 0, "R"},
        {Before::recording, "Toggle", 0, 1, 0, "T"},
        {Before::live, "Stop", 0, 0, 1, "-"},
        {Before::starting, "Stop", 0, 1, 0, "T"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(QStringLiteral("%1 in state %2").arg(QLatin1String(r.method)).arg(int(r.setup)).toStdString());
        teardown();
        build();
        ControllerHarness &h = *harness;
        h.engine.holdCalls = true;
        h.engine.succeed(h.clip.clipPath, QStringLiteral("Text."));
        if (r.setup == Before::recording) {
            h.controller->startRecording();
            ASSERT_TRUE(pumpUntil([&] { return h.state.isRecording(); }));
        } else if (r.setup == Before::live) {
            h.useLive();
            h.controller->startLiveRecording();
            ASSERT_TRUE(pumpUntil([&] { return h.state.isLiveTranscribing(); }));
        } else if (r.setup == Before::starting) {
            h.clip.holdStart = true;
            h.controller->startRecording();
            ASSERT_TRUE(h.controller->isStartPending());
        }
        const int starts = h.clip.startCalls;
        const int stops = h.clip.stopCalls;
        const int liveStops = h.live.stopCalls;

        const QDBusMessage reply = control(QString::fromLatin1(r.method));
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        // Release held recorder starts (never the engine) and let queued work run.
        pumpUntil([&] {
            h.clip.starts.releaseNext();
            h.live.starts.releaseNext();
            return !h.controller->isStartPending() && !h.controller->isLiveStopping()
                && (r.setup != Before::starting || h.state.isTranscribing());
        });
        pumpUntil([] { return false; }, 30);

        EXPECT_EQ(h.clip.startCalls - starts, r.clipStarts);
        EXPECT_EQ(h.clip.stopCalls - stops, r.clipStops);
        EXPECT_EQ(h.live.stopCalls - liveStops, r.liveStops);
        EXPECT_EQ(h.activity(), QString::fromLatin1(r.activity));
    }
}

TEST_F(ControlServiceTest, StatePropertyFollowsADictationAndIsAnnounced)
{
    ControllerHarness &h = *harness;
    h.engine.holdCalls = true;
    h.engine.succeed(h.clip.clipPath, QStringLiteral("Hello there."));
    EXPECT_EQ(stateOverBus(), u"idle");

    control(QStringLiteral("Start"));
    ASSERT_TRUE(pumpUntil([&] { return h.state.isRecording(); }));
    EXPECT_EQ(stateOverBus(), u"recording");

    control(QStringLiteral("Stop"));
    ASSERT_TRUE(pumpUntil([&] { return h.engine.pending.waiting() > 0; }));
    EXPECT_EQ(stateOverBus(), u"transcribing");

    h.engine.pending.releaseNext();
    ASSERT_TRUE(pumpUntil([&] { return !h.state.isTranscribing(); }));
    EXPECT_EQ(stateOverBus(), u"idle");
    ASSERT_TRUE(pumpUntil([&] { return announced.states.size() >= 3; }, 5000));
    EXPECT_EQ(announced.states, (QStringList{QStringLiteral("recording"), QStringLiteral("transcribing"), QStringLiteral("idle")}));
    ASSERT_EQ(h.delivery.pasted, QStringList{QStringLiteral("Hello there.")});

    // A live dictation is announced as "live", and only changes are announced.
    h.useLive();
    control(QStringLiteral("Toggle"));
    ASSERT_TRUE(pumpUntil([&] { return h.state.isLiveTranscribing(); }));
    EXPECT_EQ(stateOverBus(), u"live");
    control(QStringLiteral("Start"));
    control(QStringLiteral("Stop"));
    ASSERT_TRUE(pumpUntil([&] { return !h.state.isLiveTranscribing() && !h.controller->isLiveStopping(); }));
    ASSERT_TRUE(pumpUntil([&] { return announced.states.size() >= 5; }, 5000));
    EXPECT_EQ(announced.states.mid(3), (QStringList{QStringLiteral("live"), QStringLiteral("idle")}));
}

TEST_F(ControlServiceTest, OpenSettingsNamesItsTabOrRefusesAnUnknownOne)
{
    ControllerHarness &h = *harness;
    struct Row {
        const char *tab;
        std::optional<SettingsTab> opened;
    };
    const Row rows[] = {
        {"", SettingsTab::general},
        {"Model", SettingsTab::model},
        {"bogus", std::nullopt},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.tab);
        h.settingsRequests.clear();
        const QDBusMessage reply = control(QStringLiteral("OpenSettings"), {QString::fromLatin1(r.tab)});
        if (r.opened) {
            EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage);
            EXPECT_EQ(h.settingsRequests, QList<SettingsTab>{*r.opened});
        } else {
            EXPECT_EQ(reply.errorName(), QString::fromLatin1(control::unknownTabError));
            EXPECT_TRUE(reply.errorMessage().contains(QStringLiteral("recording, model, output, history, general, about")));
            EXPECT_TRUE(h.settingsRequests.isEmpty());
        }
    }
}

} // namespace

