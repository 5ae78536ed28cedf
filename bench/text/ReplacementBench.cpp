// applyReplacements on a 200-word dictated transcript with all 34 example rules enabled.
#include "core/JsonFileKeyValueStore.h"
#include "core/OverlayKeyValueStore.h"
#include "core/SettingsModel.h"
#include "text/TextReplacementService.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace parlix;

namespace {

// As the recogniser delivers it: capitalised, with its own commas and full stops around spoken
// commands. 200 words.
const char kTranscript[] =
    "Team, comma. Here is the plan, the release next week, period. New paragraph. "
    "First, bullet point we freeze the code on Monday, bullet point we run the full test suite "
    "on Tuesday and next bullet we tag the build on Wednesday. New line. Please note that "
    "bold the installer is not signed yet bold and that italic the mirror list is stale italic. "
    "Question mark. Open quote it works on my machine close quote is not an answer, exclamation mark. "
    "Heading two Open issues new line numbered item the tray icon flickers on start, "
    "numbered item the hotkey clashes with the window menu, numbered item the settings window "
    "opens behind other windows. Checkbox update the changelog, checked box bump the version. "
    "Arrow point ask design for the icon. Dash point check the licence headers. Block quote "
    "ship it when it is ready ellipsis not before. Inline code make check inline code must pass "
    "em dash no exceptions en dash and strikethrough the old plan strikethrough is gone. "
    "The room is at twenty degree symbol. Send questions to my email or call my phone. "
    "Copyright symbol Parlix trademark symbol registered symbol tab done. Code block "
    "run all code block thanks everyone";

class Fixture {
public:
    Fixture()
        : base(dir.filePath(QStringLiteral("settings.json")))
        , store(base)
        , settings(store)
        , service(settings)
    {
        QList<TextReplacementRule> rules = TextReplacementRule::examples();
        for (auto &rule : rules)
            rule.isEnabled = true;
        settings.setTextReplacementRules(rules);
        settings.setExperimentalFeaturesEnabled(true);
        settings.setTextReplacementEnabled(true);
    }
    QTemporaryDir dir;
    JsonFileKeyValueStore base; // never written: the overlay keeps the writes
    OverlayKeyValueStore store;
    SettingsModel settings;
    TextReplacementService service;
};

void BM_ApplyReplacementsAllExamples(benchmark::State &state)
{
    QLoggingCategory::setFilterRules(QStringLiteral("com.quorvane.parlix.*=false"));
    Fixture fixture;
    const QString input = QString::fromUtf8(kTranscript);
    state.counters["words"] = double(input.split(u' ', Qt::SkipEmptyParts).size());
    for (auto _ : state) {
        QString out = fixture.service.applyReplacements(input);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_ApplyReplacementsAllExamples)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
