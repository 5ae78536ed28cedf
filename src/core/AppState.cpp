#include "core/AppState.h"

#include "core/Categories.h"
#include "core/Graphemes.h"
#include "core/Log.h"
#include "core/SettingsModel.h"

namespace parlix {

AppState::AppState(SettingsModel &settings, Clock clock, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_clock(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTimeUtc(); }))
{
}

bool AppState::modelMissing() const
{
    // A remote server transcribes with a model of its own, so none is missing then.
    return m_settings.engineMode() != EngineMode::remote && !m_settings.modelFile().has_value();
}

bool AppState::canRecord() const
{
    return !m_engineMissing && !modelMissing() && !m_isRecording && !m_isTranscribing && !m_isLiveTranscribing;
}

const char *AppState::otherActivity(const bool *except) const
{
    if (&m_isRecording != except && m_isRecording)
        return "recording";
    if (&m_isTranscribing != except && m_isTranscribing)
        return "transcribing";
    if (&m_isLiveTranscribing != except && m_isLiveTranscribing)
        return "live transcribing";
    return nullptr;
}

bool AppState::setActivity(bool &field, bool value, const char *name)
{
    if (value) {
        if (const char *running = otherActivity(&field)) {
            // Two activities at once would leave the icon and the start guard describing only one.
            log::error(lcAppState, "Refused to set %s state while %s", QString::fromLatin1(name),
                       QString::fromLatin1(running));
            return false;
        }
    }
    field = value;
    return true;
}

bool AppState::setRecording(bool value)
{
    if (!setActivity(m_isRecording, value, "recording"))
        return false;
    log::debug(lcAppState, "Recording state: %{bool}d", value);
    emit isRecordingChanged(value);
    return true;
}

bool AppState::setTranscribing(bool value)
{
    if (!setActivity(m_isTranscribing, value, "transcribing"))
        return false;
    log::debug(lcAppState, "Transcribing state: %{bool}d", value);
    emit isTranscribingChanged(value);
    return true;
}

bool AppState::setLiveTranscribing(bool value)
{
    if (!setActivity(m_isLiveTranscribing, value, "live transcribing"))
        return false;
    log::debug(lcAppState, "Live transcribing state: %{bool}d", value);
    emit isLiveTranscribingChanged(value);
    return true;
}

void AppState::setEngineMissing(bool value)
{
    m_engineMissing = value;
    if (value)
        log::error(lcAppState, "Whisper engine not found in bundle");
    emit engineMissingChanged(value);
}

void AppState::recordTranscription(const QString &text)
{
    m_lastTranscript = text;
    emit lastTranscriptChanged(text);
    m_lastTranscriptTimestamp = m_clock();
    emit lastTranscriptTimestampChanged(*m_lastTranscriptTimestamp);
    log::info(lcAppState, "Recorded transcription: %s...", log::Private{graphemes::prefix(text, 50)});
}

} // namespace parlix
