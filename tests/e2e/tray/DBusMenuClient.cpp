#include "DBusMenuClient.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace parlix::test {

namespace {

const QString kMenuInterface = QStringLiteral("com.canonical.dbusmenu");
const int kCallTimeoutMs = 5000;

// A layout node is (ia{sv}av): id, properties, and children each wrapped in a variant.
void readNode(const QDBusArgument &argument, DBusMenuNode &node)
{
    argument.beginStructure();
    argument >> node.id >> node.properties;
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant wrapped;
        argument >> wrapped;
        DBusMenuNode child;
        readNode(qvariant_cast<QDBusArgument>(wrapped.variant()), child);
        node.children << child;
    }
    argument.endArray();
    argument.endStructure();
}

} // namespace

QString DBusMenuNode::label() const
{
    const QString raw = properties.value(QStringLiteral("label")).toString();
    QString shown;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] == u'_') {
            if (i + 1 < raw.size() && raw[i + 1] == u'_')
                shown += raw[++i];
            continue;
        }
        shown += raw[i];
    }
    return shown;
}

QStringList DBusMenuNode::labels() const
{
    QStringList out;
    for (const DBusMenuNode &child : children) {
        if (child.visible())
            out << (child.isSeparator() ? QStringLiteral("-") : child.label());
    }
    return out;
}

const DBusMenuNode *DBusMenuNode::find(const QString &wanted) const
{
    for (const DBusMenuNode &child : children) {
        if (child.visible() && !child.isSeparator() && child.label() == wanted)
            return &child;
    }
    return nullptr;
}

DBusMenuClient::DBusMenuClient(const QDBusConnection &bus, const QString &service, const QString &itemPath)
    : m_bus(bus)
    , m_service(service)
{
    QDBusMessage get = QDBusMessage::createMethodCall(service, itemPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << QStringLiteral("org.kde.StatusNotifierItem") << QStringLiteral("Menu");
    const QDBusMessage reply = m_bus.call(get, QDBus::Block, kCallTimeoutMs);
    m_error = reply.errorMessage();
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
        m_path = qvariant_cast<QDBusObjectPath>(qvariant_cast<QDBusVariant>(reply.arguments().first()).variant()).path();
    if (m_path.isEmpty() && m_error.isEmpty())
        m_error = QStringLiteral("the item publishes no menu");
}

DBusMenuNode DBusMenuClient::open(int id)
{
    QDBusMessage show = QDBusMessage::createMethodCall(m_service, m_path, kMenuInterface, QStringLiteral("AboutToShow"));
    show << id;
    QDBusMessage reply = m_bus.call(show, QDBus::Block, kCallTimeoutMs);
    m_error = reply.errorMessage();
    if (reply.type() != QDBusMessage::ReplyMessage)
        return {};
    QDBusMessage get = QDBusMessage::createMethodCall(m_service, m_path, kMenuInterface, QStringLiteral("GetLayout"));
    get << id << -1 << QStringList();
    reply = m_bus.call(get, QDBus::Block, kCallTimeoutMs);
    m_error = reply.errorMessage();
    // (u revision, (ia{sv}av) layout)
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("unexpected GetLayout reply: ") + reply.signature();
        return {};
    }
    DBusMenuNode root;
    readNode(qvariant_cast<QDBusArgument>(reply.arguments().at(1)), root);
    return root;
}

bool DBusMenuClient::click(int id)
{
    QDBusMessage call = QDBusMessage::createMethodCall(m_service, m_path, kMenuInterface, QStringLiteral("Event"));
    call << id << QStringLiteral("clicked") << QVariant::fromValue(QDBusVariant(QString())) << 0u;
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, kCallTimeoutMs);
    m_error = reply.errorMessage();
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace parlix::test
