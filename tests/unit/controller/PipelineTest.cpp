// The two pipelines. One clip from stop to clean-up: the order of the steps, every output mode,
// and every way the pipeline can end early. The live loop: chunk cadence, context prompts, what
// is typed versus what is stored, the time limit, and a slow engine.
#include "ControllerHarness.h"
#include "WavReader.h"
#include "core/Constants.h"
#include "models/ModelCatalog.h"

#include <QRegularExpression>
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

    // Not while recording; a recording that leaves no file goes straight back to idle.
    h.hotkey.press();
    h.controller->retryLastRecording();
    EXPECT_EQ(h.engine.calls.size(), 1);
    EXPECT_EQ(h.activity(), "R");
    h.clip.stopWithoutFile = true;
    h.hotkey.press();
    EXPECT_EQ(h.activity(), "-");
    EXPECT_EQ(h.engine.calls.size(), 1);
    EXPECT_EQ(h.journal.count("state.transcribing true"), 1); // the first clip's only

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


namespace {

constexpr qsizetype chunkTimer = ControllerHarness::chunkTimer;
constexpr qsizetype maxTimer = ControllerHarness::maxDurationTimer;

QString chunkFile(int n) { return QStringLiteral("/tmp/live_chunk_%1.wav").arg(n); }
const QString finalFile = QStringLiteral("/tmp/live_final.wav");

void startLive(ControllerHarness &h)
{
    h.useLive();
    h.hotkey.press();
    ASSERT_EQ(h.activity(), "L");
}

// One timer tick that cuts a chunk the engine hears as `text`.
void tick(ControllerHarness &h, int n, const QString &text)
{
    h.live.chunks.push_back(chunkFile(n));
    h.engine.succeed(chunkFile(n), text);
    ASSERT_TRUE(h.timers.fire(chunkTimer));
}

void stopWithFinal(ControllerHarness &h, const std::optional<QString> &text)
{
    if (text) {
        h.live.finalChunk = finalFile;
        h.engine.succeed(finalFile, *text);
    }
    h.hotkey.press();
}

} // namespace

TEST(LiveLoop, StartsAChunkTimerAndTheTimeLimitOnlyWhenOneIsSet)
{
    struct Row {
        qint64 maxMinutes;
        std::optional<std::chrono::milliseconds> limit;
    };
    const Row rows[] = {{0, std::nullopt}, {2, std::chrono::seconds(120)}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.maxMinutes);
        ControllerHarness h;
        h.settings.setLiveDictationMaxMinutes(row.maxMinutes);
        startLive(h);
        EXPECT_TRUE(h.timers.record(chunkTimer).active);
        EXPECT_EQ(h.timers.record(chunkTimer).interval, std::chrono::milliseconds(3000));
        EXPECT_TRUE(h.timers.record(chunkTimer).repeating);
        EXPECT_EQ(h.timers.record(maxTimer).active, row.limit.has_value());
        if (row.limit) {
            EXPECT_EQ(h.timers.record(maxTimer).interval, *row.limit);
            EXPECT_FALSE(h.timers.record(maxTimer).repeating);
            ASSERT_TRUE(h.timers.fire(maxTimer));
            EXPECT_EQ(h.activity(), "-");
        }
        // Stopping cancels both timers.
        h.controller->stopLiveRecording();
        EXPECT_FALSE(h.timers.record(chunkTimer).active);
        EXPECT_FALSE(h.timers.record(maxTimer).active);
    }
}

