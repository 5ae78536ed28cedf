#include "OtherXClient.h"

#include <xcb/xcb.h>
#include <xcb/xtest.h>

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

quint8 OtherXClient::keycode(quint32 keysym) const
{
    const xcb_setup_t *setup = xcb_get_setup(m_c);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    auto *reply = xcb_get_keyboard_mapping_reply(m_c, xcb_get_keyboard_mapping(m_c, setup->min_keycode, count), nullptr);
    xcb_keycode_t found = 0;
    if (reply) {
        const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(reply);
        for (int i = 0; i < count && !found; ++i) {
            if (syms[i * reply->keysyms_per_keycode] == keysym)
                found = xcb_keycode_t(setup->min_keycode + i);
        }
        std::free(reply);
    }
    return found;
}

int OtherXClient::grab(quint32 keysym, quint16 modifiers)
{
    xcb_generic_error_t *error = xcb_request_check(
        m_c, xcb_grab_key_checked(m_c, 1, m_root, modifiers, keycode(keysym), XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    const int code = error ? error->error_code : 0;
    std::free(error);
    return code;
}

bool OtherXClient::tap(quint32 keysym)
{
    const xcb_keycode_t code = keycode(keysym);
    return code != 0 && fake(XCB_KEY_PRESS, {code}) && fake(XCB_KEY_RELEASE, {code});
}

bool OtherXClient::fake(quint8 type, const QVector<quint8> &codes)
{
    for (const xcb_keycode_t code : codes)
        xcb_test_fake_input(m_c, type, code, XCB_CURRENT_TIME, m_root, 0, 0, 0);
    std::free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr)); // round trip
    return isConnected();
}

} // namespace parlix::test
