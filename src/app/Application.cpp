#include "app/Application.h"

#include "app/AppServices.h"
#include "app/DesktopNotifications.h"
#include "app/HotkeyNotice.h"
#include "app/ModelDownloadNotice.h"
#include "control/ControlNames.h"
#include "controller/DictationController.h"
#include "core/AppState.h"
#include "core/Categories.h"
#include "core/Constants.h"
#include "core/Paths.h"
#include "core/Log.h"
#include "core/LoginItemManager.h"
#include "engine/WhisperTranscriber.h"
#include "history/UnsentRecordings.h"
#include "hotkey/HotkeyManager.h"
#include "models/ModelDownloadManager.h"
#include "models/ModelFiles.h"
#include "text/PasteManager.h"
#include "core/SettingsModel.h"
#include "ui/SettingsWindow.h"
#include "ui/settings/SettingsPageServices.h"
#include "ui/TrayIcon.h"
#include "ui/UpdateUi.h"
#include "update/UpdateController.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QPointer>
#include <QTimer>

namespace parlix {

Application::Application(AppServices &services, QObject *parent)
    : QObject(parent)
    , m_services(services)
{
}

Application::~Application() = default;

void Application::start(bool adoptLeftoverRecordings)
{
    log::info(lcApp, "Parlix starting");
    DictationController &controller = m_services.controller();
    m_loginItem = std::make_unique<LoginItemManager>(LoginItemManager::defaultEntryPath(),
                                                     QCoreApplication::applicationFilePath());
    ui::SettingsPageServices pages{
        .settings = m_services.settings(),
        .hotkey = m_services.hotkeyManager(),
        .audioRecorder = m_services.audioRecorder(),
        .audioInput = m_services.audioInput(),
        .history = [this]() -> HistoryStore & { return m_services.historyStore(); },
        .models = &m_services.modelDownloads(),
        .copyToClipboard = [this](const QString &text) { m_services.pasteManager().copyToClipboard(text); },
        .loginItem = m_loginItem.get(),
        .typing = [this] { return typingSupport(); },
        .updater = [this]() -> update::UpdateController & { return updater(); },
    };
    m_settingsWindows = std::make_unique<ui::SettingsWindowHost>(
        [pages](SettingsTab tab) { return ui::buildSettingsPage(tab, pages); });
    connect(&controller, &DictationController::settingsWindowRequested, m_settingsWindows.get(), [this](SettingsTab tab) {
        log::info(lcApp, "Settings window requested on the %s tab", control::tabName(tab));
        m_settingsWindows->openSettingsToTab(tab);
    });

    // Clips a previous run left unfinished (it was killed while recording or transcribing).
    if (adoptLeftoverRecordings)
        m_services.unsentRecordings().adoptLeftovers(Paths::temporaryDirectory());
    SettingsModel &settings = m_services.settings();
    m_notifications = std::make_unique<DesktopNotifications>(QDBusConnection::sessionBus(),
                                                             [&settings] { return settings.notificationsEnabled(); });
    connectNotifications();
    createTrayIcon();
    checkEngineAvailability();
    m_hotkeyNotice = std::make_unique<HotkeyNotice>(
        m_services.hotkeyManager(), settings, *m_notifications,
        [&controller] { controller.openSettingsToTab(SettingsTab::recording); });
    m_modelNotice = std::make_unique<ModelDownloadNotice>(m_services.modelDownloads(), *m_notifications,
                                                          [&controller] { controller.openSettingsToTab(SettingsTab::model); });
    controller.setupHotkey();
    requestPermissions();
    controller.setupStateObservers();
    // The observers fire on changes only; one queued redraw shows the flags as they are now
    // (and the development build's own microphone).
    QTimer::singleShot(0, &controller, &DictationController::updateStatusIcon);
    controller.setupSilenceDetection();
}

void Application::shutdown()
{
    m_services.hotkeyManager().unregisterHotkey();
}

void Application::createTrayIcon()
{
    DictationController &controller = m_services.controller();
    ui::TrayIconServices services{
        .state = m_services.state(),
        .settings = m_services.settings(),
        .history = [this]() -> HistoryStore & { return m_services.historyStore(); },
        .downloadedModels = [] { return ModelFiles::downloadedModels(); },
        .toggleRecording = [&controller] { controller.toggleRecording(); },
        .cancelTranscription = [&controller] { controller.cancelTranscription(); },
        .retryLastRecording = [&controller] { controller.retryLastRecording(); },
        .transcriptionState = [&controller] {
            return ui::TranscriptionMenuState{controller.canCancelTranscription(), controller.hasUnsentRecording()};
        },
        .openSettingsToTab = [&controller](SettingsTab tab) { controller.openSettingsToTab(tab); },
        .copyToClipboard = [this](const QString &text) { m_services.pasteManager().copyToClipboard(text); },
        .updateState = [this] { return ui::UpdateMenuState{updater().canCheckForUpdates(), updater().updateAvailable()}; },
        .checkForUpdates = [this] { updater().checkForUpdates(); },
        .quit = [this] {
            m_services.hotkeyManager().unregisterHotkey();
            QCoreApplication::quit();
        },
        .hotkeyState = [this] {
            const HotkeyManager &hotkey = m_services.hotkeyManager();
            return ui::HotkeyMenuState{hotkey.isRegistered(), hotkey.isBoundByCompositor(), hotkey.trigger(), hotkey.failure()};
        },
    };
    m_trayIcon = std::make_unique<ui::TrayIcon>(std::move(services),
                                                    ui::isDevelopmentIdentifier(Constants::buildInfo().identifier));
    connect(&controller, &DictationController::statusIconUpdateRequested, m_trayIcon.get(),
            &ui::TrayIcon::updateStatusIcon);
    ModelDownloadManager &models = m_services.modelDownloads();
    const auto showDownload = [this, &models] {
        const Constants::Models::ModelInfo *model = Constants::Models::find(models.currentDownloadId());
        if (!models.isDownloading() || !model) {
            m_trayIcon->setModelDownload(std::nullopt);
            return;
        }
        ui::MenuDownload shown{model->displayName, std::nullopt};
        if (models.bytesTotal() > 0)
            shown.percent = ModelDownloadManager::wholePercent(models.downloadProgress());
        m_trayIcon->setModelDownload(shown);
    };
    connect(&models, &ModelDownloadManager::isDownloadingChanged, m_trayIcon.get(), showDownload);
    connect(&models, &ModelDownloadManager::downloadProgressChanged, m_trayIcon.get(), showDownload);
    connect(m_trayIcon.get(), &ui::TrayIcon::noTrayHost, m_notifications.get(),
            [this](const QString &message) { m_notifications->notify(tr("Parlix is running without a tray icon"), message); });
    m_trayIcon->show();
}

void Application::connectNotifications()
{
    DictationController &controller = m_services.controller();
    connect(&controller, &DictationController::transcriptionFailed, m_notifications.get(), [this, &controller](const QString &message) {
        m_notifications->notify(tr("Transcription failed"), message,
                                {{QStringLiteral("retry"), tr("Retry"), [&controller] { controller.retryLastRecording(); }}});
    });
    connect(&m_services.pasteManager(), &PasteManager::manualPasteNeeded, m_notifications.get(),
            [this](const QString &message) { m_notifications->notify(tr("Transcript on the clipboard"), message); });
}

update::UpdateController &Application::updater()
{
    if (!m_updater) {
        m_updater = std::make_unique<update::UpdateController>(update::UpdaterConfig::fromBuild());
        m_updateDialogs = std::make_unique<ui::UpdateDialogs>();
        connectUpdateDialogs(*m_updater, *m_updateDialogs);
    }
    return *m_updater;
}

void Application::checkEngineAvailability()
{
    // Queued, so the check's result never lands inside the launch sequence.
    QTimer::singleShot(0, this, [this] { engineCheck(); });
}

QCoro::Task<> Application::engineCheck()
{
    QPointer self(this);
    const bool available = co_await m_services.transcriber().isEngineAvailable();
    if (!self)
        co_return;
    m_services.state().setEngineMissing(!available);
    emit engineCheckFinished(available);
}

void Application::requestPermissions()
{
    // Neither X11 nor a wlroots compositor asks permission for synthetic keys; what they need is
    // the XTest extension or the virtual keyboard protocol. Without it pasting and typing fail
    // later, so say so once, now.
    if (!m_services.keyInjector().ensureAccess())
        log::error(lcApp, "Cannot send keystrokes to other applications: %s", typingSupport().missingHint);
}

ui::TypingSupport Application::typingSupport()
{
    const DesktopBackends &desktop = m_services.desktop();
    ui::TypingSupport support{m_services.keyInjector().ensureAccess(), desktop.typingMethod, {}};
    if (desktop.session.kind == DesktopSession::Kind::x11)
        support.missingHint = tr("The X server lacks the XTEST extension: Parlix can copy transcripts but not paste or type them.");
    else
        support.missingHint = tr("This desktop offers applications no virtual keyboard: Parlix copies each transcript to the "
                                 "clipboard for you to paste with Ctrl+V.");
    return support;
}

} // namespace parlix
