#include "platform/x11/X11KeyInjector.h"

#include "core/Categories.h"
#include "core/Log.h"

#include <QCoroTimer>
#include <QSet>

// Xlib's macros (None, Bool, KeyPress, …) clash with Qt: keep these last.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace parlix {

using namespace x11typing;

namespace {

// Catches X errors of the calls made while it exists instead of letting Xlib's default handler
// end the process.
class ErrorTrap {
public:
    explicit ErrorTrap(Display *display)
        : m_display(display)
    {
        s_failed = false;
        m_previous = XSetErrorHandler(&ErrorTrap::handle);
    }
    ~ErrorTrap() { XSetErrorHandler(m_previous); }
    // Waits for the server to have run every request so far; false when one of them failed.
    bool succeeded()
    {
        XSync(m_display, False);
        return !s_failed;
    }

private:
    static int handle(Display *, XErrorEvent *) { return s_failed = true, 0; }
    static inline bool s_failed = false;
    Display *m_display;
    int (*m_previous)(Display *, XErrorEvent *) = nullptr;
};

struct KeyboardDesc {
    XkbDescPtr desc = nullptr;
    explicit KeyboardDesc(Display *display)
        : desc(XkbGetMap(display, XkbKeyTypesMask | XkbKeySymsMask | XkbKeyActionsMask, XkbUseCoreKbd))
    {
    }
    ~KeyboardDesc()
    {
        if (desc)
            XkbFreeKeyboard(desc, 0, True);
    }
};

int effectiveGroup(XkbDescPtr xkb, int keycode, int group)
{
    const int groups = XkbKeyNumGroups(xkb, keycode);
    if (group < groups)
        return group;
    const unsigned info = XkbKeyGroupInfo(xkb, keycode);
    switch (XkbOutOfRangeGroupAction(info)) {
    case XkbClampIntoRange:
        return groups - 1;
    case XkbRedirectIntoRange: {
        const int target = XkbOutOfRangeGroupNumber(info);
        return target < groups ? target : 0;
    }
    default:
        return group % groups;
    }
}

// The level Shift alone selects on a key type, -1 when Shift does not change the level.
int shiftLevel(const XkbKeyTypeRec *type)
{
    for (int i = 0; i < type->map_count; ++i) {
        const XkbKTMapEntryRec &entry = type->map[i];
        if (entry.active && entry.mods.mask == ShiftMask)
            return entry.level;
    }
    return -1;
}

} // namespace

X11KeyInjector::X11KeyInjector()
{
    m_display = XOpenDisplay(nullptr);
    if (!m_display)
        return;
    int event = 0, error = 0, major = 0, minor = 0;
    m_hasXTest = XTestQueryExtension(m_display, &event, &error, &major, &minor);
    int opcode = 0;
    major = XkbMajorVersion;
    minor = XkbMinorVersion;
    m_hasXkb = XkbQueryExtension(m_display, &opcode, &event, &error, &major, &minor);
    if (m_hasXkb) {
        m_xkbEventBase = event;
        // Our own notice of a change we made tells us the server has applied it.
        XkbSelectEvents(m_display, XkbUseCoreKbd, XkbMapNotifyMask, XkbMapNotifyMask);
    }
    m_restoreTimer.setSingleShot(true);
    QObject::connect(&m_restoreTimer, &QTimer::timeout, [this] {
        const auto held = std::chrono::milliseconds(m_sinceLastKey.isValid() ? m_sinceLastKey.elapsed() : keymapHold.count());
        if (held < keymapHold)
            m_restoreTimer.start(keymapHold - held);
        else
            restoreKeymap();
    });
}

X11KeyInjector::~X11KeyInjector()
{
    if (!m_display)
        return;
    restoreKeymap();
    XCloseDisplay(m_display);
}

bool X11KeyInjector::ensureAccess()
{
    // X11 has no permission of its own for this: what it takes is the XTest extension.
    return m_display && m_hasXTest;
}

bool X11KeyInjector::drainEvents()
{
    bool mapChanged = false;
    while (XPending(m_display)) {
        XEvent event;
        XNextEvent(m_display, &event);
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            mapChanged = mapChanged || event.xmapping.request == MappingKeyboard;
        } else if (m_xkbEventBase >= 0 && event.type == m_xkbEventBase
                   && reinterpret_cast<const XkbAnyEvent &>(event).xkb_type == XkbMapNotify) {
            mapChanged = true;
        }
    }
    return mapChanged;
}

