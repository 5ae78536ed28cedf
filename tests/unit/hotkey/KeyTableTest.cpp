// The one table between stored key codes, keysyms and Qt keys, and the modifier mapping.
#include "core/HotkeyConfig.h"
#include "hotkey/KeyTable.h"

#include <QSet>
#include <gtest/gtest.h>

#include <set>

using namespace parlix;

namespace {

TEST(KeyTable, CoversExactlyTheNamedKeysEachWithItsOwnKeysymAndQtKey)
{
    std::set<quint32> codes, keysyms;
    std::set<int> qtKeys;
    for (const auto &e : keytable::entries()) {
        codes.insert(e.keyCode);
        keysyms.insert(e.keysym);
        qtKeys.insert(e.qtKey);
    }
    EXPECT_EQ(codes.size(), 53u);
    EXPECT_EQ(keysyms.size(), 53u);
    EXPECT_EQ(qtKeys.size(), 53u);

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
    EXPECT_EQ(names.size(), 53); // each name once
}

struct KeyCase {
    quint32 keyCode;
    quint32 keysym;
    Qt::Key qtKey;
};

void PrintTo(const KeyCase &c, std::ostream *os)
{
    *os << "key code " << c.keyCode;
}

class KeyMapping : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeyMapping, MapsBothWays)
{
    const KeyCase &c = GetParam();
    EXPECT_EQ(keytable::keysymForKeyCode(c.keyCode), c.keysym);
    EXPECT_EQ(keytable::keyCodeForQtKey(c.qtKey), c.keyCode);
}

// Keysym values as keysymdef.h defines them.
INSTANTIATE_TEST_SUITE_P(
    KeyTable, KeyMapping,
    ::testing::Values(KeyCase{49, 0x0020, Qt::Key_Space}, KeyCase{36, 0xff0d, Qt::Key_Return},
                      KeyCase{111, 0xffc9, Qt::Key_F12}, KeyCase{2, 0x0064, Qt::Key_D}, KeyCase{25, 0x0039, Qt::Key_9}));

TEST(KeyTable, KeysOutsideTheTableAreRefused)
{
    for (const quint32 code : {50u, 52u, 54u, 76u, 127u, 0xffffffffu}) {
        EXPECT_EQ(keytable::keysymForKeyCode(code), std::nullopt) << code;
        EXPECT_EQ(keytable::shortcutFor(HotkeyConfig{code, HotkeyConfig::option}), std::nullopt) << code;
    }
    for (const Qt::Key key : {Qt::Key_Enter, Qt::Key_Delete, Qt::Key_F13, Qt::Key_Alt, Qt::Key_unknown})
        EXPECT_EQ(keytable::keyCodeForQtKey(key), std::nullopt) << key;
}

struct ModifierCase {
    const char *name;
    quint32 bits;
    ShortcutModifiers shortcut;
    Qt::KeyboardModifiers qt;
};

void PrintTo(const ModifierCase &c, std::ostream *os)
{
    *os << c.name;
}

class ModifierMapping : public ::testing::TestWithParam<ModifierCase> {};

TEST_P(ModifierMapping, EachStoredBitKeepsItsOwnModifier)
{
    const ModifierCase &c = GetParam();
    EXPECT_EQ(keytable::shortcutModifiers(c.bits), c.shortcut);
    EXPECT_EQ(keytable::modifierBits(c.qt), c.bits & 0x1b00u);
}

INSTANTIATE_TEST_SUITE_P(
    KeyTable, ModifierMapping,
    ::testing::Values(
        ModifierCase{"None", 0, {}, Qt::NoModifier},
        ModifierCase{"Command", 0x100, ShortcutModifier::super, Qt::MetaModifier},
        ModifierCase{"Shift", 0x200, ShortcutModifier::shift, Qt::ShiftModifier},
        ModifierCase{"Option", 0x800, ShortcutModifier::alt, Qt::AltModifier},
        ModifierCase{"Control", 0x1000, ShortcutModifier::control, Qt::ControlModifier},
        ModifierCase{"All", 0x1b00,
                     ShortcutModifier::super | ShortcutModifier::shift | ShortcutModifier::alt | ShortcutModifier::control,
                     Qt::MetaModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::ControlModifier},
        // Bits that are not modifiers (Caps Lock's 0x400, 0x1) are carried but claim nothing.
        ModifierCase{"OtherBitsIgnored", 0x0c01, ShortcutModifier::alt, Qt::AltModifier | Qt::KeypadModifier}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
