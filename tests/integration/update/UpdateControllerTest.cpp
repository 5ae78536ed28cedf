// The updater against a real HTTP server on the loopback interface: what each answer of the
// server does to updateAvailable and canCheckForUpdates, which feeds are accepted, and when the
// daily background check runs.
#include "update/UpdateController.h"

#include "Files.h"
#include "LoopbackHttpServer.h"
#include "ScopedEnvironment.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace parlix;
using namespace parlix::update;
using parlix::test::LoopbackHttpServer;
using Response = LoopbackHttpServer::Response;

namespace {

QByteArray appcast(const QByteArray &version)
{
    return "<?xml version=\"1.0\"?><rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">"
           "<channel><item><title>Parlix</title><sparkle:version>" + version + "</sparkle:version>"
           "<enclosure url=\"https://example.org/parlix-" + version + ".tar.gz\"/></item></channel></rss>";
}

class UpdateControllerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_server.isListening()); }

    UpdaterConfig config(const QString &feedUrl)
    {
        UpdaterConfig c;
        c.feedUrl = feedUrl;
        c.runningVersion = QStringLiteral("1.0");
        c.lastCheckFile = lastCheckFile();
        c.now = [this] { return m_now; };
        // Background checks only where a test asks for them.
        c.firstCheckDelay = 48h;
        return c;
    }
    UpdaterConfig config() { return config(m_server.url(QStringLiteral("/appcast.xml")).toString()); }

    QString lastCheckFile() const { return m_dir.filePath(QStringLiteral("state/Parlix/last-update-check")); }

    // Invalid when there is no file.
    QDateTime recordedLastCheck() const
    {
        return QDateTime::fromString(QString::fromUtf8(test::fileBytes(lastCheckFile())).trimmed(), Qt::ISODateWithMs);
    }

    // Runs one interactive check to its end.
    static bool check(UpdateController &updater)
    {
        QSignalSpy finished(&updater, &UpdateController::checkFinished);
        updater.checkForUpdates();
        return finished.count() == 1 || finished.wait(20000);
    }

    QTemporaryDir m_dir;
    LoopbackHttpServer m_server;
    QDateTime m_now = QDateTime(QDate(2025, 6, 1), QTime(9, 0), Qt::UTC);
};

TEST_F(UpdateControllerTest, EachAnswerOfTheServer)
{
    using Kind = CheckOutcome::Kind;
    const struct {
        const char *name;
        std::function<void(LoopbackHttpServer &)> serve;
        Kind outcome;
        bool available;
        const char *error = nullptr;
    } steps[] = {
        {"newer", [](auto &s) { s.setResponse("/appcast.xml", Response::ok(appcast("1.2"), "application/rss+xml")); },
         Kind::updateFound, true},
        {"neverAnswers", [](auto &s) { Response hang; hang.hang = true; s.setResponse("/appcast.xml", hang); }, Kind::failed, true,
         "The update server did not answer within 3 seconds"},
        {"notFound", [](auto &s) { s.setResponse("/appcast.xml", Response::withStatus(404)); }, Kind::failed, true},
        {"oversizeAnnounced",
         [](auto &s) { s.setResponse("/appcast.xml", Response::ok(appcast("9.0") + QByteArray(1024 * 1024, ' '))); },
         Kind::failed, true},
        // No Content-Length, and the body arrives in pieces: counted as it comes.
        {"oversizeUnannounced",
         [](auto &s) {
             Response r = Response::ok(appcast("9.0") + QByteArray(2 * 1024 * 1024, ' '));
             r.sendContentLength = false;
             r.chunkSize = 256 * 1024;
             s.setResponse("/appcast.xml", r);
         },
         Kind::failed, true},
        {"sameVersion", [](auto &s) { s.setResponse("/appcast.xml", Response::ok(appcast("1.0.0"))); }, Kind::noUpdate, false},
        {"refused", [](auto &s) { s.stopListening(); }, Kind::failed, false},
    };

    UpdaterConfig c = config();
    c.transferTimeout = 3s;
    UpdateController updater(c);
    QSignalSpy found(&updater, &UpdateController::interactiveUpdateFound);
    QSignalSpy none(&updater, &UpdateController::interactiveNoUpdateFound);
    QSignalSpy failed(&updater, &UpdateController::interactiveCheckFailed);
    QSignalSpy started(&updater, &UpdateController::interactiveCheckStarted);
    EXPECT_FALSE(updater.updateAvailable());
    QDateTime lastCompleted;
    for (const auto &step : steps) {
        m_now = m_now.addSecs(60);
        step.serve(m_server);
        found.clear();
        none.clear();
        failed.clear();
        started.clear();
        QSignalSpy canCheck(&updater, &UpdateController::canCheckForUpdatesChanged);
        ASSERT_TRUE(updater.canCheckForUpdates()) << step.name;
        ASSERT_TRUE(check(updater)) << step.name;

        EXPECT_EQ(updater.updateAvailable(), step.available) << step.name;
        EXPECT_TRUE(updater.canCheckForUpdates()) << step.name;
        // Not possible while it ran, possible again after.
        ASSERT_GE(canCheck.size(), 2) << step.name;
        EXPECT_FALSE(canCheck.first().at(0).toBool()) << step.name;
        EXPECT_TRUE(canCheck.last().at(0).toBool()) << step.name;
        EXPECT_EQ(started.size(), 1) << step.name;
        EXPECT_EQ(found.size(), step.outcome == Kind::updateFound ? 1 : 0) << step.name;
        EXPECT_EQ(none.size(), step.outcome == Kind::noUpdate ? 1 : 0) << step.name;
        ASSERT_EQ(failed.size(), step.outcome == Kind::failed ? 1 : 0) << step.name;
        const QString reason = failed.value(0).value(0).toString(); // for the dialog
        EXPECT_EQ(reason.isEmpty(), step.outcome != Kind::failed) << step.name;
        EXPECT_TRUE(!step.error || reason == QLatin1String(step.error)) << reason.toStdString();
        if (!found.isEmpty()) {
            const auto item = found.first().at(0).value<AppcastItem>();
            EXPECT_TRUE(item.enclosureUrl.toString().startsWith(QStringLiteral("https://example.org/parlix-"))) << step.name;
        }

        // Only checks that got an answer count as done.
        if (step.outcome != Kind::failed)
            lastCompleted = m_now;
        EXPECT_EQ(recordedLastCheck(), lastCompleted) << step.name;
    }
}

