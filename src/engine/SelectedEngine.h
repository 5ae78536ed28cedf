#pragma once
// The engine the settings choose, as one SpeechEngine: whisper-cli per clip, the kept-loaded
// server (falling back to whisper-cli for a clip it fails on), or the remote server (whose
// failures are the clip's: the controller keeps it for a retry). Starts the kept-loaded server
// right after its model changes, and stops it when another mode is chosen.
#include "core/EngineMode.h"
#include "engine/SpeechEngine.h"

#include <QObject>

#include <atomic>

namespace parlix {

class RemoteServerEngine;
class SettingsModel;
class WhisperServerEngine;
class WhisperTranscriber;

class SelectedEngine : public QObject, public SpeechEngine {
    Q_OBJECT
public:
    SelectedEngine(SettingsModel &settings, WhisperTranscriber &perClip, WhisperServerEngine &server,
                   RemoteServerEngine &remote, QObject *parent = nullptr);

    // `mode` for the calls that follow instead of the settings' (parlixctl transcribe --engine).
    void overrideMode(EngineMode mode) { m_override = mode; }
    EngineMode mode() const;

    QCoro::Task<QString> transcribe(QString audioPath, std::optional<QString> prompt) override;
    void cancel() override;

private:
    void settingChanged(const QString &key);
    QCoro::Task<> warmUp();

    SettingsModel &m_settings;
    WhisperTranscriber &m_perClip;
    WhisperServerEngine &m_server;
    RemoteServerEngine &m_remote;
    std::optional<EngineMode> m_override;
    quint64 m_cancelEpoch = 0;
};

} // namespace parlix
