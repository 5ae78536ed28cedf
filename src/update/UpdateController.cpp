#include "update/UpdateController.h"

#include "core/Categories.h"
#include "core/Constants.h"
#include "core/Files.h"
#include "core/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace parlix::update {

namespace {

// A long timer would not count the time the machine sleeps; waking up at least hourly and
// looking at the wall clock keeps a suspended laptop from pushing the check back by days.
constexpr auto longestScheduleWait = std::chrono::milliseconds(1h);

QUrl acceptedFeedUrl(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return {};
    const QUrl url(trimmed, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        log::error(lcUpdate, "Update feed %s is not an http or https URL; update checks are off", trimmed);
        return {};
    }
    return url;
}

QString megabytes(qint64 bytes)
{
    return QString::number(double(bytes) / (1024 * 1024), 'g', 3);
}

} // namespace

UpdaterConfig UpdaterConfig::fromBuild()
{
    UpdaterConfig config;
    // Set but empty in the environment turns checks off for a build that has a feed.
    config.feedUrl = qEnvironmentVariableIsSet("PARLIX_UPDATE_FEED_URL")
                         ? qEnvironmentVariable("PARLIX_UPDATE_FEED_URL")
                         : QStringLiteral(PARLIX_BUILD_UPDATE_FEED_URL);
    config.runningVersion = Constants::appVersion();
    config.lastCheckFile = defaultLastCheckFile();
    return config;
}

QString defaultLastCheckFile()
{
    // XDG: a relative path in the variable is invalid and ignored.
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/Parlix/last-update-check");
}

UpdateController::UpdateController(UpdaterConfig config, QObject *parent)
    : QObject(parent)
    , m_config(std::move(config))
    , m_feedUrl(acceptedFeedUrl(m_config.feedUrl))
{
    m_transferTimer.setSingleShot(true);
    connect(&m_transferTimer, &QTimer::timeout, this, [this] {
        fail(QStringLiteral("The update server did not answer within %1 seconds")
                 .arg(double(m_config.transferTimeout.count()) / 1000));
    });
    m_scheduleTimer.setSingleShot(true);
    connect(&m_scheduleTimer, &QTimer::timeout, this, &UpdateController::scheduleTimerFired);
    if (!m_feedUrl.isValid())
        return;

    const QDateTime now = m_config.now();
    const QDateTime earliest = now.addMSecs(m_config.firstCheckDelay.count());
    const QDateTime last = readLastCheck();
    // A time in the future means the clock was turned back; it says nothing about the last check.
    if (last.isValid() && last <= now)
        scheduleAt(std::max(last.addMSecs(m_config.checkInterval.count()), earliest));
    else
        scheduleAt(earliest);
}

UpdateController::~UpdateController()
{
    dropReply();
}

bool UpdateController::canCheckForUpdates() const
{
    return m_feedUrl.isValid() && !m_reply;
}

void UpdateController::checkForUpdates()
{
    if (!canCheckForUpdates())
        return;
    startCheck(Mode::interactive);
}

void UpdateController::cancelCheck()
{
    if (!m_reply)
        return;
    dropReply();
    log::info(lcUpdate, "Update check cancelled");
    endCheck(false);
    emit checkFinished();
}

void UpdateController::startCheck(Mode mode)
{
    m_mode = mode;
    m_body.clear();
    log::info(lcUpdate, "Checking for updates at %s", m_feedUrl.toString(QUrl::RemoveUserInfo));
    QNetworkRequest request(m_feedUrl);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Parlix/") + m_config.runningVersion);
    m_reply = m_network.get(request);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > m_config.maxFeedBytes)
            fail(QStringLiteral("The update feed is larger than %1 MB").arg(megabytes(m_config.maxFeedBytes)));
    });
    connect(m_reply, &QNetworkReply::readyRead, this, &UpdateController::readBody);
    connect(m_reply, &QNetworkReply::finished, this, &UpdateController::replyFinished);
    m_transferTimer.start(m_config.transferTimeout);
    emit canCheckForUpdatesChanged(false);
    if (mode == Mode::interactive)
        emit interactiveCheckStarted();
}

