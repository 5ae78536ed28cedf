// parlixctl models list
// parlixctl models download ID
// parlixctl models delete ID
// parlixctl models select ID|PATH
#include "app/TerminationSignals.h"
#include "cli/Command.h"
#include "cli/Context.h"
#include "core/Coro.h"
#include "models/ModelCatalog.h"
#include "models/ModelDownloadManager.h"
#include "models/ModelFiles.h"
#include "models/ModelTransfer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>

#include <deque>
#include <unistd.h>

namespace parlix::cli {

namespace {

using Constants::Models::ModelInfo;

const char *const usageLine = "models list | models download ID | models delete ID | models select ID|PATH";

int usageError(const QString &problem)
{
    printError(QStringLiteral("parlixctl models: %1").arg(problem));
    printError(QStringLiteral("Usage: parlixctl ") + QLatin1String(usageLine));
    return 2;
}

QString size(qint64 bytes)
{
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

const ModelInfo *catalogueModel(const QString &id)
{
    const ModelInfo *model = Constants::Models::find(id);
    if (!model) {
        QStringList ids;
        for (const auto &m : Constants::Models::available())
            ids << m.id;
        printError(QStringLiteral("Unknown model '%1' (one of: %2)").arg(id, ids.join(QStringLiteral(", "))));
    }
    return model;
}

// The settings as stored for the app, for the subcommands that change the selection.
struct StoredSettings {
    StoredSettings()
        : store(JsonFileKeyValueStore::defaultPath())
        , settings(store, [] { return ModelFiles::downloadedModels(); })
    {
    }
    JsonFileKeyValueStore store;
    SettingsModel settings;
};

QString selectionLine(const SettingsModel &settings)
{
    const auto path = settings.modelPath();
    if (!path)
        return QStringLiteral("Selected: none\n");
    return QStringLiteral("Selected: %1 (%2)%3\n")
        .arg(settings.modelDisplayName(), *path, QFileInfo(*path).isFile() ? QString() : QStringLiteral(", missing"));
}

int runList(const QStringList &args)
{
    if (!args.isEmpty())
        return usageError(QStringLiteral("unexpected argument '%1'").arg(args.first()));
    Context context;
    ModelDownloadManager manager;
    const QString selected = context.settings.modelPath().value_or(QString());
    QString out;
    auto row = [&out](const QString &id, const QString &name, const QString &sizeText, const QString &status) {
        out += QStringLiteral("%1  %2  %3  %4").arg(id, -16).arg(name, -18).arg(sizeText, -7).arg(status).trimmed() + u'\n';
    };
    row(QStringLiteral("ID"), QStringLiteral("NAME"), QStringLiteral("SIZE"), QStringLiteral("STATUS"));
    QStringList known;
    for (const ModelInfo &model : Constants::Models::available()) {
        const QString path = manager.localPath(model);
        known << path;
        QString status = QStringLiteral("-");
        if (QFileInfo(path).isFile())
            status = path == selected ? QStringLiteral("downloaded, selected") : QStringLiteral("downloaded");
        else if (const QFileInfo part(ModelTransfer::partPath(path)); part.isFile())
            status = QStringLiteral("partial (%1)").arg(size(part.size()));
        row(model.id, model.displayName, model.size, status);
    }
    // The user's own files in the models directory.
    for (const QString &path : manager.downloadedModels()) {
        if (known.contains(path))
            continue;
        const QFileInfo file(path);
        row(file.fileName(), Constants::modelDisplayName(path), size(file.size()),
            path == selected ? QStringLiteral("custom, selected") : QStringLiteral("custom"));
    }
    out += selectionLine(context.settings);
    printOut(out.toUtf8());
    return 0;
}

// Progress on a terminal: one line redrawn in place (bar, percent, speed, time left); otherwise a
// plain line at every tenth of the file (or every few seconds when its size is unknown).
class ProgressPrinter {
public:
    explicit ProgressPrinter(QString name)
        : m_name(std::move(name))
        , m_terminal(::isatty(STDOUT_FILENO) == 1)
    {
        m_clock.start();
    }

    void update(qint64 received, qint64 total)
    {
        const qint64 now = m_clock.elapsed();
        m_samples.push_back({now, received});
        while (m_samples.size() > 2 && now - m_samples.front().first > 3000)
            m_samples.pop_front();
        if (m_terminal)
            drawLine(now, received, total);
        else
            printStep(now, received, total);
    }

    // Ends the progress line before anything else is printed.
    void finish()
    {
        if (m_terminal && m_drawn)
            printOut("\n");
        m_drawn = false;
    }

private:
    double bytesPerSecond() const
    {
        if (m_samples.size() < 2)
            return 0;
        const auto &[t0, b0] = m_samples.front();
        const auto &[t1, b1] = m_samples.back();
        return t1 > t0 ? double(b1 - b0) * 1000.0 / double(t1 - t0) : 0;
    }

    static QString duration(double seconds)
    {
        const qint64 s = qint64(seconds + 0.5);
        if (s >= 3600)
            return QStringLiteral("%1:%2:%3").arg(s / 3600).arg(s / 60 % 60, 2, 10, QLatin1Char('0')).arg(s % 60, 2, 10, QLatin1Char('0'));
        return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
    }

    void drawLine(qint64 now, qint64 received, qint64 total)
    {
        if (m_drawn && now - m_lastDraw < 100 && received != total)
            return;
        m_lastDraw = now;
        m_drawn = true;
        const double speed = bytesPerSecond();
        QString line = m_name + QStringLiteral("  ");
        if (total > 0) {
            constexpr int width = 30;
            const double fraction = std::clamp(double(received) / double(total), 0.0, 1.0);
            const int filled = int(fraction * width);
            line += u'[' + QString(filled, u'#') + QString(width - filled, u'.') + QStringLiteral("] %1%").arg(int(fraction * 100), 3);
            line += QStringLiteral("  %1 of %2").arg(size(received), size(total));
        } else {
            line += size(received);
        }
        if (speed > 0) {
            line += QStringLiteral("  %1/s").arg(size(qint64(speed)));
            if (total > 0)
                line += QStringLiteral("  ETA %1").arg(duration(double(total - received) / speed));
        }
        printOut("\r" + line.toUtf8() + "\033[K");
    }

    void printStep(qint64 now, qint64 received, qint64 total)
    {
        if (total > 0) {
            const int tenth = int(received * 10 / total);
            if (tenth <= m_lastTenth)
                return;
            m_lastTenth = tenth;
            printOut(QStringLiteral("%1%  %2 of %3\n").arg(tenth * 10).arg(size(received), size(total)).toUtf8());
        } else if (now - m_lastDraw >= 5000 || m_lastDraw == 0) {
            m_lastDraw = std::max<qint64>(now, 1);
            printOut(QStringLiteral("%1 received\n").arg(size(received)).toUtf8());
        }
    }

    QString m_name;
    bool m_terminal;
    bool m_drawn = false;
    qint64 m_lastDraw = 0;
    int m_lastTenth = 0;
    QElapsedTimer m_clock;
    std::deque<std::pair<qint64, qint64>> m_samples;
};

int runDownload(const QStringList &args)
{
    if (args.size() != 1)
        return usageError(args.isEmpty() ? QStringLiteral("download needs a model id") : QStringLiteral("unexpected argument '%1'").arg(args[1]));
    const ModelInfo *model = catalogueModel(args.first());
    if (!model)
        return 1;

    ModelDownloadManager manager;
    ProgressPrinter progress(model->displayName);
    QObject::connect(&manager, &ModelDownloadManager::bytesReceivedChanged, &manager, [&](qint64 received, qint64 total) {
        if (manager.isDownloading())
            progress.update(received, total);
    });
    // Ctrl+C (or SIGTERM) cancels through the event loop: the partial file goes, the old model stays.
    int signalNumber = 0;
    TerminationSignals interrupts([&](int number) {
        signalNumber = number;
        manager.cancelDownload();
    });
    // Read before the download: a first model becomes the selected one.
    StoredSettings stored;
    printOut(QStringLiteral("Downloading %1 (%2) from %3\n").arg(model->displayName, model->size, manager.downloadUrl(*model).toString()).toUtf8());
    try {
        const QString path = coro::waitFor(manager.downloadModel(*model));
        progress.finish();
        printOut(QStringLiteral("Saved %1\n").arg(path).toUtf8());
        if (!stored.settings.modelPath() || !QFileInfo(*stored.settings.modelPath()).isFile()) {
            stored.settings.selectModel(path);
            printOut(selectionLine(stored.settings).toUtf8());
        }
        return 0;
    } catch (const ModelDownloadError &error) {
        progress.finish();
        printError(error.errorDescription());
        return error.kind() == ModelDownloadError::Kind::cancelled && signalNumber != 0 ? 128 + signalNumber : 1;
    }
}

int runDelete(const QStringList &args)
{
    if (args.size() != 1)
        return usageError(args.isEmpty() ? QStringLiteral("delete needs a model id") : QStringLiteral("unexpected argument '%1'").arg(args[1]));
    const ModelInfo *model = catalogueModel(args.first());
    if (!model)
        return 1;
    ModelDownloadManager manager;
    StoredSettings stored;
    const QString path = manager.localPath(*model);
    const bool wasSelected = stored.settings.modelPath() == path;
    if (!QFileInfo::exists(path)) {
        printError(QStringLiteral("%1 is not downloaded").arg(model->displayName));
        return 1;
    }
    try {
        manager.deleteModel(*model);
    } catch (const ModelDownloadError &error) {
        printError(error.errorDescription());
        return 1;
    }
    QString out = QStringLiteral("Deleted %1\n").arg(path);
    // The selection moves to the first model left, or to none.
    if (wasSelected) {
        const QStringList left = manager.downloadedModels();
        if (left.isEmpty())
            stored.settings.setModelPath(std::nullopt);
        else
            stored.settings.selectModel(left.first());
        out += selectionLine(stored.settings);
    }
    printOut(out.toUtf8());
    return 0;
}

int runSelect(const QStringList &args)
{
    if (args.size() != 1)
        return usageError(args.isEmpty() ? QStringLiteral("select needs a model id or a file") : QStringLiteral("unexpected argument '%1'").arg(args[1]));
    QString path;
    if (const ModelInfo *model = Constants::Models::find(args.first())) {
        ModelDownloadManager manager;
        path = manager.localPath(*model);
        if (!QFileInfo(path).isFile()) {
            printError(QStringLiteral("%1 is not downloaded (parlixctl models download %2)").arg(model->displayName, model->id));
            return 1;
        }
    } else {
        const QFileInfo file(args.first());
        if (!file.isFile()) {
            printError(QStringLiteral("No model id or file '%1'").arg(args.first()));
            return 1;
        }
        path = file.absoluteFilePath();
    }
    StoredSettings stored;
    stored.settings.selectModel(path);
    printOut(selectionLine(stored.settings).toUtf8());
    return 0;
}

int runModels(const QStringList &args)
{
    if (args.isEmpty())
        return usageError(QStringLiteral("missing subcommand"));
    const QString &sub = args.first();
    if (sub == u"list")
        return runList(args.mid(1));
    if (sub == u"download")
        return runDownload(args.mid(1));
    if (sub == u"delete")
        return runDelete(args.mid(1));
    if (sub == u"select")
        return runSelect(args.mid(1));
    return usageError(QStringLiteral("unknown subcommand '%1'").arg(sub));
}

const Registration registration{{"models", usageLine, runModels}};
} // namespace

} // namespace parlix::cli
