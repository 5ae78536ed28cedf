#pragma once
// Streams the microphone into memory as 16 kHz mono floats for live dictation and cuts what was
// gathered into WAV chunk files on request. The capture thread only copies, resamples, measures
// and appends under a lock held for the append alone; files are written at the caller's pace.
#include "audio/AudioDsp.h"
#include "audio/AudioRecorderError.h"
#include "audio/Resampler.h"
#include "audio/SilenceMonitor.h"
#include "core/SettingsModel.h"
#include "platform/AudioInput.h"

#include <QCoroTask>
#include <QObject>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace parlix {

class LiveAudioRecorder : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype kMinimumChunkSamples = 8000; // half a second
    static constexpr float kLevelFloorDb = -80.0f;

    LiveAudioRecorder(AudioInput &input, SettingsModel &settings, QObject *parent = nullptr);
    ~LiveAudioRecorder() override;

    bool isRecording() const { return m_isRecording; }
    float currentAudioLevel() const { return m_currentAudioLevel; }

    // Starts capturing; nothing when already capturing. Throws AudioRecorderError.
    QCoro::Task<> startRecording();
    // Stops capturing; gathered samples stay for extractFinalChunk().
    void stopRecording();
    // Writes everything gathered since the last cut as a "live_chunk_" file once there is at least
    // half a second; else keeps it and returns nothing.
    std::optional<QString> extractChunk();
    // Writes everything gathered, however little, as a "live_final_" file.
    std::optional<QString> extractFinalChunk();
    void deleteChunk(const QString &path);

    // Main thread, at most once per capture; capture still runs when it is called.
    std::function<void()> onSilenceDetected;
    // Main thread, at most once per capture: the stream ended on its own (audio server or device
    // gone). Samples gathered so far stay for the next cut.
    std::function<void(const AudioRecorderError &)> onRecordingInterrupted;

    // The capture thread's work for one buffer: first channel, resampling to 16 kHz, level, append.
    void processBuffer(const AudioBufferView &buffer);

    qsizetype accumulatedSampleCount() const;
    void setTemporaryDirectory(const QString &dir) { m_temporaryDirectory = dir; }
    SilenceMonitor &silenceMonitor() { return m_silence; }

signals:
    void isRecordingChanged(bool value);
    void currentAudioLevelChanged(float value);

private:
    std::vector<float> takeSamples();
    void putBack(std::vector<float> &&samples);
    std::optional<QString> writeChunk(const std::vector<float> &samples, const QString &prefix, QString *error);
    QString temporaryDirectory() const;
    void publishLevel(quint64 generation);
    void handleInterruption(quint64 generation, const QString &description);
    void setIsRecording(bool value);
    void setCurrentAudioLevel(float value);

    AudioInput &m_input;
    SettingsModel &m_settings;
    QString m_temporaryDirectory;

    bool m_isRecording = false;
    bool m_starting = false;
    float m_currentAudioLevel = dsp::kMeterFloorDb;

    mutable std::mutex m_bufferLock; // guards m_accumulatedSamples
    std::vector<float> m_accumulatedSamples;

    // Capture thread state, reset by each start while no capture runs.
    std::optional<dsp::Resampler> m_resampler;
    std::vector<float> m_firstChannel;
    std::vector<float> m_resampled;

    // Level hand-off: the newest level, and whether a delivery to the main thread is pending.
    std::atomic<float> m_pendingLevel{dsp::kMeterFloorDb};
    std::atomic<bool> m_levelPosted{false};
    std::atomic<quint64> m_generation{0};

    SilenceMonitor m_silence;
};

} // namespace parlix
