#pragma once
// Turns SIGTERM and SIGINT into a call on the main thread, so the app quits through its event
// loop (and its quit path unregisters the hotkey) instead of dying inside whatever it was doing.
// The signal handler only writes the signal number into a socket pair; a QSocketNotifier on the
// other end reads it on the main thread.
#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace parlix {

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // At most one instance at a time (the handlers are process-wide). `onSignal` gets the number.
    explicit TerminationSignals(std::function<void(int signal)> onSignal, QObject *parent = nullptr);
    // Puts the previous handlers back.
    ~TerminationSignals() override;

    bool isActive() const { return m_active; }

private:
    void readSignals();

    std::function<void(int)> m_onSignal;
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_active = false;
};

} // namespace parlix
