// Trigger → first captured sample, and stop → text landed, the whole process: parlix with the
// engine stand-in as its whisper-cli, recording from a virtual microphone (PulseAudio) and pasting
// into a text window, once on a private X server (Xvfb, openbox, the tests' X11 target window) and
// once on headless sway (native Wayland: virtual keyboard and data control, a Qt window on the
// wayland platform); median and worst of N runs each, the two desktops in the same run. Run as
// root, it first becomes an ordinary user (sway refuses root), as the Wayland e2e test does.
//
// Trigger → first sample: from `parlixctl start` being started to the microphone time of the
// first sample in the recording. The microphone plays a ramp (frame n holds n mod 65536) from a
// known moment, so the recording's first sample says when its capture began; the FIFO is fed in
// 5 ms blocks, the resolution. Another client records all along, as a desktop's microphone runs
// all along here: the time a real device takes to wake from suspend is not included.
// Stop → text: from `parlixctl stop` being started to the window's text holding the transcript.
//
//   bench_stop_to_text [--runs N]
//
// Measured here (2 shared cores, 10 runs, two runs of the benchmark): trigger → first sample, X11
// median 30–38 ms (worst 42–51 ms), sway median 26–31 ms (worst 45–96 ms); stop → text, X11
// median 56–57 ms (worst 75–101 ms), sway median 35–51 ms (worst 260–338 ms: the first paste of a
// run uploads the virtual keyboard's keymap and waits for the window to take it). An earlier,
// busier day: stop → text X11 112 ms, sway 68 ms.
#include "DBusSession.h"
#include "DeliveryTarget.h"
#include "EngineStandIn.h"
#include "ParlixInstance.h"
#include "PulseAudioSession.h"
#include "Pump.h"
#include "TestEnvironment.h"
#include "WavReader.h"
#include "WaylandSession.h"
#include "XSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

using namespace parlix::test;

namespace {

using Clock = std::chrono::steady_clock;

const QByteArray transcript = "Benchmark.";
constexpr int rate = 16000;

struct Shared {
    DBusSession &bus;
    PulseAudioSession &pulse;
    QString engineDir;
};

struct Times {
    std::vector<double> firstSample;
    std::vector<double> stopToText;
};

// The microphone's signal: frame n holds n mod 65536.
std::vector<int16_t> ramp(size_t frames)
{
    std::vector<int16_t> samples(frames);
    for (size_t n = 0; n < frames; ++n)
        samples[n] = int16_t(uint16_t(n));
    return samples;
}

// Milliseconds from `trigger` to the microphone time of `first`, the recording's first sample:
// the ramp frame with that value nearest to the trigger's frame.
std::optional<double> firstSampleDelay(const PulseAudioSession &pulse, Clock::time_point trigger, int16_t first)
{
    const std::optional<Clock::time_point> since = pulse.feedingSince();
    if (!since)
        return std::nullopt;
    const double triggerFrame = std::chrono::duration<double>(trigger - *since).count() * rate;
    const auto nearest = qint64(std::llround(triggerFrame));
    const qint64 frame = nearest + int16_t(uint16_t(first) - uint16_t(nearest));
    return (double(frame) - triggerFrame) * 1000.0 / rate;
}

bool control(ParlixInstance &app, const char *command)
{
    QProcess ctl;
    ctl.setProcessEnvironment(app.environment());
    ctl.start(binDirectory() + QStringLiteral("/parlixctl"), {QString::fromLatin1(command)});
    return ctl.waitForFinished(30000) && ctl.exitCode() == 0;
}

// Dictates `runs` times; `received` reads the window's text. Empty when a run failed.
Times measure(const Shared &s, ParlixInstance &app, int runs, const std::function<QByteArray()> &received)
{
    Times times;
    QByteArray expected;
    const QString clip = s.engineDir + QStringLiteral("/clip.wav");
    for (int run = 0; run < runs; ++run) {
        const Clock::time_point trigger = Clock::now();
        if (!control(app, "start") || !app.waitForState(QStringLiteral("recording"), 30000))
            return {};
        pumpFor(500);
        QElapsedTimer timer;
        timer.start();
        if (!control(app, "stop"))
            return {};
        expected += transcript;
        if (!pumpUntil([&] { return received() == expected; }, 30000)) {
            std::fprintf(stderr, "run %d: the window holds '%s'\n%s", run, received().constData(), qPrintable(app.log()));
            return {};
        }
        times.stopToText.push_back(double(timer.nsecsElapsed()) / 1e6);
        app.waitForState(QStringLiteral("idle"), 30000);
        const std::optional<WavData> wav = readWav(clip);
        const std::optional<double> delay
            = wav && !wav->samples.empty() ? firstSampleDelay(s.pulse, trigger, wav->samples.front()) : std::nullopt;
        if (!delay) {
            std::fprintf(stderr, "run %d: no recording to read at %s\n", run, qPrintable(clip));
            return {};
        }
        times.firstSample.push_back(*delay);
        QFile::remove(clip);
    }
    return times;
}

void print(const char *desktop, std::vector<double> times)
{
    if (times.empty()) {
        std::printf("%-32s failed\n", desktop);
        return;
    }
    std::sort(times.begin(), times.end());
    std::printf("%-32s median %6.1f ms, worst %6.1f ms (%zu runs)\n", desktop, times[times.size() / 2], times.back(), times.size());
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

Times onX11(const Shared &s, int runs)
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

Times onWayland(const Shared &s, int runs)
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
    PulseAudioSession pulse({rate, 1, 5});
    QString error;
    if (!bus.isRunning() || !pulse.start(&error)) {
        std::fprintf(stderr, "set-up failed: %s %s\n", qPrintable(bus.error()), qPrintable(error));
        return 1;
    }
    // The microphone runs all along: a ramp from now on (ten minutes outlast both desktops' runs),
    // and a client that records it, so the server takes every block as it comes.
    pulse.enqueue(ramp(size_t(rate) * 600));
    pulse.startFeeding(true);
    QProcess listener;
    listener.setStandardOutputFile(QProcess::nullDevice());
    listener.start(QStringLiteral("parec"), {QStringLiteral("-d"), pulse.virtualMicName(), QStringLiteral("--raw")});
    if (!listener.waitForStarted()) {
        std::fprintf(stderr, "parec did not start: %s\n", qPrintable(listener.errorString()));
        return 1;
    }
    QTemporaryDir engineDir;
    EngineStandIn engine(engineDir.path());
    engine.writeFile(QStringLiteral("out.txt"), "\n " + transcript);
    engine.setPlan({QStringLiteral("copy-arg -f {dir}/clip.wav"), QStringLiteral("stdout {dir}/out.txt")});
    const Shared shared{bus, pulse, engineDir.path()};

    const Times x11 = onX11(shared, runs);
    const Times wayland = onWayland(shared, runs);
    print("trigger -> first sample, X11:", x11.firstSample);
    print("trigger -> first sample, sway:", wayland.firstSample);
    print("stop -> text, X11 (XTest):", x11.stopToText);
    print("stop -> text, Wayland (sway):", wayland.stopToText);
    listener.kill();
    listener.waitForFinished();
    return x11.stopToText.empty() || wayland.stopToText.empty() ? 1 : 0;
}
