// The one table between stored key codes, keysyms and Qt keys, and the modifier mapping.
#include "core/HotkeyConfig.h"
#include "hotkey/KeyTable.h"

#include <QSet>
#include <gtest/gtest.h>

#include <set>

using namespace parlix;

namespace {

TEST(KeyTable, CoversExactlyTheNamedKeysEachWithItsOwnKeysymAndQtKeyBothWays)
{
    std::set<quint32> codes, keysyms;
    std::set<int> qtKeys;
    for (const auto &e : keytable::entries()) {
        codes.insert(e.keyCode);
        keysyms.insert(e.keysym);
        qtKeys.insert(e.qtKey);
        EXPECT_EQ(keytable::keysymForKeyCode(e.keyCode), e.keysym) << e.keyCode;
        EXPECT_EQ(keytable::keyCodeForQtKey(e.qtKey), e.keyCode) << e.keyCode;
    }
    EXPECT_EQ(keysyms.size(), codes.size());
    EXPECT_EQ(qtKeys.size(), codes.size());

    // The keys that render with a name are the keys a hotkey can be registered with.
    std::set<quint32> named;
    QSet<QString> names;
    for (quint32 code = 0; code < 512; ++code) {
        if (const auto name = HotkeyConfig::keyName(code)) {
            named.insert(code);
            names.insert(*name);
        }
    }
    EXPECT_EQ(codes, named);
    EXPECT_EQ(size_t(names.size()), codes.size()); // each name once
}

TEST(KeyTable, KeysOutsideTheTableAreRefused)
{
    for (const quint32 code : {50u, 52u, 54u, 76u, 127u, 0xffffffffu}) {
        EXPECT_EQ(keytable::keysymForKeyCode(code), std::nullopt) << code;
        EXPECT_EQ(keytable::shortcutFor(HotkeyConfig{code, HotkeyConfig::option}), std::nullopt) << code;
    }
    for (const Qt::Key key : {Qt::Key_Enter, Qt::Key_Delete, Qt::Key_F13, Qt::Key_Alt, Qt::Key_unknown})
        EXPECT_EQ(keytable::keyCodeForQtKey(key), std::nullopt) << key;
}

TEST(KeyTable, EachStoredModifierBitKeepsItsOwnModifier)
{
    const struct {
        quint32 bits;
        ShortcutModifiers shortcut;
        Qt::KeyboardModifiers qt;
    } cases[] = {
        {0x100, ShortcutModifier::super, Qt::MetaModifier},
        {0x200, ShortcutModifier::shift, Qt::ShiftModifier},
        {0x800, ShortcutModifier::alt, Qt::AltModifier},
        {0x1000, ShortcutModifier::control, Qt::ControlModifier},
        // Bits that are not modifiers (Caps Lock's 0x400, 0x1) are carried but claim nothing.
        {0x0c01, ShortcutModifier::alt, Qt::AltModifier | Qt::KeypadModifier},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(keytable::shortcutModifiers(c.bits), c.shortcut) << c.bits;
        EXPECT_EQ(keytable::modifierBits(c.qt), c.bits & 0x1b00u) << c.bits;
    }
}

} // namespace
