#pragma once
// The updater: fetches the appcast, tells the menu whether a check is possible and whether the
// last one found something newer, runs the interactive check the menu offers (its dialogs are
// driven through the interactive* signals), and checks quietly once a day while the app runs.
#include "update/AppcastFeed.h"

#include <QDateTime>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <functional>

class QNetworkReply;

namespace parlix::update {

using namespace std::chrono_literals;

struct UpdaterConfig {
    // As configured; only http and https are accepted, anything else turns checks off.
    QString feedUrl;
    QString runningVersion;
    // Holds the time of the last completed check.
    QString lastCheckFile;
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTimeUtc(); };
    std::chrono::milliseconds checkInterval = 24h;
    // The earliest background check after creation (also when no check is on record).
    std::chrono::milliseconds firstCheckDelay = 60s;
    // For the whole transfer, not per read.
    std::chrono::milliseconds transferTimeout = 30s;
    qint64 maxFeedBytes = 1024 * 1024;

    // The feed named at build time (CMake's PARLIX_UPDATE_FEED_URL) unless the environment
    // variable PARLIX_UPDATE_FEED_URL is set; the running version; the default state file.
    static UpdaterConfig fromBuild();
};

// $XDG_STATE_HOME/Parlix/last-update-check (~/.local/state when the variable is unset).
QString defaultLastCheckFile();

class UpdateController : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)
    Q_PROPERTY(bool updateAvailable READ updateAvailable NOTIFY updateAvailableChanged)
public:
    explicit UpdateController(UpdaterConfig config, QObject *parent = nullptr);
    ~UpdateController() override;

    // A feed is configured and no check is running.
    bool canCheckForUpdates() const;
    // The build (or the environment) names a usable feed; without one updates come from elsewhere.
    bool hasFeed() const { return m_feedUrl.isValid(); }
    // The last completed check found a newer version.
    bool updateAvailable() const { return m_updateAvailable; }
    const QString &runningVersion() const { return m_config.runningVersion; }
    // When the next background check is due; invalid without a feed.
    QDateTime nextScheduledCheck() const { return m_nextCheck; }

public slots:
    // The interactive check; ignored while another check runs.
    void checkForUpdates();
    // Aborts the running check: the flags stay as they were and no outcome is reported.
    void cancelCheck();

signals:
    void canCheckForUpdatesChanged(bool canCheck);
    void updateAvailableChanged(bool available);
    void interactiveCheckStarted();
    void interactiveUpdateFound(const parlix::update::AppcastItem &update);
    void interactiveNoUpdateFound();
    void interactiveCheckFailed(const QString &message);
    // Every check ends with this, whatever its outcome (also when cancelled).
    void checkFinished();

private:
    enum class Mode { background, interactive };

    void startCheck(Mode mode);
    void readBody();
    void replyFinished();
    // Detaches and aborts the running transfer; its signals no longer reach us.
    void dropReply();
    void fail(const QString &message);
    void conclude(const CheckOutcome &outcome);
    void endCheck(bool completed);
    void setUpdateAvailable(bool available);

    void scheduleAt(const QDateTime &due);
    void armScheduleTimer();
    void scheduleTimerFired();
    QDateTime readLastCheck() const;
    void writeLastCheck(const QDateTime &when) const;

    UpdaterConfig m_config;
    QUrl m_feedUrl;
    QNetworkAccessManager m_network;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_body;
    Mode m_mode = Mode::background;
    QTimer m_transferTimer;
    bool m_updateAvailable = false;
    QDateTime m_nextCheck;
    QTimer m_scheduleTimer;
};

} // namespace parlix::update