TEST_F(UpdateControllerTest, CancelLeavesEverythingAsItWas)
{
    m_server.setResponse("/appcast.xml", Response::ok(appcast("3.0")));
    UpdateController updater(config());
    ASSERT_TRUE(check(updater));
    ASSERT_TRUE(updater.updateAvailable());
    const QDateTime recorded = recordedLastCheck();
    const QDateTime next = updater.nextScheduledCheck();

    Response hang;
    hang.hang = true;
    m_server.setResponse("/appcast.xml", hang);
    QSignalSpy arrived(&m_server, &LoopbackHttpServer::requestReceived);
    QSignalSpy finished(&updater, &UpdateController::checkFinished);
    QSignalSpy failed(&updater, &UpdateController::interactiveCheckFailed);
    m_now = m_now.addSecs(3600);
    updater.checkForUpdates();
    EXPECT_FALSE(updater.canCheckForUpdates());
    // A second request while one runs is ignored.
    updater.checkForUpdates();
    ASSERT_TRUE(arrived.wait(20000));

    updater.cancelCheck();
    EXPECT_EQ(finished.size(), 1);
    EXPECT_EQ(failed.size(), 0);
    EXPECT_TRUE(updater.canCheckForUpdates());
    EXPECT_TRUE(updater.updateAvailable());
    EXPECT_EQ(recordedLastCheck(), recorded);
    EXPECT_EQ(updater.nextScheduledCheck(), next);
    EXPECT_EQ(m_server.requests().size(), 2);
}

TEST_F(UpdateControllerTest, OnlyHttpAndHttpsFeedsAllowChecks)
{
    const struct {
        const char *name;
        QString feed;
        bool accepted;
    } cases[] = {
        {"none", QString(), false},
        {"ftp", QStringLiteral("ftp://example.org/appcast.xml"), false},
        {"noHost", QStringLiteral("https:///appcast.xml"), false},
        {"httpsUpperCase", QStringLiteral("HTTPS://example.org/appcast.xml"), true},
    };
    for (const auto &c : cases) {
        UpdateController updater(config(c.feed));
        QSignalSpy started(&updater, &UpdateController::interactiveCheckStarted);
        EXPECT_EQ(updater.canCheckForUpdates(), c.accepted) << c.name;
        EXPECT_EQ(updater.nextScheduledCheck().isValid(), c.accepted) << c.name;
        if (!c.accepted) {
            updater.checkForUpdates();
            EXPECT_EQ(started.size(), 0) << c.name;
            EXPECT_FALSE(updater.canCheckForUpdates()) << c.name;
        }
    }
    EXPECT_TRUE(m_server.requests().isEmpty());
}

