#include "XSession.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

namespace parlix::test {

namespace {
// An openbox configuration that binds no keys and no mouse actions, so the tests' hotkeys are free.
const char kOpenboxConfig[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy></placement>
  <desktops><number>1</number></desktops>
  <keyboard></keyboard>
  <mouse></mouse>
</openbox_config>
)";

void stop(QProcess *process)
{
    if (!process || process->state() == QProcess::NotRunning)
        return;
    process->terminate();
    if (!process->waitForFinished(3000)) {
        process->kill();
        process->waitForFinished(3000);
    }
}
} // namespace

XSession::XSession()
    : XSession(Options{})
{
}

XSession::XSession(Options options)
{
    m_running = startServer(options) && (!options.windowManager || startWindowManager());
}

XSession::~XSession()
{
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it)
        stop(it->get());
    stop(m_windowManager.get());
    stop(m_server.get());
}

bool XSession::startServer(const Options &options)
{
    m_server = std::make_unique<QProcess>();
    m_server->setProcessChannelMode(QProcess::SeparateChannels);
    // -displayfd 1: Xvfb picks a free display and prints its number once it accepts clients.
    m_server->start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                             QStringLiteral("0"), options.screen, QStringLiteral("-nolisten"),
                                             QStringLiteral("tcp"), QStringLiteral("-noreset")});
    if (!m_server->waitForStarted(5000)) {
        m_error = QStringLiteral("Xvfb could not be started: ") + m_server->errorString();
        return false;
    }
    QByteArray number;
    QElapsedTimer timer;
    timer.start();
    while (!number.contains('\n') && timer.elapsed() < 15000 && m_server->state() == QProcess::Running) {
        m_server->waitForReadyRead(200);
        number += m_server->readAllStandardOutput();
    }
    if (!number.contains('\n')) {
        m_error = QStringLiteral("Xvfb did not report a display: ") + QString::fromUtf8(m_server->readAllStandardError());
        return false;
    }
    m_display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
    return true;
}

bool XSession::startWindowManager()
{
    const QString config = m_dir.filePath(QStringLiteral("openbox-rc.xml"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) || file.write(kOpenboxConfig) < 0) {
        m_error = QStringLiteral("cannot write the window manager configuration");
        return false;
    }
    file.close();
    m_windowManager = std::make_unique<QProcess>();
    m_windowManager->setProcessEnvironment(environment());
    m_windowManager->start(QStringLiteral("openbox"), {QStringLiteral("--config-file"), config});
    if (!m_windowManager->waitForStarted(5000)) {
        m_error = QStringLiteral("openbox could not be started: ") + m_windowManager->errorString();
        return false;
    }
    return waitForWindowManager();
}

// The window manager is ready once it has set _NET_SUPPORTING_WM_CHECK on the root window.
bool XSession::waitForWindowManager()
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000) {
        QByteArray out;
        if (run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")}, &out) == 0
            && out.contains("window id"))
            return true;
        QThread::msleep(50);
    }
    m_error = QStringLiteral("the window manager did not come up");
    return false;
}

QProcessEnvironment XSession::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return env;
}

void XSession::exportDisplay() const
{
    qputenv("DISPLAY", m_display.toLatin1());
    qunsetenv("WAYLAND_DISPLAY");
}

int XSession::run(const QString &program, const QStringList &arguments, QByteArray *output, int timeoutMs) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(program, arguments);
    if (!process.waitForStarted(5000))
        return -1;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(2000);
        return -1;
    }
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QProcess *XSession::start(const QString &program, const QStringList &arguments)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment());
    process->start(program, arguments);
    process->waitForStarted(5000);
    m_children.push_back(std::move(process));
    return m_children.back().get();
}

} // namespace parlix::test
