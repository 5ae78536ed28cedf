#include "control/ControlRequest.h"

#include "control/ControlNames.h"

namespace parlix::control {

std::variant<Request, UsageError> parseRequest(const QString &command, const QStringList &arguments)
{
    const auto noArguments = [&](const char *method) -> std::variant<Request, UsageError> {
        if (!arguments.isEmpty())
            return UsageError{QStringLiteral("%1 takes no arguments, got '%2'").arg(command, arguments.first())};
        return Request{QString::fromLatin1(method), {}};
    };
    if (command == u"toggle")
        return noArguments("Toggle");
    if (command == u"start")
        return noArguments("Start");
    if (command == u"stop")
        return noArguments("Stop");
    if (command == u"cancel")
        return noArguments("Cancel");
    if (command == u"retry")
        return noArguments("Retry");
    if (command == u"status")
        return noArguments("");
    if (command == u"settings") {
        if (arguments.size() > 1)
            return UsageError{QStringLiteral("settings takes at most one tab, got '%1'").arg(arguments.join(u' '))};
        if (arguments.isEmpty())
            // The app picks its default tab.
            return Request{QStringLiteral("OpenSettings"), {QString()}};
        const auto tab = tabFromName(arguments.first());
        if (!tab || arguments.first().trimmed().isEmpty())
            return UsageError{QStringLiteral("unknown settings tab '%1' (one of: %2)")
                                  .arg(arguments.first(), tabNames().join(QStringLiteral(", ")))};
        return Request{QStringLiteral("OpenSettings"), {tabName(*tab)}};
    }
    return UsageError{QStringLiteral("unknown control command '%1'").arg(command)};
}

int exitStatus(Reply::Outcome outcome)
{
    switch (outcome) {
    case Reply::Outcome::ok: return 0;
    case Reply::Outcome::notRunning: return 3;
    case Reply::Outcome::refused:
    case Reply::Outcome::failed: return 1;
    }
    return 1;
}

} // namespace parlix::control
