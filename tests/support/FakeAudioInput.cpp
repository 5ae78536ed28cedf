#include "FakeAudioInput.h"

#include <QFuture>

namespace parlix::test {

FakeAudioInput::FakeAudioInput()
    : m_thread([this] { run(); })
{
}

FakeAudioInput::~FakeAudioInput()
{
    {
        std::lock_guard lock(m_queueMutex);
        m_quit = true;
    }
    m_queueChanged.notify_all();
    m_thread.join();
}

void FakeAudioInput::run()
{
    std::unique_lock lock(m_queueMutex);
    for (;;) {
        m_queueChanged.wait(lock, [this] { return m_quit || !m_jobs.empty(); });
        if (m_jobs.empty())
            return;
        auto job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_busy = true;
        lock.unlock();
        job();
        lock.lock();
        m_busy = false;
        m_queueChanged.notify_all();
    }
}

void FakeAudioInput::post(std::function<void()> job)
{
    {
        std::lock_guard lock(m_queueMutex);
        m_jobs.push_back(std::move(job));
    }
    m_queueChanged.notify_all();
}

void FakeAudioInput::waitUntilIdle()
{
    std::unique_lock lock(m_queueMutex);
    m_queueChanged.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
}

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
    std::lock_guard lock(m_callbackMutex);
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
    std::lock_guard lock(m_callbackMutex);
    m_running = false;
    m_callbacks = {};
}

bool FakeAudioInput::isRunning() const
{
    std::lock_guard lock(m_callbackMutex);
    return m_running;
}

void FakeAudioInput::deliverOnCaptureThread(const AudioBufferView &buffer)
{
    std::lock_guard lock(m_callbackMutex);
    if (m_running && m_callbacks.onBuffer)
        m_callbacks.onBuffer(buffer);
}

void FakeAudioInput::deliver(const AudioBufferView &buffer)
{
    post([=, this] { deliverOnCaptureThread(buffer); });
    waitUntilIdle();
}

void FakeAudioInput::stream(std::vector<float> interleaved, int count, std::chrono::microseconds pause)
{
    auto samples = std::make_shared<const std::vector<float>>(std::move(interleaved));
    const AudioBufferView buffer = view(AudioFormat::SampleType::float32, std::span<const float>(*samples));
    for (int i = 0; i < count; ++i)
        post([this, buffer, pause, samples] { // `samples` keeps the data `buffer` points to
            std::this_thread::sleep_for(pause);
            deliverOnCaptureThread(buffer);
        });
}

void FakeAudioInput::fail(const QString &description)
{
    post([=, this] {
        std::lock_guard lock(m_callbackMutex);
        const auto onError = std::move(m_callbacks.onError);
        m_running = false;
        m_callbacks = {};
        if (onError)
            onError(description);
    });
    waitUntilIdle();
}

} // namespace parlix::test
