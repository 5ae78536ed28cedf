// Both recorders over a scripted microphone: files, levels, cuts, errors, device choice; and the
// silence rule both share, driven tick by tick with a clock the test moves.
#include "audio/AudioRecorder.h"
#include "audio/LiveAudioRecorder.h"
#include "FakeAudioInput.h"
#include "Files.h"
#include "MemoryKeyValueStore.h"
#include "Printers.h"
#include "WavReader.h"
#include "core/Coro.h"
#include "audio/SilenceMonitor.h"
#include "core/Categories.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <type_traits>
#include <string>
#include <vector>

using namespace parlix;
using namespace std::chrono_literals;
using parlix::test::fileMode;

namespace {

constexpr AudioFormat kMono16k{16000, 1, AudioFormat::SampleType::float32};
const QList<AudioDevice> kMic{{"mic", "Mic", true}};

void drainEvents()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

std::vector<float> ramp(size_t n, size_t offset = 0)
{
    std::vector<float> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = float((i + offset) % 30000) / 32767.0f;
    return v;
}

// Samples as they come out of a chunk file (x 32767, truncated).
std::vector<int16_t> asChunkSamples(const std::vector<float> &v)
{
    std::vector<int16_t> out;
    for (float f : v)
        out.push_back(int16_t(std::clamp(f, -1.0f, 1.0f) * 32767.0f));
    return out;
}

template <typename Recorder>
constexpr bool isLive = std::is_same_v<Recorder, LiveAudioRecorder>;

class RecorderTest : public ::testing::Test {
protected:
    RecorderTest()
        : settings(store)
        , dir(QDir(tmp.path()).filePath(QStringLiteral("audio")))
    {
    }

    QStringList filesInDir() const { return QDir(dir).entryList(QDir::Files); }
    QString blockedDirectory()
    {
        QFile blocker(tmp.filePath(QStringLiteral("file")));
        EXPECT_TRUE(blocker.open(QIODevice::WriteOnly));
        return tmp.filePath(QStringLiteral("file/sub"));
    }

