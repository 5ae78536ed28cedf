// A model download over loopback HTTP, end to end: request, transfer, SHA-1 while streaming,
// writing the ".part", fdatasync and the rename into place. The server runs on a thread of its
// own, so the main thread's CPU time is the downloader's alone.
//   throughput   file size / wall time of downloadModel(); target ≥ 300 MB/s
//   main thread  CPU time of the main thread during the download, as a share of its wall time;
//                target ≤ 5 %
// Also printed: SHA-1 alone over the same bytes (the ceiling) and the whole process's CPU time.
//
// On a machine shared with other work the wall-clock figures swing from run to run; the CPU time
// by thread says what the download itself costs.
//
//   bench_model_download [--megabytes N] [--runs N]
#include "LoopbackHttpServer.h"
#include "core/Coro.h"
#include "models/ModelDownloadManager.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace parlix;
using parlix::test::LoopbackHttpServer;

namespace {

double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval &tv) { return double(tv.tv_sec) + double(tv.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// CPU seconds of each thread of this process so far, by thread name.
std::vector<std::pair<QString, double>> threadCpu()
{
    std::vector<std::pair<QString, double>> threads;
    const long ticks = sysconf(_SC_CLK_TCK);
    for (const QString &task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(task));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const qsizetype open = line.indexOf('('), close = line.lastIndexOf(')');
        const QList<QByteArray> fields = line.mid(close + 2).split(' ');
        // utime and stime are fields 14 and 15 of the line, 12 and 13 after the name.
        threads.emplace_back(QString::fromLatin1(line.mid(open + 1, close - open - 1)),
                             double(fields.value(11).toLongLong() + fields.value(12).toLongLong()) / double(ticks));
    }
    return threads;
}

class ServerThread : public QThread {
public:
    explicit ServerThread(QByteArray body)
        : m_body(std::move(body))
    {
    }
    QUrl baseUrl()
    {
        while (!m_ready.loadAcquire())
            QThread::msleep(1);
        return m_baseUrl;
    }

protected:
    void run() override
    {
        LoopbackHttpServer server;
        server.setResponse(QStringLiteral("/models/ggml-tiny.en.bin"), LoopbackHttpServer::Response::ok(m_body));
        m_baseUrl = server.url(QStringLiteral("/models/"));
        m_ready.storeRelease(1);
        exec();
    }

private:
    QByteArray m_body;
    QUrl m_baseUrl;
    QAtomicInt m_ready;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("com.quorvane.parlix.*=false"));
    qint64 megabytes = 500;
    int runs = 5;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == u"--megabytes")
            megabytes = args[i + 1].toLongLong();
        else if (args[i] == u"--runs")
            runs = args[i + 1].toInt();
    }
    const qint64 size = megabytes * 1000 * 1000;

    QByteArray body(size, Qt::Uninitialized);
    QRandomGenerator generator(42);
    generator.fillRange(reinterpret_cast<quint32 *>(body.data()), size / 4);
    QElapsedTimer hashClock;
    hashClock.start();
    const QByteArray digest = QCryptographicHash::hash(body, QCryptographicHash::Sha1).toHex();
    const double hashSeconds = double(hashClock.nsecsElapsed()) / 1e9;
    std::printf("file: %lld MB; SHA-1 alone: %.0f MB/s\n", megabytes, double(size) / 1e6 / hashSeconds);

    ServerThread server(body);
    server.setObjectName(QStringLiteral("HttpServer"));
    server.start();
    QTemporaryDir dir;
    ModelDownloadConfig config;
    config.modelsDirectory = dir.filePath(QStringLiteral("models"));
    config.baseUrl = server.baseUrl();
    config.digestOverrides.insert(QStringLiteral("ggml-tiny.en.bin"), QString::fromLatin1(digest));
    ModelDownloadManager manager(config);
    const auto &model = Constants::Models::available()[0];

    std::vector<double> rates, mainShares;
    int status = 0;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        const double mainBefore = threadCpuSeconds();
        const double processBefore = processCpuSeconds();
        clock.start();
        try {
            coro::waitFor(manager.downloadModel(model));
        } catch (const ModelDownloadError &error) {
            std::fprintf(stderr, "download failed: %s\n", error.what());
            status = 1;
            break;
        }
        const double wall = double(clock.nsecsElapsed()) / 1e9;
        const double mainCpu = threadCpuSeconds() - mainBefore;
        const double processCpu = processCpuSeconds() - processBefore;
        rates.push_back(double(size) / 1e6 / wall);
        mainShares.push_back(100 * mainCpu / wall);
        std::printf("run %d: %.2f s, %.0f MB/s; main thread %.1f ms CPU (%.2f %% of the time); whole process %.2f s CPU\n",
                    run + 1, wall, rates.back(), mainCpu * 1000, mainShares.back(), processCpu);
        QFile::remove(manager.localPath(model));
    }
    std::printf("CPU by thread over all runs:");
    for (const auto &[name, seconds] : threadCpu())
        std::printf("  %s %.2f s", name.toUtf8().constData(), seconds);
    std::printf("\n");
    server.quit();
    server.wait();
    if (rates.empty())
        return status;
    const double rate = median(rates), share = median(mainShares);
    std::printf("median: %.0f MB/s (target >= 300), best %.0f MB/s; main thread %.2f %% (target <= 5)\n", rate,
                *std::max_element(rates.begin(), rates.end()), share);
    return status;
}
