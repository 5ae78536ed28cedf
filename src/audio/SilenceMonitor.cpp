#include "audio/SilenceMonitor.h"

namespace parlix {

SilenceMonitor::SilenceMonitor(log::Category category, QObject *parent)
    : QObject(parent)
    , m_category(category)
    , m_clock([] { return std::chrono::steady_clock::now(); })
{
    m_timer.setInterval(100);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &SilenceMonitor::tick);
}

void SilenceMonitor::start(Sources sources)
{
    m_sources = std::move(sources);
    m_silenceStart.reset();
    m_running = true;
    m_timer.start();
}

void SilenceMonitor::stop()
{
    m_timer.stop();
    m_running = false;
    m_silenceStart.reset();
}

void SilenceMonitor::tick()
{
    if (!m_running)
        return;
    const float level = m_sources.level ? m_sources.level() : -160.0f;
    const Settings settings = m_sources.settings ? m_sources.settings() : Settings{};
    if (level < settings.thresholdDb) {
        const TimePoint now = m_clock();
        if (!m_silenceStart) {
            m_silenceStart = now;
            log::debug(m_category, "Silence started at %f dB", level);
            return;
        }
        const double elapsed = std::chrono::duration<double>(now - *m_silenceStart).count();
        if (elapsed >= settings.durationSeconds) {
            log::info(m_category, "Silence detected for %fs - auto-stopping", elapsed);
            stop();
            // Copied: the callback may stop the owner and restart this monitor.
            if (auto onDetected = m_sources.onDetected)
                onDetected();
        }
    } else if (m_silenceStart) {
        log::debug(m_category, "Audio resumed at %f dB", level);
        m_silenceStart.reset();
    }
}

} // namespace parlix