    QTemporaryDir tmp;
    test::MemoryKeyValueStore store;
    SettingsModel settings;
    QString dir;
    test::FakeAudioInput input;
};

// ---- LiveAudioRecorder --------------------------------------------------------------------------

class LiveRecorderTest : public RecorderTest {
protected:
    LiveRecorderTest()
        : live(input, settings)
    {
        live.setTemporaryDirectory(dir);
    }
    void start() { coro::waitFor(live.startRecording()); }
    LiveAudioRecorder live;
};

// No chunk below half a second; every cut is a private file, and the cuts and the final chunk
// together are the captured stream.
TEST_F(LiveRecorderTest, ChunksFromHalfASecondConcatenateToTheCapturedStream)
{
    start();
    std::vector<float> all;
    std::vector<int16_t> cut;
    const auto append = [&](const QString &path) {
        const auto wav = test::readWav(path);
        ASSERT_TRUE(wav);
        cut.insert(cut.end(), wav->samples.begin(), wav->samples.end());
    };
    size_t offset = 0;
    for (size_t n : {7999, 1, 3000, 4000, 9000, 100, 7000, 1000, 500}) {
        const auto samples = ramp(n, offset);
        offset += n;
        all.insert(all.end(), samples.begin(), samples.end());
        input.deliverFloats(samples);
        const auto path = live.extractChunk();
        if (offset == 7999) {
            EXPECT_FALSE(path);
            EXPECT_EQ(live.accumulatedSampleCount(), 7999);
            EXPECT_TRUE(filesInDir().isEmpty());
        }
        if (offset == 8000) {
            ASSERT_TRUE(path);
            EXPECT_EQ(live.accumulatedSampleCount(), 0);
            EXPECT_TRUE(QFileInfo(*path).fileName().contains(QRegularExpression(QStringLiteral("^live_chunk_[0-9A-F-]{36}\\.wav$"))))
                << path->toStdString();
            EXPECT_EQ(QFileInfo(*path).size(), 16044);
            EXPECT_EQ(fileMode(*path), 0600);
        }
        if (path) {
            append(*path);
            live.deleteChunk(*path);
        }
    }
    live.stopRecording();
    const auto last = live.extractFinalChunk();
    ASSERT_TRUE(last);
    EXPECT_TRUE(QFileInfo(*last).fileName().startsWith(QStringLiteral("live_final_")));
    append(*last);
    EXPECT_EQ(cut, asChunkSamples(all));
    EXPECT_FALSE(live.extractFinalChunk());

    // A final chunk of one sample is a file; of none, nothing.
    start();
    input.deliverFloats(std::vector<float>{0.5f});
    const auto one = live.extractFinalChunk();
    ASSERT_TRUE(one);
    EXPECT_EQ(QFileInfo(*one).size(), 46);
    EXPECT_EQ(test::readWav(*one)->samples, std::vector<int16_t>{16383});
}

TEST_F(LiveRecorderTest, LevelIsMinus80ForSilenceWhileCapturingAndMinus160AfterStop)
{
    EXPECT_FLOAT_EQ(live.currentAudioLevel(), -160.0f);
    start();
    start(); // a second start opens nothing more
    EXPECT_EQ(input.startCount, 1);
    input.deliverFloats(std::vector<float>(1024, 0.0f));
    drainEvents();
    EXPECT_FLOAT_EQ(live.currentAudioLevel(), -80.0f);
    input.deliverFloats(std::vector<float>(1024, 0.5f));
    drainEvents();
    EXPECT_NEAR(live.currentAudioLevel(), -6.0206f, 1e-3);
    // A level still on its way when the capture stops must not overwrite the resting value.
    input.deliverFloats(std::vector<float>(1024, 0.5f));
    live.stopRecording();
    live.stopRecording();
    EXPECT_FALSE(live.isRecording());
    drainEvents();
    EXPECT_FLOAT_EQ(live.currentAudioLevel(), -160.0f);
}

TEST_F(LiveRecorderTest, UnwritableDirectoryFailsTheCutButKeepsItsSamples)
{
    live.setTemporaryDirectory(blockedDirectory());
    start();
    input.deliverFloats(ramp(9000));
    EXPECT_FALSE(live.extractChunk());
    EXPECT_EQ(live.accumulatedSampleCount(), 9000);
    input.deliverFloats(ramp(10));
    EXPECT_FALSE(live.extractFinalChunk());
    EXPECT_EQ(live.accumulatedSampleCount(), 9010);
    EXPECT_TRUE(live.isRecording());

    // Once the directory is usable again, the next cut holds everything, in order.
    live.setTemporaryDirectory(tmp.path());
    const auto chunk = live.extractChunk();
    ASSERT_TRUE(chunk);
    EXPECT_EQ(QFileInfo(*chunk).size(), 44 + 2 * 9010);
}

// The clip recorder's interruption, over real inputs, is AudioCaptureTest's.
TEST_F(LiveRecorderTest, InterruptionKeepsTheSamplesAndIsReportedOnce)
{
    QStringList descriptions;
    live.onRecordingInterrupted = [&](const AudioRecorderError &e) { descriptions << e.errorDescription(); };
    start();
    input.deliverFloats(std::vector<float>(5000, 0.25f));
    input.fail(QStringLiteral("The audio input device was removed"));
    input.fail(QStringLiteral("again"));
    drainEvents();
    EXPECT_TRUE(live.isRecording());
    EXPECT_FLOAT_EQ(live.currentAudioLevel(), -80.0f);
    EXPECT_EQ(descriptions, QStringList{QStringLiteral("Recording failed: The audio input device was removed")});
    live.stopRecording();
    EXPECT_EQ(test::readWav(*live.extractFinalChunk())->samples.size(), 5000u);
}

// ---- Both recorders -----------------------------------------------------------------------------

struct StartFailure {
    const char *name;
    bool live;
    QList<AudioDevice> devices;
    AudioFormat format;
    const char *startError;
    bool blockedDirectory;
    const char *description; // its start
};

template <typename Recorder>
void expectStartFailure(const StartFailure &c, const QString &dir, const QString &blocked, SettingsModel &settings)
{
    test::FakeAudioInput fake;
    fake.deviceList = c.devices;
    fake.format = c.format;
    fake.startError = QString::fromUtf8(c.startError);
    Recorder recorder(fake, settings);
    recorder.setTemporaryDirectory(c.blockedDirectory ? blocked : dir);
    const QStringList filesBefore = QDir(dir).entryList(QDir::Files);
    try {
        coro::waitFor(recorder.startRecording());
        ADD_FAILURE() << "no error";
    } catch (const AudioRecorderError &e) {
        EXPECT_EQ(e.kind(), AudioRecorderError::Kind::recordingFailed);
        EXPECT_TRUE(e.errorDescription().startsWith(QString::fromUtf8(c.description))) << e.errorDescription().toStdString();
        if constexpr (!isLive<Recorder>) {
            ASSERT_TRUE(recorder.lastError());
            EXPECT_EQ(recorder.lastError()->errorDescription(), e.errorDescription());
        }
    }
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_EQ(QDir(dir).entryList(QDir::Files), filesBefore);

    // The next start with a working setup succeeds (and clears the error).
    fake.deviceList = kMic;
    fake.format = kMono16k;
    fake.startError.clear();
    recorder.setTemporaryDirectory(dir);
    coro::waitFor(recorder.startRecording());
    EXPECT_TRUE(recorder.isRecording());
    if constexpr (!isLive<Recorder>) {
        EXPECT_FALSE(recorder.lastError());
    }
}

TEST_F(RecorderTest, StartFailuresLeaveNothingBehindAndTheNextStartWorks)
{
    const char *refused = "The audio server is not reachable";
    const StartFailure cases[] = {
        {"clip: no device", false, {}, kMono16k, "", false, "Recording failed: No audio input device"},
        {"clip: stream refused", false, kMic, kMono16k, refused, false, "Recording failed: The audio server is not reachable"},
        {"clip: unwritable directory", false, kMic, kMono16k, "", true, "Recording failed: Cannot create "},
        {"live: no device", true, {}, kMono16k, "", false, "Recording failed: No audio input device"},
        {"live: format without a rate", true, kMic, {0, 1, AudioFormat::SampleType::float32}, "", false, "Recording failed: Invalid audio format"},
        {"live: engine refuses", true, kMic, {48000, 2, AudioFormat::SampleType::float32}, refused, false,
         "Recording failed: The audio server is not reachable"},
    };
    const QString blocked = blockedDirectory();
    for (const StartFailure &c : cases) {
        SCOPED_TRACE(c.name);
        c.live ? expectStartFailure<LiveAudioRecorder>(c, dir, blocked, settings)
               : expectStartFailure<AudioRecorder>(c, dir, blocked, settings);
    }
}

struct SilenceCase {
    const char *name;
    bool live;
    bool enabled;
    int calls;
};

// Half a second of speech at -6 dBFS, then -50 dBFS: quiet enough to count as silence below -40.
template <typename Recorder>
void expectSilenceRule(const SilenceCase &c, test::FakeAudioInput &input, SettingsModel &settings)
{
    settings.setSilenceDetectionEnabled(c.enabled);
    settings.setSilenceThresholdDb(-40.0f);
    settings.setSilenceDurationSeconds(1.0);
    Recorder recorder(input, settings);
    auto now = std::chrono::steady_clock::time_point{} + 1h;
    recorder.silenceMonitor().setClock([&] { return now; });
    int calls = 0;
    recorder.onSilenceDetected = [&] { ++calls; };
    coro::waitFor(recorder.startRecording());
    ASSERT_EQ(recorder.silenceMonitor().isRunning(), c.enabled);
    for (int tick = 0; tick < 30; ++tick, now += 100ms) {
        input.deliverFloats(std::vector<float>(1600, tick < 5 ? 0.5f : 0.00316f));
        drainEvents();
        recorder.silenceMonitor().tick();
        if (c.enabled && tick == 4) {
            EXPECT_NEAR(recorder.currentAudioLevel(), -6.02f, 0.01);
        }
        if (c.enabled && tick == 7) {
            EXPECT_NEAR(recorder.currentAudioLevel(), -50.0f, 0.1);
        }
        if (tick == 14) {
            EXPECT_EQ(calls, 0); // 0.9 s of silence
        }
    }
    EXPECT_EQ(calls, c.calls);
    EXPECT_TRUE(recorder.isRecording());
    if constexpr (!isLive<Recorder>) {
        if (!c.enabled) { // the clip meter runs only for the silence rule
            EXPECT_FLOAT_EQ(recorder.currentAudioLevel(), -160.0f);
        }
        recorder.stopRecording();
        EXPECT_FLOAT_EQ(recorder.currentAudioLevel(), -160.0f);
    }
}

TEST_F(RecorderTest, SilenceAfterSpeechIsReportedOnceWhenTheRuleIsOn)
{
    const SilenceCase cases[] = {
        {"clip", false, true, 1},
        {"clip without the rule", false, false, 0},
        {"live", true, true, 1},
        {"live without the rule", true, false, 0},
    };
    for (const SilenceCase &c : cases) {
        SCOPED_TRACE(c.name);
        c.live ? expectSilenceRule<LiveAudioRecorder>(c, input, settings) : expectSilenceRule<AudioRecorder>(c, input, settings);
    }
}

// ---- AudioRecorder ------------------------------------------------------------------------------

class ClipRecorderTest : public RecorderTest {
protected:
    ClipRecorderTest()
        : clip(input, settings)
    {
        clip.setTemporaryDirectory(dir);
    }
    QString start() { return coro::waitFor(clip.startRecording()); }
    AudioRecorder clip;
};

TEST_F(ClipRecorderTest, ClipHoldsTheCapturedAudioAsSixteenKilohertzMono)
{
    struct Case {
        AudioFormat format;
        size_t frames;
        size_t expectedSamples; // within one sample
    };
    const Case cases[] = {
        {{16000, 1, AudioFormat::SampleType::int16}, 16000, 16000},
        {{44100, 1, AudioFormat::SampleType::float32}, 22050, 8000},
    };
    QStringList paths;
    for (const Case &c : cases) {
        input.format = c.format;
        const QString path = start();
        EXPECT_TRUE(clip.isRecording());
        EXPECT_FALSE(paths.contains(path));
        paths << path;
        EXPECT_TRUE(QFileInfo(path).fileName().contains(QRegularExpression(QStringLiteral("^parlix_[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.wav$"))));
        std::vector<int16_t> sent(c.frames);
        for (size_t i = 0; i < c.frames; ++i)
            sent[i] = int16_t(std::lround(8000 * std::sin(double(i) * 2 * M_PI * 300 / c.format.sampleRate)));
        for (size_t at = 0; at < c.frames; at += 441) { // in a capture's buffers
            const auto piece = std::span<const int16_t>(sent).subspan(at, std::min<size_t>(441, c.frames - at));
            std::vector<float> floats;
            for (int16_t v : piece)
                floats.push_back(float(v) / 32768.0f);
            c.format.sampleType == AudioFormat::SampleType::int16 ? input.deliverInt16(piece) : input.deliverFloats(floats);
        }
        ASSERT_EQ(clip.stopRecording(), path);
        EXPECT_EQ(clip.stopRecording(), std::nullopt); // a second stop has nothing to hand back
        EXPECT_FALSE(clip.isRecording());
        const auto wav = test::readWav(path);
        ASSERT_TRUE(wav);
        EXPECT_EQ(wav->sampleRate, 16000);
        EXPECT_EQ(wav->channels, 1);
        EXPECT_NEAR(double(wav->samples.size()), double(c.expectedSamples), 1.0) << c.format.sampleRate;
        if (c.format.sampleRate == 16000) {
            EXPECT_EQ(wav->samples, std::vector<int16_t>(sent.begin(), sent.begin() + std::ptrdiff_t(wav->samples.size())));
        }
        EXPECT_NEAR(test::rms(wav->samples), test::rms(sent), test::rms(sent) * 0.01) << c.format.sampleRate;
        EXPECT_EQ(fileMode(path), 0600);
        EXPECT_EQ(fileMode(QFileInfo(path).absolutePath()), 0700);
        clip.deleteRecording(path);
        EXPECT_FALSE(QFileInfo::exists(path));
    }
}

TEST_F(ClipRecorderTest, SavedDeviceIsUsedWhenPresentElseTheDefault)
{
    input.deviceList = {{"alsa_input.usb", "USB", false}, {"virtmic", "Virtual", true}};
    const std::pair<std::optional<QString>, QByteArray> cases[] = {
        {std::nullopt, ""},
        {QStringLiteral("alsa_input.usb"), "alsa_input.usb"},
        {QStringLiteral("unplugged.headset"), ""},
    };
    for (const auto &[saved, opened] : cases) {
        settings.setAudioInputDevice(saved);
        start();
        clip.stopRecording();
        EXPECT_EQ(input.lastStartedDevice, opened);
        // The live recorder reads the same setting.
        LiveAudioRecorder live(input, settings);
        coro::waitFor(live.startRecording());
        EXPECT_EQ(input.lastStartedDevice, opened);
    }
}

TEST_F(ClipRecorderTest, PreviewRunsOnlyWhenNothingElseDoes)
{
    const QString previewFile = QDir(dir).filePath(QStringLiteral("audio_preview_temp.wav"));
    clip.startAudioPreview();
    drainEvents();
    ASSERT_TRUE(clip.isPreviewingAudio());
    EXPECT_TRUE(QFileInfo::exists(previewFile));
    clip.startAudioPreview(); // already running
    drainEvents();
    EXPECT_EQ(input.startCount, 1);

    input.deliverFloats(std::vector<float>(800, 0.5f));
    // The preview has its own 0.05 s timer; wait for one of its ticks.
    QElapsedTimer waited;
    waited.start();
    while (clip.currentAudioLevel() == -160.0f && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_NEAR(clip.currentAudioLevel(), -6.02f, 0.01);

    // A recording stops the preview and removes its file first.
    start();
    EXPECT_FALSE(clip.isPreviewingAudio());
    EXPECT_FALSE(QFileInfo::exists(previewFile));
    EXPECT_EQ(input.startCount, 2);
    clip.startAudioPreview(); // while recording: nothing
    drainEvents();
    EXPECT_EQ(input.startCount, 2);
    EXPECT_FALSE(clip.isPreviewingAudio());
    clip.stopRecording();

    // Without a device the preview silently stays off.
    input.deviceList.clear();
    clip.startAudioPreview();
    drainEvents();
    EXPECT_FALSE(clip.isPreviewingAudio());
    EXPECT_FALSE(clip.lastError());
}

} // namespace

namespace {

struct Scenario {
    std::string name;
    std::vector<float> levels; // one per 0.1 s tick
    float threshold = -40.0f;
    double duration = 2.0;
    std::vector<size_t> expectedCallbackTicks; // indexes into levels
};

// A level list: `count` ticks at `level`.
std::vector<float> ticks(size_t count, float level) { return std::vector<float>(count, level); }
std::vector<float> operator+(std::vector<float> a, const std::vector<float> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A monitor on a clock the test moves: tick() advances it by 0.1 s after the monitor's tick.
struct Clocked {
    explicit Clocked(log::Category category) : monitor(category) { monitor.setClock([this] { return now; }); }
    void tick(int times = 1)
    {
        for (int i = 0; i < times; ++i, now += 100ms)
            monitor.tick();
    }
    std::chrono::steady_clock::time_point now = std::chrono::steady_clock::time_point{} + 1h;
    SilenceMonitor monitor;
};

} // namespace

TEST(SilenceMonitor, CallsBackOnceAfterTheDurationOfSilence)
{
    const Scenario scenarios[] = {
        // First silent tick starts the clock at t=0; the tick at t=2.0 s fires; later ticks do not.
        {"steady silence", ticks(30, -50.0f), -40.0f, 2.0, {20}},
        {"a level equal to the threshold is sound", ticks(40, -40.0f), -40.0f, 2.0, {}},
        {"just below the threshold is silence", ticks(40, -40.001f), -40.0f, 2.0, {20}},
        {"one loud tick restarts the count", ticks(10, -50.0f) + ticks(1, -30.0f) + ticks(25, -50.0f), -40.0f, 2.0, {31}},
    };
    for (const Scenario &s : scenarios) {
        Clocked clocked(lcAudioRecorder);
        size_t index = 0;
        std::vector<size_t> calls;
        clocked.monitor.start({[&] { return s.levels[index]; },
                               [&] { return SilenceMonitor::Settings{s.threshold, s.duration}; },
                               [&] { calls.push_back(index); }});
        for (index = 0; index < s.levels.size(); ++index)
            clocked.tick();
        EXPECT_EQ(calls, s.expectedCallbackTicks) << s.name;
        EXPECT_EQ(clocked.monitor.isRunning(), s.expectedCallbackTicks.empty()) << s.name;
    }
}

// Settings changed during a recording apply at the next tick; stop and restart clear the clock.
TEST(SilenceMonitor, SettingsApplyAtTheNextTickAndARestartCountsFromItsOwnSilence)
{
    Clocked clocked(lcAudioRecorder);
    SilenceMonitor &monitor = clocked.monitor;
    SilenceMonitor::Settings settings{-60.0f, 1.0};
    int calls = 0;
    const SilenceMonitor::Sources sources{[] { return -50.0f; }, [&] { return settings; }, [&] { ++calls; }};
    monitor.start(sources);
    clocked.tick(5);
    EXPECT_FALSE(monitor.silenceStartTime()); // -50 is sound for a -60 threshold
    settings.thresholdDb = -40.0f;
    clocked.tick(8);
    ASSERT_TRUE(monitor.silenceStartTime());
    monitor.stop();
    EXPECT_FALSE(monitor.silenceStartTime());
    monitor.tick(); // a tick after stop does nothing
    EXPECT_FALSE(monitor.silenceStartTime());

    monitor.start(sources);
    clocked.tick(10);
    EXPECT_EQ(calls, 0);
    clocked.tick();
    EXPECT_EQ(calls, 1);
}
