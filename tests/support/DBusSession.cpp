#include "DBusSession.h"

#include <QElapsedTimer>

#include <csignal>

namespace parlix::test {

DBusSession::DBusSession()
    : m_daemon(std::make_unique<QProcess>())
{
    m_daemon->setProcessChannelMode(QProcess::SeparateChannels);
    // --print-address writes the address once the bus accepts connections.
    m_daemon->start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                     QStringLiteral("--print-address=1")});
    if (!m_daemon->waitForStarted(5000)) {
        m_error = QStringLiteral("dbus-daemon could not be started: ") + m_daemon->errorString();
        return;
    }
    QByteArray out;
    QElapsedTimer timer;
    timer.start();
    while (!out.contains('\n') && timer.elapsed() < 10000 && m_daemon->state() == QProcess::Running) {
        m_daemon->waitForReadyRead(200);
        out += m_daemon->readAllStandardOutput();
    }
    if (!out.contains('\n')) {
        m_error = QStringLiteral("dbus-daemon printed no address: ") + QString::fromUtf8(m_daemon->readAllStandardError());
        return;
    }
    m_address = QString::fromUtf8(out.left(out.indexOf('\n')).trimmed());
}

DBusSession::~DBusSession()
{
    if (m_daemon->state() == QProcess::NotRunning)
        return;
    // By its PID, and only this daemon.
    ::kill(pid_t(m_daemon->processId()), SIGTERM);
    if (!m_daemon->waitForFinished(3000)) {
        ::kill(pid_t(m_daemon->processId()), SIGKILL);
        m_daemon->waitForFinished(3000);
    }
}

qint64 DBusSession::pid() const
{
    return m_daemon->processId();
}

QProcessEnvironment DBusSession::environment(QProcessEnvironment base) const
{
    base.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
    return base;
}

} // namespace parlix::test
