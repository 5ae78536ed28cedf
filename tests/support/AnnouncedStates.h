#pragma once
// Collects the State values a running control service announces with PropertiesChanged.
#include "control/ControlNames.h"

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

namespace parlix::test {

class AnnouncedStates : public QObject {
    Q_OBJECT
public:
    QStringList states;

    // Subscribes on `bus`; false when the bus refused the match.
    bool listen(QDBusConnection &bus)
    {
        return bus.connect(QString::fromLatin1(control::serviceName), QString::fromLatin1(control::objectPath),
                           QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"), this,
                           SLOT(changed(QString, QVariantMap, QStringList)));
    }

public slots:
    void changed(const QString &interface, const QVariantMap &changedProperties, const QStringList &)
    {
        if (interface == QLatin1String(control::interfaceName) && changedProperties.contains(QStringLiteral("State")))
            states << changedProperties.value(QStringLiteral("State")).toString();
    }
};

} // namespace parlix::test
