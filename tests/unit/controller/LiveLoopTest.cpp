// The live loop: chunk cadence, context prompts, what is typed versus what is stored, the time
// limit, and a slow engine.
#include "ControllerHarness.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace parlix;
using namespace parlix::test;

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
