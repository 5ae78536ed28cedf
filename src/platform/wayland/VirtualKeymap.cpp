#include "platform/wayland/VirtualKeymap.h"

#include <xkbcommon/xkbcommon.h>

namespace parlix {

namespace {

constexpr quint32 returnKeysym = XKB_KEY_Return;
constexpr quint32 tabKeysym = XKB_KEY_Tab;

bool isControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7f && c < 0xa0);
}

QByteArray keysymName(quint32 keysym)
{
    char name[64];
    return xkb_keysym_get_name(keysym, name, sizeof name) > 0 ? QByteArray(name) : QByteArray::number(keysym, 16).prepend("0x");
}

struct ChordKey {
    KeyInjector::Key key;
    quint32 code; // evdev
    quint32 keysym;
    const char *modifier; // XKB modifier name, null for none
};

constexpr ChordKey chordKeys[] = {
    {KeyInjector::Key::control, 29, XKB_KEY_Control_L, "Control"},
    {KeyInjector::Key::shift, 42, XKB_KEY_Shift_L, "Shift"},
    {KeyInjector::Key::v, 47, XKB_KEY_v, nullptr},
    {KeyInjector::Key::insert, 110, XKB_KEY_Insert, nullptr},
};

} // namespace

QList<char32_t> VirtualKeymap::codePoints(const QString &character)
{
    QList<char32_t> result;
    const QList<uint> ucs4 = character.toUcs4();
    for (qsizetype i = 0; i < ucs4.size(); ++i) {
        char32_t c = ucs4[i];
        if (c == U'\r') {
            if (i + 1 < ucs4.size() && ucs4[i + 1] == U'\n')
                ++i;
            c = U'\n';
        }
        result.append(c);
    }
    return result;
}

quint32 VirtualKeymap::keysymFor(char32_t codePoint)
{
    if (codePoint == U'\n')
        return returnKeysym;
    if (codePoint == U'\t')
        return tabKeysym;
    if (isControl(codePoint) || (codePoint >= 0xd800 && codePoint <= 0xdfff) || codePoint > 0x10ffff)
        return 0;
    return xkb_utf32_to_keysym(codePoint);
}

quint32 VirtualKeymap::chordKey(KeyInjector::Key key)
{
    for (const ChordKey &chord : chordKeys) {
        if (chord.key == key)
            return chord.code;
    }
    return 0;
}

quint32 VirtualKeymap::characterKey(qsizetype i)
{
    quint32 code = 1 + quint32(i);
    for (const ChordKey &chord : chordKeys) {
        // The chord codes are in ascending order: each one at or below the candidate moves it up.
        if (chord.code <= code)
            ++code;
    }
    return code;
}

quint32 VirtualKeymap::modifierMask(KeyInjector::Key key)
{
    switch (key) {
    case KeyInjector::Key::control: return controlMask;
    case KeyInjector::Key::shift: return shiftMask;
    case KeyInjector::Key::v:
    case KeyInjector::Key::insert: return 0;
    }
    return 0;
}

qsizetype VirtualKeymap::add(const QStringList &characters)
{
    qsizetype ready = 0;
    for (const QString &character : characters) {
        QList<char32_t> missing;
        for (char32_t c : codePoints(character)) {
            if (keysymFor(c) != 0 && !m_codePoints.contains(c) && !missing.contains(c))
                missing.append(c);
        }
        if (m_codePoints.size() + missing.size() > capacity)
            break;
        m_codePoints.append(missing);
        ++ready;
    }
    // A character with more code points than a whole keymap holds is skipped when typed.
    return characters.isEmpty() ? 0 : std::max<qsizetype>(ready, 1);
}

quint32 VirtualKeymap::keyFor(char32_t codePoint) const
{
    const qsizetype at = m_codePoints.indexOf(codePoint);
    return at < 0 ? 0 : characterKey(at);
}

QByteArray VirtualKeymap::text() const
{
    QByteArray keycodes;
    QByteArray symbols;
    const auto addKey = [&](quint32 key, quint32 keysym) {
        const QByteArray name = "<K" + QByteArray::number(key + 8) + '>';
        keycodes += "    " + name + " = " + QByteArray::number(key + 8) + ";\n";
        symbols += "    key " + name + " { [ " + keysymName(keysym) + " ] };\n";
        return name;
    };
    for (const ChordKey &chord : chordKeys) {
        const QByteArray name = addKey(chord.code, chord.keysym);
        if (chord.modifier)
            symbols += "    modifier_map " + QByteArray(chord.modifier) + " { " + name + " };\n";
    }
    for (qsizetype i = 0; i < m_codePoints.size(); ++i)
        addKey(characterKey(i), keysymFor(m_codePoints[i]));

    return "xkb_keymap {\n"
           "  xkb_keycodes \"parlix\" {\n    minimum = 8;\n    maximum = 255;\n" + keycodes + "  };\n"
           "  xkb_types \"parlix\" { include \"complete\" };\n"
           "  xkb_compatibility \"parlix\" { include \"complete\" };\n"
           "  xkb_symbols \"parlix\" {\n" + symbols + "  };\n"
           "};\n";
}

} // namespace parlix
