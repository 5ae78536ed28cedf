#pragma once
// The downloader's error. Its description is the text the user sees (Model tab, parlixctl).
#include <QByteArray>
#include <QString>

#include <exception>

namespace parlix {

class ModelDownloadError : public std::exception {
public:
    enum class Kind {
        // The transfer failed, the server refused, the file was corrupt, or there is no room.
        downloadFailed,
        // The downloaded file could not be written or put in place, or a model not deleted.
        fileOperationFailed,
        alreadyDownloading,
        // cancelDownload() ended the download.
        cancelled,
    };

    static ModelDownloadError downloadFailed(QString cause) { return {Kind::downloadFailed, std::move(cause)}; }
    static ModelDownloadError fileOperationFailed(QString cause) { return {Kind::fileOperationFailed, std::move(cause)}; }
    static ModelDownloadError alreadyDownloading() { return {Kind::alreadyDownloading, {}}; }
    static ModelDownloadError cancelled() { return {Kind::cancelled, {}}; }

    Kind kind() const { return m_kind; }
    const QString &cause() const { return m_cause; }

    // "Download failed: …", "File operation failed: …", "A download is already in progress",
    // "Download cancelled".
    QString errorDescription() const;
    const char *what() const noexcept override { return m_what.constData(); }

private:
    ModelDownloadError(Kind kind, QString cause);

    Kind m_kind;
    QString m_cause;
    QByteArray m_what;
};

} // namespace parlix
