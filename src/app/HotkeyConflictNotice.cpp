#include "app/HotkeyConflictNotice.h"

#include "core/Categories.h"
#include "core/Log.h"
#include "core/SettingsModel.h"
#include "hotkey/HotkeyManager.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace parlix {

namespace {
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kChangeAction = QStringLiteral("change-hotkey");
} // namespace

HotkeyConflictNotice::HotkeyConflictNotice(HotkeyManager &hotkey, SettingsModel &settings, QDBusConnection bus,
                                           std::function<void()> openRecordingTab, QObject *parent)
    : QObject(parent)
    , m_hotkey(hotkey)
    , m_settings(settings)
    , m_bus(std::move(bus))
    , m_openRecordingTab(std::move(openRecordingTab))
{
    connect(&m_hotkey, &HotkeyManager::registrationChanged, this, [this](bool registered) {
        if (!registered && !m_notified)
            notify();
    });
    m_bus.connect(service, path, kInterface, QStringLiteral("ActionInvoked"), this, SLOT(onActionInvoked(uint, QString)));
}

void HotkeyConflictNotice::notify()
{
    m_notified = true;
    const QString keys = m_settings.hotkey().displayString();
    log::info(lcApp, "Telling the user that the hotkey %s is unavailable", keys);
    // Where the desktop decides the key, choosing another one here is no remedy.
    const bool canChoose = m_hotkey.canChooseKey();
    const QString remedy = canChoose ? tr("until you choose another hotkey in Settings → Recording")
                                     : tr("until a key is bound to it as Settings → Recording describes");
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, kInterface, QStringLiteral("Notify"));
    call << QStringLiteral("Parlix") << uint(0) << QStringLiteral("com.quorvane.parlix")
         << (canChoose ? QStringLiteral("Hotkey %1 is unavailable").arg(keys) : tr("No global hotkey"))
         << QStringLiteral("%1. Dictation cannot be started from the keyboard %2.").arg(m_hotkey.failure(), remedy)
         << QStringList{QStringLiteral("default"), QStringLiteral("Change hotkey"), kChangeAction, QStringLiteral("Change…")}
         << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("com.quorvane.parlix")},
                        {QStringLiteral("urgency"), QVariant::fromValue(uchar(1))}}
         << int(-1);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError()) {
            log::info(lcApp, "No desktop notification about the hotkey: %s", reply.error().message());
            return;
        }
        m_notificationId = reply.value();
    });
}

void HotkeyConflictNotice::onActionInvoked(uint id, const QString &action)
{
    if (id == 0 || id != m_notificationId)
        return;
    if ((action == kChangeAction || action == QLatin1String("default")) && m_openRecordingTab)
        m_openRecordingTab();
}

} // namespace parlix
