#include "hotkey/HotkeyManager.h"

#include "core/Categories.h"
#include "core/Log.h"
#include "core/SettingsModel.h"
#include "hotkey/KeyTable.h"
#include "platform/GlobalShortcutBackend.h"

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
    const HotkeyConfig config = m_settings.hotkey();
    const int status = claim(config);
    if (status == ShortcutStatus::success)
        log::info(lcHotkey, "Hotkey registered: %s", config.displayString());
    setFailure(describeStatus(status, config.displayString()));
}

QString HotkeyManager::changeHotkey(const HotkeyConfig &candidate)
{
    const int status = claim(candidate);
    if (status == ShortcutStatus::success) {
        log::info(lcHotkey, "Hotkey registered: %s", candidate.displayString());
        m_settings.setHotkey(candidate);
        setFailure(QString());
        return {};
    }
    const QString refusal = describeStatus(status, candidate.displayString());
    log::info(lcHotkey, "Keeping the hotkey %s: %s", m_settings.hotkey().displayString(), refusal);
    registerHotkey();
    return refusal;
}

int HotkeyManager::claim(const HotkeyConfig &config)
{
    unregisterHotkey();

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
                    self->setFailure(tr("The hotkey stopped working after a keyboard layout change"));
                    break;
                }
            },
            Qt::QueuedConnection);
    });
    if (handlerStatus != ShortcutStatus::success) {
        log::error(lcHotkey, "Failed to install event handler: %d", handlerStatus);
        return handlerStatus;
    }
    m_handlerInstalled = true;

    const auto shortcut = keytable::shortcutFor(config);
    const int status = shortcut ? m_backend.registerShortcut(*shortcut) : ShortcutStatus::unsupportedKey;
    if (status == ShortcutStatus::success)
        m_registered = true;
    else
        log::error(lcHotkey, "Failed to register hotkey: %d", status);
    return status;
}

void HotkeyManager::setFailure(const QString &failure)
{
    m_failure = failure;
    emit registrationChanged(m_registered);
}

QString HotkeyManager::describeStatus(int status, const QString &keys)
{
    switch (status) {
    case ShortcutStatus::success:
        return {};
    case ShortcutStatus::noConnection:
        return tr("The hotkey cannot be registered: the window system cannot be reached");
    case ShortcutStatus::unsupportedServer:
        return tr("The hotkey cannot be registered: the window system lacks key release events");
    case ShortcutStatus::unsupportedKey:
        return tr("%1 cannot be used as a hotkey on this system").arg(keys);
    case ShortcutStatus::keyNotOnKeyboard:
        return tr("%1 cannot be typed on the current keyboard layout").arg(keys);
    case ShortcutStatus::alreadyTaken:
        return tr("%1 is already used by another application").arg(keys);
    default:
        return tr("%1 could not be registered (error %2)").arg(keys).arg(status);
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
