#pragma once
// AudioInput over libpulse. A threaded PulseAudio main loop is the capture thread: buffers are
// handed on from the recording stream's read callback as the server sends them, and the stream
// asks for 10 ms fragments, so the first audio arrives a fragment after the stream starts (Qt's
// backend polls on a timer as long as the whole fragment the server granted, 50-130 ms or more).
// Devices are the server's sources without the monitors of outputs; ids are source names.
#include "platform/AudioInput.h"

#include <memory>

struct pa_threaded_mainloop;
struct pa_context;

namespace parlix {

namespace pulse {
struct StreamState;
}

class PulseAudioInput : public AudioInput {
public:
    PulseAudioInput();
    ~PulseAudioInput() override;

    QList<AudioDevice> devices() override;
    AudioFormat deviceFormat(const QByteArray &deviceId) override;
    QFuture<QString> start(const QByteArray &deviceId, Callbacks callbacks) override;
    void stop() override;

    // The fragment the stream asks the server for.
    static constexpr int kFragmentMs = 10;

private:
    friend struct pulse::StreamState;
    bool ensureConnected();
    // With the lock held. A stream ended from the loop's own thread is released on its next turn.
    void endStream(bool inLoopThread);
    // The stream failed or the server went away: fail the pending start or report the error once.
    void streamEnded(const QString &description);
    void contextChanged();

    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    std::unique_ptr<pulse::StreamState> m_stream; // guarded by the main loop's lock
};

} // namespace parlix
