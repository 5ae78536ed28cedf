// Stop → text landed, the whole process: parlix with the engine stand-in as its whisper-cli,
// recording from a virtual microphone (PulseAudio) and pasting into a text window, once on a
// private X server (Xvfb, openbox, the tests' X11 target window) and once on headless sway
// (native Wayland: virtual keyboard and data control, a Qt window on the wayland platform).
// Measured from `parlixctl stop` being started to the window's text holding the transcript;
// median and worst of N runs each, the two desktops in the same run. Run as root, it first becomes
// an ordinary user (sway refuses root), as the Wayland e2e test does.
//
//   bench_stop_to_text [--runs N]
//
// Measured here (2 shared cores, 10 runs): X11 median 112 ms (worst 156 ms); sway median 68 ms
// (worst 282 ms: the first paste of a run uploads the virtual keyboard's keymap and waits for the
// window to take it).
#include "DBusSession.h"
#include "DeliveryTarget.h"
#include "EngineStandIn.h"
#include "ParlixInstance.h"
#include "PulseAudioSession.h"
#include "Pump.h"
#include "Speech.h"
#include "TestEnvironment.h"
#include "WaylandSession.h"
#include "XSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace parlix::test;

namespace {

const QByteArray transcript = "Benchmark.";

struct Shared {
    DBusSession &bus;
    PulseAudioSession &pulse;
    QString engineDir;
    const std::vector<int16_t> &speech;
};

bool control(ParlixInstance &app, const char *command)
{
    QProcess ctl;
    ctl.setProcessEnvironment(app.environment());
    ctl.start(binDirectory() + QStringLiteral("/parlixctl"), {QString::fromLatin1(command)});
    return ctl.waitForFinished(30000) && ctl.exitCode() == 0;
}

// Dictates `runs` times; `received` reads the window's text. Empty when a run failed.
std::vector<double> measure(const Shared &s, ParlixInstance &app, int runs, const std::function<QByteArray()> &received)
{
    std::vector<double> times;
    QByteArray expected;
    for (int run = 0; run < runs; ++run) {
        if (!control(app, "start") || !app.waitForState(QStringLiteral("recording"), 30000))
            return {};
        s.pulse.enqueue(s.speech);
        s.pulse.startFeeding(true);
        pumpUntil([&] { return s.pulse.waitUntilFed(0); }, 30000);
        QElapsedTimer timer;
        timer.start();
        if (!control(app, "stop"))
            return {};
        expected += transcript;
        if (!pumpUntil([&] { return received() == expected; }, 30000)) {
            std::fprintf(stderr, "run %d: the window holds '%s'\n%s", run, received().constData(), qPrintable(app.log()));
            return {};
        }
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        s.pulse.stopFeeding();
        app.waitForState(QStringLiteral("idle"), 30000);
    }
    return times;
}

void print(const char *desktop, std::vector<double> times)
{
    if (times.empty()) {
        std::printf("%-28s failed\n", desktop);
        return;
    }
    std::sort(times.begin(), times.end());
    std::printf("%-28s median %6.1f ms, worst %6.1f ms (%zu runs)\n", desktop, times[times.size() / 2], times.back(), times.size());
    std::fflush(stdout);
}

std::unique_ptr<ParlixInstance> launch(const Shared &s, QProcessEnvironment base)
{
    base.insert(QStringLiteral("PULSE_SERVER"), s.pulse.serverAddress());
    auto app = std::make_unique<ParlixInstance>(base, s.engineDir);
    if (!app->installModel(QStringLiteral("ggml-base.en.bin")) || !app->writeSettings({}) || !app->start()) {
        std::fprintf(stderr, "parlix did not start: %s\n", qPrintable(app->error()));
        return nullptr;
    }
    return app;
}

std::vector<double> onX11(const Shared &s, int runs)
{
    XSession x{XSession::Options{true}};
    if (!x.isRunning())
        return {};
    x.exportDisplay();
    auto app = launch(s, s.bus.environment(x.environment()));
    DeliveryTarget target;
    if (!app || !target.isRunning()
        || x.run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(target.window())}) != 0)
        return {};
    auto times = measure(s, *app, runs, [&] { return target.received(); });
    app->quit();
    return times;
}

std::vector<double> onWayland(const Shared &s, int runs)
{
    WaylandSession session;
    if (!session.isRunning()) {
        std::fprintf(stderr, "%s\n", qPrintable(session.error()));
        return {};
    }
    auto app = launch(s, session.environment(s.bus.environment()));
    QTemporaryDir dir;
    const QString output = dir.filePath(QStringLiteral("received.txt"));
    QProcess *window = session.start(testBinDirectory() + QStringLiteral("/wayland_text_window"), {QStringLiteral("--output"), output});
    if (!app || !pumpUntil([&] { return window->canReadLine(); }, 30000))
        return {};
    auto times = measure(s, *app, runs, [&] {
        QFile file(output);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    });
    app->quit();
    return times;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    const int runs = args.contains(QStringLiteral("--runs")) ? args.value(args.indexOf(QStringLiteral("--runs")) + 1).toInt() : 10;
    const QString dropped = WaylandSession::runUnprivileged();
    if (!dropped.isEmpty() || !WaylandSession::toolsAvailable()) {
        std::fprintf(stderr, "cannot run: %s (needs sway, wl-clipboard, wtype)\n", qPrintable(dropped));
        return 1;
    }
    DBusSession bus;
    PulseAudioSession pulse;
    QString error;
    if (!bus.isRunning() || !pulse.start(&error)) {
        std::fprintf(stderr, "set-up failed: %s %s\n", qPrintable(bus.error()), qPrintable(error));
        return 1;
    }
    QTemporaryDir engineDir;
    EngineStandIn engine(engineDir.path());
    engine.writeFile(QStringLiteral("out.txt"), "\n " + transcript);
    engine.setPlan({QStringLiteral("stdout {dir}/out.txt")});
    const std::vector<int16_t> speech = spokenSamples(QStringLiteral("Benchmark."));
    const Shared shared{bus, pulse, engineDir.path(), speech};

    const std::vector<double> x11 = onX11(shared, runs);
    print("stop -> text, X11 (XTest):", x11);
    const std::vector<double> wayland = onWayland(shared, runs);
    print("stop -> text, Wayland (sway):", wayland);
    return x11.empty() || wayland.empty() ? 1 : 0;
}
