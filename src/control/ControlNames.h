#pragma once
// The running app's control interface on the D-Bus session bus, and the text forms its methods
// and properties use. Shared by the app (ControlService) and its clients (parlixctl, a second
// parlix process handing over to the first).
//
//   service   com.quorvane.parlix
//   object    /com/quorvane/parlix
//   interface com.quorvane.parlix.Control
//     Toggle()              the menu's start/stop item
//     Start()               starts a dictation when nothing runs (a push-to-talk press)
//     Stop()                stops the recording or live dictation (a push-to-talk release)
//     Cancel()              ends the transcription under way; the recording is kept
//     Retry()               transcribes and delivers the newest kept recording
//     OpenSettings(s tab)   opens the settings window on a tab ("" for the default tab)
//     State  (s, read)      "idle", "recording", "transcribing" or "live"; PropertiesChanged
#include "core/SettingsTab.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace parlix::control {

inline constexpr auto serviceName = "com.quorvane.parlix";
inline constexpr auto objectPath = "/com/quorvane/parlix";
inline constexpr auto interfaceName = "com.quorvane.parlix.Control";
inline constexpr auto stateProperty = "State";
inline constexpr auto hotkeyRegisteredProperty = "HotkeyRegistered";
// Error replies of OpenSettings.
inline constexpr auto unknownTabError = "com.quorvane.parlix.Error.UnknownTab";

// What the app is doing, from the AppState activity flags (at most one is on; should several be,
// live wins over recording over transcribing).
enum class State { idle, recording, transcribing, live };
State stateFrom(bool isRecording, bool isTranscribing, bool isLiveTranscribing);
QString stateName(State state);

// "recording", "model", "output", "history", "general", "about".
QString tabName(SettingsTab tab);
// The tab named `name` (case-insensitive, surrounding spaces ignored); an empty name means the
// default tab. Nothing for an unknown name.
std::optional<SettingsTab> tabFromName(const QString &name);
// The tab a request without a tab opens (a second launch, `parlixctl settings`).
inline constexpr SettingsTab defaultTab = SettingsTab::general;
QStringList tabNames();

} // namespace parlix::control
