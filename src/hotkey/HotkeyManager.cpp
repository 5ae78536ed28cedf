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

bool HotkeyManager::canChooseKey() const
{
    return m_backend.canChooseTrigger();
}

bool HotkeyManager::isBoundByCompositor() const
{
    return m_status == ShortcutStatus::boundByCompositor;
}

QString HotkeyManager::trigger() const
{
    return m_boundTrigger.isEmpty() ? m_settings.hotkey().displayString() : m_boundTrigger;
}

void HotkeyManager::registerHotkey()
{
    const HotkeyConfig config = m_settings.hotkey();
    claim(config, [this, config](int status) {
        if (status == ShortcutStatus::success)
            log::info(lcHotkey, "Hotkey registered: %s", trigger());
        if (status == ShortcutStatus::boundByCompositor) {
            log::info(lcHotkey, "No global shortcuts on this desktop: a key bound in the compositor runs parlixctl");
            setOutcome(status, QString());
            return;
        }
        setOutcome(status, describeStatus(status, config.displayString()));
    });
}

void HotkeyManager::changeHotkey(const HotkeyConfig &candidate, std::function<void(const QString &)> done)
{
    claim(candidate, [this, candidate, done = std::move(done)](int status) {
        if (status == ShortcutStatus::success) {
            m_settings.setHotkey(candidate);
            log::info(lcHotkey, "Hotkey registered: %s", trigger());
            setOutcome(status, QString());
            if (done)
                done(QString());
            return;
        }
        const QString refusal = describeStatus(status, candidate.displayString());
        log::info(lcHotkey, "Keeping the hotkey %s: %s", m_settings.hotkey().displayString(), refusal);
        registerHotkey();
        if (done)
            done(refusal);
    });
}

void HotkeyManager::claim(const HotkeyConfig &config, std::function<void(int)> outcome)
{
    unregisterHotkey();
    installHandler();
    if (!m_handlerInstalled) {
        outcome(m_status);
        return;
    }

    const auto shortcut = keytable::shortcutFor(config);
    if (!shortcut) {
        log::error(lcHotkey, "Failed to register hotkey: %d", ShortcutStatus::unsupportedKey);
        outcome(ShortcutStatus::unsupportedKey);
        return;
    }
    const quint64 generation = ++m_generation;
    m_pending = true;
    QPointer<HotkeyManager> self(this);
    const ShortcutRequest request{dictateAction, tr("Start and stop a dictation"), *shortcut};
    m_backend.registerShortcut(request, [self, generation, outcome = std::move(outcome)](const ShortcutBinding &binding) {
        // A withdrawn or superseded registration has nobody waiting for it.
        if (!self || !self->m_pending || self->m_generation != generation)
            return;
        self->m_pending = false;
        if (binding.status == ShortcutStatus::success) {
            self->m_registered = true;
            self->m_boundTrigger = binding.trigger;
        } else if (binding.status != ShortcutStatus::boundByCompositor) {
            log::error(lcHotkey, "Failed to register hotkey: %d", binding.status);
        }
        outcome(binding.status);
    });
}

void HotkeyManager::installHandler()
{
    // The handler only schedules the work: callbacks run after it has returned, and not at all
    // once the manager is gone.
    QPointer<HotkeyManager> self(this);
    const int status = m_backend.installHandler([self](const ShortcutNotice &notice) {
        if (!self)
            return;
        QMetaObject::invokeMethod(
            self.data(),
            [self, notice] {
                if (!self)
                    return;
                switch (notice.event) {
                case ShortcutEvent::pressed:
                    self->handleHotkeyPressed();
                    break;
                case ShortcutEvent::released:
                    self->handleHotkeyReleased();
                    break;
                case ShortcutEvent::lost:
                    // The backend has logged why; nothing is left to unregister.
                    self->m_registered = false;
                    self->m_boundTrigger.clear();
                    self->setOutcome(notice.status, describeStatus(notice.status, self->trigger()));
                    break;
                case ShortcutEvent::triggerChanged:
                    self->m_boundTrigger = notice.trigger;
                    log::info(lcHotkey, "Hotkey changed by the desktop: %s", self->trigger());
                    emit self->registrationChanged(self->m_registered);
                    break;
                }
            },
            Qt::QueuedConnection);
    });
    if (status != ShortcutStatus::success) {
        log::error(lcHotkey, "Failed to install event handler: %d", status);
        m_status = status;
        return;
    }
    m_handlerInstalled = true;
}

void HotkeyManager::setOutcome(int status, const QString &failure)
{
    m_status = status;
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
    case ShortcutStatus::keyboardChanged:
        return tr("The hotkey stopped working after a keyboard layout change");
    case ShortcutStatus::boundByCompositor:
        return tr("This desktop lets no application register a global shortcut: bind a key to parlixctl in the "
                  "desktop's own keyboard settings");
    case ShortcutStatus::cancelled:
        return tr("The desktop's shortcut dialog was closed without binding %1").arg(keys);
    case ShortcutStatus::refused:
        return tr("The desktop bound no shortcut for dictation");
    case ShortcutStatus::sessionClosed:
        return tr("The desktop ended the shortcut session; the hotkey no longer works");
    case ShortcutStatus::alreadyTaken:
        return tr("%1 is already used by another application").arg(keys);
    default:
        return tr("%1 could not be registered (error %2)").arg(keys).arg(status);
    }
}

void HotkeyManager::unregisterHotkey()
{
    if (m_registered || m_pending) {
        m_backend.unregisterShortcut();
        if (m_registered)
            log::info(lcHotkey, "Hotkey unregistered");
        m_registered = false;
        m_pending = false;
        m_boundTrigger.clear();
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
