#pragma once
// The application's one permanent surface: the tray icon and its menu. The icon follows the
// activity flags (redrawn on request, animated only while transcribing); the menu is rebuilt
// every time it is about to open and performs its commands through the hooks it was given.
#include "core/SettingsTab.h"
#include "ui/TrayIconArt.h"
#include "ui/TrayMenuModel.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace parlix {

class AppState;
class HistoryStore;
class SettingsModel;

namespace ui {

struct UpdateMenuState {
    bool canCheckForUpdates = false;
    bool updateAvailable = false;
};

struct TranscriptionMenuState {
    // An engine works on a clip and may be ended.
    bool canCancel = false;
    // A recording whose transcription delivered nothing is kept.
    bool hasUnsent = false;
};

struct TrayIconServices {
    AppState &state;
    SettingsModel &settings;
    // The history, created on first use.
    std::function<HistoryStore &()> history;
    std::function<QStringList()> downloadedModels;
    std::function<void()> toggleRecording;
    // Optional: without them the menu offers neither cancel nor retry.
    std::function<void()> cancelTranscription;
    std::function<void()> retryLastRecording;
    std::function<TranscriptionMenuState()> transcriptionState;
    std::function<void(SettingsTab)> openSettingsToTab;
    std::function<void(const QString &)> copyToClipboard;
    // The updater's state for the update item (the updater is created on first use) and its
    // interactive check.
    std::function<UpdateMenuState()> updateState;
    std::function<void()> checkForUpdates;
    // Unregisters the hotkey and ends the application.
    std::function<void()> quit;
    // Whether the hotkey works; when not, the menu leads to the Recording tab.
    std::function<HotkeyMenuState()> hotkeyState;
};

class TrayIcon : public QObject {
    Q_OBJECT
public:
    // 20 frames a second: the arc's ends move about a pixel per frame on a 22-pixel icon, so more
    // frames look no smoother; each costs a repaint in the tray (30 a second came to ~2 % of a core).
    static constexpr int animationFrameMs = 50;

    TrayIcon(TrayIconServices services, bool developmentBuild, QObject *parent = nullptr);
    ~TrayIcon() override;

    // Shows the icon (the microphone until the first update). Without a tray host the icon
    // appears once one starts, and noTrayHost says so.
    void show();

    // Redraws the icon from the current flags; stops the arc's animation first.
    void updateStatusIcon();
    // Replaces the menu's items with ones built from the current state.
    void rebuildMenu();
    // Carries out one menu command as if its item had been chosen.
    void perform(const MenuEntry &entry);
    // The model download to show in the menu and the icon's tooltip; none when nothing downloads.
    void setModelDownload(const std::optional<MenuDownload> &download);

    MenuInputs currentMenuInputs() const;
    StatusIconKind iconKind() const { return m_kind; }
    bool isAnimating() const { return m_isAnimating; }
    double animationAngle() const { return m_animationAngle; }
    QSystemTrayIcon *trayIcon() const { return m_tray.get(); }
    QMenu *menu() const { return m_menu.get(); }

signals:
    // Emitted by show() when the desktop shows no tray icons (no StatusNotifierItem host, no
    // XEmbed tray): `message` tells the user how to reach Parlix without one.
    void noTrayHost(const QString &message);

private:
    void startIconAnimation();
    void updateAnimatedIcon();
    void frameStep();
    void showIcon(StatusIconKind kind);
    void addEntries(QMenu *menu, const QList<MenuEntry> &entries);
    void selectModel(const QString &path);
    void copyHistoryItem(int index);
    void exportHistory(ExportFormat format);

    TrayIconServices m_services;
    const bool m_developmentBuild;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_tray;
    StatusIconKind m_kind;
    QTimer m_frameTimer;
    QElapsedTimer m_animationClock;
    double m_animationAngle = 0.0;
    bool m_isAnimating = false;
    std::optional<MenuDownload> m_modelDownload;
};

// Writes an export to `path`, replacing the file only once all of it is written. Logs
// "Exported history to %s" or "Failed to save export: %s"; returns whether it succeeded.
bool saveExport(const QString &path, const QByteArray &data, QString *error = nullptr);

} // namespace ui
} // namespace parlix
