#include "engine/WhisperError.h"

#include <QCoreApplication>

namespace parlix {

WhisperError::WhisperError(Kind kind, QString payload, qint32 status)
    : m_kind(kind)
    , m_payload(std::move(payload))
    , m_status(status)
    , m_what(errorDescription().toUtf8())
{
}

QString WhisperError::errorDescription() const
{
    switch (m_kind) {
    case Kind::modelNotFound: return QCoreApplication::translate("parlix::WhisperError", "Model file not found: %1").arg(m_payload);
    case Kind::transcriptionFailed: return QCoreApplication::translate("parlix::WhisperError", "Transcription failed: %1").arg(m_payload);
    case Kind::processError: return QStringLiteral("whisper-cli exited with code ") + QString::number(m_status);
    case Kind::engineNotFound: return QStringLiteral("whisper-cli not found in app bundle");
    case Kind::cancelled: return QStringLiteral("Transcription cancelled");
    }
    return {};
}

} // namespace parlix
