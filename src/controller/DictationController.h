#pragma once
// The dictation controller: receives every trigger (hotkey press and release, menu commands, the
// recorders' silence callbacks, the live timers), decides whether it starts or stops something,
// and drives one dictation from start to end — a clip (record, transcribe, rewrite, store,
// deliver, delete) or a live dictation (3-second chunks typed while the user speaks, one history
// entry at the end).
//
// It keeps no recording state of its own beyond what is in flight: whether something runs is read
// from AppState every time. Everything runs on the main thread; the waits (recorder start, engine,
// delivery) are coroutines that resume there.
#include "controller/DictationServices.h"
#include "core/SettingsTab.h"

#include <QCoroTask>
#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

namespace parlix {

class DictationController : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds liveChunkInterval{3000};
    // How many of the latest typed parts make up the context prompt of the next chunk.
    static constexpr qsizetype livePromptParts = 5;

    explicit DictationController(DictationServices services, QObject *parent = nullptr);
    ~DictationController() override;

    // Wiring, each called once at startup.
    void setupHotkey();
    void setupStateObservers();
    // Also installs the recorders' interruption callbacks.
    void setupSilenceDetection();

    // The one start/stop entry for every trigger (hotkey, tray menu, D-Bus), with press and
    // release meaning. requestStart() starts a clip or live dictation when nothing runs or is
    // starting; requestStop() stops what runs, or, while a recorder is still starting, stops it
    // once it has started.
    void requestStart();
    void requestStop();
    // Stops what runs, else starts: the menu's start/stop item and a toggle-mode hotkey press.
    void toggleRecording();

    // Triggers.
    void handleHotkeyPressed();
    void handleHotkeyReleased();
    void handleSilenceDetected();
    void handleLiveSilenceDetected();
    void handleLiveMaxDurationReached();
    // Capture ended on its own: what was recorded is finished like a normal stop, so the icon
    // does not go on showing a recording that no longer hears anything.
    void handleRecordingInterrupted(const QString &description);
    void handleLiveRecordingInterrupted(const QString &description);

    // Actions.
    void startRecording();
    void stopRecording();
    void startLiveRecording();
    void stopLiveRecording();
    // The clip pipeline. Never throws. The clip is deleted once its text is delivered (or the
    // rules made nothing of it); otherwise it is kept among the unsent recordings.
    QCoro::Task<> transcribeAndHandle(QString filePath);

    // While an engine works on a clip: ends it and goes back to idle at once, without waiting
    // for the engine; the clip is kept among the unsent recordings.
    void cancelTranscription();
    bool canCancelTranscription() const { return m_engineJob != 0; }
    // Transcribes and delivers the newest unsent recording when nothing runs.
    void retryLastRecording();
    bool hasUnsentRecording() const;
    // How long the engine may work on `audioPath` before the watchdog ends it.
    std::chrono::milliseconds engineTimeLimit(const QString &audioPath) const;
    void openSettingsToTab(SettingsTab tab);
    void updateStatusIcon();

    // The live loop's steps (called by its timer and its stop step).
    void processLiveChunk();
    QCoro::Task<> processFinalChunk();

    // A recorder is starting: the activity flags are not set yet, but no other start may begin.
    bool isStartPending() const { return m_startPending != StartKind::none; }
    // A live dictation is between its stop request and the end of its stop step.
    bool isLiveStopping() const { return m_liveStopping; }
    bool isProcessingChunk() const { return m_isProcessingChunk; }
    const QStringList &liveTranscriptParts() const { return m_liveTranscriptParts; }
    const QStringList &liveRawTranscriptParts() const { return m_liveRawTranscriptParts; }

signals:
    // The status icon should be redrawn from the current AppState flags.
    void statusIconUpdateRequested();
    // Open the settings window on `tab`, replacing any window opened before.
    void settingsWindowRequested(SettingsTab tab);
    // A clip's transcription failed or timed out and the recording was kept; `message` is the
    // user-facing text of the notice offering a retry.
    void transcriptionFailed(const QString &message);

private:
    enum class StartKind { none, clip, live };

    bool liveDictationChosen() const;
    void startChosenKind();
    // The start guard shared by clips and live dictations.
    bool mayStart();
    QCoro::Task<> clipStartStep();
    QCoro::Task<> liveStartStep();
    QCoro::Task<> liveStopStep();
    QCoro::Task<> processChunk(QString chunk, std::optional<QString> prompt);
    // The engine's text for `audio`, or why there is none. Never throws.
    struct EngineAnswer {
        QString text;
        std::optional<QString> failure;
    };
    QCoro::Task<EngineAnswer> runEngine(QString audio, std::optional<QString> prompt);
    // runEngine() for a live chunk, under the watchdog: a stuck engine is ended (the chunk then
    // fails) so the live loop and its stop step go on.
    QCoro::Task<EngineAnswer> runLiveEngine(QString chunk, std::optional<QString> prompt);
    QCoro::Task<> deliver(QString text);
    void handleEngineTimeout(std::chrono::milliseconds limit);
    // The clip's transcription ends without delivering: stop the engine, keep the clip, go idle.
    void abandonClip();
    // Keeps a recording that delivered nothing; deletes it only when it cannot be kept.
    void keepUnsent(const QString &path);
    // Removes a clip whose text was delivered, from wherever it is.
    void discardClip(const QString &path);
    // Types a live chunk; what cannot be typed is kept for the hand-over at the end.
    QCoro::Task<> typeText(QString text);
    std::optional<QString> contextPrompt() const;
    void appendLivePart(const QString &rawText, const QString &finalText);

    DictationServices m_services;
    SettingsModel &m_settings;
    AppState &m_state;

    std::unique_ptr<ControllerTimer> m_liveChunkTimer;
    std::unique_ptr<ControllerTimer> m_liveMaxDurationTimer;
    // Ends an engine that works on a clip for too long.
    std::unique_ptr<ControllerTimer> m_engineWatchdog;
    // The clip transcription the engine works on (0: none) and its clip. A job that was cancelled
    // or timed out is no longer current; its late answer is ignored.
    quint64 m_engineJob = 0;
    quint64 m_lastJob = 0;
    QString m_engineClip;
    QStringList m_liveTranscriptParts;
    QStringList m_liveRawTranscriptParts;
    // What this live dictation could not type; handed over in one piece when it ends.
    QString m_liveUntyped;
    bool m_isProcessingChunk = false;

    StartKind m_startPending = StartKind::none;
    // A push-to-talk release arrived while the recorder was still starting.
    bool m_stopWhenStarted = false;
    bool m_liveStopping = false;
    // The periodic chunk in flight (or the last one, finished); the stop step awaits it.
    QCoro::Task<> m_chunkTask;
};

} // namespace parlix