QCoro::Task<> X11KeyInjector::waitForMapNotice(bool noticed)
{
    // The server sends every client its notice of the change while running the request, so each
    // client meets it ahead of any key we send afterwards and reads those keys with the new map.
    // Our own notice confirms the change took effect.
    QElapsedTimer waited;
    waited.start();
    while (!noticed && waited.elapsed() < keymapNoticeWait.count()) {
        co_await QCoro::sleepFor(std::chrono::milliseconds(5));
        XSync(m_display, False);
        noticed = drainEvents();
    }
    if (!noticed)
        log::debug(lcPasteManager, "No keyboard mapping notice after the change");
}

bool X11KeyInjector::keyboardGrabbed()
{
    if (!ensureAccess())
        return false;
    // Taking the grab ourselves is the one way to learn whether someone holds it; it is given
    // back at once.
    if (XGrabKeyboard(m_display, DefaultRootWindow(m_display), False, GrabModeAsync, GrabModeAsync, CurrentTime) != GrabSuccess)
        return true;
    XUngrabKeyboard(m_display, CurrentTime);
    XFlush(m_display);
    return false;
}

quint8 X11KeyInjector::keycodeOf(quint32 keysym)
{
    return quint8(XKeysymToKeycode(m_display, keysym));
}

void X11KeyInjector::fakeKey(quint8 keycode, bool pressed)
{
    XTestFakeKeyEvent(m_display, keycode, pressed ? True : False, CurrentTime);
}

Layout X11KeyInjector::readLayout()
{
    Layout layout;
    KeyboardDesc keyboard(m_display);
    XkbDescPtr xkb = keyboard.desc;
    if (!xkb || !xkb->map)
        return layout;
    XkbStateRec state{};
    XkbGetState(m_display, XkbUseCoreKbd, &state);

    QList<quint8> spare;
    for (int keycode = xkb->min_key_code; keycode <= xkb->max_key_code && keycode <= 255; ++keycode) {
        if (m_temporary.contains(quint8(keycode))) {
            spare.append(quint8(keycode));
            continue;
        }
        if (XkbKeyNumGroups(xkb, keycode) == 0) {
            // Keycode 8 is the lowest X allows and some clients never read it.
            if (keycode > 8)
                spare.append(quint8(keycode));
            continue;
        }
        const int group = effectiveGroup(xkb, keycode, state.group);
        const XkbKeyTypeRec *type = XkbKeyKeyType(xkb, keycode, group);
        const auto add = [&](int level, bool shift) {
            const char32_t c = codePointOf(quint32(XkbKeySymEntry(xkb, keycode, level, group)));
            if (c == 0)
                return;
            const auto it = layout.characters.constFind(c);
            if (it == layout.characters.constEnd() || (it->shift && !shift))
                layout.characters.insert(c, Stroke{quint8(keycode), shift});
        };
        add(0, false);
        const int level = shiftLevel(type);
        if (level > 0 && level < type->num_levels)
            add(level, true);
    }
    // The highest keycodes are the least likely to be on a physical keyboard.
    std::reverse(spare.begin(), spare.end());
    layout.spareKeycodes = spare;
    return layout;
}

QCoro::Task<> X11KeyInjector::waitForTargets()
{
    if (m_temporary.isEmpty() || !m_sinceLastKey.isValid())
        co_return;
    const auto held = std::chrono::milliseconds(m_sinceLastKey.elapsed());
    if (held < keymapHold)
        co_await QCoro::sleepFor(keymapHold - held);
}

