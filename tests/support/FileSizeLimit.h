#pragma once
// Runs a piece of a test in a child process whose files cannot grow past a size (RLIMIT_FSIZE,
// with SIGXFSZ ignored, so a write past it fails with EFBIG as on a full disk). The child's Qt
// messages come back as lines "<category>: <message>".
#include <QByteArray>
#include <QStringList>

#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <csignal>
#include <unistd.h>

namespace parlix::test {

struct ChildResult {
    int exitCode = -1; // -1: killed by a signal
    QStringList messages;
};

inline ChildResult runWithFileSizeLimit(rlim_t maxFileBytes, const std::function<int()> &body)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        static int out = fds[1];
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &context, const QString &message) {
            const QByteArray line = QByteArray(context.category ? context.category : "default") + ": " + message.toUtf8() + '\n';
            (void)!::write(out, line.constData(), size_t(line.size()));
        });
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{maxFileBytes, maxFileBytes};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(body());
    }
    ::close(fds[1]);
    QByteArray output;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, n);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ChildResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.messages = QString::fromUtf8(output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return result;
}

} // namespace parlix::test
