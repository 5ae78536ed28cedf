#pragma once
// Records the microphone into a 16 kHz mono 16-bit WAV clip for dictation, meters its level,
// stops on silence when the user wants it, and runs the level preview of the Recording tab.
// Operations run on the main thread; audio is converted and written on the capture thread, which
// never waits for the main thread.
#include "audio/AudioDsp.h"
#include "audio/AudioRecorderError.h"
#include "audio/Resampler.h"
#include "audio/SilenceMonitor.h"
#include "audio/WavFile.h"
#include "core/SettingsModel.h"
#include "platform/AudioInput.h"

#include <QCoroTask>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

namespace parlix {

namespace detail {
// What the capture thread writes into while a clip or a preview runs.
struct ClipCapture {
    void process(const AudioBufferView &buffer);
    // Writes what the resampler still holds; once the input has stopped.
    void finish();
    void writeResampled();

    wav::FileWriter writer;
    dsp::PowerMeter meter;
    std::optional<dsp::Resampler> resampler;
    std::vector<float> mono;
    std::vector<float> resampled;
    std::vector<int16_t> pcm;
    std::function<void(const QString &)> onWriteFailed; // capture thread, once
    bool writeFailed = false;
};
} // namespace detail

class AudioRecorder : public QObject {
    Q_OBJECT
public:
    AudioRecorder(AudioInput &input, SettingsModel &settings, QObject *parent = nullptr);
    ~AudioRecorder() override;

    bool isRecording() const { return m_isRecording; }
    bool isPreviewingAudio() const { return m_isPreviewingAudio; }
    float currentAudioLevel() const { return m_currentAudioLevel; }
    std::optional<AudioRecorderError> lastError() const { return m_lastError; }
    // The file of the current or last clip (kept after stopping until the next start).
    QString recordingPath() const { return m_recordingPath; }

    // Starts a clip; returns its path. Throws AudioRecorderError. Not to be called while recording.
    QCoro::Task<QString> startRecording();
    // Ends the clip; the file is complete when this returns. Nothing when not recording.
    std::optional<QString> stopRecording();
    void deleteRecording(const QString &path);

    void startAudioPreview();
    void stopAudioPreview();

    // Main thread, at most once per recording; the recording still runs when it is called.
    std::function<void()> onSilenceDetected;
    // Main thread, at most once per recording: the capture ended on its own (audio server or
    // device gone, disk full). The clip stays open with everything captured so far, valid on
    // disk; stopRecording() hands it over as usual.
    std::function<void(const AudioRecorderError &)> onRecordingInterrupted;

    // Where clips and the preview file go; Paths::temporaryDirectory() unless set.
    void setTemporaryDirectory(const QString &dir) { m_temporaryDirectory = dir; }
    SilenceMonitor &silenceMonitor() { return m_silence; }

signals:
    void isRecordingChanged(bool value);
    void isPreviewingAudioChanged(bool value);
    void currentAudioLevelChanged(float value);
    void lastErrorChanged();

private:
    QString temporaryDirectory() const;
    AudioInput::Callbacks callbacksFor(const std::shared_ptr<detail::ClipCapture> &capture, quint64 generation, bool preview);
    [[noreturn]] void failStart(const AudioRecorderError &error);
    QCoro::Task<> runPreview(quint64 generation);
    void handleInterruption(quint64 generation, const QString &description);
    void setIsRecording(bool value);
    void setIsPreviewingAudio(bool value);
    void setCurrentAudioLevel(float value);
    void setLastError(std::optional<AudioRecorderError> error);

    AudioInput &m_input;
    SettingsModel &m_settings;
    QString m_temporaryDirectory;

    bool m_isRecording = false;
    bool m_isPreviewingAudio = false;
    float m_currentAudioLevel = dsp::kMeterFloorDb;
    std::optional<AudioRecorderError> m_lastError;

    std::shared_ptr<detail::ClipCapture> m_clip;
    QString m_recordingPath;
    quint64 m_clipGeneration = 0;

    std::shared_ptr<detail::ClipCapture> m_preview;
    bool m_previewStarting = false;
    quint64 m_previewGeneration = 0;
    QTimer m_previewTimer;

    SilenceMonitor m_silence;
};

} // namespace parlix
