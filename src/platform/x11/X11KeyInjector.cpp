#include "platform/x11/X11KeyInjector.h"

#include "core/Categories.h"
#include "core/Log.h"

#include <QCoroTimer>
#include <QSet>

#include <algorithm>

// Xlib's macros (None, Bool, KeyPress, …) clash with Qt: keep these last.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
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
    // Raw key events (XInput 2.1) come from every device whatever holds the keyboard: they tell
    // whether the user lets go of a key while a delivery has it taken off.
    int xiEvent = 0, xiError = 0;
    if (XQueryExtension(m_display, "XInputExtension", &opcode, &xiEvent, &xiError)) {
        int xiMajor = 2, xiMinor = 2;
        if (XIQueryVersion(m_display, &xiMajor, &xiMinor) == Success && (xiMajor > 2 || (xiMajor == 2 && xiMinor >= 1)))
            m_xiOpcode = opcode;
    }
    m_wmProtocols = XInternAtom(m_display, "WM_PROTOCOLS", False);
    m_wmPing = XInternAtom(m_display, "_NET_WM_PING", False);
    m_restoreTimer.setInterval(targetPoll);
    QObject::connect(&m_restoreTimer, &QTimer::timeout, [this] {
        if (targetsHaveRead())
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
        } else if (event.type == ClientMessage && event.xclient.message_type == m_wmProtocols && event.xclient.format == 32
                   && static_cast<unsigned long>(event.xclient.data.l[0]) == m_wmPing && event.xclient.data.l[1] == m_pingSerial
                   && static_cast<unsigned long>(event.xclient.data.l[2]) == m_pingWindow) {
            m_pingAnswered = true;
        } else if (event.type == GenericEvent && event.xcookie.extension == m_xiOpcode && XGetEventData(m_display, &event.xcookie)) {
            const int type = event.xcookie.evtype;
            if (type == XI_RawKeyPress || type == XI_RawKeyRelease)
                noteRawKey(quint8(static_cast<const XIRawEvent *>(event.xcookie.data)->detail), type == XI_RawKeyPress);
            XFreeEventData(m_display, &event.xcookie);
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
    if (m_watchingKeys)
        ++(pressed ? m_ownPresses : m_ownReleases)[keycode];
    m_pingSent = false; // an answer to an earlier ping does not cover this key
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

void X11KeyInjector::pingTarget()
{
    if (m_pingSent)
        return;
    m_pingSent = true;
    m_pingAnswered = false;
    m_pingWindow = 0;
    // The focus may sit on a child of the window that takes part in the window manager's
    // protocols. Any of these windows may be gone by the time the server reads the request.
    ErrorTrap trap(m_display);
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(m_display, &focus, &revert);
    const Window root = DefaultRootWindow(m_display);
    for (Window window = focus; window > PointerRoot && window != root;) {
        Atom *protocols = nullptr;
        int count = 0;
        bool takesPings = false;
        if (XGetWMProtocols(m_display, window, &protocols, &count)) {
            takesPings = std::find(protocols, protocols + count, Atom(m_wmPing)) != protocols + count;
            XFree(protocols);
        }
        if (takesPings) {
            m_pingWindow = window;
            break;
        }
        Window treeRoot = 0, parent = 0, *children = nullptr;
        unsigned int childCount = 0;
        if (!XQueryTree(m_display, window, &treeRoot, &parent, &children, &childCount))
            break;
        if (children)
            XFree(children);
        window = parent;
    }
    if (!m_pingWindow) {
        trap.succeeded();
        return;
    }
    // The answer goes to the root window, to those who listen for its own or its children's
    // changes (toolkits differ in which).
    XSelectInput(m_display, root, StructureNotifyMask | SubstructureNotifyMask);
    XEvent ping{};
    ping.xclient.type = ClientMessage;
    ping.xclient.window = m_pingWindow;
    ping.xclient.message_type = m_wmProtocols;
    ping.xclient.format = 32;
    ping.xclient.data.l[0] = long(m_wmPing);
    ping.xclient.data.l[1] = ++m_pingSerial;
    ping.xclient.data.l[2] = long(m_pingWindow);
    // Queued behind every key sent before it: the answer means the window has handled them.
    XSendEvent(m_display, m_pingWindow, False, NoEventMask, &ping);
    if (!trap.succeeded())
        stopPing(); // the window went away: the bound applies
}

void X11KeyInjector::stopPing()
{
    if (m_pingWindow)
        XSelectInput(m_display, DefaultRootWindow(m_display), NoEventMask);
    m_pingWindow = 0;
}

bool X11KeyInjector::targetsHaveRead()
{
    if (m_temporary.isEmpty() || !m_sinceLastKey.isValid())
        return true;
    pingTarget();
    if (m_pingWindow) {
        drainEvents();
        if (m_pingAnswered) {
            log::debug(lcPasteManager, "Target read the keys after %ld ms", qint64(m_sinceLastKey.elapsed()));
            stopPing();
            return true;
        }
    }
    if (m_sinceLastKey.elapsed() < keymapHold.count())
        return false;
    log::debug(lcPasteManager, "No answer from the target after %ld ms; the keys are taken as read", qint64(m_sinceLastKey.elapsed()));
    stopPing();
    return true;
}

QCoro::Task<> X11KeyInjector::waitForTargets()
{
    while (!targetsHaveRead())
        co_await QCoro::sleepFor(targetPoll);
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
    stopPing();
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
    // The round trip returns once the server has run the change; our own notice of it is then
    // queued ahead of the reply.
    if (!trap.succeeded())
        log::error(lcPasteManager, "Keyboard mapping restore refused");
    else if (!drainEvents())
        log::debug(lcPasteManager, "No keyboard mapping notice after the restore");
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
        m_restoreTimer.start();
}

void X11KeyInjector::watchKeys(bool on)
{
    m_ownPresses.clear();
    m_ownReleases.clear();
    m_letGo.clear();
    if (m_xiOpcode < 0 || m_watchingKeys == on)
        return;
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    if (on) {
        XISetMask(bits, XI_RawKeyPress);
        XISetMask(bits, XI_RawKeyRelease);
    }
    XIEventMask mask{XIAllMasterDevices, int(sizeof bits), bits};
    XISelectEvents(m_display, DefaultRootWindow(m_display), &mask, 1);
    m_watchingKeys = on;
}

void X11KeyInjector::noteRawKey(quint8 keycode, bool pressed)
{
    if (!m_watchingKeys)
        return;
    // Our own events come back too; each one is matched with one echo.
    QHash<quint8, int> &own = pressed ? m_ownPresses : m_ownReleases;
    if (const auto it = own.find(keycode); it != own.end() && *it > 0) {
        --*it;
        return;
    }
    if (pressed)
        m_letGo.remove(keycode);
    else
        m_letGo.insert(keycode);
}

QList<quint32> X11KeyInjector::pressedKeys(const QSet<quint8> &among)
{
    char keys[32] = {};
    XQueryKeymap(m_display, keys);
    QList<quint32> down;
    for (quint8 keycode : among) {
        if (keys[keycode / 8] & (1 << (keycode % 8)))
            down.append(keycode);
    }
    std::sort(down.begin(), down.end());
    return down;
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
    watchKeys(true);
    const QList<quint32> down = pressedKeys(modifierKeys);
    for (quint32 keycode : down)
        fakeKey(quint8(keycode), false);
    XkbStateRec state{};
    if (m_hasXkb && XkbGetState(m_display, XkbUseCoreKbd, &state) == Success && (state.locked_mods & LockMask)) {
        XkbLockModifiers(m_display, XkbUseCoreKbd, LockMask, 0);
        held.lockedMask = LockMask;
    }
    XSync(m_display, False);
    // The echoes of these releases are in: whatever happens to the keys from here on is the user's.
    drainEvents();
    m_ownPresses.clear();
    m_ownReleases.clear();
    m_letGo.clear();
    // A key the server still reports down was not ours to lift (a device it will not let another
    // take over); pressing it again afterwards would leave it stuck once the user lets go.
    const QList<quint32> stillDown = pressedKeys(modifierKeys);
    for (quint32 keycode : down) {
        if (!stillDown.contains(keycode))
            held.keys.append(keycode);
    }
    return held;
}

void X11KeyInjector::restoreModifiers(const HeldModifiers &held)
{
    if (!ensureAccess())
        return;
    // Every raw key event up to now, the user's included, is in once the round trip returns.
    XSync(m_display, False);
    drainEvents();
    QSet<quint8> keys;
    for (quint32 keycode : held.keys)
        keys.insert(quint8(keycode));
    const QList<quint32> downNow = pressedKeys(keys);
    for (quint32 keycode : held.keys) {
        // Put back only what the user still holds: a key let go of meanwhile and pressed again
        // by us would stay down for good. Without a way to see releases, nothing goes back: a
        // modifier the user still holds simply stays off, which is harmless.
        if (!m_watchingKeys) {
            log::debug(lcPasteManager, "Modifier key %d not put back: key releases cannot be watched", int(keycode));
            continue;
        }
        if (m_letGo.contains(quint8(keycode))) {
            log::debug(lcPasteManager, "Modifier key %d was let go during the delivery", int(keycode));
            continue;
        }
        if (downNow.contains(keycode))
            continue; // pressed again by the user already
        fakeKey(quint8(keycode), true);
    }
    watchKeys(false);
    if (held.lockedMask && m_hasXkb)
        XkbLockModifiers(m_display, XkbUseCoreKbd, held.lockedMask, held.lockedMask);
    XFlush(m_display);
}

} // namespace parlix
