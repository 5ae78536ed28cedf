// With no audio server at all, starting either recorder fails with an error a user understands
// and nothing crashes, over both inputs. Its own executable: Qt connects to the server once per
// process.
#include "audio/AudioRecorder.h"
#include "audio/LiveAudioRecorder.h"
#include "platform/pulse/PulseAudioInput.h"
#include "platform/qtaudio/QtAudioInput.h"

#include "MemoryKeyValueStore.h"
#include "core/Coro.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace parlix;

namespace {

class NoAudioServer : public ::testing::TestWithParam<std::string> {};

std::unique_ptr<AudioInput> makeInput(const std::string &kind)
{
    if (kind == "pulse")
        return std::make_unique<PulseAudioInput>();
    return std::make_unique<QtAudioInput>();
}

} // namespace

TEST_P(NoAudioServer, StartsFailWithRecordingFailedAndLeaveNoFiles)
{
    QTemporaryDir tmp;
    qputenv("PULSE_SERVER", ("unix:" + tmp.filePath(QStringLiteral("no-such-socket"))).toUtf8());
    test::MemoryKeyValueStore store;
    SettingsModel settings(store);
    const auto owned = makeInput(GetParam());
    AudioInput &input = *owned;
    EXPECT_TRUE(input.devices().isEmpty());
    EXPECT_FALSE(input.deviceFormat({}).isValid());

    AudioRecorder clip(input, settings);
    clip.setTemporaryDirectory(tmp.filePath(QStringLiteral("audio")));
    LiveAudioRecorder live(input, settings);
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            coro::waitFor(clip.startRecording());
            ADD_FAILURE() << "clip started without a server";
        } catch (const AudioRecorderError &e) {
            EXPECT_EQ(e.kind(), AudioRecorderError::Kind::recordingFailed);
            EXPECT_EQ(e.errorDescription(), QStringLiteral("Recording failed: No audio input device"));
        }
        try {
            coro::waitFor(live.startRecording());
            ADD_FAILURE() << "live capture started without a server";
        } catch (const AudioRecorderError &e) {
            EXPECT_EQ(e.errorDescription(), QStringLiteral("Recording failed: No audio input device"));
        }
    }
    EXPECT_FALSE(clip.isRecording());
    EXPECT_FALSE(live.isRecording());
    ASSERT_TRUE(clip.lastError());
    EXPECT_TRUE(QDir(tmp.filePath(QStringLiteral("audio"))).entryList(QDir::Files).isEmpty());
    clip.startAudioPreview();
    QCoreApplication::processEvents();
    EXPECT_FALSE(clip.isPreviewingAudio());
}

// The input itself, asked directly (the recorders stop at the empty device list).
TEST_P(NoAudioServer, StartingTheInputReportsWhy)
{
    QTemporaryDir tmp;
    qputenv("PULSE_SERVER", ("unix:" + tmp.filePath(QStringLiteral("no-such-socket"))).toUtf8());
    const auto input = makeInput(GetParam());
    QFuture<QString> started = input->start({}, {});
    started.waitForFinished();
    EXPECT_FALSE(started.result().isEmpty());
    input->stop();
}

INSTANTIATE_TEST_SUITE_P(Inputs, NoAudioServer, ::testing::Values("qt", "pulse"),
                         [](const ::testing::TestParamInfo<std::string> &info) { return info.param; });
