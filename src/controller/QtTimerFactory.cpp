#include "controller/QtTimerFactory.h"

#include <QTimer>

#include <algorithm>
#include <limits>

namespace parlix {

namespace {

class QtControllerTimer : public ControllerTimer {
public:
    QtControllerTimer()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            // A copy: the callback may stop or restart this timer, replacing m_onFire.
            if (const auto fire = m_onFire)
                fire();
        });
    }

    void start(std::chrono::milliseconds interval, bool repeating, std::function<void()> onFire) override
    {
        m_onFire = std::move(onFire);
        m_timer.setSingleShot(!repeating);
        // QTimer holds an int of milliseconds (about 24.8 days); a longer interval is cut to that
        // instead of wrapping round to a negative value that would fire at once.
        const auto limit = std::chrono::milliseconds(std::numeric_limits<int>::max());
        m_timer.start(std::clamp(interval, std::chrono::milliseconds(0), limit));
    }

    void stop() override { m_timer.stop(); }

private:
    QTimer m_timer;
    std::function<void()> m_onFire;
};

} // namespace

std::unique_ptr<ControllerTimer> QtTimerFactory::createTimer()
{
    return std::make_unique<QtControllerTimer>();
}

} // namespace parlix
