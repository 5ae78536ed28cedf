// The built parlix as a whole process on a private X server with trayer, a private session bus
// and a virtual microphone, the engine stand-in as its whisper-cli:
//   launch → icon      process start to the tray icon's registration at a StatusNotifierWatcher
//                      (D-Bus), and to its icon window being mapped in trayer (XEmbed, polled
//                      with xwininfo, a few ms resolution); median of N launches. Target ≤ 300 ms.
//   idle               CPU time (utime + stime) used over 60 s idle: target none measurable;
//                      resident memory (VmRSS, VmHWM): target ≤ 50 MB.
//   transcribing       CPU used while the turning arc is shown, over 20 s: target ≤ 2 % of one
//                      core (trayer's own repaint cost printed beside it).
//
//   bench_app [--runs N] [--idle-seconds S] [--transcribing-seconds S]
#include "DBusSession.h"
#include "EngineStandIn.h"
#include "ParlixInstance.h"
#include "PulseAudioSession.h"
#include "Pump.h"
#include "StatusNotifierWatcher.h"
#include "TestEnvironment.h"
#include "TrayHost.h"
#include "XSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace parlix::test;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// utime + stime of a process, in milliseconds (the kernel counts in clock ticks).
double cpuMs(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = file.readAll();
    // Fields after the command name, which is in parentheses and may hold spaces: state is
    // field 3, utime 14, stime 15.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    const double ticks = fields[11].toDouble() + fields[12].toDouble();
    return ticks * 1000.0 / double(::sysconf(_SC_CLK_TCK));
}

double statusMb(qint64 pid, const char *key)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(QByteArray(key) + ':'))
            return line.mid(qstrlen(key) + 1).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

int argument(const QStringList &args, const QString &name, int fallback)
{
    const qsizetype i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args[i + 1].toInt() : fallback;
}

struct Setup {
    XSession &x;
    TrayHost &tray;
    DBusSession &bus;
    PulseAudioSession &pulse;
    EngineStandIn &engine;
    QString engineDirectory;
};

std::unique_ptr<ParlixInstance> makeApp(const Setup &s)
{
    QProcessEnvironment base = s.bus.environment(s.x.environment());
    base.insert(QStringLiteral("PULSE_SERVER"), s.pulse.serverAddress());
    auto app = std::make_unique<ParlixInstance>(base, s.engineDirectory);
    app->installModel(QStringLiteral("ggml-base.en.bin"));
    return app;
}

// Launch to registration at the watcher (timed where the call arrives), one launch per run.
std::vector<double> launchToRegistration(const Setup &s, int runs)
{
    std::vector<double> ms;
    StatusNotifierWatcher watcher(s.bus.address());
    if (!watcher.isRegistered()) {
        std::fprintf(stderr, "watcher: %s\n", qPrintable(watcher.error()));
        return ms;
    }
    for (int run = 0; run < runs; ++run) {
        auto app = makeApp(s);
        const auto launched = std::chrono::steady_clock::now();
        if (!app->start() || !pumpUntil([&] { return watcher.lastItem().has_value(); }, 10000)) {
            std::fprintf(stderr, "run %d: no registration: %s\n", run, qPrintable(app->error()));
            continue;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(watcher.lastItem()->registeredAt - launched).count());
        app.reset();
        pumpUntil([&] { return watcher.registeredItems().isEmpty(); }, 5000);
    }
    return ms;
}

// Launch to the icon window mapped in trayer, polled from a thread while the launch goes on.
std::vector<double> launchToEmbeddedIcon(const Setup &s, int runs)
{
    std::vector<double> ms;
    for (int run = 0; run < runs; ++run) {
        auto app = makeApp(s);
        std::atomic<qint64> shownAt{-1};
        QElapsedTimer clock;
        clock.start();
        std::thread poller([&] {
            while (clock.elapsed() < 15000 && shownAt < 0) {
                if (s.tray.embeddedIcon(QStringLiteral("parlix")))
                    shownAt = clock.elapsed();
            }
        });
        const bool started = app->start();
        poller.join();
        if (!started || shownAt < 0) {
            std::fprintf(stderr, "run %d: icon not shown: %s\n", run, qPrintable(app->error()));
            continue;
        }
        ms.push_back(double(shownAt.load()));
        app.reset();
        pumpUntil([&] { return !s.tray.embeddedIcon(QStringLiteral("parlix")); }, 5000);
    }
    return ms;
}

int run(const QString &program, const QStringList &args, const QProcessEnvironment &env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, args);
    if (!pumpUntil([&] { return process.state() == QProcess::NotRunning; }, 30000))
        return -1;
    return process.exitCode();
}

