#include "engine/RemoteServerEngine.h"

#include "core/Categories.h"
#include "core/Graphemes.h"
#include "core/Log.h"
#include "core/SettingsModel.h"
#include "engine/RemoteServerToken.h"
#include "engine/TranscriptCleaner.h"
#include "engine/WhisperError.h"

#include <QFileInfo>

namespace parlix {

namespace {
constexpr qsizetype kPromptLimit = 500;
} // namespace

RemoteServerEngine::RemoteServerEngine(SettingsModel &settings, QString tokenPath, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_tokenPath(std::move(tokenPath))
{
}

std::optional<QUrl> RemoteServerEngine::endpointFor(const QString &address)
{
    QUrl url(address.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || (url.scheme() != u"http" && url.scheme() != u"https"))
        return std::nullopt;
    if (url.path().isEmpty() || url.path() == u"/")
        url.setPath(QStringLiteral("/inference"));
    return url;
}

QCoro::Task<QString> RemoteServerEngine::transcribe(QString audioPath, std::optional<QString> prompt)
{
    const QString address = m_settings.remoteServerUrl();
    const std::optional<QUrl> endpoint = endpointFor(address);
    if (!endpoint) {
        const QString reason = address.trimmed().isEmpty()
            ? QStringLiteral("no remote server address is set")
            : QStringLiteral("'%1' is not an http:// or https:// address").arg(address);
        log::error(lcWhisper, "Remote transcription impossible: %s", reason);
        throw WhisperError::transcriptionFailed(reason);
    }
    log::info(lcWhisper, "Starting transcription: %s (remote %s)", QFileInfo(audioPath).fileName(),
              endpoint->toString(QUrl::RemoveUserInfo));
    InferenceParameters parameters;
    parameters.language = m_settings.language();
    parameters.translate = m_settings.translateToEnglish();
    if (prompt && !prompt->isEmpty())
        parameters.prompt = graphemes::suffix(*prompt, kPromptLimit);
    parameters.bearerToken = RemoteServerToken::read(m_tokenPath);
    QString output;
    try {
        output = co_await m_client.post(*endpoint, audioPath, parameters);
    } catch (const WhisperError &e) {
        if (e.kind() != WhisperError::Kind::cancelled)
            log::error(lcWhisper, "Remote transcription failed: %s", e.errorDescription());
        throw;
    }
    const QString cleaned = TranscriptCleaner::clean(output);
    log::info(lcWhisper, "Transcription complete: %s...", log::Private{graphemes::prefix(cleaned, 50)});
    co_return cleaned;
}

void RemoteServerEngine::cancel()
{
    m_client.abort();
}

} // namespace parlix
