// Both recorders over a scripted microphone: files, levels, cuts, errors, device choice.
#include "audio/AudioRecorder.h"
#include "audio/LiveAudioRecorder.h"

#include "FakeAudioInput.h"
#include "MemoryKeyValueStore.h"
#include "WavReader.h"
#include "core/Coro.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <sys/stat.h>

using namespace parlix;
using namespace std::chrono_literals;

namespace {

// Collects log lines so tests can check what the recorders say.
class LogCapture {
public:
    LogCapture()
    {
        s_lines.clear();
        m_previous = qInstallMessageHandler(&LogCapture::handler);
    }
    ~LogCapture() { qInstallMessageHandler(m_previous); }
    static bool contains(const QString &text) { return s_lines.contains(text); }
    static qsizetype countStartingWith(const QString &prefix)
    {
        return std::count_if(s_lines.begin(), s_lines.end(), [&](const QString &l) { return l.startsWith(prefix); });
    }

private:
    static void handler(QtMsgType, const QMessageLogContext &, const QString &message) { s_lines.append(message); }
    static inline QStringList s_lines;
    QtMessageHandler m_previous;
};

int modeOf(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

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

class RecorderTest : public ::testing::Test {
protected:
    RecorderTest()
        : settings(store)
    {
        dir = QDir(tmp.path()).filePath(QStringLiteral("audio"));
    }

    QString fileIn(const QString &name) const { return QDir(dir).filePath(name); }
    QStringList filesInDir() const { return QDir(dir).entryList(QDir::Files); }

    QTemporaryDir tmp;
    QString dir;
    test::MemoryKeyValueStore store;
    SettingsModel settings;
    test::FakeAudioInput input;
};

// ---------------------------------------------------------------------------------------------
// LiveAudioRecorder

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

TEST_F(LiveRecorderTest, BufferLengthsAtNativeRates)
{
    struct Case {
        int rate;
        int channels;
        qint64 frames;
        qsizetype expected;
    };
    const Case cases[] = {{48000, 1, 1024, 341}, {44100, 1, 1024, 371}, {16000, 1, 1024, 1024}, {48000, 2, 1024, 341}, {16000, 1, 0, 0}};
    for (const Case &c : cases) {
        input.format = {c.rate, c.channels, AudioFormat::SampleType::float32};
        start();
        std::vector<float> frames(size_t(c.frames * c.channels), 0.25f);
        input.deliverFloats(frames);
        EXPECT_EQ(live.accumulatedSampleCount(), c.expected) << c.rate << " Hz x" << c.channels;
        live.stopRecording();
    }
}

TEST_F(LiveRecorderTest, KeepsTheFirstChannelAndPassesSixteenKilohertzUnchanged)
{
    input.format = {16000, 2, AudioFormat::SampleType::float32};
    start();
    const std::vector<float> interleaved = {0.1f, 0.9f, 0.2f, 0.9f, -0.3f, 0.9f};
    input.deliverFloats(interleaved);
    const auto path = live.extractFinalChunk();
    ASSERT_TRUE(path);
    EXPECT_EQ(test::readWav(*path)->samples, asChunkSamples({0.1f, 0.2f, -0.3f}));
}

TEST_F(LiveRecorderTest, ChunkThresholdKeepsSamplesAndTheirOrder)
{
    start();
    const auto first = ramp(7999);
    input.deliverFloats(first);
    EXPECT_FALSE(live.extractChunk());
    EXPECT_EQ(live.accumulatedSampleCount(), 7999);
    EXPECT_TRUE(filesInDir().isEmpty());

    const auto one = ramp(1, 7999);
    input.deliverFloats(one);
    const auto path = live.extractChunk();
    ASSERT_TRUE(path);
    EXPECT_EQ(live.accumulatedSampleCount(), 0);
    EXPECT_TRUE(QFileInfo(*path).fileName().contains(QRegularExpression(QStringLiteral("^live_chunk_[0-9A-F-]{36}\\.wav$"))))
        << path->toStdString();
    EXPECT_EQ(QFileInfo(*path).size(), 16044);
    EXPECT_EQ(modeOf(*path), 0600);
    const auto wav = test::readWav(*path);
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->samples, asChunkSamples(ramp(8000)));

    EXPECT_FALSE(live.extractChunk()); // nothing left
}

TEST_F(LiveRecorderTest, ConsecutiveChunksConcatenateToTheCapturedStream)
{
    start();
    std::vector<float> all;
    std::vector<int16_t> cut;
    const size_t pieces[] = {3000, 3000, 4000, 9000, 100, 7000, 1000, 500};
    size_t offset = 0;
    for (size_t n : pieces) {
        const auto samples = ramp(n, offset);
        offset += n;
        all.insert(all.end(), samples.begin(), samples.end());
        input.deliverFloats(samples);
        if (const auto path = live.extractChunk()) {
            const auto wav = test::readWav(*path);
            ASSERT_TRUE(wav);
            cut.insert(cut.end(), wav->samples.begin(), wav->samples.end());
            live.deleteChunk(*path);
        }
    }
    live.stopRecording();
    const auto last = live.extractFinalChunk();
    ASSERT_TRUE(last);
    EXPECT_TRUE(QFileInfo(*last).fileName().startsWith(QStringLiteral("live_final_")));
    const auto lastWav = test::readWav(*last);
    ASSERT_TRUE(lastWav);
    cut.insert(cut.end(), lastWav->samples.begin(), lastWav->samples.end());
    EXPECT_EQ(cut, asChunkSamples(all));
}

TEST_F(LiveRecorderTest, FinalChunkOfOneSampleAndOfNone)
{
    start();
    EXPECT_FALSE(live.extractFinalChunk());
    input.deliverFloats(std::vector<float>{0.5f});
    live.stopRecording();
    const auto path = live.extractFinalChunk();
    ASSERT_TRUE(path);
    EXPECT_EQ(QFileInfo(*path).size(), 46);
    EXPECT_EQ(test::readWav(*path)->samples, std::vector<int16_t>{16383});
    EXPECT_FALSE(live.extractFinalChunk());
}

TEST_F(LiveRecorderTest, StartEmptiesWhatAPreviousCaptureLeft)
{
    start();
    input.deliverFloats(ramp(100));
    live.stopRecording();
    start();
    EXPECT_EQ(live.accumulatedSampleCount(), 0);
}

TEST_F(LiveRecorderTest, LevelIsMinus80ForSilenceWhileCapturingAndMinus160AfterStop)
{
    EXPECT_FLOAT_EQ(live.currentAudioLevel(), -160.0f);
    start();
    input.deliverFloats(std::vector<float>(1024, 0.0f));
    drainEvents();
    EXPECT_FLOAT_EQ(live.currentAudioLevel(), -80.0f);
    input.deliverFloats(std::vector<float>(1024, 0.5f));
    drainEvents();
    EXPECT_NEAR(live.currentAudioLevel(), -6.0206f, 1e-3);
    // A level still on its way when the capture stops must not overwrite the resting value.
    input.deliverFloats(std::vector<float>(1024, 0.5f));
    live.stopRecording();
    drainEvents();
    EXPECT_FLOAT_EQ(live.currentAudioLevel(), -160.0f);
}

TEST_F(LiveRecorderTest, StartingTwiceOpensTheInputOnce)
{
    start();
    start();
    EXPECT_EQ(input.startCount, 1);
    EXPECT_TRUE(live.isRecording());
    live.stopRecording();
    live.stopRecording();
    EXPECT_FALSE(live.isRecording());
}

TEST_F(LiveRecorderTest, StartFailures)
{
    struct Case {
        std::string name;
        QList<AudioDevice> devices;
        AudioFormat format;
        QString startError;
        QString description;
        QString logLine;
        int startCalls;
    };
    const QList<AudioDevice> mic{{"mic", "Mic", true}};
    const Case cases[] = {
        {"no device", {}, {16000, 1, AudioFormat::SampleType::float32}, {}, "Recording failed: No audio input device", {}, 0},
        {"format without a rate", mic, {0, 1, AudioFormat::SampleType::float32}, {}, "Recording failed: Invalid audio format",
         "Invalid audio format from input node", 0},
        {"engine refuses", mic, {48000, 2, AudioFormat::SampleType::float32}, "The audio server is not reachable",
         "Recording failed: The audio server is not reachable", "Failed to start audio engine: The audio server is not reachable", 1},
    };
    for (const Case &c : cases) {
        LogCapture logs;
        test::FakeAudioInput fake;
        fake.deviceList = c.devices;
        fake.format = c.format;
        fake.startError = c.startError;
        LiveAudioRecorder recorder(fake, settings);
        try {
            coro::waitFor(recorder.startRecording());
            ADD_FAILURE() << c.name << ": no error";
        } catch (const AudioRecorderError &e) {
            EXPECT_EQ(e.kind(), AudioRecorderError::Kind::recordingFailed) << c.name;
            EXPECT_EQ(e.errorDescription(), c.description) << c.name;
        }
        EXPECT_FALSE(recorder.isRecording()) << c.name;
        EXPECT_EQ(fake.startCount, c.startCalls) << c.name;
        if (!c.logLine.isEmpty()) {
            EXPECT_TRUE(LogCapture::contains(c.logLine)) << c.name;
        }
        // A failed start leaves the recorder ready for the next one.
        fake.deviceList = mic;
        fake.format = {16000, 1, AudioFormat::SampleType::float32};
        fake.startError.clear();
        coro::waitFor(recorder.startRecording());
        EXPECT_TRUE(recorder.isRecording()) << c.name;
    }
}

TEST_F(LiveRecorderTest, UnwritableDirectoryFailsTheCutButKeepsItsSamples)
{
    LogCapture logs;
    QFile blocker(tmp.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    live.setTemporaryDirectory(tmp.filePath(QStringLiteral("file/sub")));
    start();
    input.deliverFloats(ramp(9000));
    EXPECT_FALSE(live.extractChunk());
    EXPECT_EQ(live.accumulatedSampleCount(), 9000);
    input.deliverFloats(ramp(10));
    EXPECT_FALSE(live.extractFinalChunk());
    EXPECT_EQ(live.accumulatedSampleCount(), 9010);
    EXPECT_EQ(LogCapture::countStartingWith(QStringLiteral("Failed to write chunk: ")), 1);
    EXPECT_EQ(LogCapture::countStartingWith(QStringLiteral("Failed to write final chunk: ")), 1);
    EXPECT_TRUE(live.isRecording());

    // Once the directory is usable again, the next cut holds everything, in order.
    live.setTemporaryDirectory(tmp.path());
    const auto chunk = live.extractChunk();
    ASSERT_TRUE(chunk);
    QFile file(*chunk);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.size(), 44 + 2 * 9010);
}

TEST_F(LiveRecorderTest, InterruptionKeepsTheSamplesAndIsReportedOnce)
{
    start();
    int interruptions = 0;
    QString description;
    live.onRecordingInterrupted = [&](const AudioRecorderError &e) {
        ++interruptions;
        description = e.errorDescription();
    };
    input.deliverFloats(ramp(5000));
    input.fail(QStringLiteral("The audio input device was removed"));
    drainEvents();
    EXPECT_EQ(interruptions, 1);
    EXPECT_EQ(description, QStringLiteral("Recording failed: The audio input device was removed"));
    EXPECT_TRUE(live.isRecording());
    EXPECT_FLOAT_EQ(live.currentAudioLevel(), -80.0f);
    live.stopRecording();
    const auto path = live.extractFinalChunk();
    ASSERT_TRUE(path);
    EXPECT_EQ(test::readWav(*path)->samples.size(), 5000u);
}

TEST_F(LiveRecorderTest, SilenceDetectionUsesTheTapLevel)
{
    settings.setSilenceDetectionEnabled(true);
    settings.setSilenceThresholdDb(-40.0f);
    settings.setSilenceDurationSeconds(1.0);
    auto now = std::chrono::steady_clock::time_point{} + 1h;
    live.silenceMonitor().setClock([&] { return now; });
    int calls = 0;
    live.onSilenceDetected = [&] { ++calls; };
    start();
    ASSERT_TRUE(live.silenceMonitor().isRunning());
    for (int tick = 0; tick < 30; ++tick, now += 100ms) {
        // Speech for the first half second, then silence.
        input.deliverFloats(std::vector<float>(1600, tick < 5 ? 0.3f : 0.0f));
        drainEvents();
        live.silenceMonitor().tick();
        if (tick == 14) {
            EXPECT_EQ(calls, 0);
        }
    }
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(live.isRecording());
}

// ---------------------------------------------------------------------------------------------
// AudioRecorder

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
        {{48000, 2, AudioFormat::SampleType::int16}, 48000, 16000},
        {{44100, 1, AudioFormat::SampleType::float32}, 22050, 8000},
    };
    for (const Case &c : cases) {
        input.format = c.format;
        LogCapture logs;
        const QString path = start();
        EXPECT_TRUE(LogCapture::contains(QStringLiteral("Recording started: ") + path));
        EXPECT_TRUE(QFileInfo(path).fileName().contains(QRegularExpression(QStringLiteral("^parlix_[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.wav$"))));
        std::vector<int16_t> sent;
        std::vector<int16_t> interleaved;
        for (size_t i = 0; i < c.frames; ++i) {
            const auto v = int16_t(std::lround(8000 * std::sin(double(i) * 2 * M_PI * 300 / c.format.sampleRate)));
            sent.push_back(v);
            for (int ch = 0; ch < c.format.channelCount; ++ch)
                interleaved.push_back(v);
        }
        const size_t bufferFrames = 441;
        for (size_t at = 0; at < c.frames; at += bufferFrames) {
            const size_t n = std::min(bufferFrames, c.frames - at);
            if (c.format.sampleType == AudioFormat::SampleType::int16) {
                input.deliverInt16(std::span<const int16_t>(interleaved).subspan(at * size_t(c.format.channelCount), n * size_t(c.format.channelCount)));
            } else {
                std::vector<float> f;
                for (size_t i = at; i < at + n; ++i)
                    f.push_back(float(interleaved[i]) / 32768.0f);
                input.deliverFloats(f);
            }
        }
        const auto stopped = clip.stopRecording();
        ASSERT_EQ(stopped, path);
        EXPECT_TRUE(LogCapture::contains(QStringLiteral("Recording stopped")));
        const auto wav = test::readWav(path);
        ASSERT_TRUE(wav);
        EXPECT_EQ(wav->sampleRate, 16000);
        EXPECT_EQ(wav->channels, 1);
        EXPECT_EQ(wav->bitsPerSample, 16);
        EXPECT_EQ(wav->dataSize, 2 * wav->samples.size());
        EXPECT_EQ(wav->fileSize, qint64(44 + wav->dataSize));
        EXPECT_NEAR(double(wav->samples.size()), double(c.expectedSamples), 1.0) << c.format.sampleRate;
        if (c.format.sampleRate == 16000) {
            EXPECT_EQ(wav->samples, std::vector<int16_t>(sent.begin(), sent.begin() + std::ptrdiff_t(wav->samples.size())));
        }
        EXPECT_NEAR(test::rms(wav->samples), test::rms(sent), test::rms(sent) * 0.01) << c.format.sampleRate;
        EXPECT_EQ(modeOf(path), 0600);
        clip.deleteRecording(path);
        EXPECT_FALSE(QFileInfo::exists(path));
    }
}

