// One clip from stop to clean-up: the order of the steps, every output mode, and every way the
// pipeline can end early.
#include "ControllerHarness.h"
#include "WavReader.h"

#include "core/Constants.h"
#include "models/ModelCatalog.h"

#include <gtest/gtest.h>

using namespace parlix;
using namespace parlix::test;

namespace {

// Records a clip and stops it; the engine answers `text` (or fails with `failure`).
void recordClip(ControllerHarness &h, const QString &text, const std::optional<QString> &failure = std::nullopt)
{
    failure ? h.engine.fail(h.clip.clipPath, *failure) : h.engine.succeed(h.clip.clipPath, text);
    h.hotkey.press();
    ASSERT_EQ(h.activity(), "R");
    h.hotkey.press();
}

} // namespace

TEST(ClipPipeline, RunsItsStepsInOrderAndStoresBeforeDelivering)
{
    ControllerHarness h;
    h.settings.setOutputMode(OutputMode::pasteAndCopy);
    h.rewriter.rewrites.insert(QStringLiteral("hello world period"), QStringLiteral("Hello world."));
    recordClip(h, QStringLiteral("hello world period"));

    const QStringList expected = {
        "clip.start", "clip.started", "state.recording true",
        "clip.stop", "state.recording false", "state.transcribing true",
        "transcribe parlix_clip.wav", "transcribed parlix_clip.wav",
        "rewrite hello world period",
        "history.add Hello world.", "state.record Hello world.",
        "paste Hello world.", "copy Hello world.",
        "state.transcribing false", "clip.delete parlix_clip.wav",
    };
    EXPECT_EQ(h.journal, expected);
    ASSERT_EQ(h.history.entries.size(), 1);
    EXPECT_EQ(h.history.entries[0].originalText, QStringLiteral("hello world period"));
    EXPECT_EQ(h.engine.calls[0].prompt, std::nullopt);
    EXPECT_EQ(h.state.lastTranscript(), QStringLiteral("Hello world."));
}

TEST(ClipPipeline, ModelNameIsReadWhenTheEntryIsStored)
{
    ControllerHarness h;
    h.engine.holdCalls = true;
    recordClip(h, QStringLiteral("text"));
    // The user picks another model while the engine still runs on the old one.
    const QString other = h.directory.filePath(QStringLiteral("ggml-small.bin"));
    h.settings.setModelPath(other);
    h.releaseAll();
    ASSERT_EQ(h.history.entries.size(), 1);
    EXPECT_EQ(h.history.entries[0].modelName, Constants::modelDisplayName(other));
    EXPECT_NE(Constants::modelDisplayName(other), Constants::modelDisplayName(h.modelPath));
}

