#include "control/ControlService.h"

#include "controller/DictationController.h"
#include "core/AppState.h"
#include "core/Categories.h"
#include "core/Log.h"
#include "hotkey/HotkeyManager.h"

#include <QDBusMessage>

namespace parlix {

ControlService::ControlService(DictationController &controller, AppState &state, QObject *parent)
    : QObject(parent)
    , m_controller(controller)
    , m_state(state)
    , m_bus(QString())
    , m_published(control::stateFrom(state.isRecording(), state.isTranscribing(), state.isLiveTranscribing()))
{
    // Announced from the event loop, once the flags have settled: a stop clears the recording flag
    // before it sets the transcribing one, and the "idle" in between is not a state to announce
    // (a script waiting for idle would take it for the end of the dictation).
    m_publishSoon.setSingleShot(true);
    m_publishSoon.setInterval(0);
    connect(&m_publishSoon, &QTimer::timeout, this, &ControlService::publishState);
    const auto schedule = [this] { m_publishSoon.start(); };
    connect(&m_state, &AppState::isRecordingChanged, this, schedule);
    connect(&m_state, &AppState::isTranscribingChanged, this, schedule);
    connect(&m_state, &AppState::isLiveTranscribingChanged, this, schedule);
}

bool ControlService::registerOn(QDBusConnection bus, QString *error)
{
    m_bus = std::move(bus);
    m_registered = m_bus.registerObject(QString::fromLatin1(control::objectPath), this,
                                        QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportScriptableProperties);
    if (!m_registered && error)
        *error = m_bus.lastError().isValid() ? m_bus.lastError().message() : QStringLiteral("the object path is taken");
    return m_registered;
}

QString ControlService::state() const
{
    return control::stateName(control::stateFrom(m_state.isRecording(), m_state.isTranscribing(), m_state.isLiveTranscribing()));
}

bool ControlService::hotkeyRegistered() const
{
    return m_hotkey && m_hotkey->isRegistered();
}

void ControlService::watchHotkey(HotkeyManager &hotkey)
{
    m_hotkey = &hotkey;
    m_publishedHotkey = hotkey.isRegistered();
    connect(&hotkey, &HotkeyManager::registrationChanged, this, [this](bool registered) {
        if (registered == m_publishedHotkey)
            return;
        m_publishedHotkey = registered;
        publishProperty(control::hotkeyRegisteredProperty, registered);
    });
}

void ControlService::toggle()
{
    log::debug(lcApp, "Control request: %s", "Toggle");
    m_controller.toggleRecording();
}

void ControlService::start()
{
    log::debug(lcApp, "Control request: %s", "Start");
    m_controller.requestStart();
}

void ControlService::stop()
{
    log::debug(lcApp, "Control request: %s", "Stop");
    m_controller.requestStop();
}

void ControlService::cancel()
{
    log::debug(lcApp, "Control request: %s", "Cancel");
    m_controller.cancelTranscription();
}

void ControlService::retry()
{
    log::debug(lcApp, "Control request: %s", "Retry");
    m_controller.retryLastRecording();
}

void ControlService::OpenSettings(const QString &tab)
{
    log::debug(lcApp, "Control request: %s", "OpenSettings");
    const std::optional<SettingsTab> chosen = control::tabFromName(tab);
    if (!chosen) {
        sendErrorReply(QString::fromLatin1(control::unknownTabError),
                       QStringLiteral("Unknown settings tab '%1' (one of: %2)").arg(tab, control::tabNames().join(QStringLiteral(", "))));
        return;
    }
    m_controller.openSettingsToTab(*chosen);
}

void ControlService::publishState()
{
    const control::State now = control::stateFrom(m_state.isRecording(), m_state.isTranscribing(), m_state.isLiveTranscribing());
    if (now == m_published)
        return;
    m_published = now;
    publishProperty(control::stateProperty, control::stateName(now));
}

void ControlService::publishProperty(const char *name, const QVariant &value)
{
    if (!m_registered)
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(control::objectPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(control::interfaceName) << QVariantMap{{QString::fromLatin1(name), value}}
           << QStringList{};
    m_bus.send(signal);
}

} // namespace parlix
