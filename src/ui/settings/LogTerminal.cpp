#include "ui/settings/LogTerminal.h"

#include "core/Log.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace parlix::ui {

QStringList LogTerminal::logCommand(bool journal, const QString &stderrTarget)
{
    if (journal)
        return {QStringLiteral("journalctl"), QStringLiteral("--user"), QStringLiteral("-t"), QStringLiteral("parlix"),
                QStringLiteral("-f"), QStringLiteral("-p"), QStringLiteral("debug")};
    if (!stderrTarget.isEmpty() && QFileInfo(stderrTarget).isFile())
        return {QStringLiteral("tail"), QStringLiteral("-f"), stderrTarget};
    return {};
}

std::pair<QString, QStringList> LogTerminal::terminalFor(const QStringList &command)
{
    // Debian's alternative takes the command after -e; xdg-terminal-exec takes it as it is.
    const QString debian = QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
    if (!debian.isEmpty())
        return {debian, QStringList{QStringLiteral("-e")} + command};
    const QString xdg = QStandardPaths::findExecutable(QStringLiteral("xdg-terminal-exec"));
    if (!xdg.isEmpty())
        return {xdg, command};
    return {};
}

QStringList LogTerminal::processLogCommand()
{
    return logCommand(log::writesToJournal(), QFileInfo(QStringLiteral("/proc/self/fd/2")).symLinkTarget());
}

QString LogTerminal::open(const QStringList &command)
{
    if (command.isEmpty())
        return QCoreApplication::translate("parlix::ui::LogTerminal", "The log goes to the standard error of the program that started Parlix; there is no file to follow.");
    const auto [program, arguments] = terminalFor(command);
    if (program.isEmpty())
        return QCoreApplication::translate("parlix::ui::LogTerminal", "No terminal found: install one that provides x-terminal-emulator or xdg-terminal-exec, or run: ")
            + command.join(QLatin1Char(' '));
    if (!QProcess::startDetached(program, arguments))
        return QCoreApplication::translate("parlix::ui::LogTerminal", "Could not start %1.").arg(program);
    return {};
}

} // namespace parlix::ui
