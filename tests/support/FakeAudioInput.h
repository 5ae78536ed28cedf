#pragma once
// A scripted microphone for unit tests. Like a real audio server it calls back on a capture thread
// of its own: deliver…() and fail() hand their buffer or error to that thread and return once the
// callback has run, stream() keeps delivering there while the test goes on. Starts succeed or fail
// as configured, and every call is counted.
#include "platform/AudioInput.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace parlix::test {

class FakeAudioInput : public AudioInput {
public:
    FakeAudioInput();
    ~FakeAudioInput() override;

    QList<AudioDevice> deviceList{{QByteArrayLiteral("fake-mic"), QStringLiteral("Fake microphone"), true}};
    AudioFormat format{16000, 1, AudioFormat::SampleType::float32};
    // What start() answers; empty means success.
    QString startError;

    int startCount = 0;
    QByteArray lastStartedDevice;

    QList<AudioDevice> devices() override { return deviceList; }
    AudioFormat deviceFormat(const QByteArray &deviceId) override;
    QFuture<QString> start(const QByteArray &deviceId, Callbacks callbacks) override;
    // As the contract asks: when it returns, no callback runs or will run.
    void stop() override;

    bool isRunning() const;
    // Delivers interleaved frames in `format` as one buffer on the capture thread and waits for it.
    void deliverFloats(std::span<const float> interleaved) { deliver(view(AudioFormat::SampleType::float32, interleaved)); }
    void deliverInt16(std::span<const int16_t> interleaved) { deliver(view(AudioFormat::SampleType::int16, interleaved)); }
    // Delivers `interleaved` float frames `count` times on the capture thread, `pause` apart,
    // without waiting, as a running stream does while the main thread goes on; waitUntilIdle()
    // waits for the last.
    void stream(std::vector<float> interleaved, int count, std::chrono::microseconds pause);
    void waitUntilIdle();
    // Ends the stream as a vanished server would.
    void fail(const QString &description);

private:
    // `interleaved` samples of `type` in the channel layout of `format`.
    template <typename Sample>
    AudioBufferView view(AudioFormat::SampleType type, std::span<const Sample> interleaved) const
    {
        return {{format.sampleRate, format.channelCount, type}, reinterpret_cast<const char *>(interleaved.data()),
                qint64(interleaved.size()) / std::max(1, format.channelCount)};
    }
    void deliver(const AudioBufferView &buffer);
    void post(std::function<void()> job);
    void deliverOnCaptureThread(const AudioBufferView &buffer);
    void run();

    // The capture thread and its queue.
    std::mutex m_queueMutex;
    std::condition_variable m_queueChanged;
    std::deque<std::function<void()>> m_jobs;
    bool m_busy = false;
    bool m_quit = false;
    std::thread m_thread;

    // Held while a callback runs, so stop() waits for it.
    mutable std::mutex m_callbackMutex;
    Callbacks m_callbacks;
    bool m_running = false;
};

} // namespace parlix::test
