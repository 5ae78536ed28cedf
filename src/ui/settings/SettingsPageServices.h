#pragma once
// What the settings pages work on, filled in by the composition root. Pages keep references to
// these objects and never look anything up themselves.
#include "core/SettingsTab.h"

#include <QString>

#include <functional>

class QWidget;

namespace parlix {

class AudioInput;
class AudioRecorder;
class HistoryStore;
class HotkeyManager;
class ModelDownloadManager;
class LoginItemManager;
class SettingsModel;
namespace update {
class UpdateController;
}

namespace ui {

// How transcripts reach other applications on this desktop, as the General tab shows it.
struct TypingSupport {
    bool available = false;
    // How the keys are sent ("XTest (X11)", "virtual keyboard (wlroots)").
    QString method;
    // Why they cannot be, and what Parlix does instead; shown when they cannot.
    QString missingHint;
};

struct SettingsPageServices {
    SettingsModel &settings;
    // Registers the hotkey the Recording tab records.
    HotkeyManager &hotkey;
    // Its level preview feeds the Recording tab's meter.
    AudioRecorder &audioRecorder;
    // The microphones to pick from.
    AudioInput &audioInput;
    // The history (created on first use); the Output tab shows its size.
    std::function<HistoryStore &()> history;
    // The one model downloader; the Model tab is built only when it is given.
    ModelDownloadManager *models = nullptr;
    // Where the History tab puts copied text; the toolkit's clipboard when unset.
    std::function<void(const QString &)> copyToClipboard = {};
    // The autostart entry the General tab switches; its switch is disabled when unset.
    LoginItemManager *loginItem = nullptr;
    // Whether synthetic keys reach other applications, and how; unknown when unset.
    std::function<TypingSupport()> typing = {};
    // The updater (created on first use); the About tab's update button needs it and a feed.
    std::function<update::UpdateController &()> updater = {};
    // The remote server's token file the Model tab writes; RemoteServerToken's default when empty.
    QString remoteTokenPath = {};
};

// The page of `tab`, or nullptr for a tab without one yet.
QWidget *buildSettingsPage(SettingsTab tab, const SettingsPageServices &services);

} // namespace ui
} // namespace parlix
