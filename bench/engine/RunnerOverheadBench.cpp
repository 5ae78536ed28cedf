// Whole-process benchmark: what `parlixctl transcribe` costs on top of running whisper-cli
// directly with the same arguments, model and audio. Runs both N times, paired and alternating
// (a,b then b,a) so drift in machine load falls on both sides, and reports the median of the
// per-pair ratios. The model is a synthetic one, so the engine really decodes a phrase.
// Wall time is the measure; the CPU time of the whole child tree (user + system, from
// RUSAGE_CHILDREN) is reported beside it because it stays meaningful on a loaded machine.
//
//   bench_engine_runner_overhead [--pairs N]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr double kTarget = 1.02;
const QString kPhrase = QStringLiteral(" Hello world!");

QString setting(const char *variable, const char *builtIn)
{
    const QString v = qEnvironmentVariable(variable);
    return v.isEmpty() ? QString::fromUtf8(builtIn) : v;
}

struct Run {
    bool ok = false;
    double ms = 0;
    double cpuMs = 0;
    QByteArray out;
    QByteArray err;
};

Run run(const QString &program, const QStringList &args, const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setStandardInputFile(QProcess::nullDevice());
    rusage before {};
    getrusage(RUSAGE_CHILDREN, &before);
    QElapsedTimer timer;
    timer.start();
    p.start(program, args);
    const bool finished = p.waitForStarted(-1) && p.waitForFinished(-1);
    Run r;
    r.ms = double(timer.nsecsElapsed()) / 1e6;
    rusage after {};
    getrusage(RUSAGE_CHILDREN, &after);
    auto ms = [](const timeval &t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    r.cpuMs = ms(after.ru_utime) - ms(before.ru_utime) + ms(after.ru_stime) - ms(before.ru_stime);
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    r.ok = finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!r.ok)
        std::fprintf(stderr, "%s failed (exit %d): %s\n%s\n", qPrintable(program), p.exitCode(),
                     qPrintable(p.errorString()), r.err.right(2000).constData());
    return r;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

int failed(const std::string &what)
{
    std::fprintf(stderr, "runner overhead: %s\n", what.c_str());
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int pairs = 15;
    const QStringList args = app.arguments();
    if (const qsizetype i = args.indexOf(QStringLiteral("--pairs")); i >= 0 && i + 1 < args.size())
        pairs = std::max(1, args[i + 1].toInt());

    const QString parlixctl = setting("PARLIX_BENCH_BIN", PARLIX_BENCH_BIN) + QStringLiteral("/parlixctl");
    const QString whisper = setting("PARLIX_BENCH_RESOURCE_DIR", PARLIX_BENCH_RESOURCE_DIR) + QStringLiteral("/whisper-cli");
    const QString modelTool = setting("PARLIX_BENCH_TEST_BIN", PARLIX_BENCH_TEST_BIN) + QStringLiteral("/make_synthetic_model");
    const QString fixture = setting("PARLIX_BENCH_FIXTURES", PARLIX_BENCH_FIXTURES) + QStringLiteral("/for-tests-ggml-tiny.en.bin");
    for (const QString &needed : {parlixctl, whisper, modelTool, fixture}) {
        if (!QFileInfo::exists(needed)) {
            std::fprintf(stderr, "runner overhead: skipped, missing %s\n", qPrintable(needed));
            return 0; // a build without whisper-cli has nothing to measure
        }
    }

    QTemporaryDir dir;
    if (!dir.isValid())
        return failed("no temporary directory");
    // ".en." in the name makes parlixctl pass "-l en", exactly as the direct run below does.
    const QString model = dir.filePath(QStringLiteral("ggml-synthetic.en.bin"));
    const QString speech = dir.filePath(QStringLiteral("speech.wav"));
    const QString clip = dir.filePath(QStringLiteral("clip.wav"));
    if (!run(modelTool, {fixture, model, kPhrase}).ok)
        return failed("could not make the synthetic model");
    if (!run(QStringLiteral("espeak-ng"), {QStringLiteral("-w"), speech, QStringLiteral("Hello world, this is a short dictation.")}).ok
        || !run(QStringLiteral("sox"), {speech, QStringLiteral("-r"), QStringLiteral("16000"), QStringLiteral("-c"), QStringLiteral("1"),
                                        QStringLiteral("-b"), QStringLiteral("16"), QStringLiteral("-e"), QStringLiteral("signed-integer"),
                                        clip, QStringLiteral("pad"), QStringLiteral("0"), QStringLiteral("3"), QStringLiteral("trim"),
                                        QStringLiteral("0"), QStringLiteral("3")})
               .ok)
        return failed("could not make the 3 s clip (espeak-ng, sox)");

    // parlixctl reads and may write the user's settings: keep it inside the temporary directory.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    env.remove(QStringLiteral("PARLIX_RESOURCE_DIR"));

    const QStringList viaParlix = {QStringLiteral("transcribe"), clip, QStringLiteral("--model"), model};
    const QStringList direct = {QStringLiteral("-m"), model, QStringLiteral("-f"), clip, QStringLiteral("-nt"),
                                QStringLiteral("-np"), QStringLiteral("-l"), QStringLiteral("en")};
    auto runA = [&] {
        Run r = run(parlixctl, viaParlix, env);
        if (r.ok && r.out != QByteArray("Hello world!\n"))
            r.ok = failed("parlixctl printed " + r.out.toStdString()) == 0;
        return r;
    };
    auto runB = [&] {
        Run r = run(whisper, direct, env);
        if (r.ok && r.out != (QStringLiteral("\n") + kPhrase).toUtf8())
            r.ok = failed("whisper-cli printed " + r.out.toStdString()) == 0;
        return r;
    };

    // Warm the page cache for both programs and the model.
    if (!runA().ok || !runB().ok)
        return 1;

    std::vector<double> a, b, ratios, cpuA, cpuB, cpuRatios;
    std::printf("pair  parlixctl_ms  whisper-cli_ms   ratio   parlixctl_cpu_ms  whisper-cli_cpu_ms  cpu_ratio\n");
    for (int i = 0; i < pairs; ++i) {
        Run ra, rb;
        if (i % 2 == 0) {
            ra = runA();
            rb = runB();
        } else {
            rb = runB();
            ra = runA();
        }
        if (!ra.ok || !rb.ok)
            return 1;
        a.push_back(ra.ms);
        b.push_back(rb.ms);
        ratios.push_back(ra.ms / rb.ms);
        cpuA.push_back(ra.cpuMs);
        cpuB.push_back(rb.cpuMs);
        cpuRatios.push_back(ra.cpuMs / rb.cpuMs);
        std::printf("%4d  %12.1f  %14.1f  %.4f  %16.1f  %18.1f  %.4f\n", i + 1, ra.ms, rb.ms, ratios.back(), ra.cpuMs,
                    rb.cpuMs, cpuRatios.back());
    }
    const double medianRatio = median(ratios);
    std::printf("\nrunner overhead, %d pairs (3 s clip, synthetic tiny.en model):\n", pairs);
    std::printf("  median parlixctl transcribe  %.1f ms\n", median(a));
    std::printf("  median whisper-cli direct    %.1f ms\n", median(b));
    std::printf("  median per-pair ratio        %.4f (target <= %.2f: %s)\n", medianRatio, kTarget,
                medianRatio <= kTarget ? "met" : "NOT met");
    // Load from other processes only ever adds time, so the fastest runs are the least disturbed.
    const double fastestA = *std::min_element(a.begin(), a.end());
    const double fastestB = *std::min_element(b.begin(), b.end());
    std::printf("  fastest runs                 %.1f ms / %.1f ms = %.4f\n", fastestA, fastestB, fastestA / fastestB);
    std::printf("  CPU time (user+sys, child tree): parlixctl %.1f ms, whisper-cli %.1f ms, median ratio %.4f\n",
                median(cpuA), median(cpuB), median(cpuRatios));
    return 0;
}
