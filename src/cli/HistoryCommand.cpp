// parlixctl history list
// parlixctl history export --format txt|csv|json [--output FILE]
#include "cli/Command.h"
#include "cli/Context.h"
#include "history/ExportFormat.h"
#include "history/HistoryStore.h"

#include <QSaveFile>

namespace parlix::cli {

namespace {
const char *const usageLine = "history list | history export --format txt|csv|json [--output FILE]";

int usageError(const QString &problem)
{
    printError(QStringLiteral("parlixctl history: %1").arg(problem));
    printError(QStringLiteral("Usage: parlixctl ") + QLatin1String(usageLine));
    return 2;
}

// A history file that exists but cannot be read must not look like an empty history.
bool readable(const HistoryStore &store)
{
    if (store.loadError().isEmpty())
        return true;
    printError(QStringLiteral("Cannot read the history file %1: %2").arg(store.historyFilePath(), store.loadError()));
    return false;
}

// One line per record, newest first: the detailed timestamp, a tab, the text on one line.
int runList(const QStringList &args)
{
    if (!args.isEmpty())
        return usageError(QStringLiteral("unexpected argument '%1'").arg(args.first()));
    Context context;
    const HistoryStore store(context.settings, HistoryStore::defaultFilePath());
    if (!readable(store))
        return 1;
    QByteArray out;
    for (const TranscriptItem &item : store.items()) {
        QString text = item.text;
        for (QChar &c : text) {
            if (c == u'\n' || c == u'\r' || c == u'\t' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
                c = u' ';
        }
        out += (store.detailedTimestamp(item) + u'\t' + text + u'\n').toUtf8();
    }
    printOut(out);
    return 0;
}

int runExport(const QStringList &args)
{
    std::optional<ExportFormat> format;
    std::optional<QString> output;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if ((a == u"--format" || a == u"--output") && i + 1 >= args.size())
            return usageError(QStringLiteral("%1 needs a value").arg(a));
        if (a == u"--format") {
            const QString raw = args[++i];
            format = exportFormatFromRaw(raw);
            if (!format)
                return usageError(QStringLiteral("unknown format '%1' (txt, csv or json)").arg(raw));
        } else if (a == u"--output") {
            output = args[++i];
            if (output->isEmpty())
                return usageError(QStringLiteral("--output needs a file name"));
        } else {
            return usageError(QStringLiteral("unexpected argument '%1'").arg(a));
        }
    }
    if (!format)
        return usageError(QStringLiteral("--format is required"));

    Context context;
    const HistoryStore store(context.settings, HistoryStore::defaultFilePath());
    if (!readable(store))
        return 1;
    const QByteArray bytes = store.exportAs(*format);
    if (!output) {
        printOut(bytes);
        return 0;
    }
    // Written whole or not at all: an interrupted export leaves any earlier file as it was.
    QSaveFile file(*output);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        printError(QStringLiteral("Cannot write %1: %2").arg(*output, file.errorString()));
        return 1;
    }
    return 0;
}

int runHistory(const QStringList &args)
{
    if (args.isEmpty())
        return usageError(QStringLiteral("missing subcommand"));
    if (args.first() == u"list")
        return runList(args.mid(1));
    if (args.first() == u"export")
        return runExport(args.mid(1));
    return usageError(QStringLiteral("unknown subcommand '%1'").arg(args.first()));
}

const Registration registration{{"history", usageLine, runHistory}};
} // namespace

} // namespace parlix::cli
