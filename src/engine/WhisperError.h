#pragma once
// The engines' error: one of five cases with a fixed user-facing description.
#include <QString>

#include <exception>

namespace parlix {

class WhisperError : public std::exception {
public:
    enum class Kind { modelNotFound, transcriptionFailed, processError, engineNotFound, cancelled };

    static WhisperError modelNotFound(const QString &modelDisplayName) { return {Kind::modelNotFound, modelDisplayName, 0}; }
    static WhisperError transcriptionFailed(const QString &reason) { return {Kind::transcriptionFailed, reason, 0}; }
    static WhisperError processError(qint32 status) { return {Kind::processError, {}, status}; }
    static WhisperError engineNotFound() { return {Kind::engineNotFound, {}, 0}; }
    // The call was ended on request (the user's Cancel, the watchdog).
    static WhisperError cancelled() { return {Kind::cancelled, {}, 0}; }

    Kind kind() const { return m_kind; }
    // The model display name or the failure reason.
    QString payload() const { return m_payload; }
    qint32 exitStatus() const { return m_status; }

    QString errorDescription() const;
    const char *what() const noexcept override { return m_what.constData(); }

private:
    WhisperError(Kind kind, QString payload, qint32 status);

    Kind m_kind;
    QString m_payload;
    qint32 m_status;
    QByteArray m_what;
};

} // namespace parlix
