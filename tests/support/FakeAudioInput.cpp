#include "FakeAudioInput.h"

#include <QFuture>

#include <algorithm>

namespace parlix::test {

AudioFormat FakeAudioInput::deviceFormat(const QByteArray &deviceId)
{
    if (deviceList.isEmpty())
        return {};
    if (!deviceId.isEmpty() && std::none_of(deviceList.begin(), deviceList.end(), [&](const AudioDevice &d) { return d.id == deviceId; }))
        return {};
    return format;
}

QFuture<QString> FakeAudioInput::start(const QByteArray &deviceId, Callbacks callbacks)
{
    ++startCount;
    lastStartedDevice = deviceId;
    if (startError.isEmpty()) {
        m_callbacks = std::move(callbacks);
        m_running = true;
    } else {
        m_callbacks = {};
        m_running = false;
    }
    return QtFuture::makeReadyFuture(startError);
}

void FakeAudioInput::stop()
{
    ++stopCount;
    m_running = false;
    m_callbacks = {};
}

void FakeAudioInput::deliver(const AudioBufferView &buffer)
{
    if (m_running && m_callbacks.onBuffer)
        m_callbacks.onBuffer(buffer);
}

void FakeAudioInput::deliverFloats(std::span<const float> interleaved)
{
    AudioFormat f = format;
    f.sampleType = AudioFormat::SampleType::float32;
    deliver({f, reinterpret_cast<const char *>(interleaved.data()), qint64(interleaved.size()) / std::max(1, f.channelCount)});
}

void FakeAudioInput::deliverInt16(std::span<const int16_t> interleaved)
{
    AudioFormat f = format;
    f.sampleType = AudioFormat::SampleType::int16;
    deliver({f, reinterpret_cast<const char *>(interleaved.data()), qint64(interleaved.size()) / std::max(1, f.channelCount)});
}

void FakeAudioInput::fail(const QString &description)
{
    auto onError = m_callbacks.onError;
    m_running = false;
    m_callbacks = {};
    if (onError)
        onError(description);
}

} // namespace parlix::test
