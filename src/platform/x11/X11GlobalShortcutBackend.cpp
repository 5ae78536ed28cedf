#include "platform/x11/X11GlobalShortcutBackend.h"

#include "core/Categories.h"
#include "core/Log.h"

#include <QSocketNotifier>

#include <xcb/xcb.h>
// xkb.h names a member "explicit", a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <cstdlib>
#include <vector>

namespace parlix {

namespace {
constexpr xcb_keysym_t kNumLock = 0xff7f;
constexpr xcb_keysym_t kAltL = 0xffe9;
constexpr xcb_keysym_t kAltR = 0xffea;
constexpr xcb_keysym_t kSuperL = 0xffeb;
constexpr xcb_keysym_t kSuperR = 0xffec;
// The eight core modifier bits; the rest of an event's state is buttons and the XKB group.
constexpr quint16 kModifierBits = 0xff;

template <typename T>
struct FreeDeleter {
    void operator()(T *p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter<T>>;

// A grab matches the exact modifier state, so Caps Lock and Num Lock need grabs of their own.
QVector<quint16> lockVariants(quint16 numLock)
{
    QVector<quint16> variants{0, XCB_MOD_MASK_LOCK};
    if (numLock) {
        variants.append(numLock);
        variants.append(quint16(numLock | XCB_MOD_MASK_LOCK));
    }
    return variants;
}

// The core keyboard mapping: which keysyms each keycode produces, in any group and level.
class Keymap {
public:
    explicit Keymap(xcb_connection_t *c)
    {
        const xcb_setup_t *setup = xcb_get_setup(c);
        m_min = setup->min_keycode;
        const int count = setup->max_keycode - setup->min_keycode + 1;
        Reply<xcb_get_keyboard_mapping_reply_t> reply(
            xcb_get_keyboard_mapping_reply(c, xcb_get_keyboard_mapping(c, m_min, count), nullptr));
        if (!reply)
            return;
        m_perKeycode = reply->keysyms_per_keycode;
        const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(reply.get());
        m_syms.assign(syms, syms + xcb_get_keyboard_mapping_keysyms_length(reply.get()));
    }

    bool isValid() const { return m_perKeycode > 0; }

    bool produces(xcb_keycode_t keycode, xcb_keysym_t keysym) const
    {
        if (keycode < m_min || m_perKeycode == 0)
            return false;
        const size_t first = size_t(keycode - m_min) * m_perKeycode;
        for (size_t i = first; i < first + m_perKeycode && i < m_syms.size(); ++i) {
            if (m_syms[i] == keysym)
                return true;
        }
        return false;
    }

    QVector<quint8> keycodes(xcb_keysym_t keysym) const
    {
        QVector<quint8> result;
        if (m_perKeycode == 0)
            return result;
        const size_t count = m_syms.size() / m_perKeycode;
        for (size_t i = 0; i < count; ++i) {
            const auto keycode = xcb_keycode_t(m_min + i);
            if (produces(keycode, keysym))
                result.append(keycode);
        }
        return result;
    }

private:
    xcb_keycode_t m_min = 0;
    quint8 m_perKeycode = 0;
    std::vector<xcb_keysym_t> m_syms;
};
} // namespace

X11GlobalShortcutBackend::X11GlobalShortcutBackend(QByteArray displayName, QObject *parent)
    : QObject(parent)
    , m_displayName(std::move(displayName))
{
}

X11GlobalShortcutBackend::~X11GlobalShortcutBackend()
{
    unregisterShortcut();
    disconnectFromServer();
}

int X11GlobalShortcutBackend::installHandler(Handler handler)
{
    const int status = connectToServer();
    if (status != ShortcutStatus::success)
        return status;
    m_handler = std::move(handler);
    return ShortcutStatus::success;
}

void X11GlobalShortcutBackend::removeHandler()
{
    unregisterShortcut();
    m_handler = {};
}

int X11GlobalShortcutBackend::connectToServer()
{
    if (m_connection && !xcb_connection_has_error(m_connection))
        return ShortcutStatus::success;
    disconnectFromServer();

    int screen = 0;
    m_connection = xcb_connect(m_displayName.isEmpty() ? nullptr : m_displayName.constData(), &screen);
    if (xcb_connection_has_error(m_connection)) {
        disconnectFromServer();
        return ShortcutStatus::noConnection;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screen && it.rem; ++i)
        xcb_screen_next(&it);
    if (!it.rem) {
        disconnectFromServer();
        return ShortcutStatus::noConnection;
    }
    m_root = it.data->root;

    // Without detectable auto-repeat a held key reaches us as a stream of release/press pairs,
    // which would end push-to-talk 25 times a second.
    const xcb_query_extension_reply_t *xkb = xcb_get_extension_data(m_connection, &xcb_xkb_id);
    Reply<xcb_xkb_use_extension_reply_t> use;
    if (xkb && xkb->present)
        use.reset(xcb_xkb_use_extension_reply(
            m_connection, xcb_xkb_use_extension(m_connection, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION), nullptr));
    Reply<xcb_xkb_per_client_flags_reply_t> flags;
    if (use && use->supported)
        flags.reset(xcb_xkb_per_client_flags_reply(
            m_connection,
            xcb_xkb_per_client_flags(m_connection, XCB_XKB_ID_USE_CORE_KBD, XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT,
                                     XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT, 0, 0, 0),
            nullptr));
    if (!flags || !(flags->value & XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT)) {
        disconnectFromServer();
        return ShortcutStatus::unsupportedServer;
    }

    // A client that uses XKB learns of a layout switch (setxkbmap) only through XKB's own
    // events, never through a core MappingNotify; edits of single keys come as MapNotify.
    constexpr quint16 keyboardChanges = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY;
    constexpr quint16 mapParts = XCB_XKB_MAP_PART_KEY_SYMS | XCB_XKB_MAP_PART_MODIFIER_MAP;
    xcb_xkb_select_events(m_connection, XCB_XKB_ID_USE_CORE_KBD, keyboardChanges, 0, keyboardChanges, mapParts,
                          mapParts, nullptr);
    m_xkbFirstEvent = xkb->first_event;

    m_notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &X11GlobalShortcutBackend::readEvents);
    scheduleRead();
    return ShortcutStatus::success;
}

void X11GlobalShortcutBackend::disconnectFromServer()
{
    m_notifier.reset();
    if (m_connection)
        xcb_disconnect(m_connection); // also ends every grab of this connection
    m_connection = nullptr;
    m_root = 0;
    m_grab.reset();
    m_downKeycode.reset();
}

bool X11GlobalShortcutBackend::readKeyboard(quint32 keysym, QVector<quint8> &keycodes, ModifierMasks &masks)
{
    const Keymap keymap(m_connection);
    Reply<xcb_get_modifier_mapping_reply_t> mapping(
        xcb_get_modifier_mapping_reply(m_connection, xcb_get_modifier_mapping(m_connection), nullptr));
    if (!keymap.isValid() || !mapping)
        return false;

    keycodes = keymap.keycodes(keysym);

    // Alt, Super and Num Lock sit on whichever of Mod1–Mod5 the keyboard puts them.
    masks = {};
    const xcb_keycode_t *modifierKeys = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    for (int modifier = 3; modifier < 8; ++modifier) {
        const auto mask = quint16(1u << modifier);
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t keycode = modifierKeys[modifier * perModifier + i];
            if (keycode == 0)
                continue;
            if (keymap.produces(keycode, kAltL) || keymap.produces(keycode, kAltR))
                masks.alt |= mask;
            if (keymap.produces(keycode, kSuperL) || keymap.produces(keycode, kSuperR))
                masks.super |= mask;
            if (keymap.produces(keycode, kNumLock))
                masks.numLock |= mask;
        }
    }
    if (!masks.alt)
        masks.alt = XCB_MOD_MASK_1;
    if (!masks.super)
        masks.super = XCB_MOD_MASK_4;
    return true;
}

int X11GlobalShortcutBackend::plan(const GlobalShortcut &shortcut, Grab &grab, ModifierMasks &masks)
{
    if (!readKeyboard(shortcut.keysym, grab.keycodes, masks))
        return ShortcutStatus::noConnection;
    if (grab.keycodes.isEmpty())
        return ShortcutStatus::keyNotOnKeyboard;
    grab.modifiers = 0;
    if (shortcut.modifiers & ShortcutModifier::shift)
        grab.modifiers |= XCB_MOD_MASK_SHIFT;
    if (shortcut.modifiers & ShortcutModifier::control)
        grab.modifiers |= XCB_MOD_MASK_CONTROL;
    if (shortcut.modifiers & ShortcutModifier::alt)
        grab.modifiers |= masks.alt;
    if (shortcut.modifiers & ShortcutModifier::super)
        grab.modifiers |= masks.super;
    grab.lockVariants = lockVariants(masks.numLock);
    return ShortcutStatus::success;
}

void X11GlobalShortcutBackend::registerShortcut(const ShortcutRequest &request, Completion done)
{
    const int status = grabShortcut(request.preferredTrigger);
    if (status == ShortcutStatus::success)
        m_action = request.action;
    if (done)
        done(ShortcutBinding{status, {}});
}

int X11GlobalShortcutBackend::grabShortcut(const GlobalShortcut &shortcut)
{
    if (!m_handler)
        return ShortcutStatus::noHandler;
    unregisterShortcut();
    if (!m_connection || xcb_connection_has_error(m_connection))
        return ShortcutStatus::noConnection;

    Grab grab;
    int status = plan(shortcut, grab, m_masks);
    if (status == ShortcutStatus::success)
        status = grabAll(grab);
    if (status == ShortcutStatus::success) {
        m_grab = grab;
        m_shortcut = shortcut;
    }
    scheduleRead();
    return status;
}

int X11GlobalShortcutBackend::grabAll(const Grab &grab)
{
    std::vector<xcb_void_cookie_t> cookies;
    for (const quint8 keycode : std::as_const(grab.keycodes)) {
        for (const quint16 variant : std::as_const(grab.lockVariants))
            cookies.push_back(xcb_grab_key_checked(m_connection, 1, m_root, grab.modifiers | variant, keycode,
                                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
    // Every request is checked: one refused variant means the combination is not ours.
    int status = ShortcutStatus::success;
    for (const xcb_void_cookie_t &cookie : cookies) {
        Reply<xcb_generic_error_t> error(xcb_request_check(m_connection, cookie));
        if (error && status == ShortcutStatus::success)
            status = error->error_code;
    }
    if (status == ShortcutStatus::success && xcb_connection_has_error(m_connection))
        status = ShortcutStatus::noConnection;
    if (status != ShortcutStatus::success)
        ungrab(grab);
    return status;
}

void X11GlobalShortcutBackend::unregisterShortcut()
{
    if (!m_grab)
        return;
    ungrab(*m_grab);
    m_grab.reset();
    m_downKeycode.reset();
}

void X11GlobalShortcutBackend::ungrab(const Grab &grab)
{
    if (!m_connection)
        return;
    // Ungrabbing only ever removes this connection's own grabs.
    for (const quint8 keycode : grab.keycodes) {
        for (const quint16 variant : grab.lockVariants)
            xcb_ungrab_key(m_connection, keycode, m_root, grab.modifiers | variant);
    }
    xcb_flush(m_connection);
}

void X11GlobalShortcutBackend::followKeyboard()
{
    if (!m_grab || !m_connection)
        return;
    Grab next;
    ModifierMasks masks;
    int status = plan(m_shortcut, next, masks);
    scheduleRead();
    if (status == ShortcutStatus::success) {
        m_masks = masks;
        if (next == *m_grab)
            return;
    }
    // A key held now stays actively grabbed until it is let go, and m_downKeycode still awaits
    // its release, so push-to-talk ends even when the key is no longer part of the grab.
    ungrab(*m_grab);
    m_grab.reset();
    if (status == ShortcutStatus::success)
        status = grabAll(next);
    if (status != ShortcutStatus::success) {
        log::error(lcHotkey, "Failed to move the hotkey to follow the keyboard layout: %d", status);
        notify(ShortcutEvent::lost, ShortcutStatus::keyboardChanged);
        return;
    }
    m_grab = next;
    log::info(lcHotkey, "Hotkey moved to follow the keyboard layout");
}

void X11GlobalShortcutBackend::notify(ShortcutEvent event, int status)
{
    if (m_handler)
        m_handler(ShortcutNotice{m_action, event, status, {}});
}

void X11GlobalShortcutBackend::scheduleRead()
{
    QMetaObject::invokeMethod(this, &X11GlobalShortcutBackend::readEvents, Qt::QueuedConnection);
}

void X11GlobalShortcutBackend::readEvents()
{
    if (!m_connection)
        return;
    // One look at the keyboard for however many change events arrived together.
    bool keyboardChanged = false;
    while (xcb_generic_event_t *raw = m_connection ? xcb_poll_for_event(m_connection) : nullptr) {
        const Reply<xcb_generic_event_t> event(raw);
        const quint8 type = event->response_type & 0x7f;
        if (type == m_xkbFirstEvent) // only the keyboard change events are selected
            keyboardChanged = true;
        if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
            continue;
        // Key presses and releases share one layout.
        const auto *key = reinterpret_cast<const xcb_key_press_event_t *>(event.get());
        if (key->event != m_root)
            continue;
        if (type == XCB_KEY_PRESS) {
            // With detectable auto-repeat a held key repeats its press; only the first counts.
            if (!m_grab || !m_grab->keycodes.contains(key->detail) || m_downKeycode)
                continue;
            const quint16 held = key->state & kModifierBits & ~quint16(XCB_MOD_MASK_LOCK | m_masks.numLock);
            if (held != m_grab->modifiers)
                continue;
            m_downKeycode = key->detail;
            notify(ShortcutEvent::pressed);
        } else if (m_downKeycode == key->detail) {
            m_downKeycode.reset();
            notify(ShortcutEvent::released);
        }
    }
    if (keyboardChanged)
        followKeyboard();
    if (m_connection && xcb_connection_has_error(m_connection)) {
        // The server went away; a later installHandler() connects again.
        m_notifier.reset();
        m_grab.reset();
        m_downKeycode.reset();
    }
}

} // namespace parlix
