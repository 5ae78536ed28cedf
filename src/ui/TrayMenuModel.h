#pragma once
// The tray menu as data: which items it holds, in which order, with which titles, icons and
// enabled states, and what each does. Built from scratch every time the menu is about to open,
// from a snapshot of the state, settings, model files and history, so it never shows stale items.
#include "history/DateContext.h"
#include "history/ExportFormat.h"
#include "history/TranscriptItem.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace parlix::ui {

enum class MenuCommand {
    none,
    toggleRecording,
    cancelTranscription,
    retryLastRecording,
    openSettings,
    // The Model tab: where a model is downloaded or chosen.
    openModelSettings,
    selectModel,
    copyHistoryItem,
    showAllHistory,
    exportHistory,
    clearHistory,
    checkForUpdates,
    quitApp,
};

// The colour of a title that must stand out (stopping a recording).
enum class MenuTint { none, red, orange };

struct MenuEntry {
    bool isSeparator = false;
    QString title;
    // A freedesktop icon-theme name; empty for none.
    QString iconName;
    MenuCommand command = MenuCommand::none;
    bool enabled = true;
    bool checkable = false;
    bool checked = false;
    MenuTint tint = MenuTint::none;
    // A QKeySequence text ("Ctrl+Q"); shown next to the title.
    QString shortcut;
    QString toolTip;
    // The argument of the command: the model file, the history index, the export format.
    QString modelPath;
    int historyIndex = -1;
    std::optional<ExportFormat> exportFormat;
    QList<MenuEntry> submenu;

    static MenuEntry separator()
    {
        MenuEntry e;
        e.isSeparator = true;
        return e;
    }
    bool operator==(const MenuEntry &) const = default;
};

// One history entry as the menu lists it.
struct RecentTranscript {
    QString timestampText;
    QString text;
    QString toolTip;
};

// A model download under way, as the menu and the icon's tooltip name it.
struct MenuDownload {
    QString modelName;
    // Whole percent; none while the size is unknown.
    std::optional<int> percent;
    bool operator==(const MenuDownload &) const = default;
};

// "Downloading Base (English)… 37%".
QString downloadTitle(const MenuDownload &download);

struct HotkeyMenuState {
    bool registered = true;
    // A key bound in the compositor runs parlixctl: nothing to warn about.
    bool boundByCompositor = false;
    // As the desktop writes it ("Ctrl+Alt+Space").
    QString keys;
    // Why it is not registered.
    QString failure;
};

struct MenuInputs {
    // Neither registered nor bound by the compositor: the menu leads to the Recording tab.
    HotkeyMenuState hotkey;
    bool engineMissing = false;
    bool isRecording = false;
    bool isTranscribing = false;
    bool isLiveTranscribing = false;
    bool canRecord = false;
    bool canCancelTranscription = false;
    bool hasUnsentRecording = false;
    std::optional<QString> modelPath;
    // Whether a file exists at modelPath.
    bool modelFileExists = false;
    QString modelDisplayName;
    // Model files, in the order the menu lists them.
    QStringList downloadedModels;
    std::optional<MenuDownload> modelDownload;
    // The newest history entries, newest first, at most historyMenuLimit of them.
    QList<RecentTranscript> recentHistory;
    // The updater: a feed is configured and no check runs; the last check found a newer version.
    bool canCheckForUpdates = false;
    bool updateAvailable = false;
};

inline constexpr qsizetype historyMenuLimit = 20;
// Longer transcripts are cut to this many characters (grapheme clusters) and "..." in the menu.
inline constexpr qsizetype historyTitleCharacters = 50;

// The newest `historyMenuLimit` items, each with its time in the locale's short date and medium
// time style and its tooltip.
QList<RecentTranscript> recentTranscripts(const QList<TranscriptItem> &items, const DateContext &dates);
// "<time>: <text>", the text cut after historyTitleCharacters characters with "...".
QString historyItemTitle(const QString &timestampText, const QString &text);

QList<MenuEntry> buildStatusMenu(const MenuInputs &inputs);

} // namespace parlix::ui
