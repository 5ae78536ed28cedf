// Crash safety: a writer process adding records is killed with SIGKILL at random moments, 200
// times over the same history file. After every kill the file must load and still hold every
// record the writer had reported as added (and every record confirmed by earlier writers).
#include "TestEnvironment.h"
#include "history/HistoryFile.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

namespace {

TEST(HistoryCrashTest, KilledWriterNeverLosesAConfirmedRecord)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Parlix/history.json"));
    const QString writer = parlix::test::testBinDirectory() + QStringLiteral("/history_writer");
    ASSERT_TRUE(QFile::exists(writer)) << writer.toStdString();

    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));

    QSet<QString> confirmed;
    int killsWithRecords = 0;
    for (int round = 0; round < 200; ++round) {
        QProcess process;
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(writer, {path});
        ASSERT_TRUE(process.waitForStarted()) << process.errorString().toStdString();
        // Short random delays: the writer needs ~80 ms to start, so most kills land while records
        // are being added, some during start-up and loading.
        std::this_thread::sleep_for(std::chrono::microseconds(random.bounded(5000, 250000)));
        ::kill(pid_t(process.processId()), SIGKILL);
        ASSERT_TRUE(process.waitForFinished(10000));
        ASSERT_EQ(process.exitStatus(), QProcess::CrashExit)
            << "round " << round << ": writer ended by itself: " << process.readAllStandardError().toStdString();

        // Only complete lines: a line cut by the kill belongs to a record that may or may not be saved.
        const QList<QByteArray> lines = process.readAllStandardOutput().split('\n');
        qsizetype printed = 0;
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            confirmed.insert(QString::fromLatin1(lines[i]));
            ++printed;
        }
        if (printed > 0)
            ++killsWithRecords;

        if (!QFile::exists(path)) {
            ASSERT_TRUE(confirmed.isEmpty()) << "round " << round << ": history file missing";
            continue;
        }
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QList<parlix::TranscriptItem> items;
        QString error;
        ASSERT_TRUE(parlix::historyfile::decode(file.readAll(), items, error))
            << "round " << round << ": " << error.toStdString();
        QSet<QString> stored;
        for (const auto &item : items)
            stored.insert(item.id.toString(QUuid::WithoutBraces).toUpper());
        for (const QString &id : confirmed)
            ASSERT_TRUE(stored.contains(id)) << "round " << round << ": lost record " << id.toStdString();
    }
    // The kills must have hit running writers, or the rounds proved nothing.
    EXPECT_GT(killsWithRecords, 50);
    EXPECT_GT(confirmed.size(), 200);
}

} // namespace
