// parlixctl history, run as a process against a history file in a temporary data directory.
#include "TestEnvironment.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Two records, newest first (2020-03-04T20:01:02Z, 2020-01-06T10:40:00.5Z); 2020 lies outside any "today / this week" window.
const QByteArray historyJson =
    R"([{"id":"A1000000-0000-4000-8000-000000000001","text":"He said \"hi\",\nthen\tleft.","originalText":"he said hi then left",)"
    R"("timestamp":605044862,"modelName":"Base"},)"
    R"({"id":"B2000000-0000-4000-8000-000000000002","text":"older","timestamp":600000000.5}])";

class HistoryCliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QDir().mkpath(dataDir());
    }
    QString dataDir() const { return m_dir.filePath(QStringLiteral("data/Parlix")); }
    QString historyPath() const { return dataDir() + QStringLiteral("/history.json"); }
    void writeHistory(const QByteArray &bytes)
    {
        QFile file(historyPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    QByteArray read(const QString &path) const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    CliRun parlixctl(const QStringList &args) const
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
        env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
        process.setProcessEnvironment(env);
        process.start(parlix::test::binDirectory() + QStringLiteral("/parlixctl"), args);
        CliRun run;
        if (!process.waitForFinished(30000)) {
            process.kill();
            process.waitForFinished();
            return run;
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = process.readAllStandardOutput();
        run.err = process.readAllStandardError();
        return run;
    }

    QTemporaryDir m_dir;
};

TEST_F(HistoryCliTest, ListShowsOneLinePerRecordNewestFirst)
{
    writeHistory(historyJson);
    const CliRun run = parlixctl({QStringLiteral("history"), QStringLiteral("list")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.toStdString(),
              "Mar 4, 2020 at 8:01:02 PM\tHe said \"hi\", then left.\n"
              "Jan 6, 2020 at 10:40:00 AM\tolder\n");
}

struct ExportCase {
    const char *format;
    const char *expected;
};

TEST_F(HistoryCliTest, ExportWritesTheFormatToStdoutOrAFile)
{
    writeHistory(historyJson);
    const ExportCase cases[] = {
        {"csv",
         "timestamp,model,word_count,text,original_text\n"
         "\"2020-03-04T20:01:02Z\",\"Base\",3,\"He said \"\"hi\"\",\nthen\tleft.\",\"he said hi then left\"\n"
         "\"2020-01-06T10:40:00Z\",\"\",1,\"older\",\"\""},
        {"json",
         "[\n"
         "  {\n"
         "    \"id\" : \"A1000000-0000-4000-8000-000000000001\",\n"
         "    \"model\" : \"Base\",\n"
         "    \"originalText\" : \"he said hi then left\",\n"
         "    \"text\" : \"He said \\\"hi\\\",\\nthen\\tleft.\",\n"
         "    \"timestamp\" : \"2020-03-04T20:01:02Z\",\n"
         "    \"wordCount\" : 3\n"
         "  },\n"
         "  {\n"
         "    \"id\" : \"B2000000-0000-4000-8000-000000000002\",\n"
         "    \"text\" : \"older\",\n"
         "    \"timestamp\" : \"2020-01-06T10:40:00Z\",\n"
         "    \"wordCount\" : 1\n"
         "  }\n"
         "]"},
    };
    for (const auto &c : cases) {
        const CliRun toStdout = parlixctl({QStringLiteral("history"), QStringLiteral("export"), QStringLiteral("--format"), QString::fromLatin1(c.format)});
        EXPECT_EQ(toStdout.exitCode, 0) << c.format << ": " << toStdout.err.toStdString();
        EXPECT_EQ(toStdout.out.toStdString(), c.expected) << c.format;

        const QString output = m_dir.filePath(QStringLiteral("export.") + QString::fromLatin1(c.format));
        const CliRun toFile = parlixctl({QStringLiteral("history"), QStringLiteral("export"), QStringLiteral("--output"), output,
                                      QStringLiteral("--format"), QString::fromLatin1(c.format)});
        EXPECT_EQ(toFile.exitCode, 0) << c.format << ": " << toFile.err.toStdString();
        EXPECT_TRUE(toFile.out.isEmpty()) << c.format;
        EXPECT_EQ(read(output).toStdString(), c.expected) << c.format;
    }

    const CliRun text = parlixctl({QStringLiteral("history"), QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("txt")});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_TRUE(text.out.startsWith("Parlix Transcription History\nExported: ")) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains("\nTotal items: 2\n")) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains("\n[Mar 4, 2020, 8:01:02\u202fPM]\nModel: Base\nHe said \"hi\",\nthen\tleft.\n\nOriginal: he said hi then left\n"))
        << text.out.toStdString();
    EXPECT_TRUE(text.out.endsWith("\n[Jan 6, 2020, 10:40:00\u202fAM]\nolder\n\n--------------------------------------------------\n"))
        << text.out.toStdString();
}

