#include "OtherXClient.h"

#include <xcb/xcb.h>

#include <cstdlib>

namespace parlix::test {

OtherXClient::OtherXClient(const QString &display)
{
    int screen = 0;
    m_c = xcb_connect(display.toLatin1().constData(), &screen);
    if (xcb_connection_has_error(m_c))
        return;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_c));
    for (int i = 0; i < screen; ++i)
        xcb_screen_next(&it);
    m_root = it.data->root;
}

OtherXClient::~OtherXClient()
{
    xcb_disconnect(m_c);
}

bool OtherXClient::isConnected() const
{
    return !xcb_connection_has_error(m_c);
}

bool OtherXClient::grab(quint32 keysym, quint16 modifiers)
{
    const xcb_setup_t *setup = xcb_get_setup(m_c);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    auto *reply = xcb_get_keyboard_mapping_reply(m_c, xcb_get_keyboard_mapping(m_c, setup->min_keycode, count), nullptr);
    xcb_keycode_t code = 0;
    if (reply) {
        const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(reply);
        for (int i = 0; i < count && !code; ++i) {
            if (syms[i * reply->keysyms_per_keycode] == keysym)
                code = xcb_keycode_t(setup->min_keycode + i);
        }
        std::free(reply);
    }
    if (code == 0)
        return false;
    for (const int locks : {0, int(XCB_MOD_MASK_LOCK), int(XCB_MOD_MASK_2), int(XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2)}) {
        xcb_generic_error_t *error = xcb_request_check(
            m_c, xcb_grab_key_checked(m_c, 1, m_root, modifiers | locks, code, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        const bool granted = !error;
        std::free(error);
        if (!granted)
            return false;
    }
    return true;
}

} // namespace parlix::test
