#include "platform/pulse/PulseAudioInput.h"

#include "platform/pulse/FrameAssembler.h"
#include "platform/pulse/PulseFormat.h"

#include <QPromise>

#include <pulse/pulseaudio.h>

#include <optional>
#include <vector>

namespace parlix {

namespace pulse {

namespace {

// A server that accepted the connection but never answers must not hang the caller for good.
constexpr pa_usec_t kConnectTimeoutUsec = 3 * PA_USEC_PER_SEC;

// Takes the loop's lock on any thread but the loop's own, whose callbacks already hold it.
class LoopLock {
public:
    explicit LoopLock(pa_threaded_mainloop *loop)
        : m_loop(loop)
        , m_taken(!pa_threaded_mainloop_in_thread(loop))
    {
        if (m_taken)
            pa_threaded_mainloop_lock(m_loop);
    }
    ~LoopLock()
    {
        if (m_taken)
            pa_threaded_mainloop_unlock(m_loop);
    }
    LoopLock(const LoopLock &) = delete;
    LoopLock &operator=(const LoopLock &) = delete;

private:
    pa_threaded_mainloop *m_loop;
    bool m_taken;
};

struct SourceInfo {
    QByteArray name;
    QString description;
    pa_sample_spec spec{};
    pa_channel_map map{};
    bool isMonitor = false;
};

SourceInfo toSourceInfo(const pa_source_info &info)
{
    SourceInfo result;
    result.name = QByteArray(info.name);
    result.description = QString::fromUtf8(info.description ? info.description : info.name);
    result.spec = info.sample_spec;
    result.map = info.channel_map;
    result.isMonitor = info.monitor_of_sink != PA_INVALID_INDEX;
    return result;
}

// Runs `op` to its end with the lock held (the wait releases it meanwhile); its callback signals.
void await(pa_threaded_mainloop *loop, pa_operation *op)
{
    if (!op)
        return;
    while (pa_operation_get_state(op) == PA_OPERATION_RUNNING)
        pa_threaded_mainloop_wait(loop);
    pa_operation_unref(op);
}

struct SourceQuery {
    pa_threaded_mainloop *loop;
    std::vector<SourceInfo> sources;
    QByteArray defaultSource;
};

void collectSource(pa_context *, const pa_source_info *info, int eol, void *userdata)
{
    auto *query = static_cast<SourceQuery *>(userdata);
    if (eol == 0 && info)
        query->sources.push_back(toSourceInfo(*info));
    if (eol != 0)
        pa_threaded_mainloop_signal(query->loop, 0);
}

void collectServer(pa_context *, const pa_server_info *info, void *userdata)
{
    auto *query = static_cast<SourceQuery *>(userdata);
    if (info && info->default_source_name)
        query->defaultSource = QByteArray(info->default_source_name);
    pa_threaded_mainloop_signal(query->loop, 0);
}

QByteArray defaultSourceName(pa_threaded_mainloop *loop, pa_context *context)
{
    SourceQuery query{loop, {}, {}};
    await(loop, pa_context_get_server_info(context, collectServer, &query));
    return query.defaultSource;
}

// The named source, or the server's default one for an empty name.
std::optional<SourceInfo> findSource(pa_threaded_mainloop *loop, pa_context *context, const QByteArray &id)
{
    const QByteArray name = id.isEmpty() ? defaultSourceName(loop, context) : id;
    if (name.isEmpty())
        return std::nullopt;
    SourceQuery query{loop, {}, {}};
    await(loop, pa_context_get_source_info_by_name(context, name.constData(), collectSource, &query));
    if (query.sources.empty())
        return std::nullopt;
    return query.sources.front();
}

void finish(QPromise<QString> &promise, const QString &result)
{
    promise.addResult(result);
    promise.finish();
}

QString startFailure(int error)
{
    if (error == PA_ERR_NOENTITY)
        return QStringLiteral("No audio input device");
    return QStringLiteral("The audio input device could not be opened: ") + QString::fromUtf8(pa_strerror(error));
}

} // namespace

// One recording stream. Touched only with the loop's lock held.
struct StreamState {
    PulseAudioInput *owner = nullptr;
    pa_stream *stream = nullptr;
    AudioFormat format;
    AudioInput::Callbacks callbacks;
    std::shared_ptr<QPromise<QString>> promise; // until the stream runs or fails to
    FrameAssembler frames;
    std::vector<char> silence;
    bool ended = false;

    static void onRead(pa_stream *stream, size_t, void *userdata)
    {
        auto *state = static_cast<StreamState *>(userdata);
        const void *data = nullptr;
        size_t length = 0;
        while (!state->ended && pa_stream_peek(stream, &data, &length) == 0 && length > 0) {
            const char *bytes = static_cast<const char *>(data);
            if (!bytes) {
                // A hole: audio the server lost. Silence of the same length keeps the timing.
                if (state->silence.size() < length)
                    state->silence.resize(length, 0);
                bytes = state->silence.data();
            }
            state->frames.push(bytes, length, [state](const char *frames, long long count) {
                if (!state->ended && state->callbacks.onBuffer)
                    state->callbacks.onBuffer(AudioBufferView{state->format, frames, count});
            });
            pa_stream_drop(stream);
        }
    }