QCoro::Task<bool> X11KeyInjector::apply(const Plan &plan)
{
    m_strokes = plan.strokes;
    QHash<quint8, SpareKey> wanted;
    for (const SpareKey &key : plan.keys)
        wanted.insert(key.keycode, key);
    if (wanted == m_temporary)
        co_return true; // the keys already carry these characters

    // A key we filled earlier may still be waiting in a target's queue.
    co_await waitForTargets();

    KeyboardDesc keyboard(m_display);
    XkbDescPtr xkb = keyboard.desc;
    if (!xkb || !xkb->map)
        co_return false;
    int low = 256, high = -1;
    const auto touch = [&](int keycode) {
        low = std::min(low, keycode);
        high = std::max(high, keycode);
    };
    XkbMapChangesRec changes{};
    int twoLevel[XkbNumKbdGroups] = {XkbTwoLevelIndex, XkbTwoLevelIndex, XkbTwoLevelIndex, XkbTwoLevelIndex};
    for (const SpareKey &key : plan.keys) {
        if (XkbChangeTypesOfKey(xkb, key.keycode, 1, XkbGroup1Mask, twoLevel, &changes) != Success)
            co_return false;
        KeySym *syms = XkbResizeKeySyms(xkb, key.keycode, 2);
        if (!syms)
            co_return false;
        syms[0] = key.plain;
        syms[1] = key.shifted;
        touch(key.keycode);
    }
    for (quint8 keycode : m_temporary.keys()) {
        if (wanted.contains(keycode))
            continue;
        XkbChangeTypesOfKey(xkb, keycode, 0, XkbGroup1Mask, twoLevel, &changes);
        touch(keycode);
    }
    // One change for every key: clients reload their keymap once.
    changes.changed = XkbKeySymsMask;
    changes.first_key_sym = KeyCode(low);
    changes.num_key_syms = quint8(high - low + 1);
    drainEvents(); // notices of earlier changes
    ErrorTrap trap(m_display);
    XkbChangeMap(m_display, xkb, &changes);
    // A round trip: once it returns the server has run the change.
    const bool ok = trap.succeeded();
    const bool noticed = drainEvents();
    if (!ok) {
        log::error(lcPasteManager, "Keyboard mapping change refused");
        co_return false;
    }
    m_temporary = wanted;
    co_await waitForMapNotice(noticed);
    co_return true;
}

void X11KeyInjector::restoreKeymap()
{
    m_restoreTimer.stop();
    if (!m_display || m_temporary.isEmpty())
        return;
    KeyboardDesc keyboard(m_display);
    XkbDescPtr xkb = keyboard.desc;
    if (!xkb || !xkb->map)
        return;
    int low = 256, high = -1;
    XkbMapChangesRec changes{};
    int oneLevel[XkbNumKbdGroups] = {XkbOneLevelIndex, XkbOneLevelIndex, XkbOneLevelIndex, XkbOneLevelIndex};
    for (const SpareKey &key : std::as_const(m_temporary)) {
        // Leave a key alone that someone else has redefined since (a new layout was loaded).
        if (XkbKeyNumGroups(xkb, key.keycode) != 1 || XkbKeyGroupWidth(xkb, key.keycode, 0) != 2
            || XkbKeySymEntry(xkb, key.keycode, 0, 0) != key.plain || XkbKeySymEntry(xkb, key.keycode, 1, 0) != key.shifted)
            continue;
        XkbChangeTypesOfKey(xkb, key.keycode, 0, XkbGroup1Mask, oneLevel, &changes);
        low = std::min(low, int(key.keycode));
        high = std::max(high, int(key.keycode));
    }
    m_temporary.clear();
    m_strokes.clear();
    m_vKeycode = 0;
    if (high < 0)
        return;
    changes.changed = XkbKeySymsMask;
    changes.first_key_sym = KeyCode(low);
    changes.num_key_syms = quint8(high - low + 1);
    ErrorTrap trap(m_display);
    XkbChangeMap(m_display, xkb, &changes);
    trap.succeeded();
    drainEvents();
}

QCoro::Task<bool> X11KeyInjector::prepareKeys(QList<Key> keys)
{
    if (!ensureAccess())
        co_return false;
    m_restoreTimer.stop();
    if (!keys.contains(Key::v))
        co_return true;
    Layout layout = readLayout();
    // The chord's V has to be a key of its own: Shift is part of the chord, not of the letter.
    if (layout.characters.value(U'v').shift)
        layout.characters.remove(U'v');
    const Plan plan = x11typing::plan(layout, {QStringLiteral("v")});
    if (!co_await apply(plan) || !plan.strokes.contains(U'v'))
        co_return false;
    m_vKeycode = plan.strokes.value(U'v').keycode;
    co_return true;
}

