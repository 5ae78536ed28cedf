#pragma once
// The application frame: the launch sequence, in its fixed order, and the quit path.
#include "core/SettingsTab.h"

#include <QCoroTask>
#include <QObject>

#include <memory>

namespace parlix {

class AppServices;
class DesktopNotifications;
class HotkeyNotice;
class ModelDownloadNotice;
class LoginItemManager;
namespace ui {
class SettingsWindowHost;
class TrayIcon;
class UpdateDialogs;
struct TypingSupport;
}
namespace update {
class UpdateController;
}

class Application : public QObject {
    Q_OBJECT
public:
    explicit Application(AppServices &services, QObject *parent = nullptr);
    ~Application() override;

    // 1. (no Dock on Linux: the app has no main window and does not quit with its last window)
    // 2. the status item (built by the tray once it exists), which follows a model download
    // 3. the engine check, launched only: its result arrives after this returns
    // 4. the hotkey: callbacks connected, the stored hotkey registered (a refusal is announced
    //    once with a desktop notification, and the tray menu leads to the Recording tab; where
    //    the compositor binds the key, how to bind it is announced once ever)
    // 5. the keystroke permission check
    // 6. the state observers that redraw the icon
    // 7. the silence (and interruption) callbacks of both recorders
    // `adoptLeftoverRecordings`: move clips an earlier run left in the temporary directory to the
    // unsent recordings (only when this is the one running Parlix).
    void start(bool adoptLeftoverRecordings);
    // Unregisters the hotkey; harmless when it is already unregistered.
    void shutdown();

    // Starts a task that records in AppState whether the engine is there.
    void checkEngineAvailability();
    void requestPermissions();
    // The tray icon and its menu; shown without waiting for a tray host to be there.
    void createTrayIcon();
    // Failures and hand-overs the user hears about while no window is open.
    void connectNotifications();
    ui::TrayIcon *trayIcon() const { return m_trayIcon.get(); }
    ui::SettingsWindowHost *settingsWindows() const { return m_settingsWindows.get(); }
    // Made by start(); what other parts of the app tell the user through.
    DesktopNotifications *notifications() const { return m_notifications.get(); }
    // The updater and its dialogs, created on first use (its daily checks start then).
    update::UpdateController &updater();

signals:
    void engineCheckFinished(bool available);

private:
    QCoro::Task<> engineCheck();
    ui::TypingSupport typingSupport();

    AppServices &m_services;
    // Before the settings window, whose General tab uses it.
    std::unique_ptr<LoginItemManager> m_loginItem;
    std::unique_ptr<ui::TrayIcon> m_trayIcon;
    std::unique_ptr<ui::SettingsWindowHost> m_settingsWindows;
    std::unique_ptr<DesktopNotifications> m_notifications;
    std::unique_ptr<HotkeyNotice> m_hotkeyNotice;
    std::unique_ptr<ModelDownloadNotice> m_modelNotice;
    std::unique_ptr<update::UpdateController> m_updater;
    std::unique_ptr<ui::UpdateDialogs> m_updateDialogs;
};

} // namespace parlix
