#include "platform/x11/X11Typing.h"

#include <QSet>

#include <xkbcommon/xkbcommon.h>

namespace parlix::x11typing {

namespace {
constexpr Keysym returnKeysym = 0xff0d;
constexpr Keysym tabKeysym = 0xff09;
constexpr Keysym keypadFirst = 0xff80;
constexpr Keysym keypadLast = 0xffbd;

bool isControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7f && c < 0xa0);
}
} // namespace

Keysym keysymFor(char32_t codePoint)
{
    if (codePoint == U'\n' || codePoint == U'\r')
        return returnKeysym;
    if (codePoint == U'\t')
        return tabKeysym;
    if (isControl(codePoint) || (codePoint >= 0xd800 && codePoint <= 0xdfff) || codePoint > 0x10ffff)
        return 0;
    return xkb_utf32_to_keysym(codePoint);
}

char32_t codePointOf(Keysym keysym)
{
    if (keysym == returnKeysym)
        return U'\n';
    if (keysym >= keypadFirst && keysym <= keypadLast)
        return 0; // depends on Num Lock
    const char32_t c = xkb_keysym_to_utf32(keysym);
    if (c == U'\t')
        return c;
    return isControl(c) ? 0 : c;
}

QList<char32_t> codePoints(const QString &character)
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

Plan plan(const Layout &layout, const QStringList &characters)
{
    Plan result;
    const qsizetype capacity = layout.spareKeycodes.size() * 2;
    QList<char32_t> placed; // code points given a spare slot, in slot order
    for (const QString &character : characters) {
        const QList<char32_t> points = codePoints(character);
        QList<char32_t> missing;
        bool typeable = !points.isEmpty();
        for (char32_t c : points) {
            if (layout.characters.contains(c) || placed.contains(c) || missing.contains(c))
                continue;
            if (keysymFor(c) == 0)
                typeable = false;
            missing.append(c);
        }
        if (typeable && placed.size() + missing.size() > capacity) {
            if (result.ready > 0)
                break; // the rest waits for the next stretch
            typeable = false;
        }
        ++result.ready;
        if (!typeable)
            continue;
        for (char32_t c : points) {
            if (const auto it = layout.characters.constFind(c); it != layout.characters.constEnd())
                result.strokes.insert(c, *it);
        }
        placed.append(missing);
    }
    for (qsizetype i = 0; i < placed.size(); ++i) {
        const quint8 keycode = layout.spareKeycodes[i / 2];
        const bool shifted = i % 2 == 1;
        result.strokes.insert(placed[i], Stroke{keycode, shifted});
        if (!shifted)
            result.keys.append(SpareKey{keycode, keysymFor(placed[i]), keysymFor(placed[i])});
        else
            result.keys.last().shifted = keysymFor(placed[i]);
    }
    return result;
}

} // namespace parlix::x11typing
