#include "app/AppServices.h"

#include "audio/AudioRecorder.h"
#include "audio/LiveAudioRecorder.h"
#include "controller/DictationController.h"
#include "controller/QtTimerFactory.h"
#include "controller/adapters/AudioRecorderAdapters.h"
#include "controller/adapters/HistoryStoreAdapter.h"
#include "controller/adapters/HotkeyManagerAdapter.h"
#include "controller/adapters/TextAdapters.h"
#include "controller/adapters/SpeechEngineAdapter.h"
#include "controller/adapters/UnsentRecordingsAdapter.h"
#include "core/AppState.h"
#include "core/JsonFileKeyValueStore.h"
#include "core/Paths.h"
#include "core/SettingsModel.h"
#include "engine/RemoteServerEngine.h"
#include "engine/RemoteServerToken.h"
#include "engine/SelectedEngine.h"
#include "engine/WhisperServerEngine.h"
#include "engine/WhisperTranscriber.h"
#include "history/UnsentRecordings.h"
#include "history/HistoryStore.h"
#include "hotkey/HotkeyManager.h"
#include "models/ModelDownloadManager.h"
#include "models/ModelFiles.h"
#include "platform/pulse/PulseAudioInput.h"
#include "text/PasteManager.h"
#include "text/TextReplacementService.h"

namespace parlix {

AppServices::AppServices(DesktopBackends desktop)
    : m_settingsStore(std::make_unique<JsonFileKeyValueStore>(JsonFileKeyValueStore::defaultPath()))
    , m_settings(std::make_unique<SettingsModel>(*m_settingsStore, [] { return ModelFiles::downloadedModels(); }))
    , m_modelDownloads(std::make_unique<ModelDownloadManager>())
    , m_state(std::make_unique<AppState>(*m_settings))
    , m_transcriber(std::make_unique<WhisperTranscriber>(*m_settings, Paths::resourceDirectory()))
    , m_server(std::make_unique<WhisperServerEngine>(*m_settings, Paths::resourceDirectory()))
    , m_remote(std::make_unique<RemoteServerEngine>(*m_settings, RemoteServerToken::defaultPath()))
    , m_engine(std::make_unique<SelectedEngine>(*m_settings, *m_transcriber, *m_server, *m_remote))
    // One input each: the live capture and the clip recorder (with its level preview) never
    // share a capture thread.
    , m_clipInput(std::make_unique<PulseAudioInput>())
    , m_liveInput(std::make_unique<PulseAudioInput>())
    , m_audioRecorder(std::make_unique<AudioRecorder>(*m_clipInput, *m_settings))
    , m_liveRecorder(std::make_unique<LiveAudioRecorder>(*m_liveInput, *m_settings))
    , m_textReplacement(std::make_unique<TextReplacementService>(*m_settings))
    , m_desktop(std::move(desktop))
    , m_paste(std::make_unique<PasteManager>(*m_desktop.clipboard, *m_desktop.keys, m_desktop.windows.get()))
    , m_hotkey(std::make_unique<HotkeyManager>(*m_settings, *m_desktop.shortcuts))
    , m_unsent(std::make_unique<UnsentRecordings>(Paths::unsentDirectory()))
    , m_clipAdapter(std::make_unique<AudioRecorderAdapter>(*m_audioRecorder))
    , m_liveAdapter(std::make_unique<LiveAudioRecorderAdapter>(*m_liveRecorder))
    , m_transcriberAdapter(std::make_unique<SpeechEngineAdapter>(*m_engine))
    , m_unsentAdapter(std::make_unique<UnsentRecordingsAdapter>(*m_unsent))
    , m_rewriterAdapter(std::make_unique<TextReplacementAdapter>(*m_textReplacement))
    , m_deliveryAdapter(std::make_unique<PasteManagerAdapter>(*m_paste))
    , m_hotkeyAdapter(std::make_unique<HotkeyManagerAdapter>(*m_hotkey))
    , m_timers(std::make_unique<QtTimerFactory>())
    , m_controller(std::make_unique<DictationController>(DictationServices{
          *m_settings, *m_state, *m_clipAdapter, *m_liveAdapter, *m_transcriberAdapter, *m_unsentAdapter, *m_rewriterAdapter,
          *m_deliveryAdapter, m_historyAdapter, *m_hotkeyAdapter, *m_timers}))
{
    // A Wayland desktop may offer no way at all to send keys; the user then pastes by hand.
    if (m_desktop.session.kind == DesktopSession::Kind::wayland)
        m_paste->setManualPasteFallback(true);
}

AppServices::~AppServices()
{
    // The controller's coroutines and timers refer to the adapters: it goes first.
    m_controller.reset();
}

HistoryStore &AppServices::historyStore()
{
    if (!m_history)
        m_history = std::make_unique<HistoryStore>(*m_settings, HistoryStore::defaultFilePath());
    return *m_history;
}

void AppServices::LazyHistory::add(const QString &text, const std::optional<QString> &originalText,
                                   const std::optional<QString> &modelName)
{
    HistoryStoreAdapter(m_services.historyStore()).add(text, originalText, modelName);
}

} // namespace parlix
