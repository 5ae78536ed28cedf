// The keymap uploaded for the Wayland virtual keyboard, read back the way the compositor and
// every client read it (xkbcommon): each character's key produces that character with no
// modifier, Ctrl and Shift are modifiers, and a full keymap leaves the rest for the next one.
#include "platform/wayland/VirtualKeymap.h"

#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon.h>

#include <QSet>

#include <algorithm>
#include <memory>

using namespace parlix;

namespace {

struct Compiled {
    std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context{xkb_context_new(XKB_CONTEXT_NO_FLAGS), xkb_context_unref};
    std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> keymap{nullptr, xkb_keymap_unref};
    std::unique_ptr<xkb_state, decltype(&xkb_state_unref)> state{nullptr, xkb_state_unref};

    explicit Compiled(const QByteArray &text)
    {
        keymap.reset(xkb_keymap_new_from_string(context.get(), text.constData(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS));
        if (keymap)
            state.reset(xkb_state_new(keymap.get()));
    }
    // What pressing `key` (protocol numbering) types now.
    QString typed(quint32 key)
    {
        char utf8[16] = {};
        xkb_state_key_get_utf8(state.get(), key + 8, utf8, sizeof utf8);
        return QString::fromUtf8(utf8);
    }
};

} // namespace

TEST(VirtualKeymap, EveryCharacterHasAKeyOfItsOwn)
{
    VirtualKeymap keymap;
    const QStringList characters = {"G", "ü", "ß", "é", "你", "→", "€", " ", "\t", "\r\n", "e\u0301", "👍"};
    EXPECT_EQ(keymap.add(characters), characters.size());
    Compiled compiled(keymap.text());
    ASSERT_TRUE(compiled.state) << keymap.text().toStdString();

    struct Case {
        char32_t codePoint;
        const char *typed; // UTF-8
    };
    const Case cases[] = {{U'G', "G"}, {U'ü', "ü"}, {U'ß', "ß"}, {U'你', "你"}, {U'→', "→"}, {U'€', "€"}, {U' ', " "},
                          {U'\t', "\t"}, {U'\n', "\r"}, {0x0301, "\u0301"}, {U'👍', "👍"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(uint32_t(c.codePoint));
        const quint32 key = keymap.keyFor(c.codePoint);
        ASSERT_NE(key, 0u);
        EXPECT_EQ(compiled.typed(key), QString::fromUtf8(c.typed));
    }
    EXPECT_EQ(keymap.keyFor(U'x'), 0u);
    EXPECT_EQ(VirtualKeymap::codePoints("\r\n"), QList<char32_t>{U'\n'});

    // The chord: Ctrl and Shift are the modifiers their masks name; V types v.
    EXPECT_EQ(compiled.typed(VirtualKeymap::chordKey(KeyInjector::Key::v)), "v");
    xkb_state_update_mask(compiled.state.get(), VirtualKeymap::controlMask | VirtualKeymap::shiftMask, 0, 0, 0, 0, 0);
    EXPECT_EQ(xkb_state_mod_name_is_active(compiled.state.get(), XKB_MOD_NAME_CTRL, XKB_STATE_MODS_EFFECTIVE), 1);
    EXPECT_EQ(xkb_state_mod_name_is_active(compiled.state.get(), XKB_MOD_NAME_SHIFT, XKB_STATE_MODS_EFFECTIVE), 1);
    const quint32 control = VirtualKeymap::chordKey(KeyInjector::Key::control);
    EXPECT_EQ(xkb_state_key_get_one_sym(compiled.state.get(), control + 8), XKB_KEY_Control_L);
}

TEST(VirtualKeymap, AFullKeymapLeavesTheRestForTheNextStretch)
{
    QStringList characters;
    for (qsizetype i = 0; i < VirtualKeymap::capacity + 10; ++i)
        characters << QString(QChar(0x4e00 + int(i)));
    VirtualKeymap keymap;
    EXPECT_EQ(keymap.add(characters), VirtualKeymap::capacity);
    EXPECT_TRUE(Compiled(keymap.text()).state);
    // Repeated characters take one key; a character without a keysym is ready but has no key.
    keymap.clear();
    EXPECT_EQ(keymap.add({"a", "a", QString(QChar(0x7f))}), 3);
    EXPECT_EQ(keymap.keyFor(0x7f), 0u);
    EXPECT_EQ(keymap.keyFor(U'a'), VirtualKeymap::characterKey(0));
    // Character keys never take a chord key's place, and all fit XKB's keycodes.
    QSet<quint32> used;
    for (qsizetype i = 0; i < VirtualKeymap::capacity; ++i)
        used.insert(VirtualKeymap::characterKey(i));
    EXPECT_EQ(used.size(), VirtualKeymap::capacity);
    for (KeyInjector::Key chord : {KeyInjector::Key::control, KeyInjector::Key::shift, KeyInjector::Key::v, KeyInjector::Key::insert})
        EXPECT_FALSE(used.contains(VirtualKeymap::chordKey(chord)));
    EXPECT_EQ(*std::max_element(used.begin(), used.end()), 255u - 8u);
}
