// parlixctl: use Parlix from the command line.
#include "cli/Command.h"
#include "core/Log.h"

#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>

#include <cstdio>

namespace parlix::cli {

void printOut(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void printError(const QString &message)
{
    std::fprintf(stderr, "%s\n", message.toUtf8().constData());
}

namespace {
std::vector<Command> &commandList()
{
    static std::vector<Command> list;
    return list;
}
} // namespace

Registration::Registration(Command command)
{
    commandList().push_back(std::move(command));
}

const std::vector<Command> &registeredCommands()
{
    return commandList();
}

} // namespace parlix::cli

namespace {

const std::vector<parlix::cli::Command> &commands()
{
    return parlix::cli::registeredCommands();
}

int usage(FILE *to)
{
    std::fprintf(to, "Usage: parlixctl [--verbose] COMMAND [ARGS]\n\nCommands:\n");
    for (const auto &c : commands())
        std::fprintf(to, "  %s\n", c.usage);
    std::fprintf(to, "\n--verbose writes the log to stderr as well.\n");
    return to == stdout ? 0 : 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("parlixctl"));
    QStringList args = app.arguments().mid(1);
    const bool verbose = args.removeAll(QStringLiteral("--verbose")) > 0;
    // The log goes to the journal; on stderr only when asked, so scripts see just the result.
    parlix::log::installMessageHandler(verbose);
    if (!verbose && !QFile::exists(QStringLiteral("/run/systemd/journal/socket")))
        QLoggingCategory::setFilterRules(QStringLiteral("com.quorvane.parlix.*=false"));

    if (args.isEmpty())
        return usage(stderr);
    if (args.first() == u"--help" || args.first() == u"-h")
        return usage(stdout);
    for (const auto &c : commands()) {
        if (args.first() == QLatin1String(c.name))
            return c.run(args.mid(1));
    }
    std::fprintf(stderr, "parlixctl: unknown command '%s'\n", args.first().toUtf8().constData());
    return usage(stderr);
}
