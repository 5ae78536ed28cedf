// Whole-engine benchmark: the time from handing a finished clip to the engine (the moment the
// user's stop trigger has closed the recording) until the cleaned transcript is ready, per clip
// (whisper-cli loads the model every time) against the kept-loaded whisper-server, for synthetic
// models shaped like tiny, base and small on 3 s and 15 s clips; median of N runs each, the two
// engines alternating. Then the resident memory of the idle server per model size.
//
//   bench_engine_warm_server [--runs N]      (default 10)
#include "core/Coro.h"
#include "core/KeyValueStore.h"
#include "core/SettingsModel.h"
#include "engine/WhisperServerEngine.h"
#include "engine/WhisperTranscriber.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

class MemoryStore : public parlix::KeyValueStore {
public:
    std::optional<QVariant> object(const QString &key) const override
    {
        const auto it = m_values.constFind(key);
        return it == m_values.constEnd() ? std::nullopt : std::optional<QVariant>(*it);
    }
    void setValue(const QString &key, const QVariant &value) override { m_values.insert(key, value); }
    void remove(const QString &key) override { m_values.remove(key); }

private:
    QHash<QString, QVariant> m_values;
};

// 16 kHz mono 16-bit: a quiet 300 Hz tone.
bool writeClip(const QString &path, int seconds)
{
    const qint32 samples = 16000 * seconds;
    QByteArray data(samples * 2, Qt::Uninitialized);
    for (qint32 i = 0; i < samples; ++i)
        qToLittleEndian<qint16>(qint16(3000 * std::sin(2 * M_PI * 300 * i / 16000.0)), data.data() + 2 * i);
    QByteArray header("RIFF");
    const auto u32 = [&](quint32 v) { header.append(reinterpret_cast<const char *>(&v), 4); };
    const auto u16 = [&](quint16 v) { header.append(reinterpret_cast<const char *>(&v), 2); };
    u32(36 + data.size());
    header += "WAVEfmt ";
    u32(16), u16(1), u16(1), u32(16000), u32(32000), u16(2), u16(16);
    header += "data";
    u32(data.size());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(header + data) == header.size() + data.size();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Milliseconds one transcription takes; negative when it failed.
double timed(parlix::SpeechEngine &engine, const QString &clip)
{
    QElapsedTimer timer;
    timer.start();
    try {
        const QString text = parlix::coro::waitFor(engine.transcribe(clip, std::nullopt));
        if (!text.startsWith(QStringLiteral("Hello world!"))) {
            std::fprintf(stderr, "unexpected text: %s\n", qPrintable(text));
            return -1;
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "failed: %s\n", e.what());
        return -1;
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

long residentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int runs = 10;
    const QStringList args = app.arguments();
    if (const qsizetype at = args.indexOf(QStringLiteral("--runs")); at > 0)
        runs = std::max(1, args.value(at + 1).toInt());

    QTemporaryDir dir;
    for (int seconds : {3, 15}) {
        if (!writeClip(dir.filePath(QStringLiteral("clip%1.wav").arg(seconds)), seconds))
            return 1;
    }
    std::printf("%-6s %-5s %14s %14s %10s\n", "model", "clip", "per-clip ms", "warm ms", "saved ms");
    std::vector<std::pair<QString, long>> memory;
    for (const char *size : {"tiny", "base", "small"}) {
        const QString model = dir.filePath(QStringLiteral("%1.bin").arg(QLatin1String(size)));
        QProcess make;
        make.start(QStringLiteral(PARLIX_BENCH_TEST_BIN "/make_synthetic_model"),
                   {QStringLiteral(PARLIX_BENCH_FIXTURES "/for-tests-ggml-tiny.bin"), model, QStringLiteral(" Hello world!"),
                    QLatin1String(size)});
        if (!make.waitForFinished(-1) || make.exitCode() != 0) {
            std::fprintf(stderr, "make_synthetic_model %s failed\n", size);
            return 1;
        }
        MemoryStore store;
        parlix::SettingsModel settings(store);
        settings.setModelPath(model);
        parlix::WhisperTranscriber perClip(settings, QStringLiteral(PARLIX_BENCH_RESOURCE_DIR));
        parlix::WhisperServerEngine server(settings, QStringLiteral(PARLIX_BENCH_RESOURCE_DIR));
        for (int seconds : {3, 15}) {
            const QString clip = dir.filePath(QStringLiteral("clip%1.wav").arg(seconds));
            // Warm-up: the page cache for both, the first (loading) request for the server.
            if (timed(perClip, clip) < 0 || timed(server, clip) < 0)
                return 1;
            std::vector<double> cold, warm;
            for (int i = 0; i < runs; ++i) {
                cold.push_back(timed(perClip, clip));
                warm.push_back(timed(server, clip));
                if (cold.back() < 0 || warm.back() < 0)
                    return 1;
            }
            std::printf("%-6s %3d s %14.0f %14.0f %10.0f\n", size, seconds, median(cold), median(warm),
                        median(cold) - median(warm));
            std::fflush(stdout);
        }
        QThread::sleep(1);
        memory.emplace_back(QLatin1String(size), residentKiB(server.serverProcessId()));
    }
    std::printf("\nidle whisper-server resident memory\n");
    for (const auto &[size, kib] : memory)
        std::printf("%-6s %8.1f MiB\n", qPrintable(size), kib / 1024.0);
    return 0;
}
