// parlixctl history, run as a process against a history file in a temporary data directory.
#include "Files.h"
#include "Printers.h"
#include "ProcessRunner.h"
#include "TestEnvironment.h"
#include "history/HistoryExport.h"
#include "history/HistoryFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using parlix::test::ProcessResult;
using parlix::test::runProcess;

// Two records, newest first (2020-03-04T20:01:02Z, 2020-01-06T10:40:00.5Z); 2020 lies outside any "today / this week" window.
const QByteArray historyJson =
    R"([{"id":"A1000000-0000-4000-8000-000000000001","text":"He said \"hi\",\nthen\tleft.","originalText":"he said hi then left",)"
    R"("timestamp":605044862,"modelName":"Base"},)"
    R"({"id":"B2000000-0000-4000-8000-000000000002","text":"older","timestamp":600000000.5}])";

class HistoryCliTest : public ::testing::Test {
protected:
    void SetUp() override { QDir().mkpath(dataDir()); }
    QString dataDir() const { return m_dir.filePath(QStringLiteral("data/Parlix")); }
    QString historyPath() const { return dataDir() + QStringLiteral("/history.json"); }
    void writeHistory(const QByteArray &bytes) { parlix::test::writeFile(historyPath(), bytes); }
    ProcessResult parlixctl(const QStringList &args) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
        env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
        return runProcess(parlix::test::binDirectory() + QStringLiteral("/parlixctl"), args, env, {}, 30000);
    }

    QTemporaryDir m_dir;
};

// No file is an empty history, and listing creates none.
TEST_F(HistoryCliTest, ListShowsOneLinePerRecordNewestFirst)
{
    const ProcessResult none = parlixctl({"history", "list"});
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_TRUE(none.out.isEmpty());
    EXPECT_FALSE(QFile::exists(historyPath()));

    writeHistory(historyJson);
    const ProcessResult run = parlixctl({"history", "list"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.toStdString(),
              "Mar 4, 2020 at 8:01:02 PM\tHe said \"hi\", then left.\n"
              "Jan 6, 2020 at 10:40:00 AM\tolder\n");
}

// The formats themselves are HistoryExportTest's; the tool writes exactly what the library makes
// of the stored records, to stdout or to a file.
TEST_F(HistoryCliTest, ExportWritesTheLibrarysFormatToStdoutOrAFile)
{
    writeHistory(historyJson);
    QList<parlix::TranscriptItem> items;
    QString error;
    ASSERT_TRUE(parlix::historyfile::decode(historyJson, items, error)) << error.toStdString();
    for (const auto &[format, expected] : {std::pair{"csv", parlix::exports::asCSV(items)}, std::pair{"json", parlix::exports::asJSON(items)}}) {
        const ProcessResult toStdout = parlixctl({"history", "export", "--format", format});
        EXPECT_EQ(toStdout.exitCode, 0) << format << ": " << toStdout.err.toStdString();
        EXPECT_EQ(toStdout.out, expected) << format;

        const QString output = m_dir.filePath(QStringLiteral("export.") + QString::fromLatin1(format));
        const ProcessResult toFile = parlixctl({"history", "export", "--output", output, "--format", format});
        EXPECT_EQ(toFile.exitCode, 0) << format << ": " << toFile.err.toStdString();
        EXPECT_TRUE(toFile.out.isEmpty()) << format;
        EXPECT_EQ(parlix::test::fileBytes(output), expected) << format;
    }
    // The text export carries the export time; its records are in the user's locale and zone.
    const ProcessResult text = parlixctl({"history", "export", "--format", "txt"});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_TRUE(text.out.contains("\n[Mar 4, 2020, 8:01:02\u202fPM]\nModel: Base\n")) << text.out.toStdString();
}

// Bad arguments, a file that cannot be written and a history that cannot be read: each fails
// clearly, and the history file stays as it was (reading never moves or rewrites it).
TEST_F(HistoryCliTest, BadInputFailsClearlyAndChangesNothing)
{
    const QByteArray broken = R"([{"id":"A1000000-0000-4000-8000-000000000001","timestamp":1}])";
    const QString blocked = m_dir.filePath(QStringLiteral("no-such-dir/export.csv"));
    const QByteArray unreadable = "Cannot read the history file " + historyPath().toUtf8();
    const struct {
        QByteArray history;
        QStringList args;
        int exitCode;
        QByteArray message;
    } cases[] = {
        {historyJson, {"history", "frob"}, 2, "unknown subcommand 'frob'"},
        {historyJson, {"history", "export"}, 2, "--format is required"},
        {historyJson, {"history", "export", "--format", "csv", "--output", blocked}, 1, "Cannot write"},
        {broken, {"history", "list"}, 1, unreadable},
        {broken, {"history", "export", "--format", "json"}, 1, unreadable},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        writeHistory(c.history);
        const ProcessResult run = parlixctl(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_EQ(parlix::test::fileBytes(historyPath()), c.history);
        EXPECT_EQ(QDir(dataDir()).entryList(QDir::Files), QStringList{QStringLiteral("history.json")});
    }
    EXPECT_FALSE(QFile::exists(blocked));
}

} // namespace
