// Whole-pipeline latencies of the dictation controller with the real engine runner, replacement
// engine and history store, and an engine that answers at once (timing_engine):
//   stop → spawn      from the stop trigger (toggleRecording while recording) to the engine
//                     child's main()
//   exit → delivery   from the engine child's last instruction to the controller starting
//                     delivery (the paste call)
// Both clocks are CLOCK_MONOTONIC. The recorder is a stand-in that hands back a clip at once and
// delivery only notes the time, so nothing but the controller's own path is measured.
// Target: median ≤ 10 ms each.
//
//   bench_controller_pipeline [--runs N]
#include "ControllerFakes.h"
#include "MemoryKeyValueStore.h"
#include "controller/DictationController.h"
#include "controller/QtTimerFactory.h"
#include "controller/adapters/HistoryStoreAdapter.h"
#include "controller/adapters/TextAdapters.h"
#include "controller/adapters/SpeechEngineAdapter.h"
#include "core/AppState.h"
#include "core/SettingsModel.h"
#include "engine/WhisperTranscriber.h"
#include "history/HistoryStore.h"
#include "text/TextReplacementService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace parlix;

namespace {

constexpr double kTargetMs = 10.0;

long long nowNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

class TimedDelivery : public TextDelivery {
public:
    QCoro::Task<bool> pasteText(QString) override
    {
        deliveredAt.push_back(nowNs());
        co_return true;
    }
    void copyToClipboard(const QString &) override {}
    QCoro::Task<bool> typeText(QString) override { co_return true; }
    std::vector<long long> deliveredAt;
};

template <typename Predicate>
bool pumpUntil(Predicate done, int limitMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

struct Stats {
    double median, p10, p90, max;
};

Stats stats(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const auto at = [&](double q) { return v[size_t(q * double(v.size() - 1) + 0.5)]; };
    return {at(0.5), at(0.1), at(0.9), v.back()};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("com.quorvane.parlix.*=false"));
    int runs = 40;
    const QStringList args = app.arguments();
    if (const qsizetype i = args.indexOf(QStringLiteral("--runs")); i >= 0 && i + 1 < args.size())
        runs = std::max(1, args.at(i + 1).toInt());

    QTemporaryDir dir;
    const QString engine = dir.filePath(QStringLiteral("whisper-cli"));
    if (!QFile::copy(QStringLiteral(PARLIX_BENCH_TIMING_ENGINE), engine)) {
        std::fprintf(stderr, "cannot install the timing engine\n");
        return 1;
    }
    QFile::setPermissions(engine, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString model = dir.filePath(QStringLiteral("ggml-base.en.bin"));
    QFile modelFile(model);
    modelFile.open(QIODevice::WriteOnly);
    modelFile.write("model");
    modelFile.close();

    test::MemoryKeyValueStore store;
    SettingsModel settings(store);
    settings.setModelPath(model);
    settings.setExperimentalFeaturesEnabled(false);
    AppState state(settings);
    WhisperTranscriber transcriber(settings, dir.path());
    SpeechEngineAdapter transcriberAdapter(transcriber);
    TextReplacementService replacement(settings);
    TextReplacementAdapter rewriter(replacement);
    HistoryStore history(settings, dir.filePath(QStringLiteral("history.json")));
    HistoryStoreAdapter historyAdapter(history);
    QStringList journal;
    test::FakeClipRecorder clip(journal);
    clip.clipPath = dir.filePath(QStringLiteral("clip.wav"));
    test::FakeLiveCapture live(journal);
    test::FakeUnsentClips unsent(journal);
    test::FakeHotkey hotkey;
    TimedDelivery delivery;
    QtTimerFactory timers;
    DictationController controller(
        DictationServices{settings, state, clip, live, transcriberAdapter, unsent, rewriter, delivery, historyAdapter, hotkey, timers});

    std::vector<double> toSpawn, toDelivery;
    const QString timesPath = engine + QStringLiteral(".times");
    for (int i = 0; i < runs + 2; ++i) {
        controller.toggleRecording();
        if (!pumpUntil([&] { return state.isRecording(); })) {
            std::fprintf(stderr, "the recording did not start\n");
            return 1;
        }
        const size_t delivered = delivery.deliveredAt.size();
        const long long stopAt = nowNs();
        controller.toggleRecording();
        if (!pumpUntil([&] { return delivery.deliveredAt.size() > delivered && !state.isTranscribing(); })) {
            std::fprintf(stderr, "no delivery\n");
            return 1;
        }
        QFile times(timesPath);
        times.open(QIODevice::ReadOnly);
        const QList<QByteArray> last = times.readAll().trimmed().split('\n').last().split(' ');
        const long long spawn = last.at(0).toLongLong();
        const long long exit = last.at(1).toLongLong();
        if (i < 2)
            continue; // warm-up: first thread start, first history write
        toSpawn.push_back(double(spawn - stopAt) / 1e6);
        toDelivery.push_back(double(delivery.deliveredAt.back() - exit) / 1e6);
    }

    bool met = true;
    for (const auto &[name, values] : {std::pair{"stop -> engine spawn", toSpawn}, std::pair{"engine exit -> delivery", toDelivery}}) {
        const Stats s = stats(values);
        met = met && s.median <= kTargetMs;
        std::printf("%-24s median %.2f ms  p10 %.2f  p90 %.2f  max %.2f  (%d runs, target median <= %.0f ms)\n", name, s.median,
                    s.p10, s.p90, s.max, runs, kTargetMs);
    }
    std::printf("%s\n", met ? "target met" : "TARGET MISSED");
    return 0;
}
