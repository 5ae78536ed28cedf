#pragma once
// What the settings pages work on, filled in by the composition root. Pages keep references to
// these objects and never look anything up themselves.
#include "core/SettingsTab.h"

#include <functional>

class QWidget;

namespace parlix {

class AudioInput;
class AudioRecorder;
class HistoryStore;
class HotkeyManager;
class ModelDownloadManager;
class SettingsModel;

namespace ui {

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
};

// The page of `tab`, or nullptr for a tab without one yet.
QWidget *buildSettingsPage(SettingsTab tab, const SettingsPageServices &services);

} // namespace ui
} // namespace parlix
