// The control interface: tab names, how D-Bus error replies are read, and parlixctl's control
// commands read into D-Bus requests. (The state names: every e2e test waits on them.)
#include "control/ControlClient.h"
#include "control/ControlNames.h"
#include "control/ControlRequest.h"

#include <gtest/gtest.h>

using namespace parlix;
using namespace parlix::control;

namespace {

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

TEST(ControlRequest, CommandLinesBecomeRequestsOrUsageErrors)
{
    struct Row {
        const char *command;
        QStringList arguments;
        // A method (empty: read State) with its arguments, or the start of a usage error.
        std::optional<Request> request;
        const char *error = "";
    };
    const Row rows[] = {
        {"toggle", {}, Request{QStringLiteral("Toggle"), {}}},
        {"cancel", {}, Request{QStringLiteral("Cancel"), {}}},
        {"retry", {}, Request{QStringLiteral("Retry"), {}}},
        {"status", {}, Request{QString(), {}}},
        {"settings", {}, Request{QStringLiteral("OpenSettings"), {QString()}}},
        // Sent in the app's own spelling.
        {"settings", {QStringLiteral("Model")}, Request{QStringLiteral("OpenSettings"), {QStringLiteral("model")}}},
        {"settings", {QStringLiteral("histroy")}, std::nullopt, "unknown settings tab 'histroy' (one of: recording, model"},
        // An explicit empty tab is a mistake on the command line, not a request for the default.
        {"settings", {QString()}, std::nullopt, "unknown settings tab ''"},
        {"toggle", {QStringLiteral("now")}, std::nullopt, "toggle takes no arguments, got 'now'"},
        {"restart", {}, std::nullopt, "unknown control command 'restart'"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(std::string(r.command) + " " + r.arguments.join(u' ').toStdString());
        const auto parsed = parseRequest(QString::fromLatin1(r.command), r.arguments);
        if (r.request) {
            ASSERT_TRUE(std::holds_alternative<Request>(parsed)) << std::get<UsageError>(parsed).message.toStdString();
            EXPECT_EQ(std::get<Request>(parsed), *r.request);
            EXPECT_EQ(std::get<Request>(parsed).readsState(), r.request->method.isEmpty());
        } else {
            ASSERT_TRUE(std::holds_alternative<UsageError>(parsed));
            EXPECT_TRUE(std::get<UsageError>(parsed).message.startsWith(QString::fromLatin1(r.error)))
                << std::get<UsageError>(parsed).message.toStdString();
        }
    }
}

} // namespace
