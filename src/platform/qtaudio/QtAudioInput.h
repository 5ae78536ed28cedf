#pragma once
// AudioInput over Qt Multimedia: a QAudioSource in push mode living on a capture thread of its
// own, so buffers never wait for the main thread. Devices are Qt's (PulseAudio / PipeWire-pulse
// sources), identified by QAudioDevice::id().
#include "platform/AudioInput.h"

#include <QThread>

#include <memory>

namespace parlix {

namespace qtaudio {
class CaptureWorker;
}

class QtAudioInput : public AudioInput {
public:
    QtAudioInput();
    ~QtAudioInput() override;

    QList<AudioDevice> devices() override;
    AudioFormat deviceFormat(const QByteArray &deviceId) override;
    QFuture<QString> start(const QByteArray &deviceId, Callbacks callbacks) override;
    void stop() override;

private:
    QThread m_thread;
    qtaudio::CaptureWorker *m_worker = nullptr; // lives on m_thread
};

} // namespace parlix
