#pragma once
// Downloads and deletes the catalogue's model files, one download at a time, and publishes what
// a view needs to show it: whether a download runs, which model, how far (as a fraction and in
// bytes), and the last error as the words to show. A view binds to the properties and their
// change signals, starts a download with startDownload(id) (or awaits downloadModel()), stops it
// with cancelDownload(), and refreshes its model list on modelsChanged().
//
// The transfer itself (network, SHA-1, disk) runs on a worker thread of its own (ModelTransfer);
// the main thread only receives its progress, at most about 30 times a second, and its outcome.
#include "models/ModelCatalog.h"
#include "models/ModelDownloadError.h"

#include <QCoroTask>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QThread>
#include <QUrl>

#include <chrono>
#include <functional>
#include <optional>

namespace parlix {

class ModelTransfer;

struct ModelDownloadConfig {
    using ModelInfo = Constants::Models::ModelInfo;

    QString modelsDirectory;
    // A model's address is this followed by its file name.
    QUrl baseUrl;
    // A transfer fails when no byte arrives for this long (not a limit on the whole download).
    std::chrono::milliseconds stallTimeout{60000};
    // Free bytes on the file system holding `directory`; nothing when it cannot be told.
    std::function<std::optional<qint64>(const QString &directory)> freeBytes;
    // For tests only: digests by file name that replace the catalogue's, so that a synthetic
    // model can be served under a catalogue name.
    QHash<QString, QString> digestOverrides;

    static QUrl defaultBaseUrl();

    // The user's models directory and the default base URL, unless PARLIX_MODEL_BASE_URL names
    // another (a mirror, or a test server). Only with that variable set is
    // PARLIX_MODEL_SHA1_OVERRIDES read ("file=sha1[,file=sha1…]"): a test-only way to have a
    // stand-in file accepted under a catalogue name.
    static ModelDownloadConfig fromEnvironment();
};

class ModelDownloadManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isDownloading READ isDownloading NOTIFY isDownloadingChanged)
    Q_PROPERTY(QString currentDownloadId READ currentDownloadId NOTIFY currentDownloadIdChanged)
    Q_PROPERTY(double downloadProgress READ downloadProgress NOTIFY downloadProgressChanged)
    Q_PROPERTY(QString downloadError READ downloadError NOTIFY downloadErrorChanged)
public:
    using ModelInfo = Constants::Models::ModelInfo;

    enum class ModelStatus { absent, downloading, downloaded };
    Q_ENUM(ModelStatus)

    explicit ModelDownloadManager(ModelDownloadConfig config = ModelDownloadConfig::fromEnvironment(), QObject *parent = nullptr);
    // A running download stops and keeps its ".part", so the next one continues it.
    ~ModelDownloadManager() override;

    const QString &modelsDirectory() const { return m_config.modelsDirectory; }
    QString localPath(const ModelInfo &model) const;
    QUrl downloadUrl(const ModelInfo &model) const;
    // The model files present, catalogue ones first (see ModelFiles::downloadedModels).
    QStringList downloadedModels() const;
    ModelStatus status(const ModelInfo &model) const;

    bool isDownloading() const { return m_isDownloading; }
    // The catalogue id of the model being downloaded; empty when none.
    const QString &currentDownloadId() const { return m_currentDownloadId; }
    // Received / expected, 0 to 1; stays 0 while the size is unknown.
    double downloadProgress() const { return m_downloadProgress; }
    qint64 bytesReceived() const { return m_bytesReceived; }
    // -1 while unknown.
    qint64 bytesTotal() const { return m_bytesTotal; }
    // A fraction in whole percent, cut and never rounded up: 37 for 0.379, 29 for 0.29.
    static int wholePercent(double progress);
    // The last failure's description (kept until the next download starts); empty when none.
    QString downloadError() const { return m_downloadError ? m_downloadError->errorDescription() : QString(); }
    const std::optional<ModelDownloadError> &lastError() const { return m_downloadError; }

    // Downloads `model` over the file at localPath(model) and returns that path. Throws
    // ModelDownloadError: alreadyDownloading at once while another download runs (which carries
    // on); cancelled when cancelDownload() ends it; downloadFailed or fileOperationFailed. Any
    // failure leaves the file that was there before untouched.
    QCoro::Task<QString> downloadModel(ModelInfo model);
    // Deletes the model's file (and a partial download of it not running now); nothing to delete
    // is no error. Throws ModelDownloadError::fileOperationFailed.
    void deleteModel(const ModelInfo &model);

public slots:
    // downloadModel() for a view: the outcome arrives through the signals.
    void startDownload(const QString &modelId);
    // Ends the running download at once (the pending downloadModel() throws `cancelled`) and
    // removes its partial file; the model file already there stays. Does nothing when idle.
    void cancelDownload();

signals:
    void isDownloadingChanged(bool isDownloading);
    void currentDownloadIdChanged(const QString &modelId);
    void downloadProgressChanged(double progress);
    void bytesReceivedChanged(qint64 received, qint64 total);
    void downloadErrorChanged(const QString &message);
    void downloadFinished(const QString &modelId, const QString &path);
    // Not for a cancelled download.
    void downloadFailed(const QString &modelId, const QString &message);
    // A model file appeared or went away through this object.
    void modelsChanged();
    // Internal: a download ended (its outcome is recorded first); resumes the matching
    // downloadModel().
    void jobEnded(quint64 jobId);

private:
    void onProgress(quint64 jobId, qint64 received, qint64 total);
    void onCompleted(quint64 jobId, const QString &path);
    void onFailed(quint64 jobId, int failure, const QString &message);
    void end(std::optional<ModelDownloadError> error, const QString &path);
    void setDownloading(bool downloading, const QString &modelId);
    void setProgress(double progress);
    void setBytes(qint64 received, qint64 total);
    void setError(std::optional<ModelDownloadError> error);
    QString expectedSha1(const ModelInfo &model) const;
    std::optional<ModelDownloadError> freeSpaceProblem(const ModelInfo &model) const;

    struct Outcome {
        QString path;
        std::optional<ModelDownloadError> error;
    };

    ModelDownloadConfig m_config;
    QThread m_thread;
    ModelTransfer *m_transfer = nullptr; // lives on m_thread
    quint64 m_lastJob = 0;
    quint64 m_currentJob = 0;
    QString m_currentFileName;
    QHash<quint64, Outcome> m_outcomes;

    bool m_isDownloading = false;
    QString m_currentDownloadId;
    double m_downloadProgress = 0;
    qint64 m_bytesReceived = 0;
    qint64 m_bytesTotal = -1;
    std::optional<ModelDownloadError> m_downloadError;
};

} // namespace parlix
