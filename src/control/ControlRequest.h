#pragma once
// parlixctl's control commands: the command line read into one D-Bus request, and the exit
// status each outcome gives.
#include "control/ControlClient.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <variant>

namespace parlix::control {

struct Request {
    // A method of the control interface, or empty for reading the State property.
    QString method;
    QVariantList arguments;

    bool readsState() const { return method.isEmpty(); }
    bool operator==(const Request &) const = default;
};

struct UsageError {
    QString message;
    bool operator==(const UsageError &) const = default;
};

// `command` is one of toggle, start, stop, settings, status; `arguments` follow it.
std::variant<Request, UsageError> parseRequest(const QString &command, const QStringList &arguments);

// 0 done, 1 refused or failed, 3 not running (2 is left to usage errors).
inline constexpr int exitUsage = 2;
int exitStatus(Reply::Outcome outcome);

} // namespace parlix::control
