#pragma once
// The global hotkey: a main key plus modifier bits. Keys are numbered by the virtual key codes
// and modifiers by the bit values the stored form has always used (Option = 0x800, …), so
// stored settings and their rendering stay the same everywhere; the hotkey backends map them to
// the platform's keys.
#include <QByteArray>
#include <QString>

#include <optional>

namespace parlix {

struct HotkeyConfig {
    // The default, Ctrl+Alt+Space, is bound by none of the stock desktops' default key bindings
    // (Debian 12 packages):
    //   GNOME    gsettings-desktop-schemas 43.0, org.gnome.desktop.wm.keybindings.gschema.xml:
    //            <Alt>space (window menu), <Super>space (input source); mutter 43.8,
    //            gnome-shell 43.9, gnome-settings-daemon 43.0 schemas: no Space binding
    //   KDE      plasma-workspace 5.27 /usr/share/kglobalaccel/org.kde.krunner.desktop: Alt+Space
    //            (KRunner); plasma-desktop emojier: Meta+Ctrl+Alt+Shift+Space only; KWin 5.27: none
    //   Xfce     libxfce4ui-common 4.18.2 xfce4-keyboard-shortcuts.xml: <Alt>space
    //   Cinnamon cinnamon-desktop-data 5.6.1 org.cinnamon.desktop.keybindings.wm: <Alt>space
    //   MATE     marco-common 1.26.1 org.mate.marco.gschema.xml: <Alt>space
    //   openbox  3.6.1 rc.xml: A-space
    //   i3       4.22 /etc/i3/config: $mod+space, $mod+Shift+space ($mod = Mod1 or Mod4)
    // Alt+Space, the earlier default, is the window menu on most of them, so its grab is refused.
    // A stored hotkey is kept as it is; only a missing one becomes this default.
    quint32 keyCode = 49;          // Space
    quint32 modifiers = 0x1800;    // Control + Option (Ctrl+Alt)

    static constexpr quint32 command = 0x100;
    static constexpr quint32 shift = 0x200;
    static constexpr quint32 option = 0x800;
    static constexpr quint32 control = 0x1000;

    static HotkeyConfig defaultConfig() { return {}; }

    // The combination as the desktop writes it: the modifiers in the order Super, Ctrl, Alt,
    // Shift, then the key, joined by "+" ("Ctrl+Alt+Space"; "Key<code>" for unknown keys).
    QString displayString() const;
    // The name of a key code from the fixed table, or nothing.
    static std::optional<QString> keyName(quint32 keyCode);

    // Compact JSON object {"keyCode":…,"modifiers":…}.
    QByteArray encode() const;
    // Nothing unless both members are present and are unsigned 32-bit integers.
    static std::optional<HotkeyConfig> decode(const QByteArray &bytes);

    bool operator==(const HotkeyConfig &) const = default;
};

} // namespace parlix
