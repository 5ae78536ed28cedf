#include "audio/AudioRecorderError.h"

#include <QCoreApplication>

namespace parlix {

AudioRecorderError::AudioRecorderError(Kind kind, UnderlyingError underlying)
    : m_kind(kind)
    , m_underlying(std::move(underlying))
    , m_what(errorDescription().toUtf8())
{
}

QString AudioRecorderError::errorDescription() const
{
    switch (m_kind) {
    case Kind::recordingFailed: return QCoreApplication::translate("parlix::AudioRecorderError", "Recording failed: %1").arg(m_underlying.description);
    case Kind::permissionDenied: return QCoreApplication::translate("parlix::AudioRecorderError", "Microphone permission denied");
    }
    return {};
}

} // namespace parlix