bool X11KeyInjector::sendKey(Key key, bool pressed)
{
    if (!ensureAccess())
        return false;
    quint8 keycode = 0;
    switch (key) {
    case Key::control:
        keycode = keycodeOf(XK_Control_L);
        break;
    case Key::shift:
        keycode = keycodeOf(XK_Shift_L);
        break;
    case Key::v:
        keycode = m_vKeycode ? m_vKeycode : keycodeOf(XK_v);
        break;
    case Key::insert:
        keycode = keycodeOf(XK_Insert);
        break;
    }
    if (keycode == 0)
        return false;
    fakeKey(keycode, pressed);
    XFlush(m_display);
    m_sinceLastKey.restart();
    return true;
}

QCoro::Task<qsizetype> X11KeyInjector::prepareTyping(QStringList characters)
{
    if (characters.isEmpty())
        co_return 0;
    if (!ensureAccess() || !m_hasXkb) {
        m_strokes.clear();
        co_return characters.size(); // none of them can be typed
    }
    m_restoreTimer.stop();
    const Plan plan = x11typing::plan(readLayout(), characters);
    if (!co_await apply(plan))
        m_strokes.clear();
    co_return plan.ready;
}

bool X11KeyInjector::typeCharacter(const QString &character)
{
    const QList<char32_t> points = codePoints(character);
    if (points.isEmpty() || !ensureAccess())
        return false;
    for (char32_t c : points) {
        if (!m_strokes.contains(c))
            return false;
    }
    const quint8 shift = keycodeOf(XK_Shift_L);
    for (char32_t c : points) {
        const Stroke stroke = m_strokes.value(c);
        if (stroke.shift)
            fakeKey(shift, true);
        fakeKey(stroke.keycode, true);
        fakeKey(stroke.keycode, false);
        if (stroke.shift)
            fakeKey(shift, false);
    }
    XFlush(m_display);
    m_sinceLastKey.restart();
    return true;
}

void X11KeyInjector::finish()
{
    if (!m_temporary.isEmpty())
        m_restoreTimer.start(keymapHold);
}

HeldModifiers X11KeyInjector::releaseHeldModifiers()
{
    HeldModifiers held;
    if (!ensureAccess())
        return held;
    QSet<quint8> modifierKeys;
    if (XModifierKeymap *map = XGetModifierMapping(m_display)) {
        for (int i = 0; i < 8 * map->max_keypermod; ++i) {
            if (map->modifiermap[i])
                modifierKeys.insert(map->modifiermap[i]);
        }
        XFreeModifiermap(map);
    }
    const auto pressedKeys = [this, &modifierKeys] {
        char keys[32] = {};
        XQueryKeymap(m_display, keys);
        QList<quint32> down;
        for (quint8 keycode : modifierKeys) {
            if (keys[keycode / 8] & (1 << (keycode % 8)))
                down.append(keycode);
        }
        std::sort(down.begin(), down.end());
        return down;
    };
    const QList<quint32> down = pressedKeys();
    for (quint32 keycode : down)
        fakeKey(quint8(keycode), false);
    XkbStateRec state{};
    if (m_hasXkb && XkbGetState(m_display, XkbUseCoreKbd, &state) == Success && (state.locked_mods & LockMask)) {
        XkbLockModifiers(m_display, XkbUseCoreKbd, LockMask, 0);
        held.lockedMask = LockMask;
    }
    XSync(m_display, False);
    // A key a physical keyboard holds stays down whatever XTest says; pressing it again
    // afterwards would leave it stuck once the user lets go.
    const QList<quint32> stillDown = pressedKeys();
    for (quint32 keycode : down) {
        if (!stillDown.contains(keycode))
            held.keys.append(keycode);
    }
    return held;
}

void X11KeyInjector::restoreModifiers(const HeldModifiers &held)
{
    if (!ensureAccess() || held.isEmpty())
        return;
    for (quint32 keycode : held.keys)
        fakeKey(quint8(keycode), true);
    if (held.lockedMask && m_hasXkb)
        XkbLockModifiers(m_display, XkbUseCoreKbd, held.lockedMask, held.lockedMask);
    XFlush(m_display);
}

} // namespace parlix