TEST_F(ClipRecorderTest, StopTwiceAndDistinctNames)
{
    const QString first = start();
    EXPECT_TRUE(clip.isRecording());
    EXPECT_EQ(clip.stopRecording(), first);
    EXPECT_EQ(clip.stopRecording(), std::nullopt);
    EXPECT_FALSE(clip.isRecording());
    const QString second = start();
    clip.stopRecording();
    EXPECT_NE(first, second);
    EXPECT_EQ(modeOf(QFileInfo(first).absolutePath()), 0700);
}

TEST_F(ClipRecorderTest, StartFailuresSetLastErrorAndLeaveNoFile)
{
    QFile blocker(tmp.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    struct Case {
        std::string name;
        QList<AudioDevice> devices;
        QString startError;
        QString directory;
        QString descriptionPrefix;
    };
    const QList<AudioDevice> mic{{"mic", "Mic", true}};
    const Case cases[] = {
        {"no input device", {}, {}, dir, "Recording failed: No audio input device"},
        {"stream refused", mic, "The audio server is not reachable", dir, "Recording failed: The audio server is not reachable"},
        {"unwritable directory", mic, {}, tmp.filePath(QStringLiteral("file/sub")), "Recording failed: Cannot create "},
    };
    for (const Case &c : cases) {
        input.deviceList = c.devices;
        input.startError = c.startError;
        clip.setTemporaryDirectory(c.directory);
        try {
            start();
            ADD_FAILURE() << c.name << ": no error";
        } catch (const AudioRecorderError &e) {
            EXPECT_EQ(e.kind(), AudioRecorderError::Kind::recordingFailed) << c.name;
            EXPECT_TRUE(e.errorDescription().startsWith(c.descriptionPrefix)) << c.name << ": " << e.errorDescription().toStdString();
            ASSERT_TRUE(clip.lastError()) << c.name;
            EXPECT_EQ(clip.lastError()->errorDescription(), e.errorDescription()) << c.name;
        }
        EXPECT_FALSE(clip.isRecording()) << c.name;
        EXPECT_TRUE(filesInDir().isEmpty()) << c.name << ": " << filesInDir().join(u' ').toStdString();

        // The next start with a working setup succeeds and clears the error.
        input.deviceList = mic;
        input.startError.clear();
        clip.setTemporaryDirectory(dir);
        const QString path = start();
        EXPECT_FALSE(clip.lastError()) << c.name;
        clip.stopRecording();
        QFile::remove(path);
    }
}

TEST_F(ClipRecorderTest, SavedDeviceIsUsedWhenPresentElseTheDefault)
{
    input.deviceList = {{"alsa_input.usb", "USB", false}, {"virtmic", "Virtual", true}};
    struct Case {
        std::optional<QString> saved;
        QByteArray opened;
        bool fallbackLogged;
    };
    const Case cases[] = {
        {std::nullopt, "", false},
        {QStringLiteral("alsa_input.usb"), "alsa_input.usb", false},
        {QStringLiteral("unplugged.headset"), "", true},
    };
    for (const Case &c : cases) {
        LogCapture logs;
        settings.setAudioInputDevice(c.saved);
        start();
        clip.stopRecording();
        EXPECT_EQ(input.lastStartedDevice, c.opened);
        EXPECT_EQ(LogCapture::contains(QStringLiteral("Audio input device unplugged.headset is not available, using the system default")),
                  c.fallbackLogged);
        // The live recorder reads the same setting.
        LiveAudioRecorder live(input, settings);
        coro::waitFor(live.startRecording());
        EXPECT_EQ(input.lastStartedDevice, c.opened);
    }
    EXPECT_EQ(store.string(QStringLiteral("audioInputDevice")), QStringLiteral("unplugged.headset"));
    settings.setAudioInputDevice(std::nullopt);
    EXPECT_FALSE(store.string(QStringLiteral("audioInputDevice")));
}

TEST_F(ClipRecorderTest, InterruptedRecordingKeepsAValidFile)
{
    input.format = {16000, 1, AudioFormat::SampleType::int16};
    const QString path = start();
    int interruptions = 0;
    clip.onRecordingInterrupted = [&](const AudioRecorderError &) { ++interruptions; };
    input.deliverInt16(std::vector<int16_t>(8000, 1234));
    input.fail(QStringLiteral("The audio server is not reachable"));
    input.fail(QStringLiteral("again"));
    drainEvents();
    EXPECT_EQ(interruptions, 1);
    EXPECT_TRUE(clip.isRecording());
    const auto wav = test::readWav(path); // valid before stop
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->samples, std::vector<int16_t>(8000, 1234));
    EXPECT_EQ(clip.stopRecording(), path);
    EXPECT_EQ(test::readWav(path)->samples.size(), 8000u);
    // And the next recording starts normally.
    start();
    EXPECT_TRUE(input.isRunning());
}

