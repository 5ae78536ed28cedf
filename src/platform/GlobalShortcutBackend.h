#pragma once
// A system-wide shortcut that reaches us while any other application is in front. Implemented
// per window system (X11 key grabs, the desktop portal's GlobalShortcuts); the hotkey manager
// drives it and tests use a fake.
//
// A shortcut is a named action ("dictate") with the trigger we would like for it. Where the
// application picks the keys (X11), the preferred trigger is what gets claimed; where the desktop
// decides (the portal), it is a suggestion and the desktop reports the trigger it bound. Either
// way the outcome arrives through a completion, at once or later.
#include <QFlags>
#include <QString>
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
// The window system could not be reached (no display, connection refused, no session bus).
inline constexpr int noConnection = -1;
// The window system lacks something the backend needs (on X11: detectable key auto-repeat).
inline constexpr int unsupportedServer = -2;
// The key has no counterpart on this system.
inline constexpr int unsupportedKey = -3;
// The current keyboard has no key that produces the keysym.
inline constexpr int keyNotOnKeyboard = -4;
// registerShortcut() without an installed handler.
inline constexpr int noHandler = -5;
// The keyboard layout changed and the backend could not move the shortcut with it.
inline constexpr int keyboardChanged = -6;
// Nothing on this desktop offers global shortcuts to applications (a Wayland compositor without
// the portal's GlobalShortcuts): a key the user binds in the compositor runs `parlixctl` instead.
// Not a failure: nothing is held, and nothing is in conflict.
inline constexpr int boundByCompositor = -7;
// The user dismissed the desktop's shortcut dialog.
inline constexpr int cancelled = -8;
// The desktop ended the request or bound none of the shortcuts asked for.
inline constexpr int refused = -9;
// The desktop closed the session that held the shortcut.
inline constexpr int sessionClosed = -10;
// Another client holds the combination (the X11 protocol error BadAccess).
inline constexpr int alreadyTaken = 10;
} // namespace ShortcutStatus

// What the desktop is asked to bind.
struct ShortcutRequest {
    // Stable across runs: desktops that remember bindings key them by it.
    QString action;
    // What the shortcut does, in words for desktops that list an application's shortcuts.
    QString description;
    GlobalShortcut preferredTrigger;
};

// The outcome of a registration.
struct ShortcutBinding {
    int status = ShortcutStatus::success;
    // The trigger as the desktop describes it ("Ctrl+Alt+Space"); empty where the backend claims
    // exactly the preferred trigger.
    QString trigger;
};

enum class ShortcutEvent {
    pressed,
    released,
    // The shortcut stopped working; the notice's status says why. Nothing is held any more.
    lost,
    // The user bound the action to another trigger in the desktop's settings.
    triggerChanged,
};

struct ShortcutNotice {
    QString action;
    ShortcutEvent event = ShortcutEvent::pressed;
    // lost: why, as a status.
    int status = ShortcutStatus::success;
    // triggerChanged: the trigger as the desktop now describes it.
    QString trigger;
};

class GlobalShortcutBackend {
public:
    using Handler = std::function<void(const ShortcutNotice &)>;
    using Completion = std::function<void(const ShortcutBinding &)>;

    virtual ~GlobalShortcutBackend() = default;

    // Whether the application's preferred trigger is what gets bound. False where the desktop
    // decides and the user changes the trigger in the desktop's own settings.
    virtual bool canChooseTrigger() const = 0;

    // Starts delivering notices of the registered shortcut to `handler`, on the main thread. A
    // held key yields one `pressed` and one `released`. Returns a status (0 = installed).
    virtual int installHandler(Handler handler) = 0;
    // Stops delivery; also releases a registered shortcut. Does nothing when not installed.
    virtual void removeHandler() = 0;

    // Asks for `request` to be bound, releasing whatever this backend held before (one shortcut
    // at a time). `done` runs once on the main thread with the outcome, possibly before this
    // returns; never after unregisterShortcut() or removeHandler(). On failure nothing is held.
    virtual void registerShortcut(const ShortcutRequest &request, Completion done) = 0;
    // Releases the shortcut, or withdraws a registration still under way.
    virtual void unregisterShortcut() = 0;
};

} // namespace parlix