TEST_F(UpdateControllerTest, FirstBackgroundCheckIsDueADayAfterTheLastOne)
{
    const struct {
        const char *name;
        QByteArray lastCheck; // null: no file
        QDateTime due;
    } cases[] = {
        {"neverChecked", QByteArray(), m_now.addSecs(60)},
        {"twoHoursAgo", m_now.addSecs(-2 * 3600).toString(Qt::ISODateWithMs).toUtf8(), m_now.addSecs(22 * 3600)},
        {"dueInTenSeconds", m_now.addSecs(-(24 * 3600 - 10)).toString(Qt::ISODateWithMs).toUtf8(), m_now.addSecs(60)},
        {"inTheFuture", m_now.addSecs(3600).toString(Qt::ISODateWithMs).toUtf8(), m_now.addSecs(60)},
        {"unreadable", "yesterday", m_now.addSecs(60)},
    };
    for (const auto &c : cases) {
        QFile::remove(lastCheckFile());
        if (!c.lastCheck.isNull())
            test::writeFile(lastCheckFile(), c.lastCheck + '\n');
        UpdaterConfig cfg = config();
        cfg.firstCheckDelay = 60s;
        UpdateController updater(cfg);
        EXPECT_EQ(updater.nextScheduledCheck(), c.due) << c.name;
    }
}

TEST_F(UpdateControllerTest, BackgroundCheckRunsWhenDueAndShowsNothing)
{
    m_server.setResponse("/appcast.xml", Response::ok(appcast("1.5")));
    UpdaterConfig cfg = config();
    cfg.firstCheckDelay = 0ms;
    UpdateController updater(cfg);
    QSignalSpy finished(&updater, &UpdateController::checkFinished);
    QSignalSpy available(&updater, &UpdateController::updateAvailableChanged);
    QSignalSpy started(&updater, &UpdateController::interactiveCheckStarted);
    QSignalSpy found(&updater, &UpdateController::interactiveUpdateFound);
    EXPECT_EQ(updater.nextScheduledCheck(), m_now);
    ASSERT_TRUE(finished.wait(20000));

    EXPECT_TRUE(updater.updateAvailable());
    EXPECT_EQ(available.size(), 1);
    EXPECT_EQ(started.size(), 0);
    EXPECT_EQ(found.size(), 0);
    EXPECT_EQ(m_server.requests().size(), 1);
    EXPECT_EQ(recordedLastCheck(), m_now);
    EXPECT_EQ(updater.nextScheduledCheck(), m_now.addDays(1));

    // A failed background check tries again a day later, without recording a check.
    m_server.setResponse("/appcast.xml", Response::withStatus(503));
    m_now = m_now.addDays(1);
    UpdateController second(cfg);
    QSignalSpy secondFinished(&second, &UpdateController::checkFinished);
    EXPECT_EQ(second.nextScheduledCheck(), m_now);
    ASSERT_TRUE(secondFinished.wait(20000));
    EXPECT_FALSE(second.updateAvailable());
    EXPECT_EQ(recordedLastCheck(), m_now.addDays(-1));
    EXPECT_EQ(second.nextScheduledCheck(), m_now.addDays(1));
}

TEST(UpdaterConfigTest, FeedAndStateFromTheEnvironment)
{
    const QString defaultFile = QDir::homePath() + "/.local/state/Parlix/last-update-check";
    const struct {
        const char *name;
        QByteArray feed, state;
        QString expectedFeed;
    } cases[] = {
        // Set but empty: no feed, whatever the build says.
        {"feedEmpty", "", QByteArray(), ""},
        {"relativeState", "http://x/", "relative/dir", "http://x/"},
    };
    for (const auto &c : cases) {
        const test::ScopedEnvironment feed("PARLIX_UPDATE_FEED_URL", c.feed);
        const test::ScopedEnvironment state("XDG_STATE_HOME", c.state);
        const UpdaterConfig config = UpdaterConfig::fromBuild();
        EXPECT_EQ(config.feedUrl, c.expectedFeed) << c.name;
        EXPECT_EQ(config.lastCheckFile, defaultFile) << c.name;
        EXPECT_FALSE(config.runningVersion.isEmpty()) << c.name;
    }
}

} // namespace
