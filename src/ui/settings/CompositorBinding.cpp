#include "ui/settings/CompositorBinding.h"

#include "hotkey/KeyTable.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

namespace parlix::ui {

namespace {

// The translation context of the texts below.
class Texts {
    Q_DECLARE_TR_FUNCTIONS(parlix::ui::CompositorBinding)
};

struct Names {
    const char *super;
    const char *control;
    const char *alt;
    const char *shift;
};

// The modifiers in a compositor's own spelling, followed by the key, joined by `separator`.
QString combination(const HotkeyConfig &hotkey, const Names &names, const QString &separator, bool keyToo = true)
{
    const std::optional<GlobalShortcut> shortcut = keytable::shortcutFor(hotkey);
    QStringList parts;
    const ShortcutModifiers modifiers = shortcut ? shortcut->modifiers : ShortcutModifiers();
    if (modifiers & ShortcutModifier::super)
        parts << QString::fromLatin1(names.super);
    if (modifiers & ShortcutModifier::control)
        parts << QString::fromLatin1(names.control);
    if (modifiers & ShortcutModifier::alt)
        parts << QString::fromLatin1(names.alt);
    if (modifiers & ShortcutModifier::shift)
        parts << QString::fromLatin1(names.shift);
    if (keyToo)
        parts << (shortcut ? keytable::keysymName(shortcut->keysym) : QString());
    return parts.join(separator);
}

QString swayLines(RecordingMode mode, const HotkeyConfig &hotkey, const QString &command)
{
    const QString keys = combination(hotkey, {"Mod4", "Ctrl", "Mod1", "Shift"}, QStringLiteral("+"));
    if (mode == RecordingMode::toggle)
        return QStringLiteral("bindsym %1 exec %2 toggle").arg(keys, command);
    return QStringLiteral("bindsym %1 exec %2 start\nbindsym --release %1 exec %2 stop").arg(keys, command);
}

QString hyprlandLines(RecordingMode mode, const HotkeyConfig &hotkey, const QString &command)
{
    const QString modifiers = combination(hotkey, {"SUPER", "CTRL", "ALT", "SHIFT"}, QStringLiteral(" "), false);
    const std::optional<GlobalShortcut> shortcut = keytable::shortcutFor(hotkey);
    const QString key = shortcut ? keytable::keysymName(shortcut->keysym) : QString();
    if (mode == RecordingMode::toggle)
        return QStringLiteral("bind = %1, %2, exec, %3 toggle").arg(modifiers, key, command);
    return QStringLiteral("bind = %1, %2, exec, %3 start\nbindr = %1, %2, exec, %3 stop").arg(modifiers, key, command);
}

QString gnomeLines(const HotkeyConfig &hotkey, const QString &command)
{
    const QString accelerator = combination(hotkey, {"<Super>", "<Control>", "<Alt>", "<Shift>"}, QString());
    // Appends to the user's custom shortcuts instead of replacing them; running it twice keeps one.
    return QStringLiteral(
               "s=org.gnome.settings-daemon.plugins.media-keys\n"
               "p=/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/parlix/\n"
               "l=$(gsettings get $s custom-keybindings)\n"
               "case \"$l\" in *\"'$p'\"*) ;; *\"[]\") gsettings set $s custom-keybindings \"['$p']\" ;; "
               "*) gsettings set $s custom-keybindings \"${l%]}, '$p']\" ;; esac\n"
               "gsettings set $s.custom-keybinding:$p name 'Parlix dictation'\n"
               "gsettings set $s.custom-keybinding:$p command '%1 toggle'\n"
               "gsettings set $s.custom-keybinding:$p binding '%2'")
        .arg(command, accelerator);
}

} // namespace

Compositor compositorFrom(const QString &currentDesktop)
{
    for (const QString &name : currentDesktop.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const QString lower = name.toLower();
        if (lower == QLatin1String("sway"))
            return Compositor::sway;
        if (lower == QLatin1String("hyprland"))
            return Compositor::hyprland;
        if (lower == QLatin1String("gnome"))
            return Compositor::gnome;
        if (lower == QLatin1String("kde"))
            return Compositor::kde;
    }
    return Compositor::other;
}

CompositorBinding compositorBinding(Compositor compositor, RecordingMode mode, const HotkeyConfig &hotkey,
                                    const QString &command)
{
    const QString pressOnly
        = Texts::tr("This desktop runs a shortcut's command when the keys are pressed, never when they are let go: the key "
                    "starts and stops dictation, and push-to-talk is not available.");
    switch (compositor) {
    case Compositor::sway:
        return {Texts::tr("Add these lines to ~/.config/sway/config, then reload sway (swaymsg reload):"),
                swayLines(mode, hotkey, command), {}};
    case Compositor::hyprland:
        return {Texts::tr("Add these lines to ~/.config/hypr/hyprland.conf (Hyprland reloads it when saved):"),
                hyprlandLines(mode, hotkey, command), {}};
    case Compositor::gnome:
        return {Texts::tr("Run these commands in a terminal to add a custom shortcut (Settings → Keyboard → Custom Shortcuts "
                          "lists it afterwards):"),
                gnomeLines(hotkey, command), mode == RecordingMode::pushToTalk ? pressOnly : QString()};
    case Compositor::kde:
        return {Texts::tr("In System Settings → Shortcuts, choose Add New → Command or Script, enter this command and "
                          "give it the key %1:")
                           .arg(hotkey.displayString()),
                QStringLiteral("%1 toggle").arg(command), mode == RecordingMode::pushToTalk ? pressOnly : QString()};
    case Compositor::other:
        break;
    }
    return {Texts::tr("Bind a key to these commands in your compositor's configuration: toggle starts and stops dictation; "
                      "for push-to-talk run start when the key is pressed and stop when it is let go."),
            QStringLiteral("%1 toggle\n%1 start\n%1 stop").arg(command), {}};
}

QString parlixctlCommand()
{
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/parlixctl");
    // A path the configuration files and the shell take as one word without quoting.
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9/._+-]+$"));
    if (QFileInfo(beside).isExecutable() && plain.match(beside).hasMatch())
        return beside;
    return QStringLiteral("parlixctl");
}

} // namespace parlix::ui
