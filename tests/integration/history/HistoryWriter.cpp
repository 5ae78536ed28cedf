// history_writer HISTORY_FILE
// Opens the history (keep forever), then adds records until it is killed. After each add()
// returns it prints the new record's id on its own line, so whoever kills it knows which
// records must be in the file.
#include "MemoryKeyValueStore.h"
#include "core/SettingsModel.h"
#include "history/HistoryStore.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: history_writer HISTORY_FILE\n");
        return 2;
    }
    QLoggingCategory::setFilterRules(QStringLiteral("com.quorvane.parlix.*=false"));
    parlix::test::MemoryKeyValueStore store;
    parlix::SettingsModel settings(store);
    settings.setMaxHistoryItems(0);
    parlix::HistoryStore history(settings, QString::fromLocal8Bit(argv[1]));
    if (!history.loadError().isEmpty()) {
        std::fprintf(stderr, "unreadable history: %s\n", history.loadError().toUtf8().constData());
        return 3;
    }
    const QString filler = QString::fromUtf8(" \u00e9\u00e8 \"quoted\" \\ \U0001F600 line\nbreak");
    for (qint64 n = 0;; ++n) {
        history.add(QStringLiteral("record %1 of %2").arg(n).arg(getpid()) + filler.repeated(int(n % 7)),
                    n % 2 ? std::optional<QString>(QStringLiteral("raw %1").arg(n)) : std::nullopt,
                    n % 3 ? std::optional<QString>(QStringLiteral("Base")) : std::nullopt);
        const QByteArray line = history.items().front().id.toString(QUuid::WithoutBraces).toUpper().toLatin1() + '\n';
        // One write per id: a kill cuts at most the last line short.
        if (::write(STDOUT_FILENO, line.constData(), size_t(line.size())) != line.size())
            return 4;
    }
}
