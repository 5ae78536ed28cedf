#pragma once
// The one silence rule of both recorders. Every tick reads the level and the current settings: a
// level strictly below the threshold starts the silence clock; once the clock has run for at least
// the duration, the monitor stops itself and reports once; a level at or above the threshold
// stops the clock. Time comes from an injectable clock so the rule can be tested without waiting.
#include "core/Log.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

namespace parlix {

class SilenceMonitor : public QObject {
    Q_OBJECT
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Clock = std::function<TimePoint()>;
    struct Settings {
        float thresholdDb = -40.0f;
        double durationSeconds = 2.0;
    };
    struct Sources {
        std::function<float()> level;       // the level to judge, in dBFS (may refresh a meter)
        std::function<Settings()> settings; // read at every tick
        std::function<void()> onDetected;   // called at most once per start()
    };

    // `category` is the owning recorder's log category.
    explicit SilenceMonitor(log::Category category, QObject *parent = nullptr);

    void setClock(Clock clock) { m_clock = std::move(clock); }

    // Starts ticking every 0.1 s; clears the silence clock.
    void start(Sources sources);
    // Stops ticking and clears the silence clock.
    void stop();
    bool isRunning() const { return m_running; }

    // One tick (what the timer calls). Does nothing when not running.
    void tick();

    std::optional<TimePoint> silenceStartTime() const { return m_silenceStart; }

private:
    log::Category m_category;
    Clock m_clock;
    QTimer m_timer;
    bool m_running = false;
    Sources m_sources;
    std::optional<TimePoint> m_silenceStart;
};

} // namespace parlix
