#pragma once
// One clip sent to a whisper-server's inference endpoint (POST, multipart: the WAV file, plain text
// wanted, no timestamps, language, translation, prompt) and its text read back, uncleaned. The
// server may be our own child on 127.0.0.1 or one elsewhere.
#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

namespace parlix {

struct InferenceParameters {
    QString language;
    bool translate = false;
    // Already cut to the tail the engine is given.
    std::optional<QString> prompt;
    // Sent as "Authorization: Bearer …" when not empty.
    QByteArray bearerToken;
};

class InferenceClient : public QObject {
    Q_OBJECT
public:
    explicit InferenceClient(QNetworkAccessManager &network, QObject *parent = nullptr);

    // The server's text. Throws WhisperError: cancelled after abort(), else transcriptionFailed
    // with words naming `endpoint` (unreachable, refused token, an HTTP error, unreadable clip).
    QCoro::Task<QString> post(QUrl endpoint, QString audioPath, InferenceParameters parameters);
    // Ends the request in flight, if any.
    void abort();

private:
    QNetworkAccessManager &m_network;
    QPointer<QNetworkReply> m_reply;
};

} // namespace parlix
