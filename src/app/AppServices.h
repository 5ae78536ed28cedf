#pragma once
// The composition root: builds the production object graph once, each service over its real
// platform implementation, and hands out references. Nothing else in the app creates services.
//
// The history store is the one service created on first use (the first stored transcript, or
// whoever asks for it): reading a long history file is not part of starting up.
#include "app/DesktopBackends.h"
#include "controller/DictationServices.h"

#include <memory>

namespace parlix {

class AppState;
class AudioRecorder;
class HistoryStore;
class HotkeyManager;
class JsonFileKeyValueStore;
class LiveAudioRecorder;
class ModelDownloadManager;
class DictationController;
class PasteManager;
class AudioInput;
class SettingsModel;
class TextReplacementService;
class UnsentRecordings;
class WhisperTranscriber;
class WhisperServerEngine;
class RemoteServerEngine;
class SelectedEngine;

class AppServices {
public:
    // Needs a QGuiApplication on the session's platform (the X11 clipboard is Qt's).
    explicit AppServices(DesktopBackends desktop);
    ~AppServices();
    AppServices(const AppServices &) = delete;
    AppServices &operator=(const AppServices &) = delete;

    SettingsModel &settings() { return *m_settings; }
    AppState &state() { return *m_state; }
    WhisperTranscriber &transcriber() { return *m_transcriber; }
    // The engine the settings choose (per clip, kept loaded, remote).
    SelectedEngine &engine() { return *m_engine; }
    AudioRecorder &audioRecorder() { return *m_audioRecorder; }
    // The clip recorder's input, also asked for the list of microphones.
    AudioInput &audioInput() { return *m_clipInput; }
    LiveAudioRecorder &liveAudioRecorder() { return *m_liveRecorder; }
    TextReplacementService &textReplacement() { return *m_textReplacement; }
    PasteManager &pasteManager() { return *m_paste; }
    KeyInjector &keyInjector() { return *m_desktop.keys; }
    // The session and what it offers.
    const DesktopBackends &desktop() const { return m_desktop; }
    HotkeyManager &hotkeyManager() { return *m_hotkey; }
    DictationController &controller() { return *m_controller; }
    // The one model downloader (the Model tab, the tray's download item).
    ModelDownloadManager &modelDownloads() { return *m_modelDownloads; }
    // Recordings kept for a retry.
    UnsentRecordings &unsentRecordings() { return *m_unsent; }
    // Created (and its file read) on the first call.
    HistoryStore &historyStore();
    bool historyStoreCreated() const { return bool(m_history); }

private:
    // The controller's TranscriptHistory, creating the store when the first transcript arrives.
    class LazyHistory : public TranscriptHistory {
    public:
        explicit LazyHistory(AppServices &services) : m_services(services) {}
        void add(const QString &text, const std::optional<QString> &originalText,
                 const std::optional<QString> &modelName) override;

    private:
        AppServices &m_services;
    };

    // Declaration order is construction order: every service after what it uses, the controller
    // last, so it is destroyed first.
    std::unique_ptr<JsonFileKeyValueStore> m_settingsStore;
    std::unique_ptr<SettingsModel> m_settings;
    std::unique_ptr<ModelDownloadManager> m_modelDownloads;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<WhisperTranscriber> m_transcriber;
    std::unique_ptr<WhisperServerEngine> m_server;
    std::unique_ptr<RemoteServerEngine> m_remote;
    std::unique_ptr<SelectedEngine> m_engine;
    std::unique_ptr<AudioInput> m_clipInput;
    std::unique_ptr<AudioInput> m_liveInput;
    std::unique_ptr<AudioRecorder> m_audioRecorder;
    std::unique_ptr<LiveAudioRecorder> m_liveRecorder;
    std::unique_ptr<TextReplacementService> m_textReplacement;
    DesktopBackends m_desktop;
    std::unique_ptr<PasteManager> m_paste;
    std::unique_ptr<HotkeyManager> m_hotkey;
    std::unique_ptr<HistoryStore> m_history;
    std::unique_ptr<UnsentRecordings> m_unsent;

    std::unique_ptr<ClipRecorder> m_clipAdapter;
    std::unique_ptr<LiveCapture> m_liveAdapter;
    std::unique_ptr<Transcriber> m_transcriberAdapter;
    std::unique_ptr<UnsentClips> m_unsentAdapter;
    std::unique_ptr<TextRewriter> m_rewriterAdapter;
    std::unique_ptr<TextDelivery> m_deliveryAdapter;
    LazyHistory m_historyAdapter{*this};
    std::unique_ptr<HotkeyRegistration> m_hotkeyAdapter;
    std::unique_ptr<TimerFactory> m_timers;
    std::unique_ptr<DictationController> m_controller;
};

} // namespace parlix
