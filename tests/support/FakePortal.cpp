#include "FakePortal.h"

#include "platform/portal/PortalShortcut.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QTimer>

namespace parlix::test {

namespace {
const QString kConnection = QStringLiteral("fake-portal");
const QString kRoot = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kPrefix = QStringLiteral("org.freedesktop.portal.");

QString senderPart(const QDBusMessage &message)
{
    QString sender = message.service().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return sender;
}

QVariantMap optionsOf(const QDBusMessage &message)
{
    return message.arguments().isEmpty() ? QVariantMap() : qdbus_cast<QVariantMap>(message.arguments().constLast());
}
} // namespace

FakePortal::FakePortal(const QString &busAddress)
    : m_bus(QDBusConnection::connectToBus(busAddress, kConnection))
{
    portal::registerShortcutTypes();
    m_registered = m_bus.isConnected() && m_bus.registerVirtualObject(kRoot, this, QDBusConnection::SubPath)
        && m_bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
}

FakePortal::~FakePortal()
{
    m_bus.unregisterObject(kRoot, QDBusConnection::UnregisterTree);
    QDBusConnection::disconnectFromBus(kConnection);
}

bool FakePortal::offers(const QString &interface) const
{
    return (interface == kPrefix + "GlobalShortcuts" && offersGlobalShortcuts)
        || (interface == kPrefix + "RemoteDesktop" && offersRemoteDesktop);
}

bool FakePortal::handleMessage(const QDBusMessage &message, const QDBusConnection &connection)
{
    const QString interface = message.interface();
    const QString method = message.member();
    const QList<QVariant> args = message.arguments();

    if (interface == QLatin1String("org.freedesktop.DBus.Properties") && method == QLatin1String("Get")) {
        if (!offers(args.value(0).toString())) {
            connection.send(message.createErrorReply(QDBusError::UnknownInterface, QStringLiteral("No such interface")));
            return true;
        }
        const QString property = args.value(1).toString();
        const QVariant value = property == QLatin1String("AvailableDeviceTypes") ? QVariant(uint(7)) : QVariant(uint(1));
        connection.send(message.createReply(QVariant::fromValue(QDBusVariant(value))));
        return true;
    }
    if (interface == kPrefix + "Session" && method == QLatin1String("Close")) {
        closedSessions << message.path();
        for (auto it = m_sessions.begin(); it != m_sessions.end(); ++it) {
            if (it.value() == message.path())
                it.value().clear();
        }
        connection.send(message.createReply());
        return true;
    }
    if (interface == kPrefix + "Request" && method == QLatin1String("Close")) {
        connection.send(message.createReply());
        return true;
    }

    if (!offers(interface)) {
        connection.send(message.createErrorReply(QDBusError::UnknownInterface, QStringLiteral("No such interface")));
        return true;
    }
    const QString shortName = interface.mid(kPrefix.size());
    const QString sessionArg = args.isEmpty() ? QString() : qdbus_cast<QDBusObjectPath>(args[0]).path();
    const bool knownSession = !sessionArg.isEmpty() && m_sessions.value(shortName) == sessionArg;

    if (method == QLatin1String("CreateSession")) {
        const QString path = kRoot + QStringLiteral("/session/%1/%2").arg(senderPart(message),
                                              optionsOf(message).value("session_handle_token").toString());
        m_sessions.insert(shortName, path);
        answerLater(message, method, {{QStringLiteral("session_handle"), path}});
        return true;
    }
    if (method == QLatin1String("BindShortcuts") && knownSession) {
        portal::PortalShortcuts bound;
        for (const portal::PortalShortcut &shortcut : qdbus_cast<portal::PortalShortcuts>(args.value(1))) {
            boundShortcuts.insert(shortcut.id, shortcut.properties);
            if (!bindsNothing)
                bound.append({shortcut.id, {{QStringLiteral("description"), shortcut.properties.value("description")},
                                            {QStringLiteral("trigger_description"), QStringLiteral("Ctrl+Alt+Space")}}});
        }
        answerLater(message, method, {{QStringLiteral("shortcuts"), QVariant::fromValue(bound)}});
        return true;
    }
    if (method == QLatin1String("SelectDevices") && knownSession) {
        deviceOptions = optionsOf(message);
        answerLater(message, method, {});
        return true;
    }
    if (method == QLatin1String("Start") && knownSession) {
        answerLater(message, method, {{QStringLiteral("devices"), grantedDevices},
                                      {QStringLiteral("restore_token"), QStringLiteral("restore-%1").arg(++m_tokens)}});
        return true;
    }
    if (method == QLatin1String("NotifyKeyboardKeysym") && knownSession) {
        keysyms.append({args.value(2).toInt(), args.value(3).toUInt()});
        connection.send(message.createReply());
        return true;
    }
    connection.send(message.createErrorReply(QDBusError::InvalidArgs, QStringLiteral("Unknown session or method")));
    return true;
}

void FakePortal::answerLater(const QDBusMessage &message, const QString &method, const QVariantMap &results)
{
    const QString path = kRoot + QStringLiteral("/request/%1/%2").arg(senderPart(message),
                                                                      optionsOf(message).value("handle_token").toString());
    m_bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(path))));
    const uint response = responses.value(method, 0);
    QTimer::singleShot(0, this, [this, path, response, results] {
        QDBusMessage signal = QDBusMessage::createSignal(path, kPrefix + "Request", QStringLiteral("Response"));
        signal << response << (response == 0 ? results : QVariantMap());
        m_bus.send(signal);
    });
}

void FakePortal::changeTrigger(const QString &id, const QString &description)
{
    QDBusMessage signal = QDBusMessage::createSignal(kRoot, kPrefix + "GlobalShortcuts", QStringLiteral("ShortcutsChanged"));
    signal << QVariant::fromValue(QDBusObjectPath(m_sessions.value(QStringLiteral("GlobalShortcuts"))))
           << QVariant::fromValue(portal::PortalShortcuts{{id, {{QStringLiteral("trigger_description"), description}}}});
    m_bus.send(signal);
}

void FakePortal::closeSession(const QString &interface)
{
    QDBusMessage signal = QDBusMessage::createSignal(m_sessions.value(interface), kPrefix + "Session", QStringLiteral("Closed"));
    signal << QVariantMap();
    m_bus.send(signal);
}

} // namespace parlix::test
