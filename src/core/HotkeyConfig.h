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
    quint32 keyCode = 49;     // Space
    quint32 modifiers = 2048; // Option

    static constexpr quint32 command = 0x100;
    static constexpr quint32 shift = 0x200;
    static constexpr quint32 option = 0x800;
    static constexpr quint32 control = 0x1000;

    static HotkeyConfig defaultConfig() { return {}; }

    // Modifier symbols in the order ⌘⌥⌃⇧, then the key name ("Key<code>" for unknown keys).
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
