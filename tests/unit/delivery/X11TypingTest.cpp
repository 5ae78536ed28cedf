// Planning which characters go on spare keys: layouts' own characters stay on their keys,
// the rest share spare keys two by two, and what does not fit waits for the next stretch.
#include "platform/x11/X11Typing.h"

#include <gtest/gtest.h>

using namespace parlix::x11typing;

namespace {
Layout usLike()
{
    Layout layout;
    layout.characters = {{U'a', {38, false}}, {U'A', {38, true}}, {U'b', {56, false}},
                         {U'\n', {36, false}}, {U'\t', {23, false}}, {U'e', {26, false}}};
    layout.spareKeycodes = {250, 249};
    return layout;
}
} // namespace

TEST(X11Typing, KeysymsAndCodePoints)
{
    struct Case {
        char32_t codePoint;
        Keysym keysym;
    };
    const Case cases[] = {
        {U'é', 0xe9},   {U'\r', 0xff0d},    {U'\t', 0xff09}, {U'Ж', 0x6f6},
        {U'🎤', 0x0101f3a4}, {0x0301, 0x1000301}, {0x7f, 0},     {0xd800, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(uint32_t(c.codePoint));
        EXPECT_EQ(keysymFor(c.codePoint), c.keysym);
    }
    // The layout side: what a key produces.
    EXPECT_EQ(codePointOf(0xff0d), U'\n');
    EXPECT_EQ(codePointOf(0x6f6), U'Ж');
    EXPECT_EQ(codePointOf(0xfe51), 0u); // dead acute
    EXPECT_EQ(codePointOf(0xffb1), 0u); // keypad 1 depends on Num Lock
    EXPECT_EQ(codePointOf(0xff08), 0u); // BackSpace would delete text
}

TEST(X11Typing, CarriageReturnIsOneReturn)
{
    EXPECT_EQ(codePoints("\r\n"), QList<char32_t>{U'\n'});
    EXPECT_EQ(codePoints("\r"), QList<char32_t>{U'\n'});
    EXPECT_EQ(codePoints("e\u0301"), (QList<char32_t>{U'e', 0x0301}));
    EXPECT_EQ(codePoints("👍🏽"), (QList<char32_t>{0x1f44d, 0x1f3fd}));
}

TEST(X11Typing, Plans)
{
    struct Case {
        const char *name;
        QStringList characters;
        qsizetype ready;
        QList<SpareKey> keys;
        QHash<char32_t, Stroke> strokes;
    };
    const Case cases[] = {
        {"layout characters need no spare key", {"a", "A", "\n"}, 3, {},
         {{U'a', {38, false}}, {U'A', {38, true}}, {U'\n', {36, false}}}},
        {"missing characters pair up on spare keys", {"é", "a", "ß", "é"}, 4, {{250, 0xe9, 0xdf}},
         {{U'é', {250, false}}, {U'ß', {250, true}}, {U'a', {38, false}}}},
        {"a cluster mixes layout and spare keys", {"e\u0301"}, 1, {{250, 0x1000301, 0x1000301}},
         {{U'e', {26, false}}, {0x0301, {250, false}}}},
        {"what does not fit waits", {"1", "2", "3", "4", "5", "a"}, 4,
         {{250, 0x31, 0x32}, {249, 0x33, 0x34}},
         {{U'1', {250, false}}, {U'2', {250, true}}, {U'3', {249, false}}, {U'4', {249, true}}}},
        {"a control character is untypeable but covered", {"\x01", "a"}, 2, {}, {{U'a', {38, false}}}},
        {"a cluster larger than every spare key is untypeable", {"👨‍👩‍👧‍👦", "b"}, 2, {}, {{U'b', {56, false}}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const Plan p = plan(usLike(), c.characters);
        EXPECT_EQ(p.ready, c.ready);
        EXPECT_EQ(p.keys, c.keys);
        EXPECT_EQ(p.strokes, c.strokes);
    }
}
