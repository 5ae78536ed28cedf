// The silence rule both recorders share, driven tick by tick with a clock the test moves.
#include "audio/SilenceMonitor.h"

#include "core/Categories.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

using namespace parlix;
using namespace std::chrono_literals;

namespace {

struct Scenario {
    std::string name;
    std::vector<float> levels; // one per 0.1 s tick
    float threshold = -40.0f;
    double duration = 2.0;
    std::vector<size_t> expectedCallbackTicks; // indexes into levels
};

// A level list: `count` ticks at `level`.
std::vector<float> ticks(size_t count, float level) { return std::vector<float>(count, level); }
std::vector<float> operator+(std::vector<float> a, const std::vector<float> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A monitor on a clock the test moves: tick() advances it by 0.1 s after the monitor's tick.
struct Clocked {
    explicit Clocked(log::Category category) : monitor(category) { monitor.setClock([this] { return now; }); }
    void tick(int times = 1)
    {
        for (int i = 0; i < times; ++i, now += 100ms)
            monitor.tick();
    }
    std::chrono::steady_clock::time_point now = std::chrono::steady_clock::time_point{} + 1h;
    SilenceMonitor monitor;
};

} // namespace

TEST(SilenceMonitor, CallsBackOnceAfterTheDurationOfSilence)
{
    const Scenario scenarios[] = {
        // First silent tick starts the clock at t=0; the tick at t=2.0 s fires; later ticks do not.
        {"steady silence", ticks(30, -50.0f), -40.0f, 2.0, {20}},
        {"a level equal to the threshold is sound", ticks(40, -40.0f), -40.0f, 2.0, {}},
        {"just below the threshold is silence", ticks(40, -40.001f), -40.0f, 2.0, {20}},
        {"one loud tick restarts the count", ticks(10, -50.0f) + ticks(1, -30.0f) + ticks(25, -50.0f), -40.0f, 2.0, {31}},
    };
    for (const Scenario &s : scenarios) {
        Clocked clocked(lcAudioRecorder);
        size_t index = 0;
        std::vector<size_t> calls;
        clocked.monitor.start({[&] { return s.levels[index]; },
                               [&] { return SilenceMonitor::Settings{s.threshold, s.duration}; },
                               [&] { calls.push_back(index); }});
        for (index = 0; index < s.levels.size(); ++index)
            clocked.tick();
        EXPECT_EQ(calls, s.expectedCallbackTicks) << s.name;
        EXPECT_EQ(clocked.monitor.isRunning(), s.expectedCallbackTicks.empty()) << s.name;
    }
}

TEST(SilenceMonitor, SettingsChangedDuringARecordingApplyAtTheNextTick)
{
    Clocked clocked(lcLiveAudioRecorder);
    SilenceMonitor::Settings settings{-60.0f, 2.0};
    int calls = 0;
    clocked.monitor.start({[] { return -50.0f; }, [&] { return settings; }, [&] { ++calls; }});
    clocked.tick(5);
    EXPECT_FALSE(clocked.monitor.silenceStartTime()); // -50 is sound for a -60 threshold
    settings = {-40.0f, 0.3};
    clocked.tick(4);
    EXPECT_EQ(calls, 1);
}

TEST(SilenceMonitor, StopAndRestartClearTheSilenceClock)
{
    Clocked clocked(lcAudioRecorder);
    SilenceMonitor &monitor = clocked.monitor;
    int calls = 0;
    const SilenceMonitor::Sources sources{[] { return -70.0f; }, [] { return SilenceMonitor::Settings{-40.0f, 1.0}; }, [&] { ++calls; }};
    monitor.start(sources);
    clocked.tick(8);
    ASSERT_TRUE(monitor.silenceStartTime());
    monitor.stop();
    EXPECT_FALSE(monitor.silenceStartTime());
    monitor.tick(); // a tick after stop does nothing
    EXPECT_FALSE(monitor.silenceStartTime());

    // A new recording counts from its own first silent tick.
    monitor.start(sources);
    clocked.tick(10);
    EXPECT_EQ(calls, 0);
    clocked.tick();
    EXPECT_EQ(calls, 1);
}
