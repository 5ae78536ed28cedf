// "parlixctl models" run as a process against a loopback model server, with its own
// configuration and data directories: a download that selects the first model, the list, the
// selection and deletion as stored for the app, a full disk (the child runs under RLIMIT_FSIZE),
// and Ctrl+C during a download.
#include "Files.h"
#include "LoopbackHttpServer.h"
#include "Printers.h"
#include "TestEnvironment.h"
#include "core/JsonFileKeyValueStore.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace std::chrono_literals;
using parlix::test::LoopbackHttpServer;
using Response = LoopbackHttpServer::Response;
using parlix::test::fileBytes;
using parlix::test::writeFile;

namespace {

const QByteArray body = [] {
    QByteArray bytes(256 * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 7919) >> 3);
    return bytes;
}();
const QByteArray previous = "the model that was there before";

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

class ParlixctlModels : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.isListening());
        m_parlixctl = parlix::test::binDirectory() + "/parlixctl";
        ASSERT_TRUE(QFileInfo(m_parlixctl).isExecutable());
    }

    QString path(const QString &relative) const { return m_root.filePath(relative); }
    QString model(const QString &file = "ggml-tiny.en.bin") const { return path("data/Parlix/models/" + file); }
    QString part() const { return model() + ".part"; }
    std::optional<QString> storedModelPath()
    {
        parlix::JsonFileKeyValueStore store(path("config/Parlix/settings.json"));
        const auto value = store.object("modelPath");
        return value ? std::optional<QString>(value->toString()) : std::nullopt;
    }

    // Runs parlixctl with the event loop turning (the server answers on this thread). `during`
    // is called while it runs, with its process id.
    Outcome run(const QStringList &arguments, qint64 fileSizeLimit = -1, const std::function<void(qint64)> &during = {})
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", path("config"));
        environment.insert("XDG_DATA_HOME", path("data"));
        environment.insert("PARLIX_MODEL_BASE_URL", m_server.url("/models/").toString());
        environment.insert("PARLIX_MODEL_SHA1_OVERRIDES",
                           "ggml-tiny.en.bin=" + QCryptographicHash::hash(body, QCryptographicHash::Sha1).toHex());
        process.setProcessEnvironment(environment);
        if (fileSizeLimit >= 0) {
            process.setChildProcessModifier([fileSizeLimit] {
                // A write past the limit then fails with EFBIG, as on a full disk, instead of
                // killing the process.
                const rlimit limit{rlim_t(fileSizeLimit), rlim_t(fileSizeLimit)};
                ::setrlimit(RLIMIT_FSIZE, &limit);
                ::signal(SIGXFSZ, SIG_IGN);
            });
        }
        process.start(m_parlixctl, arguments);
        EXPECT_TRUE(process.waitForStarted());
        if (during)
            during(process.processId());
        EXPECT_TRUE(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 60000));
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
    }

    QTemporaryDir m_root;
    LoopbackHttpServer m_server;
    QString m_parlixctl;
};

TEST_F(ParlixctlModels, DownloadListSelectDelete)
{
    Response slow = Response::ok(body);
    slow.chunkSize = 32 * 1024;
    slow.chunkInterval = 20ms;
    m_server.setResponse("/models/ggml-tiny.en.bin", slow);
    writeFile(path("elsewhere/mine.bin"), "custom");

    const struct {
        QStringList args;
        int exitCode;
        QStringList out; // lines expected in this order (others may come between)
        QString err;
        std::optional<QString> selectedAfter;
    } steps[] = {
        {{"download", "tiny.en"}, 0,
         {"Downloading Tiny (English) (75 MB) from " + m_server.url("/models/ggml-tiny.en.bin").toString(),
          "100%  256.0 kB of 256.0 kB", "Saved " + model(), "Selected: Tiny (English) (" + model() + ")"},
         "", model()},
        {{"select", "base.en"}, 1, {}, "Base (English) is not downloaded (parlixctl models download base.en)\n", model()},
        {{"select", path("elsewhere/mine.bin")}, 0, {"Selected: mine (" + path("elsewhere/mine.bin") + ")"}, "",
         path("elsewhere/mine.bin")},
        {{"select", "tiny.en"}, 0, {"Selected: Tiny (English) (" + model() + ")"}, "", model()},
        // The selected model goes: no other is left, so none is selected.
        {{"delete", "tiny.en"}, 0, {"Deleted " + model(), "Selected: none"}, "", std::nullopt},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.args.join(' ').toStdString());
        const Outcome result = run(QStringList{"models"} + step.args);
        EXPECT_EQ(result.exitCode, step.exitCode);
        EXPECT_EQ(result.err, step.err);
        const QStringList lines = result.out.split('\n');
        qsizetype at = 0;
        for (const QString &expected : step.out) {
            const qsizetype found = lines.indexOf(expected, at);
            EXPECT_GE(found, 0) << "missing: " << expected.toStdString() << "\nin:\n" << result.out.toStdString();
            at = std::max(found, at);
        }
        EXPECT_EQ(storedModelPath(), step.selectedAfter);
    }
}

TEST_F(ParlixctlModels, FailuresExitNonZeroAndKeepThePreviousModel)
{
    const struct {
        const char *name;
        qint64 fileSizeLimit;
        bool interrupt;
        int exitCode;
        const char *err;
        QByteArray partAfter;
    } cases[] = {
        {"diskFull", 100 * 1024, false, 1, "File operation failed: File too large\n", body.left(100 * 1024)},
        {"ctrlC", -1, true, 130, "Download cancelled\n", "<absent>"},
    };
    Response slow = Response::ok(body);
    slow.chunkSize = 8 * 1024;
    slow.chunkInterval = 40ms;
    m_server.setResponse("/models/ggml-tiny.en.bin", slow);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(model(), previous);
        QFile::remove(part());
        auto interrupt = [this](qint64 pid) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(part()).size() > 0; }, 20000));
            ::kill(pid_t(pid), SIGINT);
        };
        const Outcome result = run({"models", "download", "tiny.en"}, c.fileSizeLimit, c.interrupt ? std::function<void(qint64)>(interrupt) : nullptr);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err.toStdString();
        EXPECT_EQ(result.err, c.err);
        EXPECT_EQ(fileBytes(model()), previous);
        EXPECT_EQ(fileBytes(part()), c.partAfter);
    }
}

} // namespace
