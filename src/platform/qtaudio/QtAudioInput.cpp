#include "platform/qtaudio/QtAudioInput.h"

#include <QAudioDevice>
#include <QAudioSource>
#include <QIODevice>
#include <QMediaDevices>
#include <QPromise>
#include <QTimer>

namespace parlix {

namespace qtaudio {

namespace {

AudioFormat::SampleType sampleType(QAudioFormat::SampleFormat format)
{
    switch (format) {
    case QAudioFormat::UInt8: return AudioFormat::SampleType::uint8;
    case QAudioFormat::Int16: return AudioFormat::SampleType::int16;
    case QAudioFormat::Int32: return AudioFormat::SampleType::int32;
    case QAudioFormat::Float: return AudioFormat::SampleType::float32;
    default: return AudioFormat::SampleType::unknown;
    }
}

AudioFormat toAudioFormat(const QAudioFormat &format)
{
    return {format.sampleRate(), format.channelCount(), sampleType(format.sampleFormat())};
}

QString describe(QAudio::Error error)
{
    switch (error) {
    case QAudio::OpenError: return QStringLiteral("The audio input device could not be opened");
    case QAudio::IOError: return QStringLiteral("The audio input device stopped delivering audio");
    case QAudio::UnderrunError: return QStringLiteral("The audio input fell behind");
    case QAudio::FatalError: return QStringLiteral("The audio server is not reachable");
    case QAudio::NoError: break;
    }
    return QStringLiteral("Audio input error");
}

// The device for `id`, or the system default for an empty id; null when there is none.
QAudioDevice findDevice(const QByteArray &id)
{
    if (id.isEmpty())
        return QMediaDevices::defaultAudioInput();
    const QList<QAudioDevice> inputs = QMediaDevices::audioInputs();
    for (const QAudioDevice &device : inputs) {
        if (device.id() == id)
            return device;
    }
    return {};
}

// QAudioSource writes what it captured into this device (push mode), on the capture thread.
class CaptureSink : public QIODevice {
public:
    CaptureSink(AudioFormat format, std::function<void(const AudioBufferView &)> onBuffer, QObject *parent)
        : QIODevice(parent)
        , m_format(format)
        , m_frameBytes(format.bytesPerFrame())
        , m_onBuffer(std::move(onBuffer))
    {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

    // Nothing reaches the callback after this.
    void deactivate() { m_onBuffer = {}; }

protected:
    qint64 readData(char *, qint64) override { return -1; }

    qint64 writeData(const char *data, qint64 length) override
    {
        if (!m_onBuffer || length <= 0)
            return length;
        // Buffers hold whole frames; a split frame waits for its other half.
        const char *begin = data;
        qint64 remaining = length;
        if (!m_partial.isEmpty()) {
            const qint64 need = m_frameBytes - m_partial.size();
            const qint64 take = std::min(need, remaining);
            m_partial.append(data, take);
            begin += take;
            remaining -= take;
            if (m_partial.size() == m_frameBytes) {
                m_onBuffer(AudioBufferView{m_format, m_partial.constData(), 1});
                m_partial.clear();
            }
        }
        const qint64 frames = remaining / m_frameBytes;
        if (frames > 0)
            m_onBuffer(AudioBufferView{m_format, begin, frames});
        const qint64 rest = remaining - frames * m_frameBytes;
        if (rest > 0)
            m_partial.append(begin + frames * m_frameBytes, rest);
        return length;
    }

private:
    AudioFormat m_format;
    qint64 m_frameBytes;
    std::function<void(const AudioBufferView &)> m_onBuffer;
    QByteArray m_partial;
};

} // namespace

class CaptureWorker : public QObject {
public:
    void start(const QByteArray &id, AudioInput::Callbacks callbacks, std::shared_ptr<QPromise<QString>> promise)
    {
        stop();
        const QString error = open(id, std::move(callbacks));
        if (!error.isEmpty())
            stop();
        promise->addResult(error);
        promise->finish();
    }

