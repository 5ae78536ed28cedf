#pragma once
// A scripted microphone for unit tests: buffers are delivered on the calling thread when the test
// says so, starts succeed or fail as configured, and every call is counted.
#include "platform/AudioInput.h"

#include <span>
#include <vector>

namespace parlix::test {

class FakeAudioInput : public AudioInput {
public:
    QList<AudioDevice> deviceList{{QByteArrayLiteral("fake-mic"), QStringLiteral("Fake microphone"), true}};
    AudioFormat format{16000, 1, AudioFormat::SampleType::float32};
    // What start() answers; empty means success.
    QString startError;

    int startCount = 0;
    int stopCount = 0;
    QByteArray lastStartedDevice;

    QList<AudioDevice> devices() override { return deviceList; }
    AudioFormat deviceFormat(const QByteArray &deviceId) override;
    QFuture<QString> start(const QByteArray &deviceId, Callbacks callbacks) override;
    void stop() override;

    bool isRunning() const { return m_running; }
    // Delivers interleaved float frames in `format` as one buffer (as the capture thread would).
    void deliverFloats(std::span<const float> interleaved);
    void deliverInt16(std::span<const int16_t> interleaved);
    void deliver(const AudioBufferView &buffer);
    // Ends the stream as a vanished server would.
    void fail(const QString &description);

private:
    Callbacks m_callbacks;
    bool m_running = false;
};

} // namespace parlix::test
