// Which trigger starts or stops what: the state tables of toggle, push-to-talk and live
// dictation (with the silence, time-limit and interruption triggers), the start guard, and the
// wiring. (The tray icon following the activity: TrayTest.)
#include "ControllerHarness.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace parlix;
using namespace parlix::test;

namespace {

enum class Mode { toggle, pushToTalk };
enum class Kind { clip, live, liveWithoutExperimental };
enum Event { press, release, menu, silence, liveSilence, timeLimit, interrupted, liveInterrupted };

const char *eventName(Event e)
{
    static const char *names[] = {"press", "release", "menu", "silence", "liveSilence", "timeLimit", "interrupted", "liveInterrupted"};
    return names[e];
}

void apply(ControllerHarness &h, Event e)
{
    switch (e) {
    case press: ASSERT_TRUE(h.hotkey.press()); break;
    case release: ASSERT_TRUE(h.hotkey.release()); break;
    case menu: h.controller->toggleRecording(); break;
    case silence: ASSERT_TRUE(h.clip.silenceHandler); h.clip.silenceHandler(); break;
    case liveSilence: ASSERT_TRUE(h.live.silenceHandler); h.live.silenceHandler(); break;
    case timeLimit: h.timers.fire(ControllerHarness::maxDurationTimer); break;
    case interrupted: ASSERT_TRUE(h.clip.interruptionHandler); h.clip.interruptionHandler(QStringLiteral("device gone")); break;
    case liveInterrupted: ASSERT_TRUE(h.live.interruptionHandler); h.live.interruptionHandler(QStringLiteral("device gone")); break;
    }
}

void configure(ControllerHarness &h, Mode mode, Kind kind)
{
    mode == Mode::toggle ? h.useToggle() : h.usePushToTalk();
    if (kind == Kind::live)
        h.useLive();
    if (kind == Kind::liveWithoutExperimental)
        h.useLive(false);
    h.engine.succeed(h.clip.clipPath, QStringLiteral("hello"));
}

struct Row {
    Mode mode;
    Kind kind;
    std::vector<Event> events;
    const char *activity; // after the events
    int clipStarts, clipStops, liveStarts, liveStops;
};

std::string describe(const Row &row)
{
    std::string text = row.mode == Mode::toggle ? "toggle" : "push-to-talk";
    text += row.kind == Kind::clip ? " clip:" : row.kind == Kind::live ? " live:" : " live-without-experimental:";
    for (Event e : row.events)
        text += std::string(" ") + eventName(e);
    return text;
}

} // namespace

