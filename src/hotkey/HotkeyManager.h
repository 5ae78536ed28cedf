#pragma once
// Claims the stored hotkey system-wide and turns its events into "pressed" and "released"
// callbacks on the main thread. The window-system side is a GlobalShortcutBackend handed in by
// whoever builds the application (X11 grabs, the desktop portal, or a fake in tests); its
// answer to a registration may come at once or later, and registrationChanged says when.
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
    // The one action Parlix binds; desktops that remember bindings know it by this name.
    static inline const QString dictateAction = QStringLiteral("dictate");

    // `backend` must outlive the manager.
    HotkeyManager(SettingsModel &settings, GlobalShortcutBackend &backend, QObject *parent = nullptr);
    ~HotkeyManager() override;

    // Releases any previous registration, then claims the hotkey currently stored in the
    // settings. Failures are logged with the backend's status; the application carries on
    // without a working hotkey.
    void registerHotkey();
    // Releases the hotkey and the event handler, whichever are present, and withdraws a
    // registration still under way.
    void unregisterHotkey();
    // Claims `candidate` in place of the current hotkey. When the window system grants it, it is
    // stored in the settings and `done` gets an empty text; otherwise the stored hotkey stays,
    // is registered again, and `done` gets the words for the refusal. `done` does not run once
    // another registration has begun or the manager is gone.
    void changeHotkey(const HotkeyConfig &candidate, std::function<void(const QString &refusal)> done = {});

    bool isHandlerInstalled() const { return m_handlerInstalled; }
    bool isRegistered() const { return m_registered; }
    // A registration was asked for and the backend has not answered yet.
    bool isPending() const { return m_pending; }
    // Whether the stored hotkey is what gets bound; false where the desktop decides the trigger
    // and the user changes it in the desktop's settings.
    bool canChooseKey() const;
    // The status of the last registration or of the loss of the hotkey (0 while registered).
    int status() const { return m_status; }
    // The desktop lets no application claim a key (a Wayland compositor without the portal's
    // global shortcuts): a key bound in the compositor runs parlixctl instead. Not registered,
    // and no failure either.
    bool isBoundByCompositor() const;
    // The trigger in words: as the desktop reported it where it decides, else the stored hotkey.
    QString trigger() const;
    // Why the last registration failed or the hotkey was lost, in words for the user; empty
    // while the hotkey is registered or bound by the compositor.
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
    // When the answer to a registration arrives, when a registered hotkey is lost, and when the
    // desktop binds the action to another trigger.
    void registrationChanged(bool registered);

private:
    // Releases what is held and asks for `config`; `outcome` gets the status once it is known.
    void claim(const HotkeyConfig &config, std::function<void(int status)> outcome);
    void installHandler();
    void setOutcome(int status, const QString &failure);

    SettingsModel &m_settings;
    GlobalShortcutBackend &m_backend;
    bool m_handlerInstalled = false;
    bool m_registered = false;
    bool m_pending = false;
    // Counts registrations, so that the answer to a superseded one is ignored.
    quint64 m_generation = 0;
    int m_status = 0;
    QString m_boundTrigger;
    QString m_failure;
};

} // namespace parlix