    void stop()
    {
        // Deleted later: stop() may run inside a signal of the source itself.
        if (m_source) {
            QObject::disconnect(m_source, nullptr, this, nullptr);
            m_source->stop();
            m_source->deleteLater();
            m_source = nullptr;
        }
        if (m_sink) {
            m_sink->deactivate();
            m_sink->deleteLater();
            m_sink = nullptr;
        }
        if (m_presenceCheck)
            m_presenceCheck->stop();
        m_callbacks = {};
        m_deviceId.clear();
    }

private:
    QString open(const QByteArray &id, AudioInput::Callbacks callbacks)
    {
        const QAudioDevice device = findDevice(id);
        if (device.isNull())
            return QStringLiteral("No audio input device");
        const QAudioFormat format = device.preferredFormat();
        const AudioFormat ours = toAudioFormat(format);
        if (!ours.isValid())
            return QStringLiteral("Invalid audio format");

        m_callbacks = std::move(callbacks);
        m_deviceId = device.id();
        m_sink = new CaptureSink(ours, m_callbacks.onBuffer, nullptr);
        m_source = new QAudioSource(device, format);
        QObject::connect(m_source, &QAudioSource::stateChanged, this, [this](QAudio::State state) {
            if (m_source && state == QAudio::StoppedState && m_source->error() != QAudio::NoError)
                fail(describe(m_source->error()));
        });
        m_source->start(m_sink);
        if (m_source->error() != QAudio::NoError)
            return describe(m_source->error());

        // The server moves a stream whose source disappears onto another source, and Qt reports
        // no change when a source goes away; a recording must not silently continue on another
        // microphone, so the device list is checked while the stream runs.
        if (!m_presenceCheck) {
            m_presenceCheck = new QTimer(this);
            m_presenceCheck->setInterval(250);
            QObject::connect(m_presenceCheck, &QTimer::timeout, this, [this] { checkDevicePresent(); });
        }
        m_presenceCheck->start();
        return {};
    }

    void checkDevicePresent()
    {
        if (!m_source)
            return;
        const QList<QAudioDevice> inputs = QMediaDevices::audioInputs();
        const bool present = std::any_of(inputs.begin(), inputs.end(), [this](const QAudioDevice &d) { return d.id() == m_deviceId; });
        if (!present)
            fail(QStringLiteral("The audio input device was removed"));
    }

    void fail(const QString &description)
    {
        auto onError = m_callbacks.onError;
        stop();
        if (onError)
            onError(description);
    }

    QAudioSource *m_source = nullptr;
    CaptureSink *m_sink = nullptr;
    QTimer *m_presenceCheck = nullptr;
    AudioInput::Callbacks m_callbacks;
    QByteArray m_deviceId;
};

} // namespace qtaudio

QtAudioInput::QtAudioInput()
    : m_worker(new qtaudio::CaptureWorker)
{
    m_thread.setObjectName(QStringLiteral("parlix-capture"));
    m_worker->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start(QThread::TimeCriticalPriority);
}

QtAudioInput::~QtAudioInput()
{
    stop();
    m_thread.quit();
    m_thread.wait();
}

QList<AudioDevice> QtAudioInput::devices()
{
    const QByteArray defaultId = QMediaDevices::defaultAudioInput().id();
    QList<AudioDevice> result;
    const QList<QAudioDevice> inputs = QMediaDevices::audioInputs();
    for (const QAudioDevice &device : inputs)
        result.append({device.id(), device.description(), device.id() == defaultId});
    return result;
}

AudioFormat QtAudioInput::deviceFormat(const QByteArray &deviceId)
{
    const QAudioDevice device = qtaudio::findDevice(deviceId);
    return device.isNull() ? AudioFormat{} : qtaudio::toAudioFormat(device.preferredFormat());
}

QFuture<QString> QtAudioInput::start(const QByteArray &deviceId, Callbacks callbacks)
{
    auto promise = std::make_shared<QPromise<QString>>();
    QFuture<QString> future = promise->future();
    promise->start();
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, deviceId, callbacks = std::move(callbacks), promise]() mutable {
            worker->start(deviceId, std::move(callbacks), promise);
        },
        Qt::QueuedConnection);
    return future;
}

void QtAudioInput::stop()
{
    if (QThread::currentThread() == &m_thread)
        m_worker->stop();
    else if (m_thread.isRunning())
        QMetaObject::invokeMethod(m_worker, [worker = m_worker] { worker->stop(); }, Qt::BlockingQueuedConnection);
}

} // namespace parlix
