#pragma once
// A private D-Bus session bus for tests: `dbus-daemon --session` on a socket of its own, ended
// by its PID when the object goes. Processes started with environment() (and connections made to
// address()) talk to it and to nothing else.
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include <memory>

namespace parlix::test {

class DBusSession {
public:
    DBusSession();
    ~DBusSession();
    DBusSession(const DBusSession &) = delete;
    DBusSession &operator=(const DBusSession &) = delete;

    bool isRunning() const { return !m_address.isEmpty(); }
    QString error() const { return m_error; }
    QString address() const { return m_address; }
    qint64 pid() const;
    // `base` (the system environment by default) with DBUS_SESSION_BUS_ADDRESS set to this bus.
    QProcessEnvironment environment(QProcessEnvironment base = QProcessEnvironment::systemEnvironment()) const;

private:
    std::unique_ptr<QProcess> m_daemon;
    QString m_address;
    QString m_error;
};

} // namespace parlix::test
