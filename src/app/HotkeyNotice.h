#pragma once
// Tells the user about the hotkey with a desktop notification whose action opens the Recording
// tab: once per launch when it could not be registered (without a notification server the tray
// menu's warning item is what remains), and once ever, on a desktop where a key bound in the
// compositor runs parlixctl, how to bind one.
#include <QObject>

#include <functional>

namespace parlix {

class DesktopNotifications;
class HotkeyManager;
class SettingsModel;

class HotkeyNotice : public QObject {
    Q_OBJECT
public:
    // Watches `hotkey` from now on; `openRecordingTab` runs when the notification's action is chosen.
    HotkeyNotice(HotkeyManager &hotkey, SettingsModel &settings, DesktopNotifications &notifications,
                 std::function<void()> openRecordingTab, QObject *parent = nullptr);

private:
    void notifyConflict();
    void notifyCompositorBinding();
    void openRecordingTab();
    std::function<void()> openAction();

    HotkeyManager &m_hotkey;
    SettingsModel &m_settings;
    DesktopNotifications &m_notifications;
    std::function<void()> m_openRecordingTab;
    bool m_notified = false;
};

} // namespace parlix
