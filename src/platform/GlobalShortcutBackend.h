#pragma once
// A system-wide key combination that reaches us while any other application is in front.
// Implemented per window system (X11 key grabs now, the desktop portal later); the hotkey
// manager drives it and tests use a fake.
#include <QFlags>
#include <QtGlobal>

#include <functional>

namespace parlix {

// Modifier keys as the desktop names them, independent of any window system's bit layout.
enum class ShortcutModifier : quint32 {
    shift = 0x1,
    control = 0x2,
    alt = 0x4,
    super = 0x8,
};
Q_DECLARE_FLAGS(ShortcutModifiers, ShortcutModifier)
Q_DECLARE_OPERATORS_FOR_FLAGS(ShortcutModifiers)

// One combination: the main key as a keysym (the numbering X11 and xkbcommon share, e.g. 0x20
// for space, 0x61 for a, 0xffbe for F1) plus the modifiers held with it.
struct GlobalShortcut {
    quint32 keysym = 0;
    ShortcutModifiers modifiers;

    bool operator==(const GlobalShortcut &) const = default;
};

// Statuses every backend may report. A backend's own failures are other, positive values (on
// X11 the protocol error code, e.g. 10 = BadAccess when another client holds the combination).
namespace ShortcutStatus {
inline constexpr int success = 0;
// The window system could not be reached (no display, connection refused).
inline constexpr int noConnection = -1;
// The window system lacks something the backend needs (on X11: detectable key auto-repeat).
inline constexpr int unsupportedServer = -2;
// The key has no counterpart on this system.
inline constexpr int unsupportedKey = -3;
// The current keyboard has no key that produces the keysym.
inline constexpr int keyNotOnKeyboard = -4;
// registerShortcut() without an installed handler.
inline constexpr int noHandler = -5;
// Another client holds the combination (the X11 protocol error BadAccess).
inline constexpr int alreadyTaken = 10;
} // namespace ShortcutStatus

enum class ShortcutEvent {
    pressed,
    released,
    // The combination is no longer held: the keyboard changed and the backend could not follow.
    lost,
};

class GlobalShortcutBackend {
public:
    using Handler = std::function<void(ShortcutEvent)>;

    virtual ~GlobalShortcutBackend() = default;

    // Starts delivering events of the registered combination to `handler`, on the main thread.
    // A held key yields one `pressed` and one `released`. Returns a status (0 = installed).
    virtual int installHandler(Handler handler) = 0;
    // Stops delivery; also releases a registered combination. Does nothing when not installed.
    virtual void removeHandler() = 0;

    // Claims `shortcut` system-wide. At most one is held: a previous one is released first.
    // Returns a status (0 = registered); on failure nothing is held.
    virtual int registerShortcut(const GlobalShortcut &shortcut) = 0;
    // Releases the combination, if one is held.
    virtual void unregisterShortcut() = 0;
};

} // namespace parlix
