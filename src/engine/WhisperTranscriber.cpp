#include "engine/WhisperTranscriber.h"

#include "core/Categories.h"
#include "core/Graphemes.h"
#include "core/Log.h"
#include "core/SettingsModel.h"
#include "engine/TranscriptCleaner.h"

#include <QCoroFuture>
#include <QFileInfo>
#include <QProcess>
#include <QStringDecoder>
#include <QtConcurrent/QtConcurrentRun>


#include <utility>

namespace parlix {

namespace {

const QString kEngineName = QStringLiteral("whisper-cli");
// Longest prompt tail handed to the engine, in characters.
constexpr qsizetype kPromptLimit = 500;
// Characters of text shown in log lines.
constexpr qsizetype kPreviewLength = 50;
// The engine's stderr can be huge (it prints its whole model description); the log keeps the end.
constexpr qsizetype kLoggedStderrLimit = 4000;

// Strict UTF-8 decoding; nothing when the bytes are not valid UTF-8.
std::optional<QString> decodeUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

struct ChildResult {
    bool cancelled = false;
    bool started = false;
    QString launchError;
    int status = 0;
    QByteArray standardOutput;
    QByteArray standardError;
};

// How often a waiting worker looks whether the call was cancelled.
constexpr int kCancelPollMs = 50;

// Runs the engine to completion, or kills it once `cancelEpoch` moves away from `epoch`. QProcess
// reads both pipes while waiting, so the child never blocks on a full pipe however much it writes.
ChildResult runChild(const QString &program, const QStringList &arguments, const std::atomic<quint64> *cancelEpoch,
                     quint64 epoch)
{
    ChildResult result;
    const auto cancelled = [&] { return cancelEpoch->load() != epoch; };
    if (cancelled()) {
        result.cancelled = true;
        return result;
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(-1)) {
        result.launchError = process.errorString();
        return result;
    }
    result.started = true;
    while (!process.waitForFinished(kCancelPollMs)) {
        if (process.state() == QProcess::NotRunning)
            break;
        if (cancelled()) {
            process.kill();
            process.waitForFinished(-1);
            result.cancelled = true;
            return result;
        }
    }
    // After a crash Qt reports the terminating signal as the exit code.
    result.status = process.exitCode();
    if (process.exitStatus() == QProcess::CrashExit && result.status == 0)
        result.status = -1;
    result.standardOutput = process.readAllStandardOutput();
    result.standardError = process.readAllStandardError();
    return result;
}

// whisper-cli exits 0 when it cannot read the audio or rejects an option, with nothing on
// stdout and "error: …" on stderr. Returns that first error line.
std::optional<QString> silentFailure(const QByteArray &standardOutput, const QByteArray &standardError)
{
    if (!standardOutput.trimmed().isEmpty())
        return std::nullopt;
    for (const QByteArray &line : standardError.split('\n')) {
        if (line.startsWith("error:"))
            return QString::fromUtf8(line.trimmed());
    }
    return std::nullopt;
}

// What whisper-cli's "system_info: " line on stderr says: its threads and the CPU features its
// build uses (e.g. "... | CPU : SSE3 = 1 | AVX2 = 1 | AVX512 = 1 | ...").
std::optional<QString> systemInfo(const QByteArray &standardError)
{
    static const QByteArray prefix = "system_info: ";
    for (const QByteArray &line : standardError.split('\n')) {
        if (line.startsWith(prefix))
            return QString::fromUtf8(line.mid(prefix.size()).trimmed());
    }
    return std::nullopt;
}

} // namespace

WhisperTranscriber::WhisperTranscriber(SettingsModel &settings, QString resourceDirectory, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_resourceDirectory(std::move(resourceDirectory))
{
    m_worker.setMaxThreadCount(1);
    m_worker.setExpiryTimeout(-1);
}

WhisperTranscriber::~WhisperTranscriber()
{
    m_worker.waitForDone();
}

QString WhisperTranscriber::enginePath() const
{
    return m_resourceDirectory + QLatin1Char('/') + kEngineName;
}

void WhisperTranscriber::cancel()
{
    ++m_cancelEpoch;
}

QCoro::Task<bool> WhisperTranscriber::isEngineAvailable()
{
    const QFileInfo engine(enginePath());
    co_return engine.isFile() && engine.isExecutable();
}

QCoro::Task<QString> WhisperTranscriber::transcribe(QString audioPath, std::optional<QString> prompt)
{
    const QString engine = enginePath();
    if (!QFileInfo::exists(engine)) {
        log::error(lcWhisper, "%s not found in bundle", kEngineName);
        throw WhisperError::engineNotFound();
    }
    const std::optional<QString> model = m_settings.modelFile();
    if (!model) {
        const QString name = m_settings.modelDisplayName();
        log::error(lcWhisper, "Model not found: %s", name);
        throw WhisperError::modelNotFound(name);
    }
    log::info(lcWhisper, "Starting transcription: %s", QFileInfo(audioPath).fileName());
    log::debug(lcWhisper, "Engine: %s", engine);
    log::debug(lcWhisper, "Model: %s", *model);

    const QString language = m_settings.isEnglishOnlyModel() ? QStringLiteral("en") : m_settings.language();
    const bool translate = m_settings.shouldTranslate();

    QStringList arguments = {QStringLiteral("-m"), *model, QStringLiteral("-f"), audioPath, QStringLiteral("-nt")};
    const bool reportSystemInfo = std::exchange(m_firstRun, false);
    if (!reportSystemInfo)
        arguments << QStringLiteral("-np");
    arguments << QStringLiteral("-l") << language;
    if (translate) {
        arguments << QStringLiteral("-tr");
        log::debug(lcWhisper, "Translation mode enabled - output will be in English");
    }
    if (prompt && !prompt->isEmpty()) {
        const QString tail = graphemes::suffix(*prompt, kPromptLimit);
        arguments << QStringLiteral("--prompt") << tail;
        log::debug(lcWhisper, "Using prompt context: %s...", log::Private{graphemes::prefix(tail, kPreviewLength)});
    }
    log::debug(lcWhisper, "Language: %s, Translate: %{bool}d", language, translate);

    const ChildResult child = co_await QtConcurrent::run(&m_worker, runChild, engine, arguments, &m_cancelEpoch,
                                                         m_cancelEpoch.load());
    if (child.cancelled) {
        log::info(lcWhisper, "Transcription cancelled: %s", QFileInfo(audioPath).fileName());
        throw WhisperError::cancelled();
    }

    if (reportSystemInfo) {
        if (const auto info = systemInfo(child.standardError))
            log::info(lcWhisper, "Engine CPU features: %s", *info);
    }
    if (!child.started) {
        log::error(lcWhisper, "Failed to run %s: %s", kEngineName, child.launchError);
        throw WhisperError::transcriptionFailed(child.launchError);
    }
    if (child.status != 0) {
        QString errorText = decodeUtf8(child.standardError).value_or(QStringLiteral("Unknown error"));
        if (errorText.size() > kLoggedStderrLimit)
            errorText = QStringLiteral("…") + errorText.right(kLoggedStderrLimit);
        log::error(lcWhisper, "%s failed with code %d: %s", kEngineName, child.status, errorText);
        throw WhisperError::processError(child.status);
    }
    if (const auto failure = silentFailure(child.standardOutput, child.standardError)) {
        log::error(lcWhisper, "%s failed with code %d: %s", kEngineName, child.status, *failure);
        throw WhisperError::transcriptionFailed(*failure);
    }
    const std::optional<QString> output = decodeUtf8(child.standardOutput);
    if (!output)
        throw WhisperError::transcriptionFailed(QStringLiteral("Unable to decode output"));

    const QString cleaned = TranscriptCleaner::clean(*output);
    log::info(lcWhisper, "Transcription complete: %s...", log::Private{graphemes::prefix(cleaned, kPreviewLength)});
    co_return cleaned;
}

} // namespace parlix