// The engine is held, so a stopped clip stays in the transcribing state while later events arrive.
TEST(ControllerTriggers, StateTable)
{
    const Mode T = Mode::toggle, P = Mode::pushToTalk;
    const Kind C = Kind::clip, L = Kind::live, LX = Kind::liveWithoutExperimental;
    const std::vector<Row> rows = {
        // Before anything runs, no trigger does anything.
        {T, C, {silence, liveSilence, timeLimit, interrupted, liveInterrupted}, "-", 0, 0, 0, 0},
        {T, C, {press}, "R", 1, 0, 0, 0},
        {T, C, {press, press}, "T", 1, 1, 0, 0},
        {T, C, {press, release}, "R", 1, 0, 0, 0},      // releases mean nothing in toggle mode
        {T, C, {press, menu}, "T", 1, 1, 0, 0},
        {T, C, {press, silence}, "T", 1, 1, 0, 0},
        {T, C, {press, press, silence}, "T", 1, 1, 0, 0}, // silence after the user stopped
        {T, C, {press, liveSilence, timeLimit, liveInterrupted}, "R", 1, 0, 0, 0}, // the live loop's triggers
        {T, C, {press, interrupted}, "T", 1, 1, 0, 0},
        {T, L, {press, press}, "-", 0, 0, 1, 1},
        {T, L, {press, silence, interrupted}, "L", 0, 0, 1, 0}, // the clip's triggers
        {T, L, {press, liveSilence}, "-", 0, 0, 1, 1},
        {T, L, {press, timeLimit}, "-", 0, 0, 1, 1},
        {T, L, {press, liveInterrupted}, "-", 0, 0, 1, 1},
        {T, L, {press, press, press}, "L", 0, 0, 2, 1},
        {T, LX, {press}, "R", 1, 0, 0, 0},
        {P, C, {press, release}, "T", 1, 1, 0, 0},
        {P, C, {press, press}, "R", 1, 0, 0, 0},
        {P, C, {release}, "-", 0, 0, 0, 0},
        {P, C, {press, release, press}, "T", 1, 1, 0, 0},
        {P, C, {press, menu}, "T", 1, 1, 0, 0},
        {P, L, {press, press}, "L", 0, 0, 1, 0},
        {P, L, {press, release}, "-", 0, 0, 1, 1},
        {P, L, {press, liveSilence, release}, "-", 0, 0, 1, 1},
        {P, LX, {press, release}, "T", 1, 1, 0, 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(describe(row));
        ControllerHarness h;
        configure(h, row.mode, row.kind);
        h.engine.holdCalls = true;
        for (Event e : row.events)
            apply(h, e);
        EXPECT_EQ(h.activity(), QString::fromLatin1(row.activity));
        EXPECT_EQ(h.clip.startCalls, row.clipStarts);
        EXPECT_EQ(h.clip.stopCalls, row.clipStops);
        EXPECT_EQ(h.live.startCalls, row.liveStarts);
        EXPECT_EQ(h.live.stopCalls, row.liveStops);
        // Once the engine answers, the transcription ends and nothing else changes.
        h.releaseAll();
        QString after = QString::fromLatin1(row.activity).remove(u'T');
        EXPECT_EQ(h.activity(), after.isEmpty() ? QStringLiteral("-") : after);
    }
}

TEST(ControllerTriggers, StartGuard)
{
    enum Situation { ready, modelMissing, modelAndEngineMissing, engineMissing, busyTranscribing };
    struct GuardRow {
        const char *name;
        Situation situation;
        bool starts;
        bool opensSettings;
    };
    const GuardRow rows[] = {
        {"ready", ready, true, false},
        {"no model file", modelMissing, false, true},
        {"no model file and no engine", modelAndEngineMissing, false, true},
        {"no engine", engineMissing, false, false},
        {"a clip is transcribing", busyTranscribing, false, false},
    };
    for (const GuardRow &row : rows) {
        for (Kind kind : {Kind::clip, Kind::live}) {
            SCOPED_TRACE(std::string(row.name) + (kind == Kind::clip ? " / clip" : " / live"));
            ControllerHarness h;
            configure(h, Mode::toggle, kind);
            if (row.situation == modelMissing || row.situation == modelAndEngineMissing)
                QFile::remove(h.modelPath);
            if (row.situation == engineMissing || row.situation == modelAndEngineMissing)
                h.state.setEngineMissing(true);
            if (row.situation == busyTranscribing)
                h.state.setTranscribing(true);
            kind == Kind::clip ? h.controller->startRecording() : h.controller->startLiveRecording();

            EXPECT_EQ(h.clip.startCalls + h.live.startCalls, row.starts ? 1 : 0);
            EXPECT_EQ((kind == Kind::clip ? h.clip.startCalls : h.live.startCalls), row.starts ? 1 : 0);
            EXPECT_EQ(h.settingsRequests, row.opensSettings ? QList<SettingsTab>{SettingsTab::model} : QList<SettingsTab>{});
        }
    }
}

TEST(ControllerTriggers, RecorderStartFailureChangesNoFlag)
{
    for (Kind kind : {Kind::clip, Kind::live}) {
        ControllerHarness h;
        configure(h, Mode::toggle, kind);
        h.clip.startFailure = h.live.startFailure = QStringLiteral("Microphone permission denied");
        h.hotkey.press();
        EXPECT_EQ(h.activity(), "-");
        EXPECT_FALSE(h.journal.join(u'|').contains(u"state."));
        EXPECT_EQ(h.timers.record(ControllerHarness::chunkTimer).starts, 0);
        // A failed start leaves nothing pending: the next press starts normally.
        h.clip.startFailure = h.live.startFailure = std::nullopt;
        h.hotkey.press();
        EXPECT_EQ(h.activity(), kind == Kind::clip ? "R" : "L");
    }
}

TEST(ControllerTriggers, CallbacksDoNothingOnceTheControllerIsGone)
{
    ControllerHarness h;
    EXPECT_EQ(h.hotkey.registerCalls, 1);
    h.controller.reset();
    EXPECT_TRUE(h.hotkey.press());
    EXPECT_TRUE(h.hotkey.release());
    h.clip.silenceHandler();
    h.live.silenceHandler();
    h.clip.interruptionHandler(QStringLiteral("x"));
    h.live.interruptionHandler(QStringLiteral("x"));
    EXPECT_EQ(h.clip.startCalls + h.clip.stopCalls + h.live.startCalls + h.live.stopCalls, 0);
}