void UpdateController::readBody()
{
    // A server may leave out the length or lie about it: count what actually arrives.
    m_body += m_reply->readAll();
    if (m_body.size() > m_config.maxFeedBytes)
        fail(QStringLiteral("The update feed is larger than %1 MB").arg(megabytes(m_config.maxFeedBytes)));
}

void UpdateController::replyFinished()
{
    QNetworkReply *reply = m_reply;
    m_body += reply->readAll();
    const QNetworkReply::NetworkError error = reply->error();
    const QString errorText = reply->errorString();
    dropReply();
    if (error != QNetworkReply::NoError) {
        conclude({CheckOutcome::Kind::failed, {}, errorText});
        return;
    }
    if (m_body.size() > m_config.maxFeedBytes) {
        conclude({CheckOutcome::Kind::failed, {},
                  QStringLiteral("The update feed is larger than %1 MB").arg(megabytes(m_config.maxFeedBytes))});
        return;
    }
    conclude(evaluateAppcast(m_body, m_feedUrl, m_config.runningVersion));
}

void UpdateController::dropReply()
{
    m_transferTimer.stop();
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

void UpdateController::fail(const QString &message)
{
    if (!m_reply)
        return;
    dropReply();
    conclude({CheckOutcome::Kind::failed, {}, message});
}

void UpdateController::conclude(const CheckOutcome &outcome)
{
    m_body.clear();
    const bool interactive = m_mode == Mode::interactive;
    switch (outcome.kind) {
    case CheckOutcome::Kind::updateFound:
        log::info(lcUpdate, "Update found: %s", outcome.update.displayVersion());
        setUpdateAvailable(true);
        endCheck(true);
        if (interactive)
            emit interactiveUpdateFound(outcome.update);
        break;
    case CheckOutcome::Kind::noUpdate:
        log::info(lcUpdate, "No update available");
        setUpdateAvailable(false);
        endCheck(true);
        if (interactive)
            emit interactiveNoUpdateFound();
        break;
    case CheckOutcome::Kind::failed:
        log::error(lcUpdate, "Update check failed: %s", outcome.error);
        endCheck(false);
        if (interactive)
            emit interactiveCheckFailed(outcome.error);
        break;
    }
    emit checkFinished();
}

void UpdateController::endCheck(bool completed)
{
    const QDateTime now = m_config.now();
    if (completed) {
        writeLastCheck(now);
        scheduleAt(now.addMSecs(m_config.checkInterval.count()));
    } else if (!m_scheduleTimer.isActive()) {
        // A failed background check: try again a full interval later, not in a loop.
        scheduleAt(now.addMSecs(m_config.checkInterval.count()));
    }
    emit canCheckForUpdatesChanged(canCheckForUpdates());
}

void UpdateController::setUpdateAvailable(bool available)
{
    if (m_updateAvailable == available)
        return;
    m_updateAvailable = available;
    emit updateAvailableChanged(available);
}

void UpdateController::scheduleAt(const QDateTime &due)
{
    m_nextCheck = due;
    armScheduleTimer();
}

void UpdateController::armScheduleTimer()
{
    const auto wait = std::chrono::milliseconds(std::max<qint64>(0, m_config.now().msecsTo(m_nextCheck)));
    m_scheduleTimer.start(std::min(wait, longestScheduleWait));
}

void UpdateController::scheduleTimerFired()
{
    if (m_config.now() < m_nextCheck) {
        armScheduleTimer();
        return;
    }
    // A check already running reschedules when it ends.
    if (!m_reply)
        startCheck(Mode::background);
}

QDateTime UpdateController::readLastCheck() const
{
    QFile file(m_config.lastCheckFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QDateTime::fromString(QString::fromUtf8(file.read(64)).trimmed(), Qt::ISODateWithMs);
}

void UpdateController::writeLastCheck(const QDateTime &when) const
{
    QString error;
    const QString dir = QFileInfo(m_config.lastCheckFile).absolutePath();
    if (!files::ensurePrivateDirectory(dir)
        || !files::writeAtomically(m_config.lastCheckFile, when.toUTC().toString(Qt::ISODateWithMs).toUtf8() + '\n', &error))
        log::error(lcUpdate, "Could not record the time of the update check in %s: %s", m_config.lastCheckFile, error);
}

} // namespace parlix::update
