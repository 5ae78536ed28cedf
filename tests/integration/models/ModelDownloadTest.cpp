// The model downloader against a loopback HTTP server: what each answer of the server does to
// the model file, its partial download, the published state and the error the user reads; a
// file already in place survives every failure.
#include "models/ModelDownloadManager.h"

#include "Files.h"
#include "LoopbackHttpServer.h"
#include "Printers.h"
#include "core/Coro.h"
#include "models/ModelTransfer.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace parlix;
using namespace std::chrono_literals;
using parlix::test::LoopbackHttpServer;
using Response = LoopbackHttpServer::Response;
using parlix::test::fileBytes;
using parlix::test::writeFile;
using Constants::Models::ModelInfo;

namespace {

// Bytes that differ from their neighbours, so a resume at the wrong offset shows.
const QByteArray body = [] {
    QByteArray bytes;
    for (quint32 i = 0; bytes.size() < 256 * 1024; ++i)
        bytes += QByteArray::number(i * 2654435761u, 36);
    return bytes.left(256 * 1024);
}();
const QByteArray previous = "the model that was there before";
const ModelInfo &model = Constants::Models::available()[0]; // tiny.en

Response slowly(Response r)
{
    r.chunkSize = 16 * 1024;
    r.chunkInterval = 10ms;
    return r;
}

class ModelDownloadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.isListening());
        ModelDownloadConfig config;
        config.modelsDirectory = m_dir.filePath("models");
        config.baseUrl = m_server.url("/models/");
        config.stallTimeout = 1500ms; // long enough for a busy machine, short enough for a test
        config.freeBytes = [this](const QString &) { return m_freeBytes; };
        config.digestOverrides.insert(model.fileName, QString::fromLatin1(QCryptographicHash::hash(body, QCryptographicHash::Sha1).toHex()));
        m_manager = std::make_unique<ModelDownloadManager>(config);
    }

    QString target() const { return m_manager->localPath(model); }
    QString part() const { return ModelTransfer::partPath(target()); }
    void serve(Response r) { m_server.setResponse("/models/" + model.fileName, std::move(r)); }

    // Runs one download to its end: the returned path, or the error's description.
    QString download()
    {
        try {
            return coro::waitFor(m_manager->downloadModel(model));
        } catch (const ModelDownloadError &e) {
            return e.errorDescription();
        }
    }

    void expectIdle() const
    {
        EXPECT_FALSE(m_manager->isDownloading());
        EXPECT_TRUE(m_manager->currentDownloadId().isEmpty());
        EXPECT_EQ(m_manager->downloadProgress(), 0.0);
    }

    QTemporaryDir m_dir;
    LoopbackHttpServer m_server;
    std::optional<qint64> m_freeBytes = qint64(1) << 40;
    std::unique_ptr<ModelDownloadManager> m_manager;
};

TEST_F(ModelDownloadTest, CompleteDownloadsReplaceTheModel)
{
    const struct {
        const char *name;
        Response response;
        QByteArray partBefore; // empty: none
        QByteArray rangeAsked; // the Range header of the last request
        std::optional<bool> progressSeen; // a fraction between 0 and 1 was published
    } cases[] = {
        {"withLength", slowly(Response::ok(body)), {}, {}, true},
        {"unknownLength", [] { Response r = slowly(Response::ok(body)); r.sendContentLength = false; return r; }(), {}, {}, false},
        {"resumed", [] { Response r = slowly(Response::ok(body)); r.acceptRanges = true; return r; }(), body.left(100000), "bytes=100000-", true},
        // The server sends the whole file again: the part is overwritten.
        {"resumeIgnored", slowly(Response::ok(body)), body.left(100000), "bytes=100000-", true},
        // A part as long as the file: 416, then the file from its start.
        {"partComplete", [] { Response r = Response::ok(body); r.acceptRanges = true; return r; }(), body, "", std::nullopt},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(target(), previous);
        if (!c.partBefore.isEmpty())
            writeFile(part(), c.partBefore);
        serve(c.response);
        QList<double> progress;
        const auto connection = QObject::connect(m_manager.get(), &ModelDownloadManager::downloadProgressChanged,
                                                 [&](double p) { progress.append(p); });
        QSignalSpy finished(m_manager.get(), &ModelDownloadManager::downloadFinished);

        EXPECT_EQ(download(), target());

        QObject::disconnect(connection);
        EXPECT_TRUE(fileBytes(target()) == body);
        EXPECT_FALSE(QFile::exists(part()));
        EXPECT_EQ(m_server.requests().last().headers.value("range"), c.rangeAsked);
        if (c.progressSeen) {
            EXPECT_EQ(std::any_of(progress.begin(), progress.end(), [](double p) { return p > 0 && p < 1; }), *c.progressSeen);
        }
        if (!progress.isEmpty()) {
            EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end() - 1)) << "only the final reset goes back";
        }
        EXPECT_EQ(finished.count(), 1);
        expectIdle();
        EXPECT_TRUE(m_manager->downloadError().isEmpty());
        EXPECT_TRUE(m_manager->downloadedModels().contains(target()));
    }
}

