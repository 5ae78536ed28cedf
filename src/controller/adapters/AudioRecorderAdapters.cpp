#include "controller/adapters/AudioRecorderAdapters.h"

#include "audio/AudioRecorder.h"
#include "audio/AudioRecorderError.h"
#include "audio/LiveAudioRecorder.h"

namespace parlix {

namespace {
std::function<void(const AudioRecorderError &)> describing(std::function<void(const QString &)> handler)
{
    if (!handler)
        return {};
    return [handler = std::move(handler)](const AudioRecorderError &error) { handler(error.errorDescription()); };
}
} // namespace

QCoro::Task<QString> AudioRecorderAdapter::startRecording()
{
    co_return co_await m_recorder.startRecording();
}

std::optional<QString> AudioRecorderAdapter::stopRecording()
{
    return m_recorder.stopRecording();
}

void AudioRecorderAdapter::deleteRecording(const QString &path)
{
    m_recorder.deleteRecording(path);
}

void AudioRecorderAdapter::setSilenceHandler(std::function<void()> handler)
{
    m_recorder.onSilenceDetected = std::move(handler);
}

void AudioRecorderAdapter::setInterruptionHandler(std::function<void(const QString &)> handler)
{
    m_recorder.onRecordingInterrupted = describing(std::move(handler));
}

QCoro::Task<> LiveAudioRecorderAdapter::startRecording()
{
    co_await m_recorder.startRecording();
}

std::optional<QString> LiveAudioRecorderAdapter::extractChunk()
{
    return m_recorder.extractChunk();
}

std::optional<QString> LiveAudioRecorderAdapter::extractFinalChunk()
{
    return m_recorder.extractFinalChunk();
}

void LiveAudioRecorderAdapter::deleteChunk(const QString &path)
{
    m_recorder.deleteChunk(path);
}

void LiveAudioRecorderAdapter::stopRecording()
{
    m_recorder.stopRecording();
}

void LiveAudioRecorderAdapter::setSilenceHandler(std::function<void()> handler)
{
    m_recorder.onSilenceDetected = std::move(handler);
}

void LiveAudioRecorderAdapter::setInterruptionHandler(std::function<void(const QString &)> handler)
{
    m_recorder.onRecordingInterrupted = describing(std::move(handler));
}

} // namespace parlix
