#pragma once
// A private headless Wayland session for tests: sway with the headless backend and no input
// devices, in a runtime directory of its own. Every process it starts is ended with it.
//
// sway refuses to run as root; a test that runs as root calls runUnprivileged() first, before it
// starts anything, so that the compositor, the audio server, the bus, Parlix and the target
// windows all belong to one ordinary user and reach each other as a desktop session does.
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace parlix::test {

class WaylandSession {
public:
    // When this process is root, drops it to nobody/nogroup (65534) for good; does nothing
    // otherwise. Empty on success, else why it failed.
    static QString runUnprivileged();
    static bool toolsAvailable();

    WaylandSession();
    ~WaylandSession();
    Q_DISABLE_COPY(WaylandSession)

    bool isRunning() const { return !m_display.isEmpty(); }
    QString error() const { return m_error; }
    // `base` with XDG_RUNTIME_DIR, WAYLAND_DISPLAY and SWAYSOCK of this session, and no DISPLAY
    // (the clients are native Wayland clients).
    QProcessEnvironment environment(QProcessEnvironment base = QProcessEnvironment::systemEnvironment()) const;

    // Runs swaymsg, wl-copy, … in the session: its exit code (-1 when it did not end), its output to `output`.
    int run(const QString &program, const QStringList &arguments, QByteArray *output = nullptr, int timeoutMs = 10000) const;
    // Starts a long-running program in the session; it is ended with the session.
    QProcess *start(const QString &program, const QStringList &arguments, const QProcessEnvironment &extra = {});

private:
    QTemporaryDir m_dir;
    QString m_runtimeDir;
    QString m_display;
    QString m_swaySocket;
    QString m_error;
    std::unique_ptr<QProcess> m_sway;
    std::vector<std::unique_ptr<QProcess>> m_children;
};

} // namespace parlix::test
