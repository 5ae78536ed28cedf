#pragma once
// "Open Log": the user's terminal (x-terminal-emulator, else xdg-terminal-exec, whichever is on
// PATH) following this application's log at debug level: journald's entries when the log goes
// there, else the file standard error is written to.
#include <QString>
#include <QStringList>

namespace parlix::ui {

struct LogTerminal {
    // The command that follows the log; empty when the log cannot be followed (standard error is
    // a terminal, a pipe or nothing).
    static QStringList logCommand(bool journal, const QString &stderrTarget);
    // The program and arguments that run `command` in a terminal found on PATH; an empty program
    // when there is none.
    static std::pair<QString, QStringList> terminalFor(const QStringList &command);
    // The command for this process's log.
    static QStringList processLogCommand();
    // Starts a terminal running `command`. Returns what to tell the user when it could not.
    static QString open(const QStringList &command);
};

} // namespace parlix::ui
