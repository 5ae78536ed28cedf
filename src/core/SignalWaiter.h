#pragma once
// Awaiting a signal that may come any number of times, with a time limit. QCoro's own
// qCoro(sender, signal[, timeout]) connects through a queued call: when the signal comes twice
// before the first call is delivered, the second runs after the coroutine has resumed and moved
// on, on the awaiter it has already destroyed, and resumes garbage. Here a waiter object of its own
// answers exactly once and is deleted after the caller has resumed.
#include <QCoroSignal>
#include <QCoroTask>
#include <QObject>
#include <QTimer>

#include <chrono>

namespace parlix {

class SignalWaiter : public QObject {
    Q_OBJECT
public:
    // Resolves true once `sender` emits `signal`, false after `limit` or when `sender` is destroyed.
    template <typename Sender, typename Signal>
    static QCoro::Task<bool> emitted(Sender *sender, Signal signal, std::chrono::milliseconds limit)
    {
        auto *waiter = new SignalWaiter;
        connect(sender, signal, waiter, [waiter] { waiter->finish(true); });
        connect(sender, &QObject::destroyed, waiter, [waiter] { waiter->finish(false); });
        QTimer::singleShot(limit, waiter, [waiter] { waiter->finish(false); });
        const bool result = co_await qCoro(waiter, &SignalWaiter::finished);
        waiter->deleteLater();
        co_return result;
    }

signals:
    void finished(bool emitted);

private:
    void finish(bool emitted)
    {
        if (m_done)
            return;
        m_done = true;
        emit finished(emitted);
    }

    bool m_done = false;
};

} // namespace parlix