    static void onStateChanged(pa_stream *stream, void *userdata)
    {
        auto *state = static_cast<StreamState *>(userdata);
        switch (pa_stream_get_state(stream)) {
        case PA_STREAM_READY:
            if (auto promise = std::move(state->promise))
                finish(*promise, QString());
            break;
        case PA_STREAM_FAILED:
        case PA_STREAM_TERMINATED: {
            pa_context *context = pa_stream_get_context(stream);
            const int error = pa_context_errno(context);
            QString description;
            if (pa_context_get_state(context) != PA_CONTEXT_READY)
                description = QStringLiteral("The audio server is not reachable");
            else if (error == PA_ERR_KILLED || error == PA_ERR_NOENTITY)
                // The stream may not move, so the server ends it when its source goes away.
                description = QStringLiteral("The audio input device was removed");
            else
                description = QStringLiteral("The audio input device stopped delivering audio");
            state->owner->streamEnded(state->promise ? startFailure(error) : description);
            break;
        }
        default: break;
        }
    }
};

namespace {

// Ends a stream from inside the loop's own callbacks: a callback of that very stream may still be
// running further up the stack, so the stream and its state are let go on the next loop turn.
struct Retired {
    pa_stream *stream;
    std::unique_ptr<StreamState> state;
};

void releaseStream(pa_stream *stream)
{
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_CREATING || state == PA_STREAM_READY)
        pa_stream_disconnect(stream);
    pa_stream_unref(stream);
}

void releaseRetired(pa_mainloop_api *, void *userdata)
{
    auto *retired = static_cast<Retired *>(userdata);
    releaseStream(retired->stream);
    delete retired;
}

void connectTimedOut(pa_mainloop_api *, pa_time_event *, const struct timeval *, void *userdata)
{
    auto *flag = static_cast<std::pair<pa_threaded_mainloop *, bool> *>(userdata);
    flag->second = true;
    pa_threaded_mainloop_signal(flag->first, 0);
}

} // namespace

} // namespace pulse

PulseAudioInput::PulseAudioInput()
    : m_loop(pa_threaded_mainloop_new())
{
    pa_threaded_mainloop_set_name(m_loop, "parlix-capture");
    pa_threaded_mainloop_start(m_loop);
}

PulseAudioInput::~PulseAudioInput()
{
    {
        pulse::LoopLock lock(m_loop);
        endStream(false);
        if (m_context) {
            pa_context_set_state_callback(m_context, nullptr, nullptr);
            pa_context_disconnect(m_context);
            pa_context_unref(m_context);
            m_context = nullptr;
        }
    }
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
}

bool PulseAudioInput::ensureConnected()
{
    if (m_context && pa_context_get_state(m_context) == PA_CONTEXT_READY)
        return true;
    if (m_context) {
        // Gone (the server ended or restarted): start over with a new connection.
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "Parlix");
    if (!m_context)
        return false;
    pa_context_set_state_callback(
        m_context, [](pa_context *, void *self) { static_cast<PulseAudioInput *>(self)->contextChanged(); }, this);
    // A dictation tool never launches a sound server of its own.
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return false;
    std::pair<pa_threaded_mainloop *, bool> timedOut{m_loop, false};
    pa_time_event *timer = pa_context_rttime_new(m_context, pa_rtclock_now() + pulse::kConnectTimeoutUsec, pulse::connectTimedOut, &timedOut);
    pa_context_state_t state = pa_context_get_state(m_context);
    while (state != PA_CONTEXT_READY && PA_CONTEXT_IS_GOOD(state) && !timedOut.second) {
        pa_threaded_mainloop_wait(m_loop);
        state = pa_context_get_state(m_context);
    }
    if (timer)
        pa_threaded_mainloop_get_api(m_loop)->time_free(timer);
    return state == PA_CONTEXT_READY;
}

void PulseAudioInput::contextChanged()
{
    pa_threaded_mainloop_signal(m_loop, 0);
    if (m_context && !PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context)) && m_stream)
        streamEnded(QStringLiteral("The audio server is not reachable"));
}

void PulseAudioInput::streamEnded(const QString &description)
{
    if (!m_stream)
        return;
    auto promise = std::move(m_stream->promise);
    auto onError = m_stream->callbacks.onError;
    endStream(pa_threaded_mainloop_in_thread(m_loop));
    if (promise)
        pulse::finish(*promise, description);
    else if (onError)
        onError(description);
}

