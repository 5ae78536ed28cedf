#pragma once
// The recorders' error: the capture failed (with the underlying cause) or the microphone is not
// allowed. Thrown by AudioRecorder and LiveAudioRecorder.
#include <QString>

#include <exception>

namespace parlix {

// The cause of a failed recording, as the component that failed reported it.
struct UnderlyingError {
    QString domain;
    int code = 0;
    QString description;
    friend bool operator==(const UnderlyingError &, const UnderlyingError &) = default;
};

class AudioRecorderError : public std::exception {
public:
    enum class Kind { recordingFailed, permissionDenied };

    static AudioRecorderError recordingFailed(UnderlyingError cause) { return {Kind::recordingFailed, std::move(cause)}; }
    static AudioRecorderError permissionDenied() { return {Kind::permissionDenied, {}}; }

    Kind kind() const { return m_kind; }
    const UnderlyingError &underlying() const { return m_underlying; }

    QString errorDescription() const;
    const char *what() const noexcept override { return m_what.constData(); }

private:
    AudioRecorderError(Kind kind, UnderlyingError underlying);

    Kind m_kind;
    UnderlyingError m_underlying;
    QByteArray m_what;
};

} // namespace parlix
