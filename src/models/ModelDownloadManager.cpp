#include "models/ModelDownloadManager.h"

#include "core/Categories.h"
#include "core/Log.h"
#include "models/ModelFiles.h"
#include "models/ModelTransfer.h"

#include <QCoroSignal>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStorageInfo>

#include <algorithm>
#include <cmath>

namespace parlix {

namespace {

constexpr auto baseUrlVariable = "PARLIX_MODEL_BASE_URL";
constexpr auto digestOverridesVariable = "PARLIX_MODEL_SHA1_OVERRIDES";

QString formatSize(qint64 bytes)
{
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

} // namespace

QUrl ModelDownloadConfig::defaultBaseUrl()
{
    return QUrl(QStringLiteral("https://huggingface.co/ggerganov/whisper.cpp/resolve/main/"));
}

ModelDownloadConfig ModelDownloadConfig::fromEnvironment()
{
    ModelDownloadConfig config;
    config.modelsDirectory = ModelFiles::modelsDirectory();
    config.baseUrl = defaultBaseUrl();
    const QString base = qEnvironmentVariable(baseUrlVariable).trimmed();
    if (base.isEmpty())
        return config;
    QUrl url(base.endsWith(u'/') ? base : base + u'/', QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != u"https" && url.scheme() != u"http") || url.host().isEmpty()) {
        log::error(lcModelDownload, "Ignoring %s=%s: not an http or https URL", baseUrlVariable, base);
        return config;
    }
    config.baseUrl = url;
    for (const QString &pair : qEnvironmentVariable(digestOverridesVariable).split(u',', Qt::SkipEmptyParts)) {
        const qsizetype eq = pair.indexOf(u'=');
        if (eq > 0)
            config.digestOverrides.insert(pair.left(eq).trimmed(), pair.mid(eq + 1).trimmed().toLower());
    }
    return config;
}

ModelDownloadManager::ModelDownloadManager(ModelDownloadConfig config, QObject *parent)
    : QObject(parent)
    , m_config(std::move(config))
{
    if (!m_config.freeBytes) {
        m_config.freeBytes = [](const QString &directory) -> std::optional<qint64> {
            const QStorageInfo storage(directory);
            if (!storage.isValid())
                return std::nullopt;
            return storage.bytesAvailable();
        };
    }
    qRegisterMetaType<ModelTransfer::Failure>();
    m_thread.setObjectName(QStringLiteral("ModelDownload"));
    m_transfer = new ModelTransfer;
    m_transfer->moveToThread(&m_thread);
    connect(m_transfer, &ModelTransfer::progressed, this, &ModelDownloadManager::onProgress);
    connect(m_transfer, &ModelTransfer::noted, this, [](quint64, const QString &line) { log::info(lcModelDownload, "%s", line); });
    connect(m_transfer, &ModelTransfer::completed, this, &ModelDownloadManager::onCompleted);
    connect(m_transfer, &ModelTransfer::failed, this,
            [this](quint64 job, ModelTransfer::Failure failure, const QString &message) { onFailed(job, int(failure), message); });
    m_thread.start();
}

ModelDownloadManager::~ModelDownloadManager()
{
    // The transfer is deleted on its own thread (its network objects live there); a running
    // download keeps its part.
    ModelTransfer *transfer = m_transfer;
    QMetaObject::invokeMethod(transfer, [transfer] { delete transfer; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

QString ModelDownloadManager::localPath(const ModelInfo &model) const
{
    return m_config.modelsDirectory + u'/' + model.fileName;
}

QUrl ModelDownloadManager::downloadUrl(const ModelInfo &model) const
{
    return m_config.baseUrl.resolved(QUrl(model.fileName));
}

QStringList ModelDownloadManager::downloadedModels() const
{
    return ModelFiles::downloadedModels(m_config.modelsDirectory);
}

ModelDownloadManager::ModelStatus ModelDownloadManager::status(const ModelInfo &model) const
{
    if (m_isDownloading && m_currentDownloadId == model.id)
        return ModelStatus::downloading;
    return QFileInfo(localPath(model)).isFile() ? ModelStatus::downloaded : ModelStatus::absent;
}

QString ModelDownloadManager::expectedSha1(const ModelInfo &model) const
{
    return m_config.digestOverrides.value(model.fileName, model.sha1);
}

std::optional<ModelDownloadError> ModelDownloadManager::freeSpaceProblem(const ModelInfo &model) const
{
    const qint64 size = Constants::Models::approximateBytes(model);
    const std::optional<qint64> free = m_config.freeBytes(m_config.modelsDirectory);
    if (size <= 0 || !free)
        return std::nullopt;
    // A partial download already holds part of it; the old model stays until the new one is in.
    const qint64 needed = size - QFileInfo(ModelTransfer::partPath(localPath(model))).size();
    if (*free >= needed)
        return std::nullopt;
    return ModelDownloadError::downloadFailed(QStringLiteral("Not enough free disk space in %1: %2 needs %3, %4 available")
                                                  .arg(m_config.modelsDirectory, model.displayName, formatSize(needed), formatSize(*free)));
}

int ModelDownloadManager::wholePercent(double progress)
{
    // 0.29 * 100 is 28.999…: the nudge keeps a fraction that is a whole percent whole.
    return int(std::floor(std::clamp(progress, 0.0, 1.0) * 100.0 + 1e-9));
}

QCoro::Task<QString> ModelDownloadManager::downloadModel(ModelInfo model)
{
    if (m_isDownloading)
        throw ModelDownloadError::alreadyDownloading();
    ModelFiles::ensureModelsDirectoryExists(m_config.modelsDirectory);
    if (auto problem = freeSpaceProblem(model)) {
        log::error(lcModelDownload, "Download failed: %s", problem->cause());
        setError(problem);
        emit downloadFailed(model.id, problem->errorDescription());
        throw *problem;
    }
    const QUrl url = downloadUrl(model);
    log::info(lcModelDownload, "Starting download of %s from %s", model.displayName, url.toString(QUrl::RemoveUserInfo));
    setDownloading(true, model.id);
    setProgress(0);
    setError(std::nullopt);
    setBytes(0, -1);

    const quint64 job = ++m_lastJob;
    m_currentJob = job;
    m_currentFileName = model.fileName;
    ModelTransfer::Job transferJob;
    transferJob.id = job;
    transferJob.url = url;
    transferJob.destination = localPath(model);
    transferJob.expectedSha1 = expectedSha1(model);
    transferJob.stallTimeout = m_config.stallTimeout;
    ModelTransfer *transfer = m_transfer;
    QMetaObject::invokeMethod(transfer, [transfer, transferJob] { transfer->start(transferJob); });

    while (co_await qCoro(this, &ModelDownloadManager::jobEnded) != job) {
    }
    const Outcome outcome = m_outcomes.take(job);
    if (outcome.error)
        throw *outcome.error;
    co_return outcome.path;
}

void ModelDownloadManager::startDownload(const QString &modelId)
{
    const ModelInfo *model = Constants::Models::find(modelId);
    if (!model)
        return;
    [](ModelDownloadManager *self, ModelInfo info) -> QCoro::Task<> {
        try {
            co_await self->downloadModel(std::move(info));
        } catch (const ModelDownloadError &) {
            // Published through downloadError and downloadFailed.
        }
    }(this, *model);
}

void ModelDownloadManager::cancelDownload()
{
    if (!m_isDownloading)
        return;
    const quint64 job = m_currentJob;
    m_transfer->markCancelled(job);
    ModelTransfer *transfer = m_transfer;
    QMetaObject::invokeMethod(transfer, [transfer, job] { transfer->cancel(job); });
    end(ModelDownloadError::cancelled(), {});
    log::info(lcModelDownload, "Download cancelled");
    emit jobEnded(job);
}

void ModelDownloadManager::deleteModel(const ModelInfo &model)
{
    const QString path = localPath(model);
    const QString part = ModelTransfer::partPath(path);
    if (!(m_isDownloading && m_currentDownloadId == model.id) && QFileInfo::exists(part))
        QFile::remove(part);
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return;
    QFile file(path);
    if (!file.remove()) {
        log::error(lcModelDownload, "Failed to delete model: %s", file.errorString());
        throw ModelDownloadError::fileOperationFailed(file.errorString());
    }
    log::info(lcModelDownload, "Deleted model: %s", model.fileName);
    emit modelsChanged();
}

void ModelDownloadManager::onProgress(quint64 jobId, qint64 received, qint64 total)
{
    if (jobId != m_currentJob || !m_isDownloading)
        return;
    setBytes(received, total);
    setProgress(total >= 1 ? double(received) / double(total) : 0.0);
}

void ModelDownloadManager::onCompleted(quint64 jobId, const QString &path)
{
    if (jobId != m_currentJob || !m_isDownloading)
        return;
    log::info(lcModelDownload, "Model downloaded successfully to %s", path);
    const QString id = m_currentDownloadId;
    end(std::nullopt, path);
    emit downloadFinished(id, path);
    emit modelsChanged();
    emit jobEnded(jobId);
}

void ModelDownloadManager::onFailed(quint64 jobId, int failure, const QString &message)
{
    if (jobId != m_currentJob || !m_isDownloading)
        return;
    std::optional<ModelDownloadError> error;
    switch (ModelTransfer::Failure(failure)) {
    case ModelTransfer::Failure::transfer:
        log::error(lcModelDownload, "Download failed: %s", message);
        error = ModelDownloadError::downloadFailed(message);
        break;
    case ModelTransfer::Failure::write:
        log::error(lcModelDownload, "Failed to write downloaded file: %s", message);
        error = ModelDownloadError::fileOperationFailed(message);
        break;
    case ModelTransfer::Failure::move:
        log::error(lcModelDownload, "Failed to move downloaded file: %s", message);
        error = ModelDownloadError::fileOperationFailed(message);
        break;
    }
    const QString id = m_currentDownloadId;
    setError(error);
    end(error, {});
    emit downloadFailed(id, error->errorDescription());
    emit jobEnded(jobId);
}

// Records the outcome for the waiting downloadModel() and returns to idle, so that code resumed
// by the outcome can start the next download at once.
void ModelDownloadManager::end(std::optional<ModelDownloadError> error, const QString &path)
{
    m_outcomes.insert(m_currentJob, Outcome{path, std::move(error)});
    m_currentJob = 0;
    m_currentFileName.clear();
    setDownloading(false, QString());
    setProgress(0);
    setBytes(0, -1);
}

void ModelDownloadManager::setDownloading(bool downloading, const QString &modelId)
{
    if (m_isDownloading != downloading) {
        m_isDownloading = downloading;
        emit isDownloadingChanged(downloading);
    }
    if (m_currentDownloadId != modelId) {
        m_currentDownloadId = modelId;
        emit currentDownloadIdChanged(modelId);
    }
}

void ModelDownloadManager::setProgress(double progress)
{
    if (m_downloadProgress == progress)
        return;
    m_downloadProgress = progress;
    emit downloadProgressChanged(progress);
}

void ModelDownloadManager::setBytes(qint64 received, qint64 total)
{
    if (m_bytesReceived == received && m_bytesTotal == total)
        return;
    m_bytesReceived = received;
    m_bytesTotal = total;
    emit bytesReceivedChanged(received, total);
}

void ModelDownloadManager::setError(std::optional<ModelDownloadError> error)
{
    const QString before = downloadError();
    m_downloadError = std::move(error);
    if (downloadError() != before)
        emit downloadErrorChanged(downloadError());
}

} // namespace parlix
