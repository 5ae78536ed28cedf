#include "app/HotkeyNotice.h"

#include "app/DesktopNotifications.h"
#include "core/Categories.h"
#include "core/Log.h"
#include "core/SettingsModel.h"
#include "hotkey/HotkeyManager.h"

#include <QPointer>

namespace parlix {

HotkeyNotice::HotkeyNotice(HotkeyManager &hotkey, SettingsModel &settings, DesktopNotifications &notifications,
                           std::function<void()> openRecordingTab, QObject *parent)
    : QObject(parent)
    , m_hotkey(hotkey)
    , m_settings(settings)
    , m_notifications(notifications)
    , m_openRecordingTab(std::move(openRecordingTab))
{
    connect(&m_hotkey, &HotkeyManager::registrationChanged, this, [this](bool registered) {
        if (m_hotkey.isBoundByCompositor()) {
            // Nothing is wrong: the user needs to hear how to bind the key, but not at every launch.
            if (!m_settings.compositorBindingNoticeShown())
                notifyCompositorBinding();
            return;
        }
        if (!registered && !m_notified)
            notifyConflict();
    });
}

void HotkeyNotice::openRecordingTab()
{
    if (m_openRecordingTab)
        m_openRecordingTab();
}

std::function<void()> HotkeyNotice::openAction()
{
    // The notification may be clicked after this object is gone (at quit).
    return [self = QPointer<HotkeyNotice>(this)] {
        if (self)
            self->openRecordingTab();
    };
}

void HotkeyNotice::notifyConflict()
{
    m_notified = true;
    const QString keys = m_settings.hotkey().displayString();
    log::info(lcApp, "Telling the user that the hotkey %s is unavailable", keys);
    // Where the desktop decides the key, choosing another one here is no remedy.
    const bool canChoose = m_hotkey.canChooseKey();
    const QString remedy = canChoose ? tr("until you choose another hotkey in Settings → Recording")
                                     : tr("until a key is bound to it as Settings → Recording describes");
    const std::function<void()> open = openAction();
    m_notifications.notify(canChoose ? tr("Hotkey %1 is unavailable").arg(keys) : tr("No global hotkey"),
                           tr("%1. Dictation cannot be started from the keyboard %2.").arg(m_hotkey.failure(), remedy),
                           {{DesktopNotifications::defaultAction, tr("Change hotkey"), open},
                            {QStringLiteral("change-hotkey"), tr("Change…"), open}},
                           DesktopNotifications::Urgency::normal);
}

void HotkeyNotice::notifyCompositorBinding()
{
    m_settings.setCompositorBindingNoticeShown(true);
    log::info(lcApp, "Telling the user how to bind a key in the compositor");
    const std::function<void()> open = openAction();
    m_notifications.notify(tr("Bind a key to dictate"),
                           tr("This desktop lets no application claim a global hotkey. Bind a key to parlixctl in its "
                              "configuration: Settings → Recording shows the line to add."),
                           {{DesktopNotifications::defaultAction, tr("Show the binding"), open},
                            {QStringLiteral("show-binding"), tr("Show the Binding…"), open}},
                           DesktopNotifications::Urgency::low);
}

} // namespace parlix
