#pragma once
// The clip and live recorders as the controller's ClipRecorder and LiveCapture.
#include "controller/DictationServices.h"

namespace parlix {

class AudioRecorder;
class LiveAudioRecorder;

class AudioRecorderAdapter : public ClipRecorder {
public:
    explicit AudioRecorderAdapter(AudioRecorder &recorder) : m_recorder(recorder) {}
    // Throws AudioRecorderError.
    QCoro::Task<QString> startRecording() override;
    std::optional<QString> stopRecording() override;
    void deleteRecording(const QString &path) override;
    void setSilenceHandler(std::function<void()> handler) override;
    void setInterruptionHandler(std::function<void(const QString &)> handler) override;

private:
    AudioRecorder &m_recorder;
};

class LiveAudioRecorderAdapter : public LiveCapture {
public:
    explicit LiveAudioRecorderAdapter(LiveAudioRecorder &recorder) : m_recorder(recorder) {}
    // Throws AudioRecorderError.
    QCoro::Task<> startRecording() override;
    std::optional<QString> extractChunk() override;
    std::optional<QString> extractFinalChunk() override;
    void deleteChunk(const QString &path) override;
    void stopRecording() override;
    void setSilenceHandler(std::function<void()> handler) override;
    void setInterruptionHandler(std::function<void(const QString &)> handler) override;

private:
    LiveAudioRecorder &m_recorder;
};

} // namespace parlix
