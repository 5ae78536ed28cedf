// With no audio server at all, starting either recorder fails with an error a user understands
// and nothing crashes. Its own executable: Qt connects to the server once per process.
#include "AudioRecorder.h"
#include "LiveAudioRecorder.h"
#include "QtAudioInput.h"

#include "Coro.h"
#include "MemoryKeyValueStore.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace parlix;

TEST(NoAudioServer, StartsFailWithRecordingFailedAndLeaveNoFiles)
{
    QTemporaryDir tmp;
    qputenv("PULSE_SERVER", ("unix:" + tmp.filePath(QStringLiteral("no-such-socket"))).toUtf8());
    test::MemoryKeyValueStore store;
    SettingsModel settings(store);
    QtAudioInput input;
    EXPECT_TRUE(input.devices().isEmpty());

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
