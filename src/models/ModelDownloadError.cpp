#include "models/ModelDownloadError.h"

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
    case Kind::downloadFailed: return QStringLiteral("Download failed: ") + m_cause;
    case Kind::fileOperationFailed: return QStringLiteral("File operation failed: ") + m_cause;
    case Kind::alreadyDownloading: return QStringLiteral("A download is already in progress");
    case Kind::cancelled: return QStringLiteral("Download cancelled");
    }
    return {};
}

} // namespace parlix
