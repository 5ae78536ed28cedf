#include "control/ControlClient.h"

#include "control/ControlNames.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusVariant>

namespace parlix::control {

namespace {
const QString kNotRunning = QStringLiteral("Parlix is not running");
} // namespace

Reply::Outcome outcomeOfError(const QString &errorName)
{
    // The bus answers these itself when nobody owns the name (and would not start anybody).
    if (errorName == u"org.freedesktop.DBus.Error.ServiceUnknown" || errorName == u"org.freedesktop.DBus.Error.NameHasNoOwner")
        return Reply::Outcome::notRunning;
    if (errorName.startsWith(u"com.quorvane.parlix.Error."))
        return Reply::Outcome::refused;
    return Reply::Outcome::failed;
}

QString messageForError(const QString &errorName, const QString &errorMessage)
{
    switch (outcomeOfError(errorName)) {
    case Reply::Outcome::notRunning:
        return kNotRunning;
    case Reply::Outcome::refused:
        return errorMessage;
    case Reply::Outcome::ok:
    case Reply::Outcome::failed:
        break;
    }
    if (errorName == u"org.freedesktop.DBus.Error.NoReply" || errorName == u"org.freedesktop.DBus.Error.Timeout")
        return QStringLiteral("Parlix did not answer in time");
    if (errorName == u"org.freedesktop.DBus.Error.UnknownObject")
        // The name is taken before the object exists, for the moment the app needs to set up.
        return QStringLiteral("Parlix is still starting; try again");
    if (errorName == u"org.freedesktop.DBus.Error.UnknownMethod" || errorName == u"org.freedesktop.DBus.Error.UnknownInterface"
        || errorName == u"org.freedesktop.DBus.Error.UnknownProperty")
        return QStringLiteral("The running Parlix does not offer this request (a different version?): %1").arg(errorMessage);
    return QStringLiteral("D-Bus error %1: %2").arg(errorName, errorMessage);
}

Client::Client(QDBusConnection bus, int timeoutMs)
    : m_bus(std::move(bus))
    , m_timeoutMs(timeoutMs)
{
}

Reply Client::call(const QString &method, const QVariantList &arguments)
{
    return send(QString::fromLatin1(interfaceName), method, arguments);
}

Reply Client::state()
{
    Reply reply = send(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                       {QString::fromLatin1(interfaceName), QString::fromLatin1(stateProperty)});
    if (reply.outcome == Reply::Outcome::ok)
        reply.value = reply.value.value<QDBusVariant>().variant();
    return reply;
}

Reply Client::send(const QString &interface, const QString &method, const QVariantList &arguments)
{
    if (!m_bus.isConnected()) {
        const QDBusError error = m_bus.lastError();
        return {Reply::Outcome::notRunning,
                QStringLiteral("%1 (no D-Bus session bus: %2)").arg(kNotRunning, error.message().isEmpty() ? error.name() : error.message()),
                {}};
    }
    QDBusMessage message = QDBusMessage::createMethodCall(QString::fromLatin1(serviceName), QString::fromLatin1(objectPath),
                                                          interface, method);
    message.setArguments(arguments);
    // Asking the bus to start Parlix would start a second copy outside the user's session setup.
    message.setAutoStartService(false);
    const QDBusMessage answer = m_bus.call(message, QDBus::Block, m_timeoutMs);
    if (answer.type() == QDBusMessage::ErrorMessage)
        return {outcomeOfError(answer.errorName()), messageForError(answer.errorName(), answer.errorMessage()), {}};
    if (answer.type() != QDBusMessage::ReplyMessage)
        return {Reply::Outcome::failed, QStringLiteral("Parlix sent no reply"), {}};
    Reply reply;
    if (!answer.arguments().isEmpty())
        reply.value = answer.arguments().first();
    return reply;
}

} // namespace parlix::control
