#include "StatusNotifierWatcher.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QUuid>

namespace parlix::test {

namespace {
const QString kService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kPath = QStringLiteral("/StatusNotifierWatcher");
// Where an item lives when it registers by its bus name only.
const QString kDefaultItemPath = QStringLiteral("/StatusNotifierItem");
} // namespace

// The object on the bus, living in the watcher's thread: takes registrations and notices items
// leaving the bus.
class StatusNotifierWatcherService : public QObject {
    Q_OBJECT
public:
    StatusNotifierWatcherService(StatusNotifierWatcher &owner, const QDBusConnection &bus)
        : m_owner(owner)
        , m_services(new QDBusServiceWatcher(QString(), bus, QDBusServiceWatcher::WatchForUnregistration, this))
    {
        connect(m_services, &QDBusServiceWatcher::serviceUnregistered, this, [this](const QString &service) {
            m_services->removeWatchedService(service);
            for (const QString &name : m_owner.removeService(service))
                emit unregistered(name);
        });
    }

    QStringList registeredItems() const { return m_owner.registeredItems(); }

    void registerItem(const QString &serviceOrPath, const QString &sender)
    {
        // An item names either its bus name (at the usual path) or only its path (on the
        // caller's connection).
        StatusNotifierWatcher::Item item{serviceOrPath, kDefaultItemPath, std::chrono::steady_clock::now()};
        if (serviceOrPath.startsWith(QLatin1Char('/')))
            item = {sender, serviceOrPath, item.registeredAt};
        if (m_owner.registeredItems().contains(item.name()))
            return;
        m_services->addWatchedService(item.service);
        m_owner.add(item);
        emit registered(item.name());
    }

signals:
    void registered(const QString &item);
    void unregistered(const QString &item);

private:
    StatusNotifierWatcher &m_owner;
    QDBusServiceWatcher *m_services;
};

// The D-Bus face of the watcher: the methods, properties and signals items and hosts expect.
class StatusNotifierWatcherAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    // A host is always there: the test plays it.
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
public:
    explicit StatusNotifierWatcherAdaptor(StatusNotifierWatcherService *service)
        : QDBusAbstractAdaptor(service)
        , m_service(service)
    {
        connect(service, &StatusNotifierWatcherService::registered, this,
                &StatusNotifierWatcherAdaptor::StatusNotifierItemRegistered);
        connect(service, &StatusNotifierWatcherService::unregistered, this,
                &StatusNotifierWatcherAdaptor::StatusNotifierItemUnregistered);
    }

    QStringList registeredItems() const { return m_service->registeredItems(); }
    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

public slots:
    void RegisterStatusNotifierItem(const QString &service, const QDBusMessage &message)
    {
        m_service->registerItem(service, message.service());
    }
    // Other hosts are welcome and change nothing.
    void RegisterStatusNotifierHost(const QString &) {}

signals:
    void StatusNotifierItemRegistered(const QString &item);
    void StatusNotifierItemUnregistered(const QString &item);
    void StatusNotifierHostRegistered();

private:
    StatusNotifierWatcherService *m_service;
};

StatusNotifierWatcher::StatusNotifierWatcher(const QString &busAddress, QObject *parent)
    : QObject(parent)
    , m_connectionName(QStringLiteral("status-notifier-watcher-") + QUuid::createUuid().toString(QUuid::Id128))
{
    QDBusConnection bus = QDBusConnection::connectToBus(busAddress, m_connectionName);
    if (!bus.isConnected()) {
        m_error = QStringLiteral("cannot connect to the bus: ") + bus.lastError().message();
        return;
    }
    m_service = new StatusNotifierWatcherService(*this, bus);
    new StatusNotifierWatcherAdaptor(m_service);
    m_thread.setObjectName(QStringLiteral("StatusNotifierWatcher"));
    m_service->moveToThread(&m_thread);
    m_thread.start();

    if (!bus.registerObject(kPath, m_service, QDBusConnection::ExportAdaptors)) {
        m_error = QStringLiteral("cannot register ") + kPath + QStringLiteral(": ") + bus.lastError().message();
        return;
    }
    if (!bus.registerService(kService)) {
        m_error = QStringLiteral("cannot own ") + kService + QStringLiteral(": ") + bus.lastError().message();
        return;
    }
    m_registered = true;
}

StatusNotifierWatcher::~StatusNotifierWatcher()
{
    {
        QDBusConnection bus(m_connectionName);
        if (m_registered)
            bus.unregisterService(kService);
        bus.unregisterObject(kPath);
    }
    QDBusConnection::disconnectFromBus(m_connectionName);
    if (m_service) {
        QMetaObject::invokeMethod(m_service, [service = m_service] { delete service; }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
}

QStringList StatusNotifierWatcher::registeredItems() const
{
    QMutexLocker lock(&m_mutex);
    QStringList names;
    for (const Item &item : m_items)
        names << item.name();
    return names;
}

std::optional<StatusNotifierWatcher::Item> StatusNotifierWatcher::lastItem() const
{
    QMutexLocker lock(&m_mutex);
    if (m_items.isEmpty())
        return std::nullopt;
    return m_items.last();
}

void StatusNotifierWatcher::add(const Item &item)
{
    QMutexLocker lock(&m_mutex);
    m_items << item;
}

QStringList StatusNotifierWatcher::removeService(const QString &service)
{
    QMutexLocker lock(&m_mutex);
    QStringList removed;
    for (qsizetype i = m_items.size() - 1; i >= 0; --i) {
        if (m_items[i].service == service)
            removed << m_items.takeAt(i).name();
    }
    return removed;
}

} // namespace parlix::test

#include "StatusNotifierWatcher.moc"
