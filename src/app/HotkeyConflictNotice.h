#pragma once
// Tells the user, once per launch, that the hotkey could not be registered: a desktop
// notification over org.freedesktop.Notifications whose "Change…" action opens the Recording tab.
// Without a notification server the tray menu's warning item is what remains.
#include <QDBusConnection>
#include <QObject>

#include <functional>

namespace parlix {

class HotkeyManager;
class SettingsModel;

class HotkeyConflictNotice : public QObject {
    Q_OBJECT
public:
    static inline const QString service = QStringLiteral("org.freedesktop.Notifications");
    static inline const QString path = QStringLiteral("/org/freedesktop/Notifications");

    // Watches `hotkey` from now on; `openRecordingTab` runs when the notification's action is chosen.
    HotkeyConflictNotice(HotkeyManager &hotkey, SettingsModel &settings, QDBusConnection bus,
                         std::function<void()> openRecordingTab, QObject *parent = nullptr);

    bool hasNotified() const { return m_notified; }

private slots:
    void onActionInvoked(uint id, const QString &action);

private:
    void notify();

    HotkeyManager &m_hotkey;
    SettingsModel &m_settings;
    QDBusConnection m_bus;
    std::function<void()> m_openRecordingTab;
    bool m_notified = false;
    uint m_notificationId = 0;
};

} // namespace parlix
