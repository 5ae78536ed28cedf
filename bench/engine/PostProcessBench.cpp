// Cost of cleaning whisper-cli's standard output (TranscriptCleaner::clean) for a short
// dictation (1 KB) and a long one (10 KB).
#include "engine/TranscriptCleaner.h"

#include <benchmark/benchmark.h>

namespace {

// whisper-cli -nt output: a newline, then every segment's text, each starting with a space; with
// the markers and doubled spaces the engine really emits.
QString engineOutput(qsizetype bytes)
{
    static const char *const segments[] = {
        " So I wanted to go over the plan for next week before the meeting on Monday.",
        " We need to ship the release on Tuesday, and the installer still has that bug  with the shortcuts.",
        " [BLANK_AUDIO]",
        " Can you ask Maria whether the translations are done?",
        " The numbers for the third quarter look better than expected, about twelve percent up.",
        " (music)",
        " Let's also book the room for the design review, maybe Thursday afternoon",
        " and send the notes to everyone who could not join.",
        " I think that covers it for now, thanks.",
    };
    QString out = QStringLiteral("\n");
    for (size_t i = 0; out.toUtf8().size() < bytes; ++i)
        out += QString::fromUtf8(segments[i % std::size(segments)]);
    return out;
}

void postProcess(benchmark::State &state)
{
    const QString output = engineOutput(state.range(0));
    for (auto _ : state) {
        QString cleaned = parlix::TranscriptCleaner::clean(output);
        benchmark::DoNotOptimize(cleaned);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * output.toUtf8().size());
}
BENCHMARK(postProcess)->Arg(1024)->Arg(10 * 1024)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
