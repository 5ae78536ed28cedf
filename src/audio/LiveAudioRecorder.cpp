#include "audio/LiveAudioRecorder.h"

#include "audio/InputDeviceChoice.h"
#include "audio/WavFile.h"
#include "core/Categories.h"
#include "core/Files.h"
#include "core/Paths.h"

#include <QCoroFuture>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QUuid>

namespace parlix {

LiveAudioRecorder::LiveAudioRecorder(AudioInput &input, SettingsModel &settings, QObject *parent)
    : QObject(parent)
    , m_input(input)
    , m_settings(settings)
    , m_silence(lcLiveAudioRecorder)
{
}

LiveAudioRecorder::~LiveAudioRecorder()
{
    m_input.stop();
}

QString LiveAudioRecorder::temporaryDirectory() const
{
    if (m_temporaryDirectory.isEmpty())
        return Paths::temporaryDirectory();
    files::ensurePrivateDirectory(m_temporaryDirectory);
    return m_temporaryDirectory;
}

QCoro::Task<> LiveAudioRecorder::startRecording()
{
    if (m_isRecording || m_starting)
        co_return;

    const InputDeviceChoice device = chooseInputDevice(m_input, m_settings.audioInputDevice(), lcLiveAudioRecorder);
    if (device.error)
        throw AudioRecorderError::recordingFailed({QStringLiteral("LiveAudioRecorder"), -1, *device.error});

    const AudioFormat format = m_input.deviceFormat(device.deviceId);
    if (format.sampleRate <= 0) {
        log::error(lcLiveAudioRecorder, "Invalid audio format from input node");
        throw AudioRecorderError::recordingFailed({QStringLiteral("LiveAudioRecorder"), -1, QStringLiteral("Invalid audio format")});
    }

    {
        std::lock_guard lock(m_bufferLock);
        m_accumulatedSamples.clear();
    }
    m_resampler.reset(); // a new stream: nothing of the last one's filter state carries over

    const quint64 generation = ++m_generation;
    AudioInput::Callbacks callbacks;
    callbacks.onBuffer = [this](const AudioBufferView &buffer) { processBuffer(buffer); };
    callbacks.onError = [this, generation](const QString &description) {
        QMetaObject::invokeMethod(
            this, [this, generation, description] { handleInterruption(generation, description); }, Qt::QueuedConnection);
    };

    m_starting = true;
    QPointer<LiveAudioRecorder> self(this);
    const QString error = co_await m_input.start(device.deviceId, std::move(callbacks));
    if (!self)
        co_return;
    m_starting = false;
    if (!error.isEmpty()) {
        log::error(lcLiveAudioRecorder, "Failed to start audio engine: %s", error);
        throw AudioRecorderError::recordingFailed({QStringLiteral("AudioInput"), -1, error});
    }

    setIsRecording(true);
    if (m_settings.silenceDetectionEnabled()) {
        m_silence.start({
            [this] { return m_currentAudioLevel; },
            [this] { return SilenceMonitor::Settings{m_settings.silenceThresholdDb(), m_settings.silenceDurationSeconds()}; },
            [this] {
                if (onSilenceDetected)
                    onSilenceDetected();
            },
        });
    } else {
        m_silence.stop();
    }
    log::info(lcLiveAudioRecorder, "Live recording started");
}

void LiveAudioRecorder::stopRecording()
{
    if (!m_isRecording)
        return;
    m_silence.stop();
    m_input.stop();
    ++m_generation; // levels and interruptions still on their way are stale
    setIsRecording(false);
    setCurrentAudioLevel(dsp::kMeterFloorDb);
    log::info(lcLiveAudioRecorder, "Live recording stopped");
}

void LiveAudioRecorder::processBuffer(const AudioBufferView &buffer)
{
    dsp::firstChannel(buffer, m_firstChannel);
    if (m_firstChannel.empty())
        return;
    const std::vector<float> *samples = &m_firstChannel;
    if (buffer.format.sampleRate != dsp::kTargetRate) {
        if (!m_resampler || m_resampler->inputRate() != buffer.format.sampleRate)
            m_resampler.emplace(buffer.format.sampleRate);
        m_resampler->process(m_firstChannel, m_resampled);
        samples = &m_resampled;
        if (samples->empty())
            return; // the filter is still filling
    }

    m_pendingLevel.store(dsp::rmsLevelDb(*samples), std::memory_order_relaxed);
    if (!m_levelPosted.exchange(true, std::memory_order_acq_rel)) {
        const quint64 generation = m_generation.load(std::memory_order_relaxed);
        QMetaObject::invokeMethod(this, [this, generation] { publishLevel(generation); }, Qt::QueuedConnection);
    }

    std::lock_guard lock(m_bufferLock);
    m_accumulatedSamples.insert(m_accumulatedSamples.end(), samples->begin(), samples->end());
}

void LiveAudioRecorder::publishLevel(quint64 generation)
{
    m_levelPosted.store(false, std::memory_order_release);
    if (!m_isRecording || generation != m_generation.load(std::memory_order_relaxed))
        return;
    setCurrentAudioLevel(m_pendingLevel.load(std::memory_order_relaxed));
}

void LiveAudioRecorder::handleInterruption(quint64 generation, const QString &description)
{
    if (!m_isRecording || generation != m_generation.load())
        return;
    ++m_generation; // once per capture
    m_input.stop();
    // Nothing is heard any more.
    setCurrentAudioLevel(kLevelFloorDb);
    log::error(lcLiveAudioRecorder, "Live recording interrupted: %s", description);
    const auto error = AudioRecorderError::recordingFailed({QStringLiteral("AudioInput"), -1, description});
    if (onRecordingInterrupted)
        onRecordingInterrupted(error);
}

qsizetype LiveAudioRecorder::accumulatedSampleCount() const
{
    std::lock_guard lock(m_bufferLock);
    return qsizetype(m_accumulatedSamples.size());
}

std::vector<float> LiveAudioRecorder::takeSamples()
{
    std::vector<float> taken;
    std::lock_guard lock(m_bufferLock);
    taken.swap(m_accumulatedSamples);
    return taken;
}

void LiveAudioRecorder::putBack(std::vector<float> &&samples)
{
    std::lock_guard lock(m_bufferLock);
    // In front of whatever arrived since the cut, so the order stays as captured.
    samples.insert(samples.end(), m_accumulatedSamples.begin(), m_accumulatedSamples.end());
    m_accumulatedSamples.swap(samples);
}

std::optional<QString> LiveAudioRecorder::writeChunk(const std::vector<float> &samples, const QString &prefix, QString *error)
{
    const std::optional<QByteArray> bytes = wav::chunkBytes(samples);
    if (!bytes) {
        *error = QStringLiteral("The chunk is too long for a WAV file");
        return std::nullopt;
    }
    const QString path = files::pathIn(temporaryDirectory(),
                                       prefix + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + QStringLiteral(".wav"));
    if (!files::writeAtomically(path, *bytes, error))
        return std::nullopt;
    return path;
}

std::optional<QString> LiveAudioRecorder::extractChunk()
{
    std::vector<float> samples = takeSamples();
    if (samples.empty()) {
        log::debug(lcLiveAudioRecorder, "No samples to extract");
        return std::nullopt;
    }
    if (qsizetype(samples.size()) < kMinimumChunkSamples) {
        log::debug(lcLiveAudioRecorder, "Not enough samples: %ld < %ld", qint64(samples.size()), qint64(kMinimumChunkSamples));
        putBack(std::move(samples));
        return std::nullopt;
    }
    QString error;
    const std::optional<QString> path = writeChunk(samples, QStringLiteral("live_chunk_"), &error);
    if (!path) {
        // Keep the audio for the next cut: a full disk or a vanished directory must not cost
        // the user what they said.
        log::error(lcLiveAudioRecorder, "Failed to write chunk: %s", error);
        putBack(std::move(samples));
        return std::nullopt;
    }
    log::debug(lcLiveAudioRecorder, "Extracted chunk with %ld samples to %s", qint64(samples.size()), QFileInfo(*path).fileName());
    return path;
}

std::optional<QString> LiveAudioRecorder::extractFinalChunk()
{
    std::vector<float> samples = takeSamples();
    if (samples.empty())
        return std::nullopt;
    QString error;
    const std::optional<QString> path = writeChunk(samples, QStringLiteral("live_final_"), &error);
    if (!path) {
        log::error(lcLiveAudioRecorder, "Failed to write final chunk: %s", error);
        putBack(std::move(samples));
        return std::nullopt;
    }
    log::debug(lcLiveAudioRecorder, "Extracted final chunk with %ld samples", qint64(samples.size()));
    return path;
}

void LiveAudioRecorder::deleteChunk(const QString &path)
{
    QFile file(path);
    if (file.remove())
        log::debug(lcLiveAudioRecorder, "Deleted chunk: %s", path);
    else
        log::error(lcLiveAudioRecorder, "Failed to delete chunk: %s", file.errorString());
}

void LiveAudioRecorder::setIsRecording(bool value)
{
    if (m_isRecording == value)
        return;
    m_isRecording = value;
    emit isRecordingChanged(value);
}

void LiveAudioRecorder::setCurrentAudioLevel(float value)
{
    if (m_currentAudioLevel == value)
        return;
    m_currentAudioLevel = value;
    emit currentAudioLevelChanged(value);
}

} // namespace parlix
