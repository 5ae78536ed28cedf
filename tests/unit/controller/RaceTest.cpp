// Triggers that arrive while something is still in flight: a recorder that has not started yet,
// a live dictation that is already stopping, a chunk still in the engine.
#include "ControllerHarness.h"

#include <gtest/gtest.h>

using namespace parlix;
using namespace parlix::test;

namespace {

enum class Kind { clip, live };

void configure(ControllerHarness &h, Kind kind)
{
    if (kind == Kind::live)
        h.useLive();
    h.clip.holdStart = h.live.holdStart = true;
    h.engine.succeed(h.clip.clipPath, QStringLiteral("words"));
}

int starts(const ControllerHarness &h) { return h.clip.startCalls + h.live.startCalls; }
int stops(const ControllerHarness &h) { return h.clip.stopCalls + h.live.stopCalls; }
const char *running(Kind kind) { return kind == Kind::clip ? "R" : "L"; }

} // namespace

TEST(ControllerRaces, SecondStartWhileTheRecorderStartsIsRefused)
{
    struct Row {
        const char *name;
        std::function<void(ControllerHarness &)> second;
    };
    const Row rows[] = {
        {"toggle press", [](ControllerHarness &h) { h.hotkey.press(); }},
        {"direct live start", [](ControllerHarness &h) { h.controller->startLiveRecording(); }},
    };
    for (const Row &row : rows) {
        for (Kind kind : {Kind::clip, Kind::live}) {
            SCOPED_TRACE(std::string(row.name) + (kind == Kind::clip ? " / clip" : " / live"));
            ControllerHarness h;
            configure(h, kind);
            h.hotkey.press();
            ASSERT_TRUE(h.controller->isStartPending());
            row.second(h);
            EXPECT_EQ(starts(h), 1);
            h.releaseAll();
            EXPECT_FALSE(h.controller->isStartPending());
            EXPECT_EQ(h.activity(), running(kind));
        }
    }
}

// Push-to-talk keys while the recorder is still starting: a release stops it once it has started
// (the short clip is still transcribed) and is used up by that; pressed again before the start,
// the earlier release no longer counts.
TEST(ControllerRaces, PushToTalkKeysBeforeTheRecorderStartedCountOnceItHas)
{
    for (Kind kind : {Kind::clip, Kind::live}) {
        for (const bool pressedAgain : {false, true}) {
            SCOPED_TRACE(std::string(kind == Kind::clip ? "clip" : "live") + (pressedAgain ? ", pressed again" : ""));
            ControllerHarness h;
            configure(h, kind);
            h.usePushToTalk();
            h.hotkey.press();
            h.hotkey.release();
            if (pressedAgain)
                h.hotkey.press();
            EXPECT_EQ(stops(h), 0); // nothing to stop yet
            h.releaseAll();
            EXPECT_EQ(starts(h), 1);
            EXPECT_EQ(stops(h), pressedAgain ? 0 : 1);
            EXPECT_EQ(h.activity(), pressedAgain ? running(kind) : "-");
            EXPECT_EQ(h.history.entries.size(), kind == Kind::clip && !pressedAgain ? 1 : 0);
            if (!pressedAgain) { // the next dictation runs until its own release
                h.hotkey.press();
                h.releaseAll();
                EXPECT_EQ(h.activity(), running(kind));
            }
            h.hotkey.release();
            EXPECT_EQ(stops(h), pressedAgain ? 1 : 2);
        }
    }
}

TEST(ControllerRaces, ReleaseBeforeAFailedStartLeavesNothingBehind)
{
    ControllerHarness h;
    configure(h, Kind::clip);
    h.usePushToTalk();
    h.clip.startFailure = QStringLiteral("Recording failed: busy");
    h.hotkey.press();
    h.hotkey.release();
    h.releaseAll();
    EXPECT_EQ(h.activity(), "-");
    EXPECT_EQ(h.clip.stopCalls, 0);
    h.clip.startFailure.reset();
    h.hotkey.press();
    h.releaseAll();
    EXPECT_EQ(h.activity(), "R");
}

