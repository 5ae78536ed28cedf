#pragma once
// A StatusNotifierWatcher of the test's own (org.kde.StatusNotifierWatcher at /StatusNotifierWatcher)
// on a private session bus. With it on the bus before an application starts, Qt's tray icon
// registers as a StatusNotifierItem here instead of embedding into an X tray, so tests can see
// when the icon appears and read and click its menu over D-Bus (com.canonical.dbusmenu).
//
// It answers from a thread and a bus connection of its own: Qt's tray code calls the watcher
// synchronously, and must not wait for a test that is itself blocked in a call to the app.
#include <QMutex>
#include <QObject>
#include <QStringList>
#include <QThread>

#include <chrono>
#include <memory>
#include <optional>

namespace parlix::test {

class StatusNotifierWatcherService;

class StatusNotifierWatcher : public QObject {
    Q_OBJECT
public:
    struct Item {
        QString service;
        QString path;
        // When the registration call arrived.
        std::chrono::steady_clock::time_point registeredAt;

        // The name the protocol gives it: "<service><path>".
        QString name() const { return service + path; }
    };

    // Claims the watcher's name on the bus at `busAddress`.
    explicit StatusNotifierWatcher(const QString &busAddress, QObject *parent = nullptr);
    ~StatusNotifierWatcher() override;

    bool isRegistered() const { return m_registered; }
    QString error() const { return m_error; }

    // Items still on the bus, in the order they registered. Safe from any thread.
    QStringList registeredItems() const;
    std::optional<Item> lastItem() const;

private:
    friend class StatusNotifierWatcherService;
    void add(const Item &item);
    QStringList removeService(const QString &service);

    mutable QMutex m_mutex;
    QList<Item> m_items;
    QThread m_thread;
    StatusNotifierWatcherService *m_service = nullptr;
    QString m_connectionName;
    QString m_error;
    bool m_registered = false;
};

} // namespace parlix::test