void printLaunch(const char *what, const std::vector<double> &ms, int runs)
{
    std::printf("launch → %-28s median %6.1f ms  min %6.1f  max %6.1f  (%zu/%d runs)  target ≤ 300 ms\n", what,
                median(ms), ms.empty() ? 0 : *std::min_element(ms.begin(), ms.end()),
                ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()), ms.size(), runs);
}

} // namespace

int main(int argc, char **argv)
{
    XSession x;
    if (!x.isRunning()) {
        std::fprintf(stderr, "no X session: %s\n", qPrintable(x.error()));
        return 1;
    }
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = argument(args, QStringLiteral("--runs"), 10);
    const int idleSeconds = argument(args, QStringLiteral("--idle-seconds"), 60);
    const int transcribingSeconds = argument(args, QStringLiteral("--transcribing-seconds"), 20);

    TrayHost tray(x);
    DBusSession bus;
    PulseAudioSession pulse;
    QString error;
    if (!tray.isRunning() || !bus.isRunning() || !pulse.start(&error)) {
        std::fprintf(stderr, "set-up failed: %s %s %s\n", qPrintable(tray.error()), qPrintable(bus.error()), qPrintable(error));
        return 1;
    }
    pulse.startFeeding(true);
    QTemporaryDir engineDir;
    EngineStandIn engine(engineDir.path());
    engine.writeFile(QStringLiteral("out.txt"), " Benchmark\n");
    engine.setPlan({QStringLiteral("wait-for {dir}/go 600000"), QStringLiteral("stdout {dir}/out.txt")});
    const Setup setup{x, tray, bus, pulse, engine, engineDir.path()};

    printLaunch("StatusNotifierItem", launchToRegistration(setup, runs), runs);
    printLaunch("icon mapped in trayer", launchToEmbeddedIcon(setup, runs), runs);
    std::fflush(stdout);

    // Idle and transcribing under trayer.
    auto parlix = makeApp(setup);
    if (!parlix->start() || !pumpUntil([&] { return tray.embeddedIcon(QStringLiteral("parlix")).has_value(); })) {
        std::fprintf(stderr, "parlix did not start: %s\n", qPrintable(parlix->error()));
        return 1;
    }
    const qint64 pid = parlix->pid();
    // Past the launch's own work (the engine check, the first redraws).
    pumpFor(2000);
    double before = cpuMs(pid);
    pumpFor(idleSeconds * 1000);
    double used = cpuMs(pid) - before;
    std::printf("idle: CPU over %d s             %6.0f ms (%.3f %% of one core; clock tick %ld ms)  target: none measurable\n",
                idleSeconds, used, used / (idleSeconds * 10.0), 1000 / ::sysconf(_SC_CLK_TCK));
    std::printf("idle: VmRSS %.1f MB, VmHWM %.1f MB  target ≤ 50 MB\n", statusMb(pid, "VmRSS"), statusMb(pid, "VmHWM"));
    std::fflush(stdout);

    const QString ctl = binDirectory() + QStringLiteral("/parlixctl");
    if (run(ctl, {QStringLiteral("start")}, parlix->environment()) != 0 || !parlix->waitForState(QStringLiteral("recording"))) {
        std::fprintf(stderr, "could not start recording\n%s", qPrintable(parlix->log()));
        return 1;
    }
    pumpFor(500);
    if (run(ctl, {QStringLiteral("stop")}, parlix->environment()) != 0 || !parlix->waitForState(QStringLiteral("transcribing"))) {
        std::fprintf(stderr, "could not stop recording\n%s", qPrintable(parlix->log()));
        return 1;
    }
    pumpFor(500);
    before = cpuMs(pid);
    const double trayerBefore = cpuMs(tray.pid());
    pumpFor(transcribingSeconds * 1000);
    used = cpuMs(pid) - before;
    const double trayerUsed = cpuMs(tray.pid()) - trayerBefore;
    const bool stillTranscribing = parlix->state() == QLatin1String("transcribing");
    std::printf("transcribing: CPU over %d s     %6.0f ms (%.2f %% of one core; trayer %.2f %%)%s  target ≤ 2 %%\n",
                transcribingSeconds, used, used / (transcribingSeconds * 10.0), trayerUsed / (transcribingSeconds * 10.0),
                stillTranscribing ? "" : "  [left the transcribing state early]");
    std::printf("after transcribing: VmRSS %.1f MB, VmHWM %.1f MB\n", statusMb(pid, "VmRSS"), statusMb(pid, "VmHWM"));

    QFile go(engineDir.filePath(QStringLiteral("go")));
    go.open(QIODevice::WriteOnly);
    go.close();
    parlix->waitForState(QStringLiteral("idle"), 30000);
    const bool clean = parlix->quit();
    pulse.stopFeeding();
    return clean && stillTranscribing ? 0 : 1;
}
