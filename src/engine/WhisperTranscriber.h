#pragma once
// Turns one audio file into cleaned text by running whisper-cli as a child process.
// Settings are read on the calling (main) thread; the child runs on the runner's own worker
// thread, one at a time, and the result is awaited without blocking the main thread.
#include "engine/SpeechEngine.h"
#include "engine/WhisperError.h"

#include <QCoroTask>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <optional>

namespace parlix {

class SettingsModel;

class WhisperTranscriber : public QObject, public SpeechEngine {
    Q_OBJECT
public:
    // `resourceDirectory` is where "whisper-cli" is looked up.
    WhisperTranscriber(SettingsModel &settings, QString resourceDirectory, QObject *parent = nullptr);
    ~WhisperTranscriber() override;

    // True when the resource directory holds an executable "whisper-cli". Never throws.
    QCoro::Task<bool> isEngineAvailable();

    // Throws WhisperError. Must be awaited from the main thread.
    QCoro::Task<QString> transcribe(QString audioPath, std::optional<QString> prompt = std::nullopt) override;
    // Kills the running child; calls still waiting for the worker end without starting one.
    void cancel() override;

    QString enginePath() const;

private:
    SettingsModel &m_settings;
    QString m_resourceDirectory;
    QThreadPool m_worker; // one thread: at most one child at a time
    // Raised by cancel(); a call ends when it differs from the value it started with.
    std::atomic<quint64> m_cancelEpoch{0};
    // The first run keeps the engine's own report on stderr, so the log says once which CPU
    // features it uses; later runs ask it to print nothing but the text.
    bool m_firstRun = true;
};

} // namespace parlix
