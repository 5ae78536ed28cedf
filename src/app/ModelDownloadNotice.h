#pragma once
// Tells the user with a desktop notification when a model download ends: ready to use, or failed
// and why. A cancelled download ends silently (the user cancelled it). Clicking the notification
// opens the Model tab. Without a notification server the Model tab and the tray menu are what
// remains.
#include <QObject>

#include <functional>

namespace parlix {

class DesktopNotifications;
class ModelDownloadManager;

class ModelDownloadNotice : public QObject {
    Q_OBJECT
public:
    // Watches `models` from now on; `openModelTab` runs when a notification is clicked.
    ModelDownloadNotice(ModelDownloadManager &models, DesktopNotifications &notifications, std::function<void()> openModelTab,
                        QObject *parent = nullptr);

private:
    void notify(const QString &summary, const QString &body);

    DesktopNotifications &m_notifications;
    std::function<void()> m_openModelTab;
};

} // namespace parlix
