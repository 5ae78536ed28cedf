#include "hotkey/KeyTable.h"

namespace parlix::keytable {

namespace {
// Keysym values from X11's keysymdef.h (the same in xkbcommon). Delete is the key labelled
// Delete on the keyboard the stored codes come from, which erases backwards: BackSpace.
constexpr KeyEntry kEntries[] = {
    {49, 0x0020, Qt::Key_Space},     {36, 0xff0d, Qt::Key_Return},  {48, 0xff09, Qt::Key_Tab},
    {51, 0xff08, Qt::Key_Backspace}, {53, 0xff1b, Qt::Key_Escape},

    {122, 0xffbe, Qt::Key_F1}, {120, 0xffbf, Qt::Key_F2},  {99, 0xffc0, Qt::Key_F3},
    {118, 0xffc1, Qt::Key_F4}, {96, 0xffc2, Qt::Key_F5},   {97, 0xffc3, Qt::Key_F6},
    {98, 0xffc4, Qt::Key_F7},  {100, 0xffc5, Qt::Key_F8},  {101, 0xffc6, Qt::Key_F9},
    {109, 0xffc7, Qt::Key_F10}, {103, 0xffc8, Qt::Key_F11}, {111, 0xffc9, Qt::Key_F12},

    {0, 'a', Qt::Key_A},  {11, 'b', Qt::Key_B}, {8, 'c', Qt::Key_C},  {2, 'd', Qt::Key_D},
    {14, 'e', Qt::Key_E}, {3, 'f', Qt::Key_F},  {5, 'g', Qt::Key_G},  {4, 'h', Qt::Key_H},
    {34, 'i', Qt::Key_I}, {38, 'j', Qt::Key_J}, {40, 'k', Qt::Key_K}, {37, 'l', Qt::Key_L},
    {46, 'm', Qt::Key_M}, {45, 'n', Qt::Key_N}, {31, 'o', Qt::Key_O}, {35, 'p', Qt::Key_P},
    {12, 'q', Qt::Key_Q}, {15, 'r', Qt::Key_R}, {1, 's', Qt::Key_S},  {17, 't', Qt::Key_T},
    {32, 'u', Qt::Key_U}, {9, 'v', Qt::Key_V},  {13, 'w', Qt::Key_W}, {7, 'x', Qt::Key_X},
    {16, 'y', Qt::Key_Y}, {6, 'z', Qt::Key_Z},

    {29, '0', Qt::Key_0}, {18, '1', Qt::Key_1}, {19, '2', Qt::Key_2}, {20, '3', Qt::Key_3},
    {21, '4', Qt::Key_4}, {23, '5', Qt::Key_5}, {22, '6', Qt::Key_6}, {26, '7', Qt::Key_7},
    {28, '8', Qt::Key_8}, {25, '9', Qt::Key_9},
};
static_assert(std::size(kEntries) == 53);

const KeyEntry *findKeyCode(quint32 keyCode)
{
    for (const KeyEntry &e : kEntries) {
        if (e.keyCode == keyCode)
            return &e;
    }
    return nullptr;
}
} // namespace

std::span<const KeyEntry> entries()
{
    return kEntries;
}

std::optional<quint32> keysymForKeyCode(quint32 keyCode)
{
    if (const KeyEntry *e = findKeyCode(keyCode))
        return e->keysym;
    return std::nullopt;
}

QString keysymName(quint32 keysym)
{
    if ((keysym >= 'a' && keysym <= 'z') || (keysym >= '0' && keysym <= '9'))
        return QString(QChar(char16_t(keysym)));
    constexpr quint32 kF1 = 0xffbe;
    if (keysym >= kF1 && keysym < kF1 + 12)
        return QStringLiteral("F%1").arg(keysym - kF1 + 1);
    switch (keysym) {
    case 0x0020:
        return QStringLiteral("space");
    case 0xff0d:
        return QStringLiteral("Return");
    case 0xff09:
        return QStringLiteral("Tab");
    case 0xff08:
        return QStringLiteral("BackSpace");
    case 0xff1b:
        return QStringLiteral("Escape");
    default:
        return {};
    }
}

std::optional<quint32> keyCodeForQtKey(int qtKey)
{
    for (const KeyEntry &e : kEntries) {
        if (e.qtKey == qtKey)
            return e.keyCode;
    }
    return std::nullopt;
}

ShortcutModifiers shortcutModifiers(quint32 modifierBits)
{
    ShortcutModifiers m;
    if (modifierBits & HotkeyConfig::command)
        m |= ShortcutModifier::super;
    if (modifierBits & HotkeyConfig::option)
        m |= ShortcutModifier::alt;
    if (modifierBits & HotkeyConfig::control)
        m |= ShortcutModifier::control;
    if (modifierBits & HotkeyConfig::shift)
        m |= ShortcutModifier::shift;
    return m;
}

quint32 modifierBits(Qt::KeyboardModifiers modifiers)
{
    quint32 bits = 0;
    if (modifiers & Qt::MetaModifier)
        bits |= HotkeyConfig::command;
    if (modifiers & Qt::AltModifier)
        bits |= HotkeyConfig::option;
    if (modifiers & Qt::ControlModifier)
        bits |= HotkeyConfig::control;
    if (modifiers & Qt::ShiftModifier)
        bits |= HotkeyConfig::shift;
    return bits;
}

std::optional<GlobalShortcut> shortcutFor(const HotkeyConfig &config)
{
    const auto keysym = keysymForKeyCode(config.keyCode);
    if (!keysym)
        return std::nullopt;
    return GlobalShortcut{*keysym, shortcutModifiers(config.modifiers)};
}

} // namespace parlix::keytable