TEST(ClipPipeline, DeliversByOutputMode)
{
    struct Row {
        OutputMode mode;
        QStringList pasted, copied;
    };
    const QString t = QStringLiteral("Some text");
    const Row rows[] = {
        {OutputMode::pasteOnly, {t}, {}},
        {OutputMode::pasteAndCopy, {t}, {t}},
        {OutputMode::copyOnly, {}, {t}},
        {OutputMode::historyOnly, {}, {}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(rawValue(row.mode).toStdString());
        ControllerHarness h;
        h.settings.setOutputMode(row.mode);
        recordClip(h, t);
        EXPECT_EQ(h.delivery.pasted, row.pasted);
        EXPECT_EQ(h.delivery.copied, row.copied);
        // Stored and recorded whatever the mode.
        EXPECT_EQ(h.history.entries.size(), 1);
        EXPECT_EQ(h.state.lastTranscript(), t);
        EXPECT_EQ(h.activity(), "-");
    }
}

TEST(ClipPipeline, EndsEarlyWithoutStoringAndKeepsTheClipUnlessTheRulesEmptiedIt)
{
    struct Row {
        const char *name;
        QString engineText;
        std::optional<QString> engineFailure;
        QString rewritten; // what the rules make of the engine text
        QString lastStep;
        bool notice;
    };
    const Row rows[] = {
        {"engine fails", {}, QStringLiteral("whisper-cli exited with code 3"), {}, "unsent.keep parlix_clip.wav", true},
        {"engine hears nothing", QString(), std::nullopt, {}, "unsent.keep parlix_clip.wav", false},
        {"rules remove everything", QStringLiteral("scratch that"), std::nullopt, QString(""), "clip.delete parlix_clip.wav", false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        ControllerHarness h;
        h.rewriter.rewrites.insert(row.engineText, row.rewritten);
        recordClip(h, row.engineText, row.engineFailure);
        EXPECT_TRUE(h.history.entries.isEmpty());
        EXPECT_TRUE(h.delivery.pasted.isEmpty() && h.delivery.copied.isEmpty());
        EXPECT_EQ(h.state.lastTranscript(), std::nullopt);
        EXPECT_EQ(h.activity(), "-");
        EXPECT_TRUE(h.journal.contains(row.lastStep));
        EXPECT_EQ(h.failureNotices.size(), row.notice ? 1 : 0);
        EXPECT_EQ(h.controller->hasUnsentRecording(), row.lastStep.startsWith(u"unsent"));
    }
}

// The engine hangs (a held call that never answers on its own): the watchdog and Cancel both end
// the clip at once, keep it, and leave the app idle; the engine's late answer changes nothing.
TEST(ClipPipeline, WatchdogAndCancelEndAHungEngineAndKeepTheClip)
{
    for (const bool byWatchdog : {true, false}) {
        SCOPED_TRACE(byWatchdog ? "watchdog" : "cancel");
        ControllerHarness h;
        h.engine.holdCalls = true;
        recordClip(h, QStringLiteral("late words"));
        ASSERT_EQ(h.activity(), "T");
        ASSERT_TRUE(h.controller->canCancelTranscription());
        // The clip file does not exist here: the bound is the fixed part alone.
        EXPECT_EQ(h.timers.record(ControllerHarness::engineWatchdog).interval, std::chrono::seconds(30));
        byWatchdog ? void(h.timers.fire(ControllerHarness::engineWatchdog)) : h.controller->cancelTranscription();

        EXPECT_EQ(h.activity(), "-");
        EXPECT_EQ(h.engine.cancelCalls, 1);
        EXPECT_EQ(h.unsent.kept, QStringList{FakeUnsentClips::keptPath(h.clip.clipPath)});
        EXPECT_EQ(h.failureNotices.size(), byWatchdog ? 1 : 0);
        EXPECT_FALSE(h.controller->canCancelTranscription());
        EXPECT_FALSE(h.timers.record(ControllerHarness::engineWatchdog).active);

        h.releaseAll();
        EXPECT_TRUE(h.history.entries.isEmpty());
        EXPECT_TRUE(h.delivery.pasted.isEmpty());
        EXPECT_TRUE(h.clip.deleted.isEmpty());
    }
}

TEST(ClipPipeline, WatchdogBoundGrowsWithTheClip)
{
    ControllerHarness h;
    h.settings.setEngineTimeoutSeconds(5);
    h.settings.setEngineTimeoutPerAudioSecond(2);
    const QString clip = h.directory.filePath(QStringLiteral("three-seconds.wav"));
    ASSERT_TRUE(writeWav(clip, std::vector<int16_t>(3 * 16000))); // 16 kHz mono
    EXPECT_EQ(h.controller->engineTimeLimit(clip), std::chrono::seconds(5 + 2 * 3));
}

TEST(ClipPipeline, RetryTranscribesTheNewestKeptClipWhenIdleAndRemovesItOnceDelivered)
{
    ControllerHarness h;
    recordClip(h, QString(), QStringLiteral("engine crashed"));
    const QString kept = FakeUnsentClips::keptPath(h.clip.clipPath);
    ASSERT_EQ(h.unsent.kept, QStringList{kept});

    // Not while recording.
    h.hotkey.press();
    h.controller->retryLastRecording();
    EXPECT_EQ(h.engine.calls.size(), 1);
    EXPECT_EQ(h.activity(), "R");
    h.clip.stopWithoutFile = true;
    h.hotkey.press();

    // Failing again leaves it where it is, and says so again.
    h.engine.fail(kept, QStringLiteral("still broken"));
    h.controller->retryLastRecording();
    EXPECT_EQ(h.unsent.kept, QStringList{kept});
    EXPECT_EQ(h.failureNotices.size(), 2);

    h.engine.succeed(kept, QStringLiteral("Second time lucky"));
    h.controller->retryLastRecording();
    EXPECT_EQ(h.delivery.pasted, QStringList{QStringLiteral("Second time lucky")});
    EXPECT_TRUE(h.unsent.kept.isEmpty());
    EXPECT_TRUE(h.journal.contains("unsent.remove parlix_clip.wav"));
    EXPECT_TRUE(h.clip.deleted.isEmpty());
    EXPECT_EQ(h.activity(), "-");

    // Nothing left: a retry does nothing.
    h.controller->retryLastRecording();
    EXPECT_EQ(h.engine.calls.size(), 3);
}

TEST(ClipPipeline, FailingDeliveryKeepsTheEntryAndStillCleansUp)
{
    ControllerHarness h;
    h.delivery.pasteFailure = QStringLiteral("no display");
    recordClip(h, QStringLiteral("kept"));
    EXPECT_EQ(h.history.entries.size(), 1);
    EXPECT_EQ(h.clip.deleted, QStringList{h.clip.clipPath});
    EXPECT_EQ(h.activity(), "-");
}

TEST(ClipPipeline, StopWithoutAFileGoesStraightToIdle)
{
    ControllerHarness h;
    h.clip.stopWithoutFile = true;
    h.hotkey.press();
    h.hotkey.press();
    EXPECT_EQ(h.activity(), "-");
    EXPECT_TRUE(h.engine.calls.isEmpty());
    EXPECT_TRUE(h.clip.deleted.isEmpty());
    EXPECT_FALSE(h.journal.contains("state.transcribing true"));
}
