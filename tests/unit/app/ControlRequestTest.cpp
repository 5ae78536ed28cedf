// parlixctl's control commands read into D-Bus requests, and their exit statuses.
#include "control/ControlRequest.h"

#include <gtest/gtest.h>

using namespace parlix::control;

namespace {

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
