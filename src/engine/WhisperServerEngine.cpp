#include "engine/WhisperServerEngine.h"

#include "core/Categories.h"
#include "core/Graphemes.h"
#include "core/Log.h"
#include "core/SettingsModel.h"
#include "engine/TranscriptCleaner.h"
#include "engine/WhisperError.h"

#include <QCoroSignal>
#include <QCoroTimer>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QHostAddress>
#include <QNetworkReply>
#include <QTcpServer>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace parlix {

namespace {

const QString kServerName = QStringLiteral("whisper-server");
constexpr qsizetype kPromptLimit = 500;
constexpr qsizetype kOutputTailLimit = 4000;
constexpr std::chrono::milliseconds kHealthPoll{50};

// A port of 127.0.0.1 nobody listens on right now.
quint16 freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

} // namespace

WhisperServerEngine::WhisperServerEngine(SettingsModel &settings, QString resourceDirectory, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_resourceDirectory(std::move(resourceDirectory))
{
    m_idleTimer.setSingleShot(true);
    connect(&m_idleTimer, &QTimer::timeout, this, [this] {
        log::info(lcWhisper, "%s idle for %s min - stopping it", kServerName, QString::number(m_settings.serverIdleMinutes()));
        stop();
    });
}

WhisperServerEngine::~WhisperServerEngine()
{
    stop();
}

QString WhisperServerEngine::serverPath() const
{
    return m_resourceDirectory + QLatin1Char('/') + kServerName;
}

bool WhisperServerEngine::isRunning() const
{
    return m_process && m_process->state() != QProcess::NotRunning;
}

qint64 WhisperServerEngine::serverProcessId() const
{
    return isRunning() ? m_process->processId() : 0;
}

void WhisperServerEngine::stop()
{
    m_idleTimer.stop();
    m_ready = false;
    if (!m_process)
        return;
    std::unique_ptr<QProcess> process = std::move(m_process);
    process->disconnect(this);
    if (process->state() != QProcess::NotRunning) {
        process->terminate();
        if (!process->waitForFinished(2000)) {
            process->kill();
            process->waitForFinished(-1);
        }
        log::info(lcWhisper, "Stopped %s", kServerName);
    }
}

void WhisperServerEngine::restartIdleTimer()
{
    m_idleTimer.start(std::chrono::milliseconds(qint64(m_settings.serverIdleMinutes() * 60'000)));
}

QCoro::Task<> WhisperServerEngine::ensureRunning()
{
    const std::optional<QString> model = m_settings.modelFile();
    if (!model) {
        const QString name = m_settings.modelDisplayName();
        log::error(lcWhisper, "Model not found: %s", name);
        throw WhisperError::modelNotFound(name);
    }
    // Another call may be starting it: wait for that start to end either way.
    while (isRunning() && !m_ready && m_model == *model)
        co_await QCoro::sleepFor(kHealthPoll);
    if (isRunning() && m_ready && m_model == *model)
        co_return;
    stop();
    if (!QFileInfo(serverPath()).isExecutable()) {
        log::error(lcWhisper, "%s not found in bundle", kServerName);
        throw WhisperError::transcriptionFailed(kServerName + QStringLiteral(" not found"));
    }
    m_port = freePort();
    m_model = *model;
    m_outputTail.clear();
    m_process = std::make_unique<QProcess>();
    QProcess *process = m_process.get();
    process->setProgram(serverPath());
    process->setArguments({QStringLiteral("-m"), *model, QStringLiteral("--host"), QStringLiteral("127.0.0.1"),
                           QStringLiteral("--port"), QString::number(m_port)});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::MergedChannels);
    const pid_t parent = ::getpid();
    process->setChildProcessModifier([parent] {
        // Ends with us, however we end; and at once when we are already gone.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(1);
    });
    connect(process, &QProcess::readyRead, this, [this, process] {
        m_outputTail += process->readAll();
        if (m_outputTail.size() > kOutputTailLimit)
            m_outputTail = m_outputTail.right(kOutputTailLimit);
    });
    connect(process, &QProcess::finished, this, [this](int code, QProcess::ExitStatus) {
        m_ready = false;
        m_idleTimer.stop();
        log::error(lcWhisper, "%s ended (code %d): %s", kServerName, code,
                   QString::fromUtf8(m_outputTail).trimmed().right(500));
    });
    log::info(lcWhisper, "Starting %s on port %d with %s", kServerName, int(m_port), QFileInfo(*model).fileName());
    process->start();
    const QUrl health(QStringLiteral("http://127.0.0.1:%1/health").arg(m_port));
    const bool healthy = co_await waitUntilHealthy(health);
    if (!healthy || m_process.get() != process) {
        const QString tail = QString::fromUtf8(m_outputTail).trimmed().right(500);
        stop();
        log::error(lcWhisper, "%s did not come up: %s", kServerName, tail);
        throw WhisperError::transcriptionFailed(kServerName + QStringLiteral(" did not start"));
    }
    m_ready = true;
    log::info(lcWhisper, "%s ready (pid %d)", kServerName, qint64(process->processId()));
    restartIdleTimer();
}

QCoro::Task<bool> WhisperServerEngine::waitUntilHealthy(QUrl health)
{
    QPointer<QProcess> process(m_process.get());
    const QDeadlineTimer deadline(startLimit);
    while (process && process->state() != QProcess::NotRunning && !deadline.hasExpired()) {
        std::unique_ptr<QNetworkReply> reply(m_network.get(QNetworkRequest(health)));
        if (!reply->isFinished())
            co_await qCoro(reply.get(), &QNetworkReply::finished);
        if (reply->error() == QNetworkReply::NoError
            && reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200)
            co_return bool(process);
        co_await QCoro::sleepFor(kHealthPoll);
    }
    co_return false;
}

QCoro::Task<QString> WhisperServerEngine::transcribe(QString audioPath, std::optional<QString> prompt)
{
    co_await ensureRunning();
    log::info(lcWhisper, "Starting transcription: %s (%s)", QFileInfo(audioPath).fileName(), kServerName);
    InferenceParameters parameters;
    parameters.language = m_settings.isEnglishOnlyModel() ? QStringLiteral("en") : m_settings.language();
    parameters.translate = m_settings.shouldTranslate();
    if (prompt && !prompt->isEmpty())
        parameters.prompt = graphemes::suffix(*prompt, kPromptLimit);
    m_idleTimer.stop();
    const QUrl endpoint(QStringLiteral("http://127.0.0.1:%1/inference").arg(m_port));
    QString output;
    m_busy = true;
    try {
        output = co_await m_client.post(endpoint, audioPath, parameters);
        m_busy = false;
    } catch (const WhisperError &e) {
        m_busy = false;
        if (e.kind() != WhisperError::Kind::cancelled)
            log::error(lcWhisper, "%s failed: %s", kServerName, e.errorDescription());
        if (isRunning())
            restartIdleTimer();
        throw;
    }
    restartIdleTimer();
    const QString cleaned = TranscriptCleaner::clean(output);
    log::info(lcWhisper, "Transcription complete: %s...", log::Private{graphemes::prefix(cleaned, 50)});
    co_return cleaned;
}

void WhisperServerEngine::cancel()
{
    // A server busy with the clip, or one still loading for it, would keep going: it is ended
    // and started afresh for the next clip.
    const bool working = m_busy || (isRunning() && !m_ready);
    m_client.abort();
    if (working)
        stop();
}

} // namespace parlix
