#pragma once
// The keymap Parlix uploads for its virtual keyboard: the keys of the paste chords at fixed
// places, then one key for each character to be typed, carrying that character alone (one level,
// no modifier). Whatever layout the user's own keyboard has, every character of a transcript
// is typeable, and Ctrl+V is Ctrl+V.
#include "platform/KeyInjector.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace parlix {

class VirtualKeymap {
public:
    // Key codes as the virtual keyboard protocol sends them (evdev numbering: the XKB keycode
    // less 8). The chord keys sit where a PC keyboard has them (left Ctrl 29, left Shift 42, V 47,
    // Insert 110), so that a client still reading keys with the previous keymap (GTK 3 with its
    // Wayland input method module does) pastes all the same on the common layouts; the
    // characters take the other codes, from 1 up to XKB's last keycode.
    static constexpr qsizetype capacity = 255 - 8 - 4;
    // The key of the i-th character key (0 ≤ i < capacity).
    static quint32 characterKey(qsizetype i);
    // Modifier masks of the chord keys (XKB's real modifiers Shift and Control).
    static constexpr quint32 shiftMask = 1u << 0;
    static constexpr quint32 controlMask = 1u << 2;

    // The code points a character is typed as, one key each ("\r\n" and "\r" as one Return).
    static QList<char32_t> codePoints(const QString &character);
    // The keysym that types `codePoint` (Return for a line break, Tab), 0 for none.
    static quint32 keysymFor(char32_t codePoint);

    // The key of a chord key.
    static quint32 chordKey(KeyInjector::Key key);
    // The modifier mask a chord key holds while it is down, 0 for v and Insert.
    static quint32 modifierMask(KeyInjector::Key key);

    // Gives keys to the code points of `characters`, from the first, as long as there is room;
    // returns how many characters are ready (at least 1 for a non-empty list: a character
    // without a keysym counts and is then not typeable). Keys given earlier stay.
    qsizetype add(const QStringList &characters);
    // The key typing `codePoint`, 0 when it has none.
    quint32 keyFor(char32_t codePoint) const;
    // Back to the chord keys alone.
    void clear() { m_codePoints.clear(); }

    // The keymap in XKB's text format (xkb_keymap_new_from_string reads it), without the
    // terminating NUL the protocol wants in the uploaded file.
    QByteArray text() const;

private:
    QList<char32_t> m_codePoints; // characterKey(i) types m_codePoints[i]
};

} // namespace parlix