TEST(ControllerRaces, StopRequestsWhileStoppingAreAbsorbed)
{
    struct Row {
        const char *name;
        std::function<void(ControllerHarness &)> request;
    };
    const Row rows[] = {
        {"toggle press", [](ControllerHarness &h) { h.hotkey.press(); }},
        {"push-to-talk release", [](ControllerHarness &h) { h.usePushToTalk(); h.hotkey.release(); }},
        {"a start request", [](ControllerHarness &h) { h.controller->startLiveRecording(); }},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        ControllerHarness h;
        h.useLive();
        h.hotkey.press();
        h.live.chunks.push_back(QStringLiteral("/tmp/c1.wav"));
        h.engine.succeed(QStringLiteral("/tmp/c1.wav"), QStringLiteral("first"));
        ASSERT_TRUE(h.timers.fire(ControllerHarness::chunkTimer));
        h.engine.holdCalls = true;
        h.live.finalChunk = QStringLiteral("/tmp/final.wav");
        h.engine.succeed(QStringLiteral("/tmp/final.wav"), QStringLiteral("second"));
        h.hotkey.press(); // stop: the final chunk is now in the engine
        ASSERT_TRUE(h.controller->isLiveStopping());
        ASSERT_EQ(h.activity(), "L");

        row.request(h);
        h.releaseAll();
        EXPECT_EQ(h.live.finalExtractCalls, 1);
        EXPECT_EQ(h.live.stopCalls, 1);
        EXPECT_EQ(h.live.startCalls, 1);
        ASSERT_EQ(h.history.entries.size(), 1);
        EXPECT_EQ(h.history.entries[0].text, QStringLiteral("first second"));
        EXPECT_EQ(h.activity(), "-");
        EXPECT_FALSE(h.controller->isLiveStopping());
    }
}

TEST(ControllerRaces, StopWaitsForTheChunkInFlight)
{
    struct Row {
        const char *name;
        bool holdEngine, holdTyping;
        std::optional<QString> chunkFailure;
        QStringList typed;
        QString stored;
    };
    const Row rows[] = {
        {"chunk still in the engine", true, false, std::nullopt, {"one ", "two"}, "one two"},
        {"chunk still being typed", false, true, std::nullopt, {"one ", "two"}, "one two"},
        {"chunk in the engine fails", true, false, QStringLiteral("boom"), {"two"}, "two"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        ControllerHarness h;
        h.useLive();
        h.hotkey.press();
        const QString chunk = QStringLiteral("/tmp/c1.wav");
        h.live.chunks.push_back(chunk);
        row.chunkFailure ? h.engine.fail(chunk, *row.chunkFailure) : h.engine.succeed(chunk, QStringLiteral("one"));
        h.engine.holdCalls = row.holdEngine;
        h.delivery.holdTyping = row.holdTyping;
        ASSERT_TRUE(h.timers.fire(ControllerHarness::chunkTimer));
        ASSERT_TRUE(h.controller->isProcessingChunk());

        h.live.finalChunk = QStringLiteral("/tmp/final.wav");
        h.engine.succeed(*h.live.finalChunk, QStringLiteral("two"));
        h.hotkey.press();
        EXPECT_EQ(h.live.finalExtractCalls, 0); // the final cut waits for the chunk in flight
        EXPECT_EQ(h.activity(), "L");

        h.engine.holdCalls = h.delivery.holdTyping = false;
        h.releaseAll();
        EXPECT_EQ(h.delivery.typed, row.typed);
        ASSERT_EQ(h.history.entries.size(), 1);
        EXPECT_EQ(h.history.entries[0].text, row.stored);
        // The final chunk's prompt already holds the chunk that finished first.
        EXPECT_EQ(h.engine.calls.last().prompt, row.chunkFailure ? std::nullopt : std::optional<QString>(QStringLiteral("one")));
        EXPECT_EQ(h.activity(), "-");
    }
}

TEST(ControllerRaces, ActivityClaimedElsewhereWhileStartingReleasesTheMicrophone)
{
    ControllerHarness h;
    configure(h, Kind::clip);
    h.hotkey.press();
    h.state.setLiveTranscribing(true); // another writer got there first
    h.releaseAll();
    EXPECT_EQ(h.activity(), "L");
    EXPECT_FALSE(h.clip.recording);
    EXPECT_EQ(h.clip.deleted, QStringList{h.clip.clipPath});
}

TEST(ControllerRaces, ControllerGoneWhileTheEngineRunsTouchesNothing)
{
    ControllerHarness h;
    h.engine.holdCalls = true;
    h.engine.succeed(h.clip.clipPath, QStringLiteral("words"));
    h.hotkey.press();
    h.hotkey.press();
    ASSERT_EQ(h.engine.pending.waiting(), 1);
    h.controller.reset();
    h.releaseAll();
    EXPECT_TRUE(h.history.entries.isEmpty());
    EXPECT_TRUE(h.clip.deleted.isEmpty());
}
