// The settings window over in-memory services (and a model downloader on an empty directory):
// opening it on a tab until that tab's first paint
// (a new window each time, as the first request of a run), switching between the Recording and
// Output tabs until the new tab has painted, and the CPU the level meter costs while it is shown
// (levels arriving as the recorder's preview delivers them) and while it is hidden.
//
// Run offscreen (QT_QPA_PLATFORM=offscreen) or on an X server; the numbers include layout and
// painting into the window's backing store.
#include "FakeAudioInput.h"
#include "FakeGlobalShortcutBackend.h"
#include "MemoryKeyValueStore.h"
#include "audio/AudioRecorder.h"
#include "core/SettingsModel.h"
#include "history/HistoryStore.h"
#include "hotkey/HotkeyManager.h"
#include "models/ModelDownloadManager.h"
#include "ui/SettingsWindow.h"
#include "ui/settings/SettingsPageServices.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <ctime>
#include <vector>

using namespace parlix;
using namespace parlix::test;

namespace {

struct Services {
    Services()
    {
        settings.setSilenceDetectionEnabled(true);
        recorder.setTemporaryDirectory(dir.path());
    }
    ui::SettingsPageServices pages()
    {
        return {settings, hotkey, recorder, input, [this]() -> HistoryStore & { return history; }, &models};
    }
    static ModelDownloadConfig modelConfig(const QString &directory)
    {
        ModelDownloadConfig config;
        config.modelsDirectory = directory;
        config.baseUrl = ModelDownloadConfig::defaultBaseUrl();
        return config;
    }

    QTemporaryDir dir;
    MemoryKeyValueStore store;
    SettingsModel settings{store};
    FakeGlobalShortcutBackend backend;
    HotkeyManager hotkey{settings, backend};
    FakeAudioInput input;
    AudioRecorder recorder{input, settings};
    HistoryStore history{settings, dir.filePath(QStringLiteral("history.json"))};
    ModelDownloadManager models{modelConfig(dir.filePath(QStringLiteral("models")))};
};

// Counts paint events reaching `watched` or its children.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget *watched) : m_watched(watched) { qApp->installEventFilter(this); }
    ~PaintWatch() override { qApp->removeEventFilter(this); }
    bool painted() const { return m_painted; }
    void reset() { m_painted = false; }

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Paint && o->isWidgetType()
            && (o == m_watched || m_watched->isAncestorOf(static_cast<QWidget *>(o))))
            m_painted = true;
        return false;
    }

private:
    QWidget *m_watched;
    bool m_painted = false;
};

void waitForPaint(const PaintWatch &watch)
{
    while (!watch.painted())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

void BM_OpenOnTabUntilFirstPaint(benchmark::State &state)
{
    Services s;
    const ui::SettingsPageServices pages = s.pages();
    const auto tab = SettingsTab(state.range(0));
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        ui::SettingsWindowHost host([pages](SettingsTab t) { return ui::buildSettingsPage(t, pages); });
        host.openSettingsToTab(tab);
        PaintWatch watch(host.settingsWindow()->tabView()->currentWidget());
        waitForPaint(watch);
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
        host.settingsWindow()->hide();
        s.recorder.stopAudioPreview();
    }
    state.SetLabel(settingsTabInfo(tab).label);
}
BENCHMARK(BM_OpenOnTabUntilFirstPaint)
    ->Arg(int(SettingsTab::recording))
    ->Arg(int(SettingsTab::output))
    ->Arg(int(SettingsTab::model))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

void BM_SwitchTabUntilPainted(benchmark::State &state)
{
    Services s;
    const ui::SettingsPageServices pages = s.pages();
    ui::SettingsWindowHost host([pages](SettingsTab t) { return ui::buildSettingsPage(t, pages); });
    host.openSettingsToTab(SettingsTab::recording);
    QCoreApplication::processEvents();
    bool toOutput = true;
    for (auto _ : state) {
        const SettingsTab tab = toOutput ? SettingsTab::output : SettingsTab::recording;
        QTabWidget *tabs = host.settingsWindow()->tabView();
        PaintWatch watch(tabs->widget(settingsTabIndex(tab)));
        QElapsedTimer timer;
        timer.start();
        host.settingsWindow()->setSelectedTab(tab);
        waitForPaint(watch);
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
        toOutput = !toOutput;
    }
    s.recorder.stopAudioPreview();
}
BENCHMARK(BM_SwitchTabUntilPainted)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(100);

// Share of one core used over 3 s while the microphone delivers 10 ms buffers of a tone: with no
// settings window (the harness alone), with the window opened and closed again, and with the
// Recording tab's meter shown (the recorder's level preview and the meter's repaints).
void BM_LevelMeterCpu(benchmark::State &state)
{
    const int scene = int(state.range(0));
    Services s;
    const ui::SettingsPageServices pages = s.pages();
    ui::SettingsWindowHost host([pages](SettingsTab t) { return ui::buildSettingsPage(t, pages); });
    if (scene > 0)
        host.openSettingsToTab(SettingsTab::recording);
    if (scene == 1)
        host.settingsWindow()->hide();
    std::vector<float> tone(160);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = 0.3f * float((i / 8) % 2 ? 1 : -1);
    QTimer microphone;
    microphone.setInterval(10);
    QObject::connect(&microphone, &QTimer::timeout, [&] {
        if (s.input.isRunning())
            s.input.deliverFloats(tone);
    });
    microphone.start();
    for (auto _ : state) {
        const double cpuBefore = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        QEventLoop loop;
        QTimer::singleShot(3000, &loop, &QEventLoop::quit);
        loop.exec();
        state.counters["core_percent"] = 100.0 * (cpuSeconds() - cpuBefore) / (wall.nsecsElapsed() / 1e9);
    }
    state.SetLabel(scene == 0 ? "no window" : scene == 1 ? "window closed" : "meter shown");
    s.recorder.stopAudioPreview();
}
BENCHMARK(BM_LevelMeterCpu)->Arg(0)->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
