#include "HotkeyManager.h"

#include "Categories.h"
#include "GlobalShortcutBackend.h"
#include "KeyTable.h"
#include "Log.h"
#include "SettingsModel.h"

#include <QPointer>

namespace parlix {

HotkeyManager::HotkeyManager(SettingsModel &settings, GlobalShortcutBackend &backend, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_backend(backend)
{
}

HotkeyManager::~HotkeyManager()
{
    // The backend keeps the handler; it must not outlive us there.
    unregisterHotkey();
}

void HotkeyManager::registerHotkey()
{
    unregisterHotkey();

    const HotkeyConfig config = m_settings.hotkey();

    // The handler only schedules the work: callbacks run after it has returned, and not at all
    // once the manager is gone.
    QPointer<HotkeyManager> self(this);
    const int handlerStatus = m_backend.installHandler([self](ShortcutEvent event) {
        if (!self)
            return;
        QMetaObject::invokeMethod(
            self.data(),
            [self, event] {
                if (!self)
                    return;
                switch (event) {
                case ShortcutEvent::pressed:
                    self->handleHotkeyPressed();
                    break;
                case ShortcutEvent::released:
                    self->handleHotkeyReleased();
                    break;
                case ShortcutEvent::lost:
                    // The backend has logged why; nothing is left to unregister.
                    self->m_registered = false;
                    break;
                }
            },
            Qt::QueuedConnection);
    });
    if (handlerStatus != ShortcutStatus::success) {
        log::error(lcHotkey, "Failed to install event handler: %d", handlerStatus);
        return;
    }
    m_handlerInstalled = true;

    const auto shortcut = keytable::shortcutFor(config);
    const int status = shortcut ? m_backend.registerShortcut(*shortcut) : ShortcutStatus::unsupportedKey;
    if (status == ShortcutStatus::success) {
        m_registered = true;
        log::info(lcHotkey, "Hotkey registered: %s", config.displayString());
    } else {
        log::error(lcHotkey, "Failed to register hotkey: %d", status);
    }
}

void HotkeyManager::unregisterHotkey()
{
    if (m_registered) {
        m_backend.unregisterShortcut();
        m_registered = false;
        log::info(lcHotkey, "Hotkey unregistered");
    }
    if (m_handlerInstalled) {
        m_backend.removeHandler();
        m_handlerInstalled = false;
    }
}

void HotkeyManager::handleHotkeyPressed()
{
    log::debug(lcHotkey, "Hotkey pressed");
    if (onHotkeyPressed)
        onHotkeyPressed();
}

void HotkeyManager::handleHotkeyReleased()
{
    log::debug(lcHotkey, "Hotkey released");
    if (onHotkeyReleased)
        onHotkeyReleased();
}

} // namespace parlix