TEST_F(HistoryCliTest, NoHistoryFileIsAnEmptyHistory)
{
    const CliRun list = parlixctl({QStringLiteral("history"), QStringLiteral("list")});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_TRUE(list.out.isEmpty());
    const CliRun csv = parlixctl({QStringLiteral("history"), QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("csv")});
    EXPECT_EQ(csv.exitCode, 0);
    EXPECT_EQ(csv.out, QByteArray("timestamp,model,word_count,text,original_text"));
    EXPECT_FALSE(QFile::exists(historyPath()));
}

struct BadCase {
    QStringList args;
    int exitCode;
    const char *message;
};

TEST_F(HistoryCliTest, BadInputFailsClearlyAndChangesNothing)
{
    writeHistory(historyJson);
    const QString blocked = m_dir.filePath(QStringLiteral("no-such-dir/export.csv"));
    const BadCase cases[] = {
        {{QStringLiteral("history")}, 2, "missing subcommand"},
        {{QStringLiteral("history"), QStringLiteral("frob")}, 2, "unknown subcommand 'frob'"},
        {{QStringLiteral("history"), QStringLiteral("list"), QStringLiteral("extra")}, 2, "unexpected argument 'extra'"},
        {{QStringLiteral("history"), QStringLiteral("export")}, 2, "--format is required"},
        {{QStringLiteral("history"), QStringLiteral("export"), QStringLiteral("--format")}, 2, "--format needs a value"},
        {{QStringLiteral("history"), QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("xml")}, 2, "unknown format 'xml'"},
        {{QStringLiteral("history"), QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("csv"), QStringLiteral("--output")}, 2,
         "--output needs a value"},
        {{QStringLiteral("history"), QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("csv"), QStringLiteral("--output"), blocked}, 1,
         "Cannot write"},
    };
    for (const auto &c : cases) {
        const CliRun run = parlixctl(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(run.err.contains(c.message)) << c.args.join(u' ').toStdString() << " -> " << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << c.args.join(u' ').toStdString();
    }
    EXPECT_FALSE(QFile::exists(blocked));
    EXPECT_EQ(read(historyPath()), historyJson);
}

TEST_F(HistoryCliTest, UnreadableHistoryIsAnErrorNotAnEmptyList)
{
    const QByteArray broken = R"([{"id":"A1000000-0000-4000-8000-000000000001","timestamp":1}])";
    writeHistory(broken);
    for (const QStringList &args : {QStringList{QStringLiteral("history"), QStringLiteral("list")},
                                    QStringList{QStringLiteral("history"), QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("json")}}) {
        const CliRun run = parlixctl(args);
        EXPECT_EQ(run.exitCode, 1) << args.join(u' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << args.join(u' ').toStdString();
        EXPECT_TRUE(run.err.contains(("Cannot read the history file " + historyPath()).toUtf8())) << run.err.toStdString();
    }
    // Reading never moves or rewrites the file.
    EXPECT_EQ(read(historyPath()), broken);
    EXPECT_EQ(QDir(dataDir()).entryList(QDir::Files), QStringList{QStringLiteral("history.json")});
}

} // namespace
