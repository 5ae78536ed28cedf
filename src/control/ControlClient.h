#pragma once
// Calls the running app's control interface (see ControlNames.h) and turns every way that can go
// wrong into one of a few outcomes with a message a person can act on.
#include <QDBusConnection>
#include <QString>
#include <QVariant>

namespace parlix::control {

struct Reply {
    enum class Outcome {
        ok,
        // No Parlix owns the service (or there is no session bus at all).
        notRunning,
        // Parlix answered and refused the request (an unknown tab, …).
        refused,
        // Anything else: no answer in time, an interface of another version, a broken bus.
        failed,
    };
    Outcome outcome = Outcome::ok;
    QString message; // empty when ok
    QVariant value;  // the method's result or the property's value
};

// How a D-Bus error reply to one of our calls is read.
Reply::Outcome outcomeOfError(const QString &errorName);
// The message shown for an error reply: a fixed text for the bus's own errors, else the app's
// own message.
QString messageForError(const QString &errorName, const QString &errorMessage);

class Client {
public:
    static constexpr int defaultTimeoutMs = 5000;

    // `bus` defaults to the session bus of this process.
    explicit Client(QDBusConnection bus = QDBusConnection::sessionBus(), int timeoutMs = defaultTimeoutMs);

    Reply call(const QString &method, const QVariantList &arguments = {});
    // The State property.
    Reply state();

private:
    Reply send(const QString &interface, const QString &method, const QVariantList &arguments);

    QDBusConnection m_bus;
    int m_timeoutMs;
};

} // namespace parlix::control
