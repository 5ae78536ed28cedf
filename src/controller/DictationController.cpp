#include "controller/DictationController.h"

#include "core/AppState.h"
#include "core/Categories.h"
#include "core/Graphemes.h"
#include "core/Log.h"
#include "core/SettingsModel.h"
#include "core/WavDuration.h"

#include <QPointer>

#include <exception>
#include <utility>

namespace parlix {

namespace {

// The user-facing description of what the current catch block caught.
QString describeCurrentException()
{
    try {
        throw;
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

// Trims spaces and tabs at both ends; line breaks are content (a spoken "new line") and stay.
QString trimmedKeepingLineBreaks(const QString &text)
{
    const auto isHorizontalSpace = [](QChar c) { return c == u'\t' || c.category() == QChar::Separator_Space; };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isHorizontalSpace(text.at(begin)))
        ++begin;
    while (end > begin && isHorizontalSpace(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

DictationController::DictationController(DictationServices services, QObject *parent)
    : QObject(parent)
    , m_services(services)
    , m_settings(services.settings)
    , m_state(services.state)
    // Created once and only started and stopped: a timer's own firing may stop it.
    , m_liveChunkTimer(services.timers.createTimer())
    , m_liveMaxDurationTimer(services.timers.createTimer())
    , m_engineWatchdog(services.timers.createTimer())
{
}

DictationController::~DictationController() = default;

// ---- Wiring ----

void DictationController::setupHotkey()
{
    QPointer self(this);
    m_services.hotkey.setHandlers(
        [self] {
            if (self)
                self->handleHotkeyPressed();
        },
        [self] {
            if (self)
                self->handleHotkeyReleased();
        });
    m_services.hotkey.registerHotkey();
}

void DictationController::setupStateObservers()
{
    // Queued: the icon is redrawn after the change is stored, from the flags as they are then.
    const auto redraw = [this] { updateStatusIcon(); };
    connect(&m_state, &AppState::isRecordingChanged, this, redraw, Qt::QueuedConnection);
    connect(&m_state, &AppState::isTranscribingChanged, this, redraw, Qt::QueuedConnection);
    connect(&m_state, &AppState::isLiveTranscribingChanged, this, redraw, Qt::QueuedConnection);
}

void DictationController::setupSilenceDetection()
{
    QPointer self(this);
    m_services.clipRecorder.setSilenceHandler([self] {
        if (self)
            self->handleSilenceDetected();
    });
    m_services.liveCapture.setSilenceHandler([self] {
        if (self)
            self->handleLiveSilenceDetected();
    });
    m_services.clipRecorder.setInterruptionHandler([self](const QString &description) {
        if (self)
            self->handleRecordingInterrupted(description);
    });
    m_services.liveCapture.setInterruptionHandler([self](const QString &description) {
        if (self)
            self->handleLiveRecordingInterrupted(description);
    });
}

// ---- Triggers ----

bool DictationController::liveDictationChosen() const
{
    return m_settings.experimentalFeaturesEnabled() && m_settings.liveDictationEnabled();
}

void DictationController::startChosenKind()
{
    if (liveDictationChosen())
        startLiveRecording();
    else
        startRecording();
}

void DictationController::requestStart()
{
    if (m_state.isRecording() || m_state.isTranscribing() || m_state.isLiveTranscribing())
        return;
    if (isStartPending()) {
        // Pressed again before the recorder came up: the key is held now, so an earlier
        // release no longer asks for a stop.
        m_stopWhenStarted = false;
        return;
    }
    startChosenKind();
}

void DictationController::requestStop()
{
    if (m_state.isRecording())
        stopRecording();
    else if (m_state.isLiveTranscribing())
        stopLiveRecording();
    else if (isStartPending())
        // Released before the recorder started: stop as soon as it has, instead of recording
        // until some later release.
        m_stopWhenStarted = true;
}

void DictationController::toggleRecording()
{
    if (m_state.isRecording() || m_state.isLiveTranscribing())
        requestStop();
    else
        requestStart();
}

void DictationController::handleHotkeyPressed()
{
    if (m_settings.recordingMode() == RecordingMode::toggle)
        toggleRecording();
    else
        requestStart();
}

void DictationController::handleHotkeyReleased()
{
    if (m_settings.recordingMode() == RecordingMode::pushToTalk)
        requestStop();
}

void DictationController::handleSilenceDetected()
{
    if (!m_state.isRecording())
        return;
    log::info(lcController, "Silence detected - auto-stopping recording");
    stopRecording();
}

void DictationController::handleLiveSilenceDetected()
{
    if (!m_state.isLiveTranscribing())
        return;
    log::info(lcController, "Silence detected - auto-stopping live recording");
    stopLiveRecording();
}

void DictationController::handleLiveMaxDurationReached()
{
    if (!m_state.isLiveTranscribing())
        return;
    log::info(lcController, "Live dictation max duration reached - auto-stopping");
    stopLiveRecording();
}

void DictationController::handleRecordingInterrupted(const QString &description)
{
    if (!m_state.isRecording())
        return;
    log::error(lcController, "Recording interrupted - stopping: %s", description);
    stopRecording();
}

void DictationController::handleLiveRecordingInterrupted(const QString &description)
{
    if (!m_state.isLiveTranscribing())
        return;
    log::error(lcController, "Live recording interrupted - stopping: %s", description);
    stopLiveRecording();
}

// ---- Start guard and clip ----

bool DictationController::mayStart()
{
    // A start still waiting for its recorder counts as running: two recorders must never start.
    if (m_state.canRecord() && !isStartPending())
        return true;
    if (m_state.modelMissing()) {
        log::error(lcController, "Cannot record: no model configured");
        // Where a model is downloaded or chosen.
        openSettingsToTab(SettingsTab::model);
    }
    return false;
}

void DictationController::startRecording()
{
    if (!mayStart())
        return;
    m_startPending = StartKind::clip;
    m_stopWhenStarted = false;
    clipStartStep();
}

QCoro::Task<> DictationController::clipStartStep()
{
    QPointer self(this);
    ClipRecorder &recorder = m_services.clipRecorder;
    std::optional<QString> clip;
    QString failure;
    try {
        clip = co_await recorder.startRecording();
    } catch (...) {
        failure = describeCurrentException();
    }
    if (!self)
        co_return;
    m_startPending = StartKind::none;
    const bool stopNow = std::exchange(m_stopWhenStarted, false);
    if (!clip) {
        log::error(lcController, "Failed to start recording: %s", failure);
        co_return;
    }
    if (!m_state.setRecording(true)) {
        // Something else became active meanwhile; a microphone nobody shows or stops must not run.
        if (const auto file = recorder.stopRecording())
            recorder.deleteRecording(*file);
        co_return;
    }
    log::info(lcController, "Recording started");
    if (stopNow)
        stopRecording();
}

void DictationController::stopRecording()
{
    if (!m_state.isRecording())
        return;
    const std::optional<QString> clip = m_services.clipRecorder.stopRecording();
    m_state.setRecording(false);
    if (!clip)
        return;
    m_state.setTranscribing(true);
    transcribeAndHandle(*clip);
}

QCoro::Task<DictationController::EngineAnswer> DictationController::runEngine(QString audio, std::optional<QString> prompt)
{
    EngineAnswer answer;
    try {
        answer.text = co_await m_services.transcriber.transcribe(audio, prompt);
    } catch (...) {
        answer.failure = describeCurrentException();
    }
    co_return answer;
}

std::chrono::milliseconds DictationController::engineTimeLimit(const QString &audioPath) const
{
    // An unreadable clip gets the fixed part only: the engine will fail on it quickly anyway.
    const double audioSeconds = wavDurationSeconds(audioPath).value_or(0.0);
    const double seconds = m_settings.engineTimeoutSeconds() + m_settings.engineTimeoutPerAudioSecond() * audioSeconds;
    return std::chrono::milliseconds(qint64(std::min(seconds, 30.0 * 24 * 3600) * 1000));
}

QCoro::Task<> DictationController::transcribeAndHandle(QString filePath)
{
    QPointer self(this);
    const quint64 job = ++m_lastJob;
    m_engineJob = job;
    m_engineClip = filePath;
    const std::chrono::milliseconds limit = engineTimeLimit(filePath);
    m_engineWatchdog->start(limit, false, [self, limit] {
        if (self)
            self->handleEngineTimeout(limit);
    });
    const auto [text, failure] = co_await runEngine(filePath, std::nullopt);
    if (!self || m_engineJob != job)
        // Cancelled or timed out: the clip was kept and the app is idle already.
        co_return;
    m_engineJob = 0;
    m_engineWatchdog->stop();

    if (failure) {
        log::error(lcController, "Transcription failed: %s", *failure);
        keepUnsent(filePath);
        m_state.setTranscribing(false);
        emit transcriptionFailed(tr("Transcription failed: %1. The recording was kept; choose Retry Last Recording "
                                    "to try again.").arg(*failure));
        co_return;
    }
    if (text.isEmpty()) {
        // Words the engine missed may still be in it: kept, without a notice.
        log::info(lcController, "Empty transcript, nothing to do");
        keepUnsent(filePath);
        m_state.setTranscribing(false);
        co_return;
    }
    const QString replaced = m_services.rewriter.applyReplacements(text);
    if (replaced.isEmpty()) {
        log::info(lcController, "Transcript empty after replacements, nothing to do");
    } else {
        // Stored before delivery, so the words survive a paste that fails.
        m_services.history.add(replaced, text, m_settings.modelDisplayName());
        m_state.recordTranscription(replaced);
        co_await deliver(replaced);
        if (!self)
            co_return;
    }

    m_state.setTranscribing(false);
    discardClip(filePath);
}

void DictationController::handleEngineTimeout(std::chrono::milliseconds limit)
{
    if (!m_engineJob)
        return;
    log::error(lcController, "Transcription timed out after %d s - the engine was ended", qint64(limit.count() / 1000));
    abandonClip();
    emit transcriptionFailed(tr("Transcription took longer than %n second(s) and was stopped. The recording was kept; "
                                "choose Retry Last Recording to try again.", nullptr, int(limit.count() / 1000)));
}

void DictationController::cancelTranscription()
{
    if (!m_engineJob) {
        log::info(lcController, "Nothing to cancel");
        return;
    }
    log::info(lcController, "Transcription cancelled");
    abandonClip();
}

void DictationController::abandonClip()
{
    const QString clip = std::exchange(m_engineClip, QString());
    m_engineJob = 0;
    m_engineWatchdog->stop();
    m_services.transcriber.cancel();
    keepUnsent(clip);
    m_state.setTranscribing(false);
}

void DictationController::keepUnsent(const QString &path)
{
    if (const auto kept = m_services.unsent.keep(path)) {
        log::info(lcController, "Recording kept for a retry: %s", *kept);
        return;
    }
    log::error(lcController, "Could not keep the recording %s; it stays where it is", path);
}

void DictationController::discardClip(const QString &path)
{
    if (m_services.unsent.contains(path))
        m_services.unsent.remove(path);
    else
        m_services.clipRecorder.deleteRecording(path);
}

bool DictationController::hasUnsentRecording() const
{
    return m_services.unsent.newest().has_value();
}

void DictationController::retryLastRecording()
{
    if (!mayStart())
        return;
    const std::optional<QString> clip = m_services.unsent.newest();
    if (!clip) {
        log::info(lcController, "No recording to retry");
        return;
    }
    if (!m_state.setTranscribing(true))
        return;
    log::info(lcController, "Retrying the recording %s", *clip);
    transcribeAndHandle(*clip);
}

QCoro::Task<> DictationController::deliver(QString text)
{
    TextDelivery &delivery = m_services.delivery;
    try {
        switch (m_settings.outputMode()) {
        case OutputMode::pasteOnly:
            log::info(lcController, "Pasting transcript: %s", log::Private{text});
            co_await delivery.pasteText(text);
            break;
        case OutputMode::pasteAndCopy:
            log::info(lcController, "Pasting and copying transcript: %s", log::Private{text});
            co_await delivery.pasteText(text);
            // After the paste, which puts the previous clipboard back.
            delivery.copyToClipboard(text);
            break;
        case OutputMode::copyOnly:
            log::info(lcController, "Copying transcript to clipboard: %s", log::Private{text});
            delivery.copyToClipboard(text);
            break;
        case OutputMode::historyOnly:
            log::info(lcController, "History only mode - transcript saved to history");
            break;
        }
    } catch (...) {
        // The transcript is already in history; the pipeline must still end and clean up.
        log::error(lcController, "Delivery failed: %s", describeCurrentException());
    }
}

void DictationController::openSettingsToTab(SettingsTab tab)
{
    emit settingsWindowRequested(tab);
}

void DictationController::updateStatusIcon()
{
    emit statusIconUpdateRequested();
}

// ---- Live dictation ----

void DictationController::startLiveRecording()
{
    if (!mayStart())
        return;
    m_startPending = StartKind::live;
    m_stopWhenStarted = false;
    liveStartStep();
}

QCoro::Task<> DictationController::liveStartStep()
{
    QPointer self(this);
    LiveCapture &capture = m_services.liveCapture;
    std::optional<QString> failure;
    try {
        co_await capture.startRecording();
    } catch (...) {
        failure = describeCurrentException();
    }
    if (!self)
        co_return;
    m_startPending = StartKind::none;
    const bool stopNow = std::exchange(m_stopWhenStarted, false);
    if (failure) {
        log::error(lcController, "Failed to start live recording: %s", *failure);
        co_return;
    }
    if (!m_state.setLiveTranscribing(true)) {
        capture.stopRecording();
        co_return;
    }
    m_liveTranscriptParts.clear();
    m_liveRawTranscriptParts.clear();
    m_liveUntyped.clear();
    m_isProcessingChunk = false;

    m_liveChunkTimer->start(liveChunkInterval, true, [self] {
        if (self)
            self->processLiveChunk();
    });
    const qint64 maxMinutes = m_settings.liveDictationMaxMinutes();
    if (maxMinutes >= 1) {
        // Far beyond any timer's reach anyway; the cap only keeps the multiplication in range.
        const qint64 minutes = std::min<qint64>(maxMinutes, qint64(1) << 32);
        m_liveMaxDurationTimer->start(std::chrono::minutes(minutes), false, [self] {
            if (self)
                self->handleLiveMaxDurationReached();
        });
    }
    log::info(lcController, "Live recording started");
    if (stopNow)
        stopLiveRecording();
}

std::optional<QString> DictationController::contextPrompt() const
{
    const QString prompt = m_liveTranscriptParts.mid(std::max<qsizetype>(0, m_liveTranscriptParts.size() - livePromptParts))
                               .join(u' ');
    if (prompt.isEmpty())
        return std::nullopt;
    return prompt;
}

void DictationController::appendLivePart(const QString &rawText, const QString &finalText)
{
    m_liveRawTranscriptParts.append(rawText);
    m_liveTranscriptParts.append(finalText);
}

QCoro::Task<> DictationController::typeText(QString text)
{
    // The result is tested outside the try block: GCC 12 never resumed a coroutine that ended
    // with `if (co_await …) co_return;` inside it.
    bool typed = false;
    try {
        typed = co_await m_services.delivery.typeText(text);
    } catch (...) {
        // The text stays in the dictation's parts; only this typing is lost.
        log::error(lcController, "Typing failed: %s", describeCurrentException());
        co_return;
    }
    if (typed)
        co_return;
    if (m_liveUntyped.isEmpty())
        log::error(lcController, "Live text cannot be typed here; it goes to the clipboard when the dictation ends");
    m_liveUntyped += text;
}

void DictationController::processLiveChunk()
{
    // No new cut once a stop was requested: that audio belongs to the final chunk.
    if (!m_state.isLiveTranscribing() || m_isProcessingChunk || m_liveStopping)
        return;
    const std::optional<QString> chunk = m_services.liveCapture.extractChunk();
    if (!chunk)
        return;
    m_isProcessingChunk = true;
    m_chunkTask = processChunk(*chunk, contextPrompt());
}

QCoro::Task<DictationController::EngineAnswer> DictationController::runLiveEngine(QString chunk,
                                                                                 std::optional<QString> prompt)
{
    QPointer self(this);
    const std::chrono::milliseconds limit = engineTimeLimit(chunk);
    m_engineWatchdog->start(limit, false, [self, limit] {
        if (!self)
            return;
        log::error(lcController, "Live chunk transcription timed out after %d s - the engine was ended",
                   qint64(limit.count() / 1000));
        self->m_services.transcriber.cancel();
    });
    EngineAnswer answer = co_await runEngine(chunk, prompt);
    if (self)
        m_engineWatchdog->stop();
    co_return answer;
}

QCoro::Task<> DictationController::processChunk(QString chunk, std::optional<QString> prompt)
{
    QPointer self(this);
    const auto [text, failure] = co_await runLiveEngine(chunk, prompt);
    if (!self)
        co_return;

    if (failure) {
        log::error(lcController, "Live chunk transcription failed: %s", *failure);
        keepUnsent(chunk);
        m_isProcessingChunk = false;
        co_return;
    }
    if (text.isEmpty()) {
        log::debug(lcController, "Empty chunk transcript");
    } else {
        const QString replaced = m_services.rewriter.applyReplacements(text);
        if (replaced.isEmpty()) {
            log::debug(lcController, "Chunk transcript empty after replacements");
        } else {
            appendLivePart(text, replaced);
            co_await typeText(replaced + u' ');
            if (!self)
                co_return;
            log::debug(lcController, "Live chunk transcribed: %s", log::Private{replaced});
        }
    }
    m_isProcessingChunk = false;
    m_services.liveCapture.deleteChunk(chunk);
}

void DictationController::stopLiveRecording()
{
    // A second stop (silence or the time limit while the final chunk is transcribed) is
    // absorbed: one stop step, one history entry.
    if (!m_state.isLiveTranscribing() || m_liveStopping)
        return;
    m_liveStopping = true;
    m_liveChunkTimer->stop();
    m_liveMaxDurationTimer->stop();
    liveStopStep();
}

QCoro::Task<> DictationController::liveStopStep()
{
    QPointer self(this);
    // A periodic chunk still being transcribed finishes first, so its text is typed before the
    // final chunk's and is part of the history entry.
    if (!m_chunkTask.isReady()) {
        co_await m_chunkTask;
        if (!self)
            co_return;
    }
    co_await processFinalChunk();
    if (!self)
        co_return;
    m_services.liveCapture.stopRecording();
    m_state.setLiveTranscribing(false);

    const QString finalText = trimmedKeepingLineBreaks(m_liveTranscriptParts.join(u' '));
    const QString rawText = trimmedKeepingLineBreaks(m_liveRawTranscriptParts.join(u' '));
    if (!finalText.isEmpty()) {
        m_services.history.add(finalText, rawText, m_settings.modelDisplayName());
        m_state.recordTranscription(finalText);
        log::info(lcController, "Live transcription complete: %s...", log::Private{graphemes::prefix(finalText, 50)});
    }
    m_liveTranscriptParts.clear();
    m_liveRawTranscriptParts.clear();
    m_liveStopping = false;
    log::info(lcController, "Live recording stopped");
    // Where no keys reach other applications the paste leaves the text on the clipboard and
    // asks the user to paste it: one hand-over with everything, not one per chunk.
    const QString untyped = trimmedKeepingLineBreaks(std::exchange(m_liveUntyped, QString()));
    if (untyped.isEmpty())
        co_return;
    try {
        co_await m_services.delivery.pasteText(untyped);
    } catch (...) {
        log::error(lcController, "Delivery failed: %s", describeCurrentException());
    }
}

QCoro::Task<> DictationController::processFinalChunk()
{
    QPointer self(this);
    LiveCapture &capture = m_services.liveCapture;
    const std::optional<QString> chunk = capture.extractFinalChunk();
    if (!chunk)
        co_return;
    const auto [text, failure] = co_await runLiveEngine(*chunk, contextPrompt());
    if (!self)
        co_return;
    if (failure) {
        log::error(lcController, "Final chunk transcription failed: %s", *failure);
        keepUnsent(*chunk);
        co_return;
    }
    if (text.isEmpty()) {
        capture.deleteChunk(*chunk);
        co_return;
    }
    const QString replaced = m_services.rewriter.applyReplacements(text);
    if (replaced.isEmpty()) {
        capture.deleteChunk(*chunk);
        co_return;
    }
    appendLivePart(text, replaced);
    co_await typeText(replaced);
    if (!self)
        co_return;
    log::debug(lcController, "Final chunk transcribed: %s", log::Private{replaced});
    capture.deleteChunk(*chunk);
}

} // namespace parlix
