#include "WaylandSession.h"

#include "ProcessRunner.h"
#include "Pump.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <unistd.h>

namespace parlix::test {

namespace {

// Asks it to end; one that does not is killed as its QProcess goes.
void stop(QProcess *process)
{
    if (process && process->state() != QProcess::NotRunning) {
        process->terminate();
        process->waitForFinished(3000);
    }
}

} // namespace

QString WaylandSession::runUnprivileged()
{
    if (::geteuid() != 0)
        return {};
    if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0
        || ::setresuid(65534, 65534, 65534) != 0)
        return QStringLiteral("cannot drop root privileges: ") + QString::fromLocal8Bit(std::strerror(errno));
    // Root's home and runtime directory are out of reach now.
    qputenv("HOME", QDir::tempPath().toUtf8());
    qunsetenv("XDG_RUNTIME_DIR");
    return {};
}

bool WaylandSession::toolsAvailable()
{
    for (const char *tool : {"sway", "swaymsg", "wl-paste", "wl-copy"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return false;
    }
    return true;
}

WaylandSession::WaylandSession()
{
    m_runtimeDir = m_dir.filePath(QStringLiteral("runtime"));
    if (!QDir().mkpath(m_runtimeDir) || !QFile::setPermissions(m_runtimeDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
        m_error = QStringLiteral("cannot make the runtime directory");
        return;
    }
    // No XWayland: every client here is a native Wayland client. No bar, no key bindings.
    const QString config = m_dir.filePath(QStringLiteral("sway.conf"));
    if (QFile file(config);
        !file.open(QIODevice::WriteOnly) || file.write("xwayland disable\ndefault_border none\nfocus_on_window_activation focus\n") < 0) {
        m_error = QStringLiteral("cannot write the sway configuration");
        return;
    }

    m_sway = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtimeDir);
    environment.insert(QStringLiteral("HOME"), m_dir.path());
    environment.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
    environment.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
    environment.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
    m_sway->setProcessEnvironment(environment);
    m_sway->setProcessChannelMode(QProcess::MergedChannels);
    m_sway->setStandardOutputFile(m_dir.filePath(QStringLiteral("sway.log")));
    m_sway->start(QStringLiteral("sway"), {QStringLiteral("-c"), config});
    if (!m_sway->waitForStarted(5000)) {
        m_error = QStringLiteral("sway could not be started: ") + m_sway->errorString();
        return;
    }
    // Ready once its Wayland socket exists and its IPC socket answers: the configuration is applied.
    QDir runtime(m_runtimeDir);
    const bool up = pumpUntil([&] {
        const QStringList display = runtime.entryList({QStringLiteral("wayland-?")}, QDir::System);
        const QStringList ipc = runtime.entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System);
        if (display.isEmpty() || ipc.isEmpty())
            return m_sway->state() == QProcess::NotRunning;
        m_display = display.first();
        m_swaySocket = runtime.filePath(ipc.first());
        return run(QStringLiteral("swaymsg"), {QStringLiteral("-t"), QStringLiteral("get_version")}) == 0;
    }, 15000);
    if (!up || m_sway->state() == QProcess::NotRunning) {
        QFile log(m_dir.filePath(QStringLiteral("sway.log")));
        log.open(QIODevice::ReadOnly);
        m_error = QStringLiteral("sway did not start: ") + QString::fromUtf8(log.readAll().right(2000));
        m_display.clear();
    }
}

WaylandSession::~WaylandSession()
{
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it)
        stop(it->get());
    stop(m_sway.get());
}

QProcessEnvironment WaylandSession::environment(QProcessEnvironment base) const
{
    base.remove(QStringLiteral("DISPLAY"));
    base.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtimeDir);
    // A full path: a client with a runtime directory of its own (Parlix under test) still finds it.
    base.insert(QStringLiteral("WAYLAND_DISPLAY"), QDir(m_runtimeDir).filePath(m_display));
    base.insert(QStringLiteral("SWAYSOCK"), m_swaySocket);
    base.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
    base.insert(QStringLiteral("GDK_BACKEND"), QStringLiteral("wayland"));
    // GTK would wait for an accessibility bus that is not there.
    base.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
    return base;
}

int WaylandSession::run(const QString &program, const QStringList &arguments, QByteArray *output, int timeoutMs) const
{
    const ProcessResult result = runProcess(program, arguments, environment(), {}, timeoutMs);
    if (output)
        *output = result.out;
    return result.exitCode;
}

QProcess *WaylandSession::start(const QString &program, const QStringList &arguments, const QProcessEnvironment &extra)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = this->environment();
    environment.insert(extra);
    process->setProcessEnvironment(environment);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(program, arguments);
    process->waitForStarted(5000);
    m_children.push_back(std::move(process));
    return m_children.back().get();
}

} // namespace parlix::test
