#pragma once
// Reads and clicks a menu exported over com.canonical.dbusmenu, as a tray host does with a
// StatusNotifierItem's menu.
#include <QDBusConnection>
#include <QList>
#include <QString>
#include <QVariantMap>

namespace parlix::test {

struct DBusMenuNode {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuNode> children;

    // The label as shown: dbusmenu marks mnemonics with "_" and writes a literal one as "__".
    QString label() const;
    bool enabled() const { return properties.value(QStringLiteral("enabled"), true).toBool(); }
    bool visible() const { return properties.value(QStringLiteral("visible"), true).toBool(); }
    bool isSeparator() const { return properties.value(QStringLiteral("type")).toString() == u"separator"; }
    // The visible children, separators written as "-".
    QStringList labels() const;
    const DBusMenuNode *find(const QString &label) const;
};

class DBusMenuClient {
public:
    // The menu of the StatusNotifierItem `service` publishes at `itemPath` (its "Menu" property);
    // error() says why there is none.
    DBusMenuClient(const QDBusConnection &bus, const QString &service, const QString &itemPath);

    bool hasMenu() const { return !m_path.isEmpty(); }
    // Tells the application the menu (or submenu `id`) is about to open, as a host does first,
    // then reads the whole tree below `id`: an empty node when it could not (see error()).
    DBusMenuNode open(int id = 0);
    bool click(int id);
    QString error() const { return m_error; }

private:
    QDBusConnection m_bus;
    QString m_service;
    QString m_path;
    QString m_error;
};

} // namespace parlix::test
