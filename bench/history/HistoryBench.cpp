// The history's costs at realistic and large sizes (keep forever): one add() (which rewrites
// the whole file, flushed to disk), loading the file, and the CSV / JSON / text exports.
#include "core/KeyValueStore.h"
#include "core/SettingsModel.h"
#include "history/HistoryExport.h"
#include "history/HistoryFile.h"
#include "history/HistoryStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QMap>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace parlix;

namespace {

class BenchStore : public KeyValueStore {
public:
    std::optional<QVariant> object(const QString &key) const override
    {
        const auto it = m_values.find(key);
        return it == m_values.end() ? std::nullopt : std::optional<QVariant>(*it);
    }
    void setValue(const QString &key, const QVariant &value) override { m_values.insert(key, value); }
    void remove(const QString &key) override { m_values.remove(key); }

private:
    QMap<QString, QVariant> m_values;
};

// Dictation-sized records: a sentence or two, an original text, a model name.
QList<TranscriptItem> makeItems(qsizetype count)
{
    QList<TranscriptItem> items;
    items.reserve(count);
    const QDateTime start = QDateTime::fromString(QStringLiteral("2025-03-04T20:01:02Z"), Qt::ISODate);
    for (qsizetype i = 0; i < count; ++i) {
        const QString text = QStringLiteral("Record %1: please send the \"quarterly\" report to the team, then book a room for Thursday.").arg(i);
        items.append(TranscriptItem{QUuid::createUuid(), text, text.toLower(), start.addSecs(-60 * i),
                                    QStringLiteral("Base")});
    }
    return items;
}

struct Fixture {
    explicit Fixture(qsizetype count)
    {
        settings.setMaxHistoryItems(0);
        QFile file(path());
        file.open(QIODevice::WriteOnly);
        file.write(historyfile::encode(makeItems(count)));
    }
    QString path() const { return dir.filePath(QStringLiteral("history.json")); }

    QTemporaryDir dir;
    BenchStore store;
    SettingsModel settings{store};
};

void BM_Add(benchmark::State &state)
{
    Fixture fixture(state.range(0));
    HistoryStore history(fixture.settings, fixture.path());
    for (auto _ : state) {
        history.add(QStringLiteral("One more dictated sentence for the history."), QStringLiteral("one more dictated sentence"),
                    QStringLiteral("Base"));
        state.PauseTiming();
        history.remove(history.items().front()); // back to the starting size
        state.ResumeTiming();
    }
    state.counters["records"] = double(history.items().size());
}
BENCHMARK(BM_Add)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Load(benchmark::State &state)
{
    Fixture fixture(state.range(0));
    for (auto _ : state) {
        HistoryStore history(fixture.settings, fixture.path());
        benchmark::DoNotOptimize(history.items().size());
    }
}
BENCHMARK(BM_Load)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ExportCSV(benchmark::State &state)
{
    const QList<TranscriptItem> items = makeItems(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(exports::asCSV(items));
}
BENCHMARK(BM_ExportCSV)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_ExportJSON(benchmark::State &state)
{
    const QList<TranscriptItem> items = makeItems(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(exports::asJSON(items));
}
BENCHMARK(BM_ExportJSON)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_ExportText(benchmark::State &state)
{
    const QList<TranscriptItem> items = makeItems(state.range(0));
    const DateContext dates = DateContext::system();
    for (auto _ : state)
        benchmark::DoNotOptimize(exports::asText(items, dates));
}
BENCHMARK(BM_ExportText)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("com.quorvane.parlix.*=false"));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