TEST(LiveLoop, PromptHoldsTheLastFivePartsTypedSoFar)
{
    ControllerHarness h;
    startLive(h);
    const QStringList words = {"one", "two", "three", "four", "five", "six"};
    for (int i = 0; i < words.size(); ++i)
        tick(h, i, words[i]);
    stopWithFinal(h, QStringLiteral("seven"));

    const QList<std::optional<QString>> expected = {
        std::nullopt, // nothing typed yet: no prompt at all
        QStringLiteral("one"),
        QStringLiteral("one two"),
        QStringLiteral("one two three"),
        QStringLiteral("one two three four"),
        QStringLiteral("one two three four five"),
        QStringLiteral("two three four five six"), // the final chunk, after six parts
    };
    ASSERT_EQ(h.engine.calls.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        EXPECT_EQ(h.engine.calls[i].prompt, expected[i]) << "call " << i;
}

TEST(LiveLoop, EmptyChunksAreNeitherTypedStoredNorPrompted)
{
    ControllerHarness h;
    h.rewriter.rewrites.insert(QStringLiteral("scratch that"), QString(""));
    startLive(h);
    tick(h, 1, QStringLiteral("alpha"));
    tick(h, 2, QStringLiteral("scratch that"));
    tick(h, 3, QString());
    tick(h, 4, QStringLiteral("beta"));
    stopWithFinal(h, std::nullopt);

    EXPECT_EQ(h.engine.calls[2].prompt, QStringLiteral("alpha"));
    EXPECT_EQ(h.engine.calls[3].prompt, QStringLiteral("alpha"));
    EXPECT_EQ(h.delivery.typed, (QStringList{"alpha ", "beta "}));
    ASSERT_EQ(h.history.entries.size(), 1);
    EXPECT_EQ(h.history.entries[0].text, QStringLiteral("alpha beta"));
    // Every chunk file is removed, whatever became of its text.
    EXPECT_EQ(h.live.deleted, (QStringList{chunkFile(1), chunkFile(2), chunkFile(3), chunkFile(4)}));
}

TEST(LiveLoop, TypedChunksEndInASpaceButTheEntryIsJoinedAndTrimmed)
{
    struct Row {
        const char *name;
        QStringList chunkTexts;
        std::optional<QString> finalText;
        QStringList typed;
        QString stored, storedRaw;
    };
    const Row rows[] = {
        {"chunks and a final chunk", {"hello there"}, "general", {"Hello there ", "General"}, "Hello there General", "hello there general"},
        {"stopped within the first three seconds", {}, "everything", {"Everything"}, "Everything", "everything"},
        {"line breaks stay, spaces and tabs go", {" \tindented"}, "list\n", {" \tIndented ", "List\n"}, "Indented List\n", "indented list\n"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        ControllerHarness h;
        // The rules capitalise, so stored text and original text differ.
        for (const QString &text : row.chunkTexts + QStringList{row.finalText.value_or(QString())}) {
            QString upper = text;
            const qsizetype first = upper.indexOf(QRegularExpression(QStringLiteral("\\S")));
            if (first >= 0)
                upper[first] = upper[first].toUpper();
            h.rewriter.rewrites.insert(text, upper);
        }
        startLive(h);
        for (int i = 0; i < row.chunkTexts.size(); ++i)
            tick(h, i, row.chunkTexts[i]);
        stopWithFinal(h, row.finalText);

        EXPECT_EQ(h.delivery.typed, row.typed);
        ASSERT_EQ(h.history.entries.size(), 1);
        EXPECT_EQ(h.history.entries[0].text, row.stored);
        EXPECT_EQ(h.history.entries[0].originalText, row.storedRaw);
        EXPECT_EQ(h.history.entries[0].modelName, h.settings.modelDisplayName());
        EXPECT_EQ(h.state.lastTranscript(), row.stored);
        EXPECT_TRUE(h.controller->liveTranscriptParts().isEmpty());
        EXPECT_EQ(h.activity(), "-");
        EXPECT_EQ(h.timers.record(chunkTimer).starts, 1);
    }
}

TEST(LiveLoop, StopStepOrder)
{
    ControllerHarness h;
    startLive(h);
    h.journal.clear();
    stopWithFinal(h, QStringLiteral("last words"));
    const QStringList expected = {
        "live.final", "transcribe live_final.wav", "transcribed live_final.wav", "rewrite last words",
        "type last words", "live.delete live_final.wav", "live.stop", "state.live false",
        "history.add last words", "state.record last words",
    };
    EXPECT_EQ(h.journal, expected);
}

// Where no key reaches other applications, the whole dictation is handed over once at the end
// (the paste leaves it on the clipboard and asks the user to paste), not chunk by chunk.
TEST(LiveLoop, TextThatCannotBeTypedIsHandedOverOnceAtTheEnd)
{
    ControllerHarness h;
    h.delivery.typingRefused = true;
    startLive(h);
    tick(h, 1, QStringLiteral("one"));
    tick(h, 2, QStringLiteral("two"));
    EXPECT_TRUE(h.delivery.pasted.isEmpty());
    stopWithFinal(h, QStringLiteral("three"));

    EXPECT_EQ(h.delivery.pasted, QStringList{"one two three"});
    ASSERT_EQ(h.history.entries.size(), 1);
    EXPECT_EQ(h.history.entries[0].text, QStringLiteral("one two three"));
}

TEST(LiveLoop, FailedChunksAreKeptAndTheRestGoesOn)
{
    ControllerHarness h;
    startLive(h);
    tick(h, 1, QStringLiteral("kept"));
    h.live.chunks.push_back(chunkFile(2));
    h.engine.fail(chunkFile(2), QStringLiteral("engine crashed"));
    ASSERT_TRUE(h.timers.fire(chunkTimer));
    tick(h, 3, QStringLiteral("also kept"));
    h.live.finalChunk = finalFile;
    h.engine.fail(finalFile, QStringLiteral("engine crashed again"));
    h.hotkey.press();

    EXPECT_EQ(h.live.deleted, (QStringList{chunkFile(1), chunkFile(3)}));
    EXPECT_EQ(h.unsent.kept, (QStringList{FakeUnsentClips::keptPath(chunkFile(2)), FakeUnsentClips::keptPath(finalFile)}));
    ASSERT_EQ(h.history.entries.size(), 1);
    EXPECT_EQ(h.history.entries[0].text, QStringLiteral("kept also kept"));
}

TEST(LiveLoop, NothingHeardStoresNothing)
{
    ControllerHarness h;
    startLive(h);
    tick(h, 1, QString());
    EXPECT_TRUE(h.timers.fire(chunkTimer)); // too little audio: no chunk
    stopWithFinal(h, QString());
    EXPECT_TRUE(h.history.entries.isEmpty());
    EXPECT_EQ(h.state.lastTranscript(), std::nullopt);
    EXPECT_TRUE(h.delivery.typed.isEmpty());
    EXPECT_EQ(h.live.deleted, (QStringList{chunkFile(1), finalFile}));
}

TEST(LiveLoop, SlowEngineMakesTicksSkipInsteadOfQueueing)
{
    ControllerHarness h;
    startLive(h);
    h.engine.holdCalls = true;
    tick(h, 1, QStringLiteral("first"));
    ASSERT_TRUE(h.controller->isProcessingChunk());
    // Two ticks while the engine is busy: no cut, the audio stays buffered for the next chunk.
    h.live.chunks.push_back(chunkFile(2));
    h.engine.succeed(chunkFile(2), QStringLiteral("second"));
    EXPECT_TRUE(h.timers.fire(chunkTimer));
    EXPECT_TRUE(h.timers.fire(chunkTimer));
    EXPECT_EQ(h.live.extractCalls, 1);
    EXPECT_EQ(h.engine.calls.size(), 1);

    h.releaseAll();
    EXPECT_FALSE(h.controller->isProcessingChunk());
    EXPECT_TRUE(h.timers.fire(chunkTimer));
    EXPECT_EQ(h.live.extractCalls, 2);
    h.releaseAll();
    EXPECT_EQ(h.delivery.typed, (QStringList{"first ", "second "}));
}