void PulseAudioInput::endStream(bool inLoopThread)
{
    if (!m_stream)
        return;
    std::unique_ptr<pulse::StreamState> state = std::move(m_stream);
    state->ended = true;
    pa_stream_set_read_callback(state->stream, nullptr, nullptr);
    pa_stream_set_state_callback(state->stream, nullptr, nullptr);
    if (auto promise = std::move(state->promise))
        pulse::finish(*promise, QStringLiteral("The audio input was stopped before it started"));
    pa_stream *stream = state->stream;
    if (inLoopThread) {
        pa_mainloop_api_once(pa_threaded_mainloop_get_api(m_loop), pulse::releaseRetired, new pulse::Retired{stream, std::move(state)});
    } else {
        pulse::releaseStream(stream);
    }
}

QList<AudioDevice> PulseAudioInput::devices()
{
    if (pa_threaded_mainloop_in_thread(m_loop))
        return {};
    pulse::LoopLock lock(m_loop);
    if (!ensureConnected())
        return {};
    const QByteArray defaultSource = pulse::defaultSourceName(m_loop, m_context);
    pulse::SourceQuery query{m_loop, {}, {}};
    pulse::await(m_loop, pa_context_get_source_info_list(m_context, pulse::collectSource, &query));
    QList<AudioDevice> result;
    for (const pulse::SourceInfo &source : query.sources) {
        // The monitor of an output replays what is played; it is not a microphone.
        if (!source.isMonitor)
            result.append({source.name, source.description, source.name == defaultSource});
    }
    return result;
}

AudioFormat PulseAudioInput::deviceFormat(const QByteArray &deviceId)
{
    if (pa_threaded_mainloop_in_thread(m_loop))
        return {};
    pulse::LoopLock lock(m_loop);
    if (!ensureConnected())
        return {};
    const auto source = pulse::findSource(m_loop, m_context, deviceId);
    return source ? pulse::captureFormatFor(source->spec) : AudioFormat{};
}

QFuture<QString> PulseAudioInput::start(const QByteArray &deviceId, Callbacks callbacks)
{
    auto promise = std::make_shared<QPromise<QString>>();
    QFuture<QString> future = promise->future();
    promise->start();
    if (pa_threaded_mainloop_in_thread(m_loop)) {
        pulse::finish(*promise, QStringLiteral("The audio input cannot be started from its own capture thread"));
        return future;
    }
    pulse::LoopLock lock(m_loop);
    endStream(false);
    if (!ensureConnected()) {
        pulse::finish(*promise, QStringLiteral("The audio server is not reachable"));
        return future;
    }
    const auto source = pulse::findSource(m_loop, m_context, deviceId);
    if (!source) {
        pulse::finish(*promise, QStringLiteral("No audio input device"));
        return future;
    }
    const AudioFormat format = pulse::captureFormatFor(source->spec);
    if (!format.isValid()) {
        pulse::finish(*promise, QStringLiteral("Invalid audio format"));
        return future;
    }

    const pa_sample_spec spec{pulse::wireFormat(format.sampleType), uint32_t(format.sampleRate), uint8_t(format.channelCount)};
    pa_stream *stream = pa_stream_new(m_context, "Dictation", &spec, pa_channel_map_valid(&source->map) ? &source->map : nullptr);
    if (!stream) {
        pulse::finish(*promise, pulse::startFailure(pa_context_errno(m_context)));
        return future;
    }
    auto state = std::make_unique<pulse::StreamState>();
    state->owner = this;
    state->stream = stream;
    state->format = format;
    state->callbacks = std::move(callbacks);
    state->promise = promise;
    state->frames.reset(size_t(format.bytesPerFrame()));
    pa_stream_set_read_callback(stream, pulse::StreamState::onRead, state.get());
    pa_stream_set_state_callback(stream, pulse::StreamState::onStateChanged, state.get());

    // Small fragments: the server sends audio as soon as a fragment is there, and the read
    // callback hands it on at once. Everything else stays the server's choice.
    pa_buffer_attr attributes;
    attributes.maxlength = uint32_t(-1);
    attributes.tlength = uint32_t(-1);
    attributes.prebuf = uint32_t(-1);
    attributes.minreq = uint32_t(-1);
    attributes.fragsize = uint32_t(pa_usec_to_bytes(pa_usec_t(kFragmentMs) * PA_USEC_PER_MSEC, &spec));
    // Not moved to another source when this one goes away: a recording must not silently go on
    // from a different microphone. The server ends the stream instead, which is reported.
    const auto flags = pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE);
    if (pa_stream_connect_record(stream, source->name.constData(), &attributes, flags) < 0) {
        const int error = pa_context_errno(m_context);
        pa_stream_set_read_callback(stream, nullptr, nullptr);
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_unref(stream);
        state->promise.reset();
        pulse::finish(*promise, pulse::startFailure(error));
        return future;
    }
    m_stream = std::move(state);
    return future;
}

void PulseAudioInput::stop()
{
    pulse::LoopLock lock(m_loop);
    endStream(pa_threaded_mainloop_in_thread(m_loop));
}

} // namespace parlix
