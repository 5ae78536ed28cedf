// parlixctl toggle | start | stop | cancel | retry | settings [TAB] | status
// Controls the running Parlix over the D-Bus session bus.
#include "cli/Command.h"
#include "control/ControlClient.h"
#include "control/ControlRequest.h"

#include <QDBusConnection>
#include <QLoggingCategory>

#include <cstdio>

namespace parlix::cli {

namespace {

int run(const char *command, const char *usage, const QStringList &args)
{
    const auto parsed = control::parseRequest(QString::fromLatin1(command), args);
    if (const auto *problem = std::get_if<control::UsageError>(&parsed)) {
        printError(QStringLiteral("parlixctl %1: %2").arg(QLatin1String(command), problem->message));
        printError(QStringLiteral("Usage: parlixctl ") + QLatin1String(usage));
        return control::exitUsage;
    }
    const control::Request &request = std::get<control::Request>(parsed);
    // A connection of its own, closed before the application object goes: the shared session
    // connection would still be delivering bus messages while Qt tears down.
    const QString connectionName = QStringLiteral("parlixctl");
    control::Reply reply;
    {
        control::Client client(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName));
        reply = request.readsState() ? client.state() : client.call(request.method, request.arguments);
    }
    QDBusConnection::disconnectFromBus(connectionName);
    // Qt's D-Bus thread can still dispatch a bus signal while the process exits, after the
    // metatypes it needs are gone, and says so in "default" warnings. The request is done by
    // now; those lines would only bury the result.
    QLoggingCategory::setFilterRules(QStringLiteral("default.warning=false"));
    if (reply.outcome != control::Reply::Outcome::ok) {
        printError(reply.message);
        return control::exitStatus(reply.outcome);
    }
    if (request.readsState())
        printOut(reply.value.toString().toUtf8() + '\n');
    return 0;
}

#define PARLIX_CONTROL_COMMAND(name, usage)                                                                  \
    const Registration name##Registration{{#name, usage, [](const QStringList &args) { return run(#name, usage, args); }}};

PARLIX_CONTROL_COMMAND(toggle, "toggle   (start or stop a dictation in the running Parlix)")
PARLIX_CONTROL_COMMAND(start, "start    (start a dictation when none runs)")
PARLIX_CONTROL_COMMAND(stop, "stop     (stop the recording or live dictation)")
PARLIX_CONTROL_COMMAND(cancel, "cancel   (end the transcription under way; the recording is kept)")
PARLIX_CONTROL_COMMAND(retry, "retry    (transcribe and deliver the last kept recording)")
PARLIX_CONTROL_COMMAND(settings, "settings [recording|model|output|history|general|about]")
PARLIX_CONTROL_COMMAND(status, "status   (prints idle, recording, transcribing or live)")

} // namespace

} // namespace parlix::cli
