#include "app/HotkeyConflictNotice.h"

#include "app/DesktopNotifications.h"
#include "core/Categories.h"
#include "core/Log.h"
#include "core/SettingsModel.h"
#include "hotkey/HotkeyManager.h"

namespace parlix {

HotkeyConflictNotice::HotkeyConflictNotice(HotkeyManager &hotkey, SettingsModel &settings, DesktopNotifications &notifications,
                                           std::function<void()> openRecordingTab, QObject *parent)
    : QObject(parent)
    , m_hotkey(hotkey)
    , m_settings(settings)
    , m_notifications(notifications)
    , m_openRecordingTab(std::move(openRecordingTab))
{
    connect(&m_hotkey, &HotkeyManager::registrationChanged, this, [this](bool registered) {
        if (!registered && !m_notified)
            notify();
    });
}

void HotkeyConflictNotice::notify()
{
    m_notified = true;
    const QString keys = m_settings.hotkey().displayString();
    log::info(lcApp, "Telling the user that the hotkey %s is unavailable", keys);
    const std::function<void()> open = [this] {
        if (m_openRecordingTab)
            m_openRecordingTab();
    };
    m_notifications.notify(
        tr("Hotkey %1 is unavailable").arg(keys),
        tr("%1. Dictation cannot be started from the keyboard until you choose another hotkey in "
                       "Settings → Recording.")
            .arg(m_hotkey.failure()),
        {{DesktopNotifications::defaultAction, tr("Change hotkey"), open},
         {QStringLiteral("change-hotkey"), tr("Change…"), open}},
        DesktopNotifications::Urgency::normal);
}

} // namespace parlix
