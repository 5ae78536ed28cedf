#pragma once
// Tells the user, once per launch, that the hotkey could not be registered: a desktop
// notification whose "Change…" action opens the Recording tab. Without a notification server the
// tray menu's warning item is what remains.
#include <QObject>

#include <functional>

namespace parlix {

class DesktopNotifications;
class HotkeyManager;
class SettingsModel;

class HotkeyConflictNotice : public QObject {
    Q_OBJECT
public:
    // Watches `hotkey` from now on; `openRecordingTab` runs when the notification's action is chosen.
    HotkeyConflictNotice(HotkeyManager &hotkey, SettingsModel &settings, DesktopNotifications &notifications,
                         std::function<void()> openRecordingTab, QObject *parent = nullptr);

    bool hasNotified() const { return m_notified; }

private:
    void notify();

    HotkeyManager &m_hotkey;
    SettingsModel &m_settings;
    DesktopNotifications &m_notifications;
    std::function<void()> m_openRecordingTab;
    bool m_notified = false;
};

} // namespace parlix
