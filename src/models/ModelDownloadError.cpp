#include "models/ModelDownloadError.h"

#include <QCoreApplication>

namespace parlix {

ModelDownloadError::ModelDownloadError(Kind kind, QString cause)
    : m_kind(kind)
    , m_cause(std::move(cause))
    , m_what(errorDescription().toUtf8())
{
}

QString ModelDownloadError::errorDescription() const
{
    switch (m_kind) {
    case Kind::downloadFailed: return QCoreApplication::translate("parlix::ModelDownloadError", "Download failed: %1").arg(m_cause);
    case Kind::fileOperationFailed: return QCoreApplication::translate("parlix::ModelDownloadError", "File operation failed: %1").arg(m_cause);
    case Kind::alreadyDownloading: return QCoreApplication::translate("parlix::ModelDownloadError", "A download is already in progress");
    case Kind::cancelled: return QCoreApplication::translate("parlix::ModelDownloadError", "Download cancelled");
    }
    return {};
}

} // namespace parlix
