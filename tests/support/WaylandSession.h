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
    // The uid and gid tests run as when started as root (nobody/nogroup on Debian).
    static constexpr unsigned unprivilegedId = 65534;

    // When this process is root, drops it to unprivilegedId for good (no way back); does nothing
    // otherwise. Empty on success, else why it failed.
    static QString runUnprivileged();
    static bool toolsAvailable();

    // `keyboardLayout`: the XKB layout sway configures for every keyboard ("us", "de", …).
    explicit WaylandSession(const QString &keyboardLayout = QStringLiteral("us"));
    ~WaylandSession();
    WaylandSession(const WaylandSession &) = delete;
    WaylandSession &operator=(const WaylandSession &) = delete;

    bool isRunning() const { return !m_display.isEmpty(); }
    QString error() const { return m_error; }
    // `base` with XDG_RUNTIME_DIR, WAYLAND_DISPLAY and SWAYSOCK of this session, and no DISPLAY
    // (the clients are native Wayland clients).
    QProcessEnvironment environment(QProcessEnvironment base = QProcessEnvironment::systemEnvironment()) const;

    // Runs a program (swaymsg, wl-copy, wl-paste, …) in the session; its exit code, -1 when it could
    // not run or timed out. Standard output goes to `output` when given.
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
