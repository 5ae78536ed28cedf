#pragma once
// One element of the GlobalShortcuts portal's shortcut lists (D-Bus type a(sa{sv})): the
// action's id and its properties ("description", "preferred_trigger" going out;
// "description", "trigger_description" coming back).
#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace parlix::portal {

struct PortalShortcut {
    QString id;
    QVariantMap properties;
};
using PortalShortcuts = QList<PortalShortcut>;

// Makes the types known to QtDBus; call before sending or reading a list. Idempotent.
void registerShortcutTypes();

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut);
const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut);

} // namespace parlix::portal

Q_DECLARE_METATYPE(parlix::portal::PortalShortcut)
