#include "audio/AudioRecorderError.h"

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
    case Kind::recordingFailed: return QStringLiteral("Recording failed: ") + m_underlying.description;
    case Kind::permissionDenied: return QStringLiteral("Microphone permission denied");
    }
    return {};
}

} // namespace parlix
