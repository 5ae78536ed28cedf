#pragma once
// Tells the user with a desktop notification (org.freedesktop.Notifications) when a model
// download ends: ready to use, or failed and why. A cancelled download ends silently (the user
// cancelled it). Clicking the notification opens the Model tab. Without a notification server
// the Model tab and the tray menu are what remains.
#include <QDBusConnection>
#include <QObject>

#include <functional>

namespace parlix {

class ModelDownloadManager;

class ModelDownloadNotice : public QObject {
    Q_OBJECT
public:
    // Watches `models` from now on; `openModelTab` runs when a notification is clicked.
    ModelDownloadNotice(ModelDownloadManager &models, QDBusConnection bus, std::function<void()> openModelTab,
                        QObject *parent = nullptr);

private slots:
    void onActionInvoked(uint id, const QString &action);

private:
    void notify(const QString &summary, const QString &body);

    QDBusConnection m_bus;
    std::function<void()> m_openModelTab;
    QList<uint> m_notificationIds;
};

} // namespace parlix