TEST_F(ClipRecorderTest, SilenceDetectionOnTheClipMeter)
{
    settings.setSilenceDetectionEnabled(true);
    settings.setSilenceThresholdDb(-40.0f);
    settings.setSilenceDurationSeconds(2.0);
    auto now = std::chrono::steady_clock::time_point{} + 1h;
    clip.silenceMonitor().setClock([&] { return now; });
    int calls = 0;
    clip.onSilenceDetected = [&] { ++calls; };
    input.format = {16000, 1, AudioFormat::SampleType::float32};
    start();
    for (int tick = 0; tick < 40; ++tick, now += 100ms) {
        // -50 dBFS of noise-free tone: quiet enough to count as silence.
        input.deliverFloats(std::vector<float>(1600, tick < 10 ? 0.5f : 0.00316f));
        clip.silenceMonitor().tick();
        if (tick == 9) {
            EXPECT_NEAR(clip.currentAudioLevel(), -6.02f, 0.01);
        }
        if (tick == 12) {
            EXPECT_NEAR(clip.currentAudioLevel(), -50.0f, 0.1);
        }
    }
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(clip.isRecording());
    clip.stopRecording();
    EXPECT_FLOAT_EQ(clip.currentAudioLevel(), -160.0f);
}

TEST_F(ClipRecorderTest, WithoutSilenceDetectionTheLevelStaysAtRest)
{
    settings.setSilenceDetectionEnabled(false);
    int calls = 0;
    clip.onSilenceDetected = [&] { ++calls; };
    start();
    EXPECT_FALSE(clip.silenceMonitor().isRunning());
    input.deliverFloats(std::vector<float>(16000, 0.0f));
    drainEvents();
    EXPECT_FLOAT_EQ(clip.currentAudioLevel(), -160.0f);
    EXPECT_EQ(calls, 0);
}

TEST_F(ClipRecorderTest, PreviewRunsOnlyWhenNothingElseDoes)
{
    const QString previewFile = fileIn(QStringLiteral("audio_preview_temp.wav"));
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
    const QString path = start();
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
