// The state and tab names of the control interface, and how D-Bus error replies are read.
#include "control/ControlClient.h"
#include "control/ControlNames.h"

#include <gtest/gtest.h>

using namespace parlix;
using namespace parlix::control;

namespace {

TEST(ControlState, FlagsMapToOneName)
{
    struct Row {
        bool recording, transcribing, live;
        const char *name;
    };
    const Row rows[] = {
        {false, false, false, "idle"},
        {true, false, false, "recording"},
        {false, true, false, "transcribing"},
        {false, false, true, "live"},
        // AppState refuses two activities at once; should it happen, the one a stop acts on wins.
        {true, true, false, "recording"},
        {false, true, true, "live"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(stateName(stateFrom(r.recording, r.transcribing, r.live)), QString::fromLatin1(r.name));
    }
}

TEST(ControlTabs, NamesReadBackToTheirTab)
{
    struct Row {
        const char *text;
        std::optional<SettingsTab> tab;
    };
    const Row rows[] = {
        {"recording", SettingsTab::recording},
        {" ABOUT\t", SettingsTab::about},
        {"", SettingsTab::general},
        {"hist", std::nullopt},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(tabFromName(QString::fromLatin1(r.text)), r.tab);
    }
    for (const QString &name : tabNames())
        EXPECT_EQ(tabName(*tabFromName(name)), name);
}

TEST(ControlErrors, BusErrorsAreReadAsOutcomesAndMessages)
{
    using Outcome = Reply::Outcome;
    struct Row {
        const char *name;
        Outcome outcome;
        const char *messageStart;
    };
    const Row rows[] = {
        {"org.freedesktop.DBus.Error.ServiceUnknown", Outcome::notRunning, "Parlix is not running"},
        {"com.quorvane.parlix.Error.UnknownTab", Outcome::refused, "app says no"},
        {"org.freedesktop.DBus.Error.NoReply", Outcome::failed, "Parlix did not answer in time"},
        {"org.freedesktop.DBus.Error.UnknownObject", Outcome::failed, "Parlix is still starting"},
        {"org.freedesktop.DBus.Error.AccessDenied", Outcome::failed, "D-Bus error org.freedesktop.DBus.Error.AccessDenied: app says no"},
        // Another application's error namespace is not ours to trust as a refusal.
        {"com.quorvane.parlixx.Error.Foo", Outcome::failed, "D-Bus error"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        const QString name = QString::fromLatin1(r.name);
        EXPECT_EQ(outcomeOfError(name), r.outcome);
        EXPECT_TRUE(messageForError(name, QStringLiteral("app says no")).startsWith(QString::fromUtf8(r.messageStart)))
            << messageForError(name, QStringLiteral("app says no")).toStdString();
    }
}

} // namespace
