#pragma once
// Claims the stored hotkey system-wide and turns its events into "pressed" and "released"
// callbacks on the main thread. The window-system side is a GlobalShortcutBackend handed in by
// whoever builds the application (X11 grabs, a portal, or a fake in tests).
#include "core/HotkeyConfig.h"

#include <QObject>
#include <QString>

#include <functional>

namespace parlix {

class GlobalShortcutBackend;
class SettingsModel;

class HotkeyManager : public QObject {
    Q_OBJECT
public:
    // `backend` must outlive the manager.
    HotkeyManager(SettingsModel &settings, GlobalShortcutBackend &backend, QObject *parent = nullptr);
    ~HotkeyManager() override;

    // Releases any previous registration, then claims the hotkey currently stored in the
    // settings. Failures are logged with the backend's status; the application carries on
    // without a working hotkey.
    void registerHotkey();
    // Releases the hotkey and the event handler, whichever are present.
    void unregisterHotkey();
    // Claims `candidate` in place of the current hotkey. When the window system grants it, it is
    // stored in the settings and an empty text is returned; otherwise the stored hotkey stays,
    // is registered again, and the words for the refusal are returned.
    QString changeHotkey(const HotkeyConfig &candidate);

    bool isHandlerInstalled() const { return m_handlerInstalled; }
    bool isRegistered() const { return m_registered; }
    // Why the last registration failed or the hotkey was lost, in words for the user; empty
    // while the hotkey is registered.
    const QString &failure() const { return m_failure; }

    // The words for a backend status about the combination `keys` ("Ctrl+Alt+Space").
    static QString describeStatus(int status, const QString &keys);

    // Called on the main thread after the backend's event handler has returned, in the order
    // the events arrived.
    std::function<void()> onHotkeyPressed;
    std::function<void()> onHotkeyReleased;

    void handleHotkeyPressed();
    void handleHotkeyReleased();

signals:
    // After every registration attempt, and when a registered hotkey is lost.
    void registrationChanged(bool registered);

private:
    // Releases what is held and claims `config`; the backend's status (0 = registered).
    int claim(const HotkeyConfig &config);
    void setFailure(const QString &failure);

    SettingsModel &m_settings;
    GlobalShortcutBackend &m_backend;
    bool m_handlerInstalled = false;
    bool m_registered = false;
    QString m_failure;
};

} // namespace parlix
