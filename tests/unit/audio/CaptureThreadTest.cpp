// Both recorders while buffers keep arriving on the capture thread and the main thread cuts,
// meters and stops at the same time. Built with ThreadSanitizer in CI, where a race on the
// capture path fails these tests.
#include "audio/AudioRecorder.h"
#include "audio/LiveAudioRecorder.h"

#include "FakeAudioInput.h"
#include "MemoryKeyValueStore.h"
#include "WavReader.h"
#include "core/Coro.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace parlix;

namespace {

constexpr int kBuffers = 200;
constexpr size_t kFramesPerBuffer = 160; // 10 ms at 16 kHz
constexpr std::chrono::microseconds kPause{500};

// Runs the main thread's event loop for a while: levels posted from the capture thread arrive,
// the silence monitor reads the meter.
void spin(std::chrono::milliseconds duration)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < duration.count())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

class CaptureThreadTest : public ::testing::Test {
protected:
    CaptureThreadTest() : settings(store) { settings.setSilenceDetectionEnabled(true); }
    QTemporaryDir tmp;
    test::MemoryKeyValueStore store;
    SettingsModel settings;
    test::FakeAudioInput input;
};

TEST_F(CaptureThreadTest, LiveCutsTakenWhileBuffersArriveLoseAndRepeatNothing)
{
    LiveAudioRecorder live(input, settings);
    live.setTemporaryDirectory(tmp.path());
    coro::waitFor(live.startRecording());
    input.stream(std::vector<float>(kFramesPerBuffer, 0.25f), kBuffers, kPause);
    qint64 cutSamples = 0;
    auto take = [&](std::optional<QString> chunk) {
        if (!chunk)
            return;
        const auto wav = test::readWav(*chunk);
        ASSERT_TRUE(wav);
        cutSamples += qint64(wav->samples.size());
        live.deleteChunk(*chunk);
    };
    for (int i = 0; i < 50; ++i) {
        take(live.extractChunk());
        spin(std::chrono::milliseconds(2));
    }
    input.waitUntilIdle();
    live.stopRecording();
    take(live.extractFinalChunk());
    EXPECT_EQ(cutSamples, qint64(kBuffers * kFramesPerBuffer));
}

TEST_F(CaptureThreadTest, ClipStoppedWhileBuffersArriveIsAWholeFile)
{
    AudioRecorder recorder(input, settings);
    recorder.setTemporaryDirectory(tmp.path());
    coro::waitFor(recorder.startRecording());
    input.stream(std::vector<float>(kFramesPerBuffer, 0.25f), kBuffers, kPause);
    spin(std::chrono::milliseconds(40));
    const auto path = recorder.stopRecording();
    input.waitUntilIdle();
    ASSERT_TRUE(path);
    const auto wav = test::readWav(*path);
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->dataSize, 2 * wav->samples.size());
    EXPECT_EQ(wav->fileSize, 44 + qint64(wav->dataSize));
    EXPECT_EQ(wav->samples.size() % kFramesPerBuffer, 0u) << "a buffer was cut in half";
}

} // namespace
