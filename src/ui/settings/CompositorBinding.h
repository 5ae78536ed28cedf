#pragma once
// Where no desktop service lets an application register a global shortcut (sway and the other
// wlroots compositors, GNOME before 48), the user binds a key to parlixctl in the compositor's
// own configuration. This writes the exact lines for the stored hotkey and recording mode.
#include "core/HotkeyConfig.h"
#include "core/SettingsModel.h"

#include <QString>

namespace parlix::ui {

enum class Compositor { sway, hyprland, gnome, kde, other };

// The desktop named first in XDG_CURRENT_DESKTOP ("sway", "Hyprland", "ubuntu:GNOME", …) that
// we know how to configure.
Compositor compositorFrom(const QString &currentDesktop);

struct CompositorBinding {
    // Where the lines go, in words for the user.
    QString where;
    // The text to copy: configuration lines or shell commands.
    QString lines;
    // What the binding cannot do here (push-to-talk where only presses are bound); may be empty.
    QString note;
};

// `command` is how the compositor starts parlixctl (a path, or the name on PATH).
CompositorBinding compositorBinding(Compositor compositor, RecordingMode mode, const HotkeyConfig &hotkey,
                                    const QString &command);

// The parlixctl next to the running program when it is there, else the name for PATH to find.
QString parlixctlCommand();

} // namespace parlix::ui
