#pragma once
// One model file fetched over HTTP(S): streamed into "<destination>.part", hashed (SHA-1) while it
// arrives, and renamed over the destination only once it is complete and matches its digest, so
// a failed, cut short, corrupt or cancelled download never touches the file already there.
// A ".part" left by an interrupted download is continued with a Range request when the server
// allows it, else started over.
//
// Lives on the downloader's worker thread (start() and cancel() are called there, queued): the
// network, the hashing and the writing never run on the main thread. It reports throttled
// progress and one outcome per job through its signals.
#include "models/Sha1.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

namespace parlix {

class ModelTransfer : public QObject {
    Q_OBJECT
public:
    struct Job {
        quint64 id = 0;
        QUrl url;
        QString destination;
        // Lower-case hex; empty keeps the file unverified.
        QString expectedSha1;
        // The transfer fails when no byte arrives for this long.
        std::chrono::milliseconds stallTimeout{60000};
        // At most one progress report per interval (the last one is always sent).
        std::chrono::milliseconds progressInterval{33};
    };

    enum class Failure {
        // Network, HTTP status, cut short, stalled, checksum: reported as downloadFailed.
        transfer,
        // The ".part" could not be written or synced.
        write,
        // The finished file could not be renamed over the destination.
        move,
    };
    Q_ENUM(Failure)

    explicit ModelTransfer(QObject *parent = nullptr);
    ~ModelTransfer() override;

    static QString partPath(const QString &destination) { return destination + QStringLiteral(".part"); }

    // Worker thread.
    void start(const Job &job);
    // Worker thread: stops the job and removes its ".part". Nothing is reported for it.
    void cancel(quint64 jobId);
    // Worker thread: stops the running job and keeps its ".part" for a later resume (quit).
    void abandon();

    // Any thread: a job cancelled here is never renamed into place, even when its last bytes
    // are already being checked.
    void markCancelled(quint64 jobId) { m_cancelled.store(jobId); }

signals:
    // `total` is -1 while unknown. Both count the whole file, a resumed part included.
    void progressed(quint64 jobId, qint64 received, qint64 total);
    void completed(quint64 jobId, const QString &path);
    void failed(quint64 jobId, parlix::ModelTransfer::Failure failure, const QString &message);
    // A line for the log (resuming, starting over), logged by the receiver on its own thread.
    void noted(quint64 jobId, const QString &line);

private:
    enum class Part { keep, remove };

    void sendRequest();
    void restartFromZero();
    bool emptyPart();
    bool acceptResponse();
    void readBody();
    void finishReply();
    void checkStall();
    void reportProgress(bool force);
    void fail(Failure failure, const QString &message, Part part);
    void dropReply();
    void endJob(Part part);

    std::unique_ptr<QNetworkAccessManager> m_network;
    QPointer<QNetworkReply> m_reply;
    Job m_job;
    int m_fd = -1; // the ".part", open while a job runs
    Sha1 m_hash;
    QByteArray m_buffer;
    qint64 m_offset = 0; // bytes of the ".part" asked to be skipped (Range)
    qint64 m_received = 0;
    qint64 m_total = -1;
    bool m_accepted = false;
    int m_redirects = 0;
    QElapsedTimer m_sinceData;
    QElapsedTimer m_sinceReport;
    QTimer m_stallTimer;
    // Reports the progress held back by the interval, so a transfer that pauses right after a
    // burst shows what it has received.
    QTimer m_progressTimer;
    std::atomic<quint64> m_cancelled{0};
};

} // namespace parlix
