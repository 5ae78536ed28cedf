// Audio capture costs: the resampler, the live capture thread's work per buffer, the clip's work
// per buffer, and the time from startRecording() to the first captured audio on a real server,
// over both inputs (Qt Multimedia's and the direct libpulse one).
#include "audio/AudioDsp.h"
#include "audio/AudioRecorder.h"
#include "audio/LiveAudioRecorder.h"
#include "audio/Resampler.h"
#include "platform/pulse/PulseAudioInput.h"
#include "platform/qtaudio/QtAudioInput.h"

#include "FakeAudioInput.h"
#include "MemoryKeyValueStore.h"
#include "PulseAudioSession.h"
#include "core/Coro.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>

using namespace parlix;

namespace {

std::vector<float> tone(size_t frames, int channels, double rate)
{
    std::vector<float> v(frames * size_t(channels));
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            v[i * size_t(channels) + size_t(c)] = float(0.3 * std::sin(2 * M_PI * 440.0 * double(i) / rate));
    return v;
}

// Resampling one 1024-frame buffer of a continuous stream (libsoxr, high quality); the counter
// is how many times faster than real time.
void BM_ResampleBuffer(benchmark::State &state)
{
    const double rate = double(state.range(0));
    const auto input = tone(1024, 1, rate);
    dsp::Resampler resampler(rate);
    std::vector<float> out;
    for (auto _ : state) {
        resampler.process(input, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["xRealTime"] = benchmark::Counter(double(state.iterations()) * 1024.0 / rate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ResampleBuffer)->Arg(48000)->Arg(44100);

// The live capture thread's whole job for one 48 kHz stereo float buffer: first channel,
// resampling, level, hand-off of the level, locked append. 1024 frames is Qt's usual buffer, 480
// the libpulse input's 10 ms fragment.
void BM_LiveCaptureBuffer(benchmark::State &state)
{
    const size_t frameCount = size_t(state.range(0));
    test::MemoryKeyValueStore store;
    SettingsModel settings(store);
    test::FakeAudioInput input;
    input.format = {48000, 2, AudioFormat::SampleType::float32};
    LiveAudioRecorder live(input, settings);
    coro::waitFor(live.startRecording());
    const auto frames = tone(frameCount, 2, 48000);
    const AudioBufferView view{input.format, reinterpret_cast<const char *>(frames.data()), qint64(frameCount)};
    qint64 n = 0;
    for (auto _ : state) {
        live.processBuffer(view);
        if (++n % 64 == 0) {
            // The main thread's share (level delivery, a cut) is not the capture thread's cost.
            state.PauseTiming();
            QCoreApplication::processEvents();
            live.stopRecording();
            if (const auto chunk = live.extractFinalChunk())
                live.deleteChunk(*chunk);
            coro::waitFor(live.startRecording());
            state.ResumeTiming();
        } else {
            // Delivered at once, so every buffer posts its level as it would in a running app.
            state.PauseTiming();
            QCoreApplication::processEvents();
            state.ResumeTiming();
        }
    }
    live.stopRecording();
}
BENCHMARK(BM_LiveCaptureBuffer)->Arg(1024)->Arg(480);

// The clip capture thread's job for one 1024-frame 48 kHz stereo 16-bit buffer: mix, resample,
// meter, write to the file (a private temporary directory).
void BM_ClipCaptureBuffer(benchmark::State &state)
{
    QTemporaryDir dir;
    detail::ClipCapture capture;
    capture.writer.open(dir.filePath(QStringLiteral("bench.wav")));
    std::vector<int16_t> frames(2048);
    for (size_t i = 0; i < 1024; ++i)
        frames[2 * i] = frames[2 * i + 1] = int16_t(8000 * std::sin(double(i) * 0.05));
    const AudioBufferView view{{48000, 2, AudioFormat::SampleType::int16}, reinterpret_cast<const char *>(frames.data()), 1024};
    qint64 n = 0;
    for (auto _ : state) {
        capture.process(view);
        if (++n % 20000 == 0) {
            state.PauseTiming();
            capture.writer.open(dir.filePath(QStringLiteral("bench.wav")));
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_ClipCaptureBuffer);

// Whether a buffer holds anything but digital silence.
bool hasSound(const AudioBufferView &b)
{
    const qint64 samples = b.frameCount * b.format.channelCount;
    switch (b.format.sampleType) {
    case AudioFormat::SampleType::uint8:
        return std::any_of(b.data, b.data + samples, [](char c) { return static_cast<unsigned char>(c) != 0x80; });
    case AudioFormat::SampleType::int16: {
        const auto *p = reinterpret_cast<const int16_t *>(b.data);
        return std::any_of(p, p + samples, [](int16_t v) { return v != 0; });
    }
    case AudioFormat::SampleType::int32: {
        const auto *p = reinterpret_cast<const int32_t *>(b.data);
        return std::any_of(p, p + samples, [](int32_t v) { return v != 0; });
    }
    case AudioFormat::SampleType::float32: {
        const auto *p = reinterpret_cast<const float *>(b.data);
        return std::any_of(p, p + samples, [](float v) { return v != 0.0f; });
    }
    case AudioFormat::SampleType::unknown: break;
    }
    return false;
}

// Forwards to the real input and notes when the first buffer, and the first buffer holding
// sound, arrive.
class TimingInput : public AudioInput {
public:
    explicit TimingInput(AudioInput &inner)
        : m_inner(inner)
    {
    }
    QList<AudioDevice> devices() override { return m_inner.devices(); }
    AudioFormat deviceFormat(const QByteArray &id) override { return m_inner.deviceFormat(id); }
    QFuture<QString> start(const QByteArray &id, Callbacks callbacks) override
    {
        firstBuffer.store(0);
        firstSound.store(0);
        auto forward = callbacks.onBuffer;
        callbacks.onBuffer = [this, forward](const AudioBufferView &b) {
            if (b.frameCount > 0 && firstBuffer.load() == 0) {
                firstBuffer.store(std::chrono::steady_clock::now().time_since_epoch().count());
                firstFrames.store(b.frameCount);
            }
            if (firstSound.load() == 0 && hasSound(b))
                firstSound.store(std::chrono::steady_clock::now().time_since_epoch().count());
            forward(b);
        };
        return m_inner.start(id, std::move(callbacks));
    }
    void stop() override { m_inner.stop(); }

    std::atomic<qint64> firstBuffer{0};
    std::atomic<qint64> firstSound{0};
    std::atomic<qint64> firstFrames{0};

private:
    AudioInput &m_inner;
};

// One server and, per input, one recorder for every repetition: Qt connects to the audio server
// once per process.
struct LatencyRig {
    struct Path {
        std::unique_ptr<AudioInput> real;
        std::unique_ptr<TimingInput> input;
        std::unique_ptr<AudioRecorder> recorder;
    };

    test::PulseAudioSession pulse;
    QString error;
    bool ready = false;
    QTemporaryDir dir;
    test::MemoryKeyValueStore store;
    std::unique_ptr<SettingsModel> settings;
    Path paths[2]; // 0: Qt Multimedia, 1: libpulse

    LatencyRig()
    {
        if (!pulse.start(&error))
            return;
        settings = std::make_unique<SettingsModel>(store);
        paths[0].real = std::make_unique<QtAudioInput>();
        paths[1].real = std::make_unique<PulseAudioInput>();
        try {
            for (Path &path : paths) {
                path.input = std::make_unique<TimingInput>(*path.real);
                path.recorder = std::make_unique<AudioRecorder>(*path.input, *settings);
                path.recorder->setTemporaryDirectory(dir.path());
                coro::waitFor(path.recorder->startRecording());
                path.recorder->deleteRecording(*path.recorder->stopRecording());
            }
            ready = true;
        } catch (const AudioRecorderError &e) {
            error = e.errorDescription();
        }
    }
    ~LatencyRig()
    {
        for (Path &path : paths) {
            path.recorder.reset();
            path.input.reset();
            path.real.reset();
        }
    }
};

// From startRecording() to the first captured audio of speech that begins at that moment. The
// virtual microphone carries silence in real time before (what the pipe holds from then arrives
// first and does not count) and a tone from the call on; the time is taken when the first
// buffer holding the tone arrives. The microphone's 20 ms blocks are part of the figure, as a
// real microphone's period would be. Argument: 0 Qt Multimedia's input, 1 the libpulse input.
void BM_StartLatency(benchmark::State &state)
{
    static LatencyRig rig;
    if (!rig.ready) {
        state.SkipWithError(("audio server: " + rig.error).toStdString().c_str());
        return;
    }
    LatencyRig::Path &path = rig.paths[state.range(0)];
    std::vector<int16_t> speech(1600); // 100 ms, loud from its first sample on
    for (size_t i = 0; i < speech.size(); ++i)
        speech[i] = int16_t(8000 * std::cos(2 * M_PI * 440.0 * double(i) / 16000.0));
    qint64 firstFrames = 0;
    double startReturned = 0;
    double firstBufferMs = 0;
    static int round = 0; // across repetitions: each one is a call of its own
    for (auto _ : state) {
        rig.pulse.startFeeding(true);
        // The press falls anywhere within the microphone's block: the lead-in sweeps 0-19.2 ms
        // past 100 ms in 0.8 ms steps (a whole number of blocks would line every press up with
        // the writer's next block).
        QThread::usleep(100000 + (round++ % 25) * 800);
        const auto begin = std::chrono::steady_clock::now();
        rig.pulse.enqueue(speech);
        try {
            coro::waitFor(path.recorder->startRecording());
        } catch (const AudioRecorderError &e) {
            rig.pulse.stopFeeding();
            state.SkipWithError(e.errorDescription().toStdString().c_str());
            break;
        }
        startReturned += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        QElapsedTimer bound;
        bound.start();
        while (path.input->firstSound.load() == 0 && bound.elapsed() < 5000)
            QThread::usleep(200);
        const qint64 sound = path.input->firstSound.load();
        const qint64 first = path.input->firstBuffer.load();
        firstFrames = path.input->firstFrames.load();
        // Record on until the tone has passed, so none of it waits in the pipe for the next round.
        rig.pulse.waitUntilFed(2000);
        QThread::msleep(100);
        path.recorder->deleteRecording(*path.recorder->stopRecording());
        rig.pulse.stopFeeding();
        if (sound == 0) {
            state.SkipWithError("no sound arrived");
            break;
        }
        const auto at = [](qint64 ticks) { return std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(ticks)); };
        state.SetIterationTime(std::chrono::duration<double>(at(sound) - begin).count());
        firstBufferMs += 1000.0 * std::chrono::duration<double>(at(first) - begin).count();
        QThread::msleep(50);
    }
    const double n = double(std::max<qint64>(1, state.iterations()));
    state.counters["firstBufferFrames"] = double(firstFrames);
    // When the first buffer of any content arrived (silence the pipe held included).
    state.counters["firstBufferMs"] = firstBufferMs / n;
    // How long startRecording() itself took (the stream is open when it returns).
    state.counters["startCallMs"] = 1000.0 * startReturned / n;
}
BENCHMARK(BM_StartLatency)
    ->ArgName("libpulse")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(25)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
