// Audio capture costs: the resampler, the live capture thread's work per buffer, the clip's work
// per buffer, and the time from startRecording() to the first captured audio on a real server.
#include "AudioDsp.h"
#include "AudioRecorder.h"
#include "LiveAudioRecorder.h"
#include "QtAudioInput.h"

#include "Coro.h"
#include "FakeAudioInput.h"
#include "MemoryKeyValueStore.h"
#include "PulseAudioSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>

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

// Resampling one 1024-frame buffer; the counter is how many times faster than real time.
void BM_ResampleBuffer(benchmark::State &state)
{
    const double rate = double(state.range(0));
    const auto input = tone(1024, 1, rate);
    std::vector<float> out;
    for (auto _ : state) {
        dsp::resampleTo16k(input, rate, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["xRealTime"] = benchmark::Counter(double(state.iterations()) * 1024.0 / rate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ResampleBuffer)->Arg(48000)->Arg(44100);

// The live capture thread's whole job for one 1024-frame 48 kHz stereo float buffer: first
// channel, resampling, level, hand-off of the level, locked append.
void BM_LiveCaptureBuffer(benchmark::State &state)
{
    test::MemoryKeyValueStore store;
    SettingsModel settings(store);
    test::FakeAudioInput input;
    input.format = {48000, 2, AudioFormat::SampleType::float32};
    LiveAudioRecorder live(input, settings);
    coro::waitFor(live.startRecording());
    const auto frames = tone(1024, 2, 48000);
    const AudioBufferView view{input.format, reinterpret_cast<const char *>(frames.data()), 1024};
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
BENCHMARK(BM_LiveCaptureBuffer);

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

// Forwards to the real input and notes when the first buffer arrives.
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
        auto forward = callbacks.onBuffer;
        callbacks.onBuffer = [this, forward](const AudioBufferView &b) {
            if (b.frameCount > 0 && firstBuffer.load() == 0) {
                firstBuffer.store(std::chrono::steady_clock::now().time_since_epoch().count());
                firstFrames.store(b.frameCount);
            }
            forward(b);
        };
        return m_inner.start(id, std::move(callbacks));
    }
    void stop() override { m_inner.stop(); }

    std::atomic<qint64> firstBuffer{0};
    std::atomic<qint64> firstFrames{0};

private:
    AudioInput &m_inner;
};

// One server, one input and one recorder for every repetition: Qt connects to the audio server
// once per process.
struct LatencyRig {
    test::PulseAudioSession pulse;
    QString error;
    bool ready = false;
    QTemporaryDir dir;
    test::MemoryKeyValueStore store;
    std::unique_ptr<SettingsModel> settings;
    std::unique_ptr<QtAudioInput> qt;
    std::unique_ptr<TimingInput> input;
    std::unique_ptr<AudioRecorder> recorder;

    LatencyRig()
    {
        if (!pulse.start(&error))
            return;
        settings = std::make_unique<SettingsModel>(store);
        qt = std::make_unique<QtAudioInput>();
        input = std::make_unique<TimingInput>(*qt);
        recorder = std::make_unique<AudioRecorder>(*input, *settings);
        recorder->setTemporaryDirectory(dir.path());
        try {
            coro::waitFor(recorder->startRecording());
            recorder->deleteRecording(*recorder->stopRecording());
            ready = true;
        } catch (const AudioRecorderError &e) {
            error = e.errorDescription();
        }
    }
    ~LatencyRig()
    {
        recorder.reset();
        input.reset();
        qt.reset();
    }
};

// From startRecording() to the first captured audio, while the virtual microphone is being
// spoken into in real time (as a user does when pressing the hotkey).
void BM_StartLatency(benchmark::State &state)
{
    static LatencyRig rig;
    if (!rig.ready) {
        state.SkipWithError(("audio server: " + rig.error).toStdString().c_str());
        return;
    }
    qint64 firstFrames = 0;
    double startReturned = 0;
    for (auto _ : state) {
        rig.pulse.startFeeding(true);
        QThread::msleep(100);
        const auto begin = std::chrono::steady_clock::now();
        try {
            coro::waitFor(rig.recorder->startRecording());
        } catch (const AudioRecorderError &e) {
            rig.pulse.stopFeeding();
            state.SkipWithError(e.errorDescription().toStdString().c_str());
            break;
        }
        startReturned += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        QElapsedTimer bound;
        bound.start();
        while (rig.input->firstBuffer.load() == 0 && bound.elapsed() < 5000)
            QThread::usleep(200);
        const qint64 first = rig.input->firstBuffer.load();
        firstFrames = rig.input->firstFrames.load();
        rig.recorder->deleteRecording(*rig.recorder->stopRecording());
        rig.pulse.stopFeeding();
        if (first == 0) {
            state.SkipWithError("no audio arrived");
            break;
        }
        const auto end = std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(first));
        state.SetIterationTime(std::chrono::duration<double>(end - begin).count());
        QThread::msleep(50);
    }
    state.counters["firstBufferFrames"] = double(firstFrames);
    // How long startRecording() itself took (the stream is open when it returns).
    state.counters["startCallMs"] = 1000.0 * startReturned / double(std::max<qint64>(1, state.iterations()));
}
BENCHMARK(BM_StartLatency)->UseManualTime()->Iterations(1)->Repetitions(25)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
