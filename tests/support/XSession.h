#pragma once
// A private headless X server for tests: Xvfb on a free display, optionally with a window
// manager (openbox with no key bindings, so it grabs nothing the tests need). Every process it
// starts is ended when the session is destroyed.
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace parlix::test {

class XSession {
public:
    struct Options {
        bool windowManager = false;
        QString screen = QStringLiteral("1280x800x24");
    };

    XSession();
    explicit XSession(Options options);
    ~XSession();
    XSession(const XSession &) = delete;
    XSession &operator=(const XSession &) = delete;

    // False when Xvfb (or the window manager) could not be started; error() says why.
    bool isRunning() const { return m_running; }
    QString error() const { return m_error; }
    // ":N"
    QString display() const { return m_display; }
    // The system environment with DISPLAY pointing at this server.
    QProcessEnvironment environment() const;
    // Sets DISPLAY in this process (before creating a QGuiApplication or an X connection).
    void exportDisplay() const;

    // Runs a program (xdotool, setxkbmap, xprop, …) against this display; returns its exit
    // code, -1 when it could not run or timed out. Standard output goes to `output` when given.
    int run(const QString &program, const QStringList &arguments, QByteArray *output = nullptr, int timeoutMs = 10000) const;

    // Starts a long-running program on this display; it is ended with the session.
    QProcess *start(const QString &program, const QStringList &arguments);

private:
    bool startServer(const Options &options);
    bool startWindowManager();
    bool waitForWindowManager();

    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_server;
    std::unique_ptr<QProcess> m_windowManager;
    std::vector<std::unique_ptr<QProcess>> m_children;
    QString m_display;
    QString m_error;
    bool m_running = false;
};

} // namespace parlix::test
