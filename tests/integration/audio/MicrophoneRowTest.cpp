// The General tab's microphone row over the real PulseAudio input: "Missing" with its hint while
// no server runs, "Available" once a server with a microphone runs, "Missing" again after it
// dies, each time the tab looks again.
#include "FakeGlobalShortcutBackend.h"
#include "MemoryKeyValueStore.h"
#include "PulseAudioSession.h"
#include "audio/AudioRecorder.h"
#include "core/SettingsModel.h"
#include "history/HistoryStore.h"
#include "hotkey/HotkeyManager.h"
#include "platform/pulse/PulseAudioInput.h"
#include "ui/settings/GeneralPage.h"

#include <QLabel>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace parlix;
using namespace parlix::test;

TEST(MicrophoneRowTest, FollowsTheAudioServer)
{
    ASSERT_TRUE(PulseAudioSession::toolsAvailable()) << "pulseaudio and pactl are needed (scripts/setup.sh installs them)";
    QTemporaryDir dir;
    qputenv("PULSE_SERVER", ("unix:" + dir.filePath(QStringLiteral("no-such-socket"))).toUtf8());
    MemoryKeyValueStore store;
    SettingsModel settings(store);
    FakeGlobalShortcutBackend backend;
    HotkeyManager hotkey(settings, backend);
    PulseAudioInput input;
    AudioRecorder recorder(input, settings);
    HistoryStore history(settings, dir.filePath(QStringLiteral("history.json")));
    ui::GeneralPage page({settings, hotkey, recorder, input, [&]() -> HistoryStore & { return history; }});
    const auto row = [&] {
        page.refreshPermissions();
        return page.microphoneStatus()->text() + (page.microphoneHint()->isVisibleTo(&page) ? QStringLiteral(" + hint") : QString());
    };
    EXPECT_EQ(row(), QStringLiteral("Missing + hint"));

    PulseAudioSession pulse;
    QString error;
    ASSERT_TRUE(pulse.start(&error)) << error.toStdString();
    EXPECT_EQ(row(), QStringLiteral("Available"));

    pulse.kill();
    EXPECT_EQ(row(), QStringLiteral("Missing + hint"));
}
