#pragma once
// The keys a hotkey can use and what they are on this desktop. Stored hotkeys number keys by
// their virtual key codes (49 = Space, 0 = A, …) and modifiers by their historical bit values;
// this is the one place that translates them to keysyms for the shortcut backends and to Qt keys
// for the hotkey recorder.
//
// Modifiers: Command → Super, Option → Alt, Control → Control, Shift → Shift. Each stored bit
// keeps its own desktop modifier, so two different stored hotkeys never become the same
// combination, and the default Control+Option+Space is Ctrl+Alt+Space. (Pasting uses Ctrl where Command
// would be used; that is a key press we send, not a combination we listen for.)
#include "core/HotkeyConfig.h"
#include "platform/GlobalShortcutBackend.h"

#include <QString>
#include <Qt>

#include <optional>
#include <span>

namespace parlix::keytable {

struct KeyEntry {
    quint32 keyCode; // stored virtual key code
    quint32 keysym;  // X11 / xkbcommon keysym
    Qt::Key qtKey;
};

// All 53 keys, named keys first, then F1–F12, letters, digits.
std::span<const KeyEntry> entries();

std::optional<quint32> keysymForKeyCode(quint32 keyCode);
// The stored key code of a key the recorder saw, or nothing for keys a hotkey cannot use.
std::optional<quint32> keyCodeForQtKey(int qtKey);

// Stored modifier bits to desktop modifiers; bits other than the four modifiers are ignored.
ShortcutModifiers shortcutModifiers(quint32 modifierBits);
// Qt's modifiers (as the recorder sees them) to stored bits; Meta is the Super key.
quint32 modifierBits(Qt::KeyboardModifiers modifiers);

// The xkbcommon name of a key of the table ("space", "Return", "F1", "a", "1"), as compositor
// configurations and the XDG shortcuts notation write it; empty for other keysyms.
QString keysymName(quint32 keysym);

// The combination to claim for a stored hotkey, or nothing when its key is not in the table.
std::optional<GlobalShortcut> shortcutFor(const HotkeyConfig &config);

} // namespace parlix::keytable
