#include "AppDelegate.h"

#include "AppLog.h"
#include "AppServices.h"
#include "AppState.h"
#include "Constants.h"
#include "ControlNames.h"
#include "HotkeyManager.h"
#include "KeyInjectorX11.h"
#include "Log.h"
#include "MenuBarController.h"
#include "ModelFiles.h"
#include "PasteManager.h"
#include "SettingsWindow.h"
#include "StatusItem.h"
#include "UpdateController.h"
#include "UpdateUi.h"
#include "WhisperTranscriber.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

namespace parlix {

AppDelegate::AppDelegate(AppServices &services, QObject *parent)
    : QObject(parent)
    , m_services(services)
{
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching()
{
    log::info(lcApp, "Parlix starting");
    MenuBarController &controller = m_services.controller();
    m_settingsWindows = std::make_unique<ui::SettingsWindowHost>();
    connect(&controller, &MenuBarController::settingsWindowRequested, m_settingsWindows.get(), [this](SettingsTab tab) {
        log::info(lcApp, "Settings window requested on the %s tab", control::tabName(tab));
        m_settingsWindows->openSettingsToTab(tab);
    });

    createStatusItem();
    checkEngineAvailability();
    controller.setupHotkey();
    requestPermissions();
    controller.setupStateObservers();
    // The observers fire on changes only; one queued redraw shows the flags as they are now
    // (and the development build's own microphone).
    QTimer::singleShot(0, &controller, &MenuBarController::updateStatusIcon);
    controller.setupSilenceDetection();
}

void AppDelegate::applicationWillTerminate()
{
    m_services.hotkeyManager().unregisterHotkey();
}

void AppDelegate::createStatusItem()
{
    MenuBarController &controller = m_services.controller();
    ui::StatusItemServices services{
        .state = m_services.state(),
        .settings = m_services.settings(),
        .history = [this]() -> HistoryStore & { return m_services.historyStore(); },
        .downloadedModels = [] { return ModelFiles::downloadedModels(); },
        .toggleRecording = [&controller] { controller.toggleRecording(); },
        .openSettingsToTab = [&controller](SettingsTab tab) { controller.openSettingsToTab(tab); },
        .copyToClipboard = [this](const QString &text) { m_services.pasteManager().copyToClipboard(text); },
        .updateState = [this] { return ui::UpdateMenuState{updater().canCheckForUpdates(), updater().updateAvailable()}; },
        .checkForUpdates = [this] { updater().checkForUpdates(); },
        .quit = [this] {
            m_services.hotkeyManager().unregisterHotkey();
            QCoreApplication::quit();
        },
    };
    m_statusItem = std::make_unique<ui::StatusItem>(std::move(services),
                                                    ui::isDevelopmentIdentifier(Constants::bundleInfo().identifier));
    connect(&controller, &MenuBarController::statusIconUpdateRequested, m_statusItem.get(),
            &ui::StatusItem::updateStatusIcon);
    m_statusItem->show();
}

update::UpdateController &AppDelegate::updater()
{
    if (!m_updater) {
        m_updater = std::make_unique<update::UpdateController>(update::UpdaterConfig::fromBuild());
        m_updateDialogs = std::make_unique<ui::UpdateDialogs>();
        connectUpdateDialogs(*m_updater, *m_updateDialogs);
    }
    return *m_updater;
}

void AppDelegate::checkEngineAvailability()
{
    // Queued, so the check's result never lands inside the launch sequence.
    QTimer::singleShot(0, this, [this] { engineCheck(); });
}

QCoro::Task<> AppDelegate::engineCheck()
{
    QPointer self(this);
    const bool available = co_await m_services.transcriber().isEngineAvailable();
    if (!self)
        co_return;
    m_services.state().setEngineMissing(!available);
    emit engineCheckFinished(available);
}

void AppDelegate::requestPermissions()
{
    // X11 asks no permission for synthetic keys; what they need is the XTest extension. Without
    // it pasting and typing fail later, so say so once, now.
    if (!m_services.keyInjector().ensureAccess())
        log::error(lcApp, "Cannot send keystrokes to other applications: the X server lacks the XTest extension");
}

} // namespace parlix
