#pragma once
// A stand-in desktop notification server (org.freedesktop.Notifications) on a private session
// bus: it records every Notify call and answers with increasing ids. It answers from a thread and
// a bus connection of its own, so a test blocked in a call to the app does not hold it up.
#include <QMutex>
#include <QObject>
#include <QStringList>
#include <QThread>

#include <memory>

namespace parlix::test {

class NotificationServerService;

class NotificationServer : public QObject {
    Q_OBJECT
public:
    struct Notification {
        QString appName;
        QString summary;
        QString body;
        QStringList actions;
    };

    explicit NotificationServer(const QString &busAddress, QObject *parent = nullptr);
    ~NotificationServer() override;

    bool isRegistered() const { return m_registered; }
    QList<Notification> notifications() const;

private:
    friend class NotificationServerService;
    void record(const Notification &notification);

    QThread m_thread;
    NotificationServerService *m_service = nullptr;
    bool m_registered = false;
    mutable QMutex m_mutex;
    QList<Notification> m_notifications;
};

} // namespace parlix::test
