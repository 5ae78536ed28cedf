#pragma once
// One microphone stream: pick a device by id, start, receive buffers in the device's own format on
// a capture thread, stop. The recorders in src/audio convert, meter and store what arrives.
#include <QByteArray>
#include <QFuture>
#include <QList>
#include <QString>

#include <functional>

namespace parlix {

struct AudioFormat {
    enum class SampleType { unknown, uint8, int16, int32, float32 };

    int sampleRate = 0;
    int channelCount = 0;
    SampleType sampleType = SampleType::unknown;

    int bytesPerSample() const
    {
        switch (sampleType) {
        case SampleType::uint8: return 1;
        case SampleType::int16: return 2;
        case SampleType::int32:
        case SampleType::float32: return 4;
        case SampleType::unknown: return 0;
        }
        return 0;
    }
    int bytesPerFrame() const { return bytesPerSample() * channelCount; }
    bool isValid() const { return sampleRate > 0 && channelCount > 0 && bytesPerSample() > 0; }
    friend bool operator==(const AudioFormat &, const AudioFormat &) = default;
};

// Interleaved frames, valid only for the duration of the callback that receives them.
struct AudioBufferView {
    AudioFormat format;
    const char *data = nullptr;
    qint64 frameCount = 0;
};

struct AudioDevice {
    QByteArray id;
    QString description;
    bool isDefault = false;
};

class AudioInput {
public:
    struct Callbacks {
        // Capture thread. Must not block: it holds up the next buffer.
        std::function<void(const AudioBufferView &)> onBuffer;
        // Capture thread. The stream has ended on its own (server gone, device removed); no buffer
        // follows. Not called for stop().
        std::function<void(const QString &description)> onError;
    };

    virtual ~AudioInput() = default;

    // The input devices present now; empty when there is no audio server or no input device.
    virtual QList<AudioDevice> devices() = 0;
    // The format buffers of `deviceId` (empty: the system default) will arrive in; invalid when the
    // device is unknown.
    virtual AudioFormat deviceFormat(const QByteArray &deviceId) = 0;
    // Opens `deviceId` (empty: the system default) and starts delivering buffers. The future holds
    // an empty string once the stream runs, or a description of why it could not start.
    // A running stream is stopped first.
    virtual QFuture<QString> start(const QByteArray &deviceId, Callbacks callbacks) = 0;
    // Ends the stream. When it returns no callback is running or will run. Safe when not started.
    virtual void stop() = 0;
};

} // namespace parlix
