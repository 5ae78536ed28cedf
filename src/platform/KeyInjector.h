#pragma once
// Synthetic keyboard input into whatever window has focus: the paste chord, and typing text
// character by character on any keyboard layout.
//
// The caller paces the keys (it owns every wait); the operations that may have to change the
// keyboard layout are coroutines so that they never block the event loop.
#include <QCoroTask>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace parlix {

// Modifiers that were in effect when delivery began and have been taken off for it: keys held
// down and locked modifiers (Caps Lock), in the window system's own numbering.
struct HeldModifiers {
    QList<quint32> keys;
    quint32 lockedMask = 0;

    bool isEmpty() const { return keys.isEmpty() && lockedMask == 0; }
    bool operator==(const HeldModifiers &) const = default;
};

class KeyInjector {
public:
    enum class Key { control, shift, v, insert };

    virtual ~KeyInjector() = default;

    // Whether this process may post input events to other applications. Where the desktop asks
    // the user for that permission, this shows its prompt.
    virtual bool ensureAccess() = 0;

    // Whether a client holds the keyboard grabbed. A hotkey still held keeps it grabbed for the
    // client that registered it, and keys sent meanwhile would reach that client, not the target.
    virtual bool keyboardGrabbed() = 0;

    // Makes every key of `keys` available on the active layout (a layout without a Latin V gets
    // one for the duration). False when one of them cannot be sent.
    virtual QCoro::Task<bool> prepareKeys(QList<Key> keys) = 0;
    // One key event; false when it could not be sent.
    virtual bool sendKey(Key key, bool pressed) = 0;

    // Makes the characters (grapheme clusters) at the start of `characters` typeable on the
    // active layout and returns how many of them are ready: at least 1 for a non-empty list (a
    // character that cannot be typed at all counts as ready and fails in typeCharacter).
    virtual QCoro::Task<qsizetype> prepareTyping(QStringList characters) = 0;
    // Key down and key up carrying the character (one pair per code point of the cluster);
    // false when the character cannot be typed (nothing was sent).
    virtual bool typeCharacter(const QString &character) = 0;

    // Ends a stretch of prepareKeys/prepareTyping: temporary layout changes are undone once the
    // target has had time to read the keys, without holding up the caller.
    virtual void finish() = 0;

    // Takes off modifiers that are in effect (the hotkey's Alt still held, Caps Lock) so that
    // the target reads the synthetic keys as they are meant; returns what was taken off.
    virtual HeldModifiers releaseHeldModifiers() = 0;
    // Puts back what releaseHeldModifiers took off.
    virtual void restoreModifiers(const HeldModifiers &held) = 0;
};

} // namespace parlix
