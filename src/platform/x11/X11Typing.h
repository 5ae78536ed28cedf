#pragma once
// Planning exact typing on an X keyboard layout. A character the active layout produces with no
// modifier or with Shift alone is typed on its own key; every other character is put on a spare
// key (one with no symbols) for the duration, two characters per key (plain and Shift), all in
// one keymap change. Pure data: the X calls live in KeyInjectorX11.
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace parlix::x11typing {

using Keysym = quint32;

// One key press: the key, and whether Shift is held for it.
struct Stroke {
    quint8 keycode = 0;
    bool shift = false;

    bool operator==(const Stroke &) const = default;
};

// What the active layout offers.
struct Layout {
    // Characters reachable on the active group with no modifier or Shift alone.
    QHash<char32_t, Stroke> characters;
    // Keys without any symbol, free to carry characters for a while (in order of preference).
    QList<quint8> spareKeycodes;
};

// A spare key filled for a stretch of typing.
struct SpareKey {
    quint8 keycode = 0;
    Keysym plain = 0;
    Keysym shifted = 0;

    bool operator==(const SpareKey &) const = default;
};

struct Plan {
    // How many characters from the start are covered (typeable or known to be untypeable).
    qsizetype ready = 0;
    // Spare keys to fill before typing them.
    QList<SpareKey> keys;
    // The stroke of every code point of the covered characters that can be typed.
    QHash<char32_t, Stroke> strokes;
};

// The keysym that produces a code point; 0 for control characters other than tab and line
// breaks, and for lone surrogates. Line feed and carriage return are the Return key.
Keysym keysymFor(char32_t codePoint);
// The code point a keysym produces, 0 for none (function keys, dead keys, keypad keys). Return
// produces a line feed.
char32_t codePointOf(Keysym keysym);
// The code points of a character as they are typed: a carriage return (alone or before a line
// feed) is the one Return key.
QList<char32_t> codePoints(const QString &character);

// Covers as many characters from the start of `characters` as the spare keys can carry.
Plan plan(const Layout &layout, const QStringList &characters);

} // namespace parlix::x11typing
