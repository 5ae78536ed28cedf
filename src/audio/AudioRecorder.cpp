#include "audio/AudioRecorder.h"

#include "audio/InputDeviceChoice.h"
#include "core/Categories.h"
#include "core/Files.h"
#include "core/Paths.h"

#include <QCoroFuture>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QUuid>

namespace parlix {

namespace {
const QString kPreviewFileName = QStringLiteral("audio_preview_temp.wav");
} // namespace

void detail::ClipCapture::process(const AudioBufferView &buffer)
{
    if (buffer.frameCount <= 0)
        return;
    const int rate = buffer.format.sampleRate;
    if (!resampler || resampler->inputRate() != rate) {
        if (resampler)
            finish(); // the rest of the audio before the format changed
        resampler.emplace(rate);
    }
    dsp::mixToMono(buffer, mono);
    resampler->process(mono, resampled);
    writeResampled();
}

void detail::ClipCapture::finish()
{
    if (!resampler)
        return;
    resampler->flush(resampled);
    writeResampled();
}

void detail::ClipCapture::writeResampled()
{
    if (resampled.empty())
        return;
    meter.add(resampled);
    pcm.resize(resampled.size());
    for (size_t i = 0; i < resampled.size(); ++i)
        pcm[i] = dsp::toInt16Rounded(resampled[i]);
    if (!writer.append(pcm) && !writeFailed) {
        writeFailed = true;
        if (onWriteFailed)
            onWriteFailed(writer.errorString());
    }
}

AudioRecorder::AudioRecorder(AudioInput &input, SettingsModel &settings, QObject *parent)
    : QObject(parent)
    , m_input(input)
    , m_settings(settings)
    , m_silence(lcAudioRecorder)
{
    m_previewTimer.setInterval(50);
    connect(&m_previewTimer, &QTimer::timeout, this, [this] {
        if (m_preview && m_isPreviewingAudio)
            setCurrentAudioLevel(m_preview->meter.read());
    });
}

AudioRecorder::~AudioRecorder()
{
    // No capture callback may outlive the recorder.
    m_input.stop();
}

QString AudioRecorder::temporaryDirectory() const
{
    if (m_temporaryDirectory.isEmpty())
        return Paths::temporaryDirectory();
    files::ensurePrivateDirectory(m_temporaryDirectory);
    return m_temporaryDirectory;
}

AudioInput::Callbacks AudioRecorder::callbacksFor(const std::shared_ptr<detail::ClipCapture> &capture, quint64 generation, bool preview)
{
    // Runs on the capture thread: hands the event to the main thread and returns at once. Queued
    // to `this`, so nothing arrives once the recorder is gone.
    auto report = [this, generation, preview](const QString &description) {
        QMetaObject::invokeMethod(
            this, [this, generation, preview, description] {
                if (!preview) {
                    handleInterruption(generation, description);
                } else if (generation == m_previewGeneration && m_isPreviewingAudio) {
                    stopAudioPreview();
                }
            },
            Qt::QueuedConnection);
    };
    capture->onWriteFailed = [report](const QString &error) { report(QStringLiteral("Cannot write the recording: ") + error); };
    AudioInput::Callbacks callbacks;
    callbacks.onBuffer = [capture](const AudioBufferView &buffer) { capture->process(buffer); };
    callbacks.onError = report;
    return callbacks;
}

void AudioRecorder::failStart(const AudioRecorderError &error)
{
    setLastError(error);
    throw error;
}

QCoro::Task<QString> AudioRecorder::startRecording()
{
    stopAudioPreview();

    const InputDeviceChoice device = chooseInputDevice(m_input, m_settings.audioInputDevice(), lcAudioRecorder);
    if (device.error)
        failStart(AudioRecorderError::recordingFailed({QStringLiteral("AudioRecorder"), -1, *device.error}));

    const QString path = files::pathIn(temporaryDirectory(), QStringLiteral("parlix_")
                                                                 + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()
                                                                 + QStringLiteral(".wav"));
    auto capture = std::make_shared<detail::ClipCapture>();
    if (!capture->writer.open(path)) {
        failStart(AudioRecorderError::recordingFailed(
            {QStringLiteral("AudioRecorder"), -1, QStringLiteral("Cannot create %1: %2").arg(path, capture->writer.errorString())}));
    }

    const quint64 generation = ++m_clipGeneration;
    QPointer<AudioRecorder> self(this);
    const QString inputError = co_await m_input.start(device.deviceId, callbacksFor(capture, generation, false));
    if (!self)
        co_return path;
    if (!inputError.isEmpty()) {
        capture->writer.close();
        QFile::remove(path);
        log::error(lcAudioRecorder, "Failed to start audio input: %s", inputError);
        failStart(AudioRecorderError::recordingFailed({QStringLiteral("AudioInput"), -1, inputError}));
    }

    m_clip = capture;
    m_recordingPath = path;
    setIsRecording(true);
    setLastError(std::nullopt);
    if (m_settings.silenceDetectionEnabled()) {
        m_silence.start({
            [this] {
                const float level = m_clip ? m_clip->meter.read() : dsp::kMeterFloorDb;
                setCurrentAudioLevel(level);
                return level;
            },
            [this] { return SilenceMonitor::Settings{m_settings.silenceThresholdDb(), m_settings.silenceDurationSeconds()}; },
            [this] {
                if (onSilenceDetected)
                    onSilenceDetected();
            },
        });
    } else {
        m_silence.stop();
    }
    log::info(lcAudioRecorder, "Recording started: %s", path);
    co_return path;
}

std::optional<QString> AudioRecorder::stopRecording()
{
    if (!m_isRecording)
        return std::nullopt;
    m_silence.stop();
    m_input.stop();
    ++m_clipGeneration; // an interruption still on its way belongs to the finished clip
    if (m_clip) {
        // No buffer arrives any more: the last milliseconds still in the filter go in now.
        m_clip->finish();
        m_clip->writer.close();
    }
    m_clip.reset();
    setIsRecording(false);
    setCurrentAudioLevel(dsp::kMeterFloorDb);
    log::info(lcAudioRecorder, "Recording stopped");
    return m_recordingPath;
}

void AudioRecorder::handleInterruption(quint64 generation, const QString &description)
{
    if (!m_isRecording || generation != m_clipGeneration || !m_clip)
        return;
    ++m_clipGeneration; // once per recording
    m_input.stop();
    // No audio arrives any more: the meter reads silence from now on.
    m_clip->meter.reset();
    log::error(lcAudioRecorder, "Recording interrupted: %s", description);
    const auto error = AudioRecorderError::recordingFailed({QStringLiteral("AudioInput"), -1, description});
    if (onRecordingInterrupted)
        onRecordingInterrupted(error);
}

void AudioRecorder::deleteRecording(const QString &path)
{
    QFile file(path);
    if (file.remove())
        log::debug(lcAudioRecorder, "Deleted recording: %s", path);
    else
        log::error(lcAudioRecorder, "Failed to delete recording: %s", file.errorString());
}

void AudioRecorder::startAudioPreview()
{
    if (m_isRecording || m_isPreviewingAudio || m_previewStarting)
        return;
    m_previewStarting = true;
    runPreview(++m_previewGeneration);
}

QCoro::Task<> AudioRecorder::runPreview(quint64 generation)
{
    // Started from startAudioPreview(), which returns at once; everything after the first
    // suspension runs from the main event loop.
    const InputDeviceChoice device = chooseInputDevice(m_input, m_settings.audioInputDevice(), lcAudioRecorder);
    if (device.error) {
        m_previewStarting = false;
        co_return;
    }
    const QString path = files::pathIn(temporaryDirectory(), kPreviewFileName);
    auto capture = std::make_shared<detail::ClipCapture>();
    if (!capture->writer.open(path)) {
        m_previewStarting = false;
        log::error(lcAudioRecorder, "Failed to start audio preview: %s", capture->writer.errorString());
        co_return;
    }
    QPointer<AudioRecorder> self(this);
    const QString inputError = co_await m_input.start(device.deviceId, callbacksFor(capture, generation, true));
    if (!self)
        co_return;
    if (generation != m_previewGeneration) {
        // Stopped (or a clip started) while the stream was opening; the newer owner of the
        // input has already replaced this stream.
        capture->writer.close();
        co_return;
    }
    m_previewStarting = false;
    if (!inputError.isEmpty()) {
        capture->writer.close();
        QFile::remove(path);
        co_return;
    }
    m_preview = capture;
    setIsPreviewingAudio(true);
    m_previewTimer.start();
    log::debug(lcAudioRecorder, "Audio preview started");
}

void AudioRecorder::stopAudioPreview()
{
    m_previewTimer.stop();
    const bool owned = m_preview || m_previewStarting;
    ++m_previewGeneration;
    m_previewStarting = false;
    if (owned)
        m_input.stop();
    if (m_preview)
        m_preview->writer.close();
    m_preview.reset();
    setIsPreviewingAudio(false);
    setCurrentAudioLevel(dsp::kMeterFloorDb);
    QFile::remove(files::pathIn(temporaryDirectory(), kPreviewFileName));
    log::debug(lcAudioRecorder, "Audio preview stopped");
}

void AudioRecorder::setIsRecording(bool value)
{
    if (m_isRecording == value)
        return;
    m_isRecording = value;
    emit isRecordingChanged(value);
}

void AudioRecorder::setIsPreviewingAudio(bool value)
{
    if (m_isPreviewingAudio == value)
        return;
    m_isPreviewingAudio = value;
    emit isPreviewingAudioChanged(value);
}

void AudioRecorder::setCurrentAudioLevel(float value)
{
    if (m_currentAudioLevel == value)
        return;
    m_currentAudioLevel = value;
    emit currentAudioLevelChanged(value);
}

void AudioRecorder::setLastError(std::optional<AudioRecorderError> error)
{
    const bool hadError = m_lastError.has_value();
    m_lastError = std::move(error);
    if (hadError || m_lastError)
        emit lastErrorChanged();
}

} // namespace parlix
