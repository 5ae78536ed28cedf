#include "engine/InferenceClient.h"

#include "engine/WhisperError.h"

#include <QCoroSignal>
#include <QFile>
#include <QFileInfo>
#include <QHttpMultiPart>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <memory>

namespace parlix {

namespace {

QHttpPart field(const QByteArray &name, const QByteArray &value)
{
    QHttpPart part;
    part.setHeader(QNetworkRequest::ContentDispositionHeader, QByteArray("form-data; name=\"") + name + '"');
    part.setBody(value);
    return part;
}

// Where a reply's failure is the connection's, not the server's answer.
bool isUnreachable(QNetworkReply::NetworkError error)
{
    return error >= QNetworkReply::ConnectionRefusedError && error < QNetworkReply::ContentAccessDenied
        && error != QNetworkReply::OperationCanceledError;
}

// The address without any user name or password, for messages.
QString shown(const QUrl &url)
{
    return url.toString(QUrl::RemoveUserInfo);
}

} // namespace

InferenceClient::InferenceClient(QNetworkAccessManager &network, QObject *parent)
    : QObject(parent)
    , m_network(network)
{
}

QCoro::Task<QString> InferenceClient::post(QUrl endpoint, QString audioPath, InferenceParameters parameters)
{
    QFile audio(audioPath);
    if (!audio.open(QIODevice::ReadOnly))
        throw WhisperError::transcriptionFailed(QStringLiteral("cannot read %1: %2").arg(audioPath, audio.errorString()));

    auto *form = new QHttpMultiPart(QHttpMultiPart::FormDataType);
    QHttpPart file;
    file.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("audio/wav"));
    file.setHeader(QNetworkRequest::ContentDispositionHeader,
                   QByteArray("form-data; name=\"file\"; filename=\"") + QFileInfo(audioPath).fileName().toUtf8() + '"');
    file.setBody(audio.readAll());
    form->append(file);
    form->append(field("response_format", "text"));
    form->append(field("no_timestamps", "true"));
    form->append(field("language", parameters.language.toUtf8()));
    form->append(field("translate", parameters.translate ? "true" : "false"));
    if (parameters.prompt && !parameters.prompt->isEmpty())
        form->append(field("prompt", parameters.prompt->toUtf8()));

    QNetworkRequest request(endpoint);
    if (!parameters.bearerToken.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + parameters.bearerToken);
    // A redirect could carry the clip and the token to another host.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    std::unique_ptr<QNetworkReply> reply(m_network.post(request, form));
    form->setParent(reply.get());
    m_reply = reply.get();
    if (!reply->isFinished())
        co_await qCoro(reply.get(), &QNetworkReply::finished);

    const QNetworkReply::NetworkError error = reply->error();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray body = reply->readAll();
    if (error == QNetworkReply::OperationCanceledError)
        throw WhisperError::cancelled();
    if (status == 401 || status == 403)
        throw WhisperError::transcriptionFailed(
            QStringLiteral("the server at %1 refused the access token (HTTP %2)").arg(shown(endpoint)).arg(status));
    if (status != 0 && status != 200)
        throw WhisperError::transcriptionFailed(QStringLiteral("the server at %1 answered HTTP %2: %3")
                                                    .arg(shown(endpoint))
                                                    .arg(status)
                                                    .arg(QString::fromUtf8(body.left(200)).trimmed()));
    if (error != QNetworkReply::NoError) {
        const QString what = isUnreachable(error) ? QStringLiteral("cannot reach the server at %1: %2")
                                                  : QStringLiteral("the server at %1 failed: %2");
        throw WhisperError::transcriptionFailed(what.arg(shown(endpoint), reply->errorString()));
    }
    co_return QString::fromUtf8(body);
}

void InferenceClient::abort()
{
    if (m_reply)
        m_reply->abort();
}

} // namespace parlix
