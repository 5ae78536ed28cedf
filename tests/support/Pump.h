#pragma once
// Waiting in tests that talk to other processes: keep this process's event loop running (its bus
// connection, its sockets) until a condition holds or a limit passes.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace parlix::test {

template <typename Predicate>
bool pumpUntil(Predicate done, int limitMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

// Keeps the event loop running for `ms`.
inline void pumpFor(int ms)
{
    pumpUntil([] { return false; }, ms);
}

} // namespace parlix::test
