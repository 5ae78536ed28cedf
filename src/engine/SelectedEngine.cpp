#include "engine/SelectedEngine.h"

#include "core/Categories.h"
#include "core/Log.h"
#include "core/SettingsModel.h"
#include "engine/RemoteServerEngine.h"
#include "engine/WhisperError.h"
#include "engine/WhisperServerEngine.h"
#include "engine/WhisperTranscriber.h"

#include <QPointer>

namespace parlix {

SelectedEngine::SelectedEngine(SettingsModel &settings, WhisperTranscriber &perClip, WhisperServerEngine &server,
                               RemoteServerEngine &remote, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_perClip(perClip)
    , m_server(server)
    , m_remote(remote)
{
    connect(&m_settings, &SettingsModel::changed, this, &SelectedEngine::settingChanged);
}

EngineMode SelectedEngine::mode() const
{
    return m_override.value_or(m_settings.engineMode());
}

void SelectedEngine::settingChanged(const QString &key)
{
    if (key != QLatin1String(SettingsKey::modelPath) && key != QLatin1String(SettingsKey::engineMode))
        return;
    if (mode() == EngineMode::keepLoaded) {
        // The model loads now, not when the user next speaks.
        warmUp();
    } else {
        m_server.stop();
    }
}

QCoro::Task<> SelectedEngine::warmUp()
{
    QPointer self(this);
    try {
        co_await m_server.ensureRunning();
    } catch (const std::exception &e) {
        // The next clip tries again, and falls back to whisper-cli when that fails too.
        if (self)
            log::error(lcWhisper, "Could not load the model ahead: %s", e.what());
    }
}

QCoro::Task<QString> SelectedEngine::transcribe(QString audioPath, std::optional<QString> prompt)
{
    switch (mode()) {
    case EngineMode::perClip:
        co_return co_await m_perClip.transcribe(audioPath, prompt);
    case EngineMode::remote:
        co_return co_await m_remote.transcribe(audioPath, prompt);
    case EngineMode::keepLoaded:
        break;
    }
    QPointer self(this);
    const quint64 epoch = m_cancelEpoch;
    std::optional<QString> failure;
    try {
        co_return co_await m_server.transcribe(audioPath, prompt);
    } catch (const WhisperError &e) {
        if (e.kind() == WhisperError::Kind::cancelled || e.kind() == WhisperError::Kind::modelNotFound)
            throw;
        failure = e.errorDescription();
    }
    // Cancelled while the server was starting or failing: no second engine either.
    if (!self || m_cancelEpoch != epoch)
        throw WhisperError::cancelled();
    log::error(lcWhisper, "Kept-loaded engine failed (%s); this clip goes to whisper-cli", *failure);
    co_return co_await m_perClip.transcribe(audioPath, prompt);
}

void SelectedEngine::cancel()
{
    ++m_cancelEpoch;
    m_perClip.cancel();
    m_server.cancel();
    m_remote.cancel();
}

} // namespace parlix
