#pragma once
// A DictationController built around fakes, real settings (in memory) and a real AppState, with a
// model file on disk so the start guard lets starts through. Everything the controller does is
// journalled in order: service calls (see ControllerFakes.h) and AppState changes
// ("state.recording true", "state.transcribing false", "state.live true", "state.record <text>").
#include "ControllerFakes.h"
#include "Printers.h"
#include "MemoryKeyValueStore.h"
#include "controller/DictationController.h"
#include "core/AppState.h"
#include "core/Categories.h"
#include "core/SettingsModel.h"

#include <QTemporaryDir>

#include <memory>

namespace parlix::test {

class ControllerHarness {
public:
    // The controller creates its two live timers in this order.
    static constexpr qsizetype chunkTimer = 0;
    static constexpr qsizetype maxDurationTimer = 1;
    static constexpr qsizetype engineWatchdog = 2;

    ControllerHarness();

    // Settings shortcuts.
    void useToggle() { settings.setRecordingMode(RecordingMode::toggle); }
    void usePushToTalk() { settings.setRecordingMode(RecordingMode::pushToTalk); }
    void useLive(bool experimental = true) {
        settings.setExperimentalFeaturesEnabled(experimental);
        settings.setLiveDictationEnabled(true);
    }

    // "R" recording, "T" transcribing, "L" live, "-" idle.
    QString activity() const;
    // Releases every held operation, oldest first, until nothing waits any more.
    void releaseAll();

    MemoryKeyValueStore store;
    QTemporaryDir directory;
    QString modelPath;
    SettingsModel settings{store};
    AppState state{settings};
    QStringList journal;
    FakeClipRecorder clip{journal};
    FakeLiveCapture live{journal};
    FakeTranscriber engine{journal};
    FakeUnsentClips unsent{journal};
    FakeTextRewriter rewriter{journal};
    FakeTextDelivery delivery{journal};
    FakeHistory history{journal};
    FakeHotkey hotkey;
    FakeTimerFactory timers;
    std::unique_ptr<DictationController> controller;
    QList<SettingsTab> settingsRequests;
    // The transcriptionFailed notices.
    QStringList failureNotices;
};

} // namespace parlix::test