TEST_F(ModelDownloadTest, FailuresKeepThePreviousModel)
{
    const QString address = m_server.url("/models/" + model.fileName).toString();
    auto with = [](Response r, auto change) {
        change(r);
        return r;
    };
    QByteArray damaged = body;
    damaged[1000] = char(damaged[1000] ^ 1);
    const struct {
        const char *name;
        Response response;
        const char *error; // its start
        QByteArray partAfter; // "<absent>" when removed or never written
    } cases[] = {
        {"notFound", Response::withStatus(404), "Download failed: HTTP 404 Not Found", "<absent>"},
        {"cutShort", with(Response::ok(body), [](Response &r) { r.truncateAfter = 70000; }), "Download failed: ", body.left(70000)},
        {"stalled", with(Response::ok(body), [](Response &r) { r.stallAfter = 90000; }),
         "Download failed: No data received for 1.5 seconds", body.left(90000)},
        {"neverAnswers", with(Response(), [](Response &r) { r.hang = true; }),
         "Download failed: No data received for 1.5 seconds", "<absent>"},
        {"corrupt", Response::ok(damaged), "Download failed: The downloaded file is damaged (SHA-1 ", "<absent>"},
        {"redirectToHttp",
         with(Response::withStatus(302), [&](Response &r) { r.headers.append({"Location", address.toLatin1() + "?again"}); }),
         "Download failed: Redirected to http://127.0.0.1:", "<absent>"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(part());
        writeFile(target(), previous);
        serve(c.response);
        QSignalSpy failed(m_manager.get(), &ModelDownloadManager::downloadFailed);

        const QString error = download();

        EXPECT_TRUE(error.startsWith(c.error)) << error.toStdString();
        EXPECT_EQ(m_manager->downloadError(), error);
        ASSERT_EQ(failed.count(), 1);
        EXPECT_EQ(failed[0][1].toString(), error);
        EXPECT_EQ(fileBytes(target()), previous);
        EXPECT_EQ(fileBytes(part()), c.partAfter) << "a part is kept to be continued, unless it is damaged or empty";
        expectIdle();
    }
}

TEST_F(ModelDownloadTest, NotEnoughRoomNamesBothSizes)
{
    m_freeBytes = 10 * 1024 * 1024;
    EXPECT_EQ(download(), "Download failed: Not enough free disk space in " + m_manager->modelsDirectory()
                              + ": Tiny (English) needs 75.0 MB, 10.0 MB available");
    EXPECT_TRUE(m_server.requests().isEmpty());
}

// A cancelled download: ParlixctlModelsTest's Ctrl+C (the part removed, the model before kept, what
// it says) and SettingsScreenshotsTest's Model tab (no error shown, the row ready again).
TEST_F(ModelDownloadTest, ASecondDownloadIsRefusedAndTheFirstCarriesOn)
{
    serve(slowly(Response::ok(body)));
    auto first = m_manager->downloadModel(model);
    const QString second = download();
    EXPECT_EQ(second, "A download is already in progress");
    EXPECT_TRUE(m_manager->isDownloading());
    EXPECT_EQ(coro::waitFor(std::move(first)), target());
    EXPECT_EQ(fileBytes(target()), body);
}

TEST_F(ModelDownloadTest, DeleteRemovesTheFileAndAStalePart)
{
    m_manager->deleteModel(model); // nothing to delete is no error
    writeFile(target(), previous);
    writeFile(part(), "half");
    QSignalSpy changed(m_manager.get(), &ModelDownloadManager::modelsChanged);
    m_manager->deleteModel(model);
    EXPECT_FALSE(QFile::exists(target()));
    EXPECT_FALSE(QFile::exists(part()));
    EXPECT_EQ(changed.count(), 1);
}

} // namespace
