#pragma once
// A window's title (_NET_WM_NAME) as the application set it, read over the application's own X
// connection: browsers are read back through a page whose title mirrors its textarea.
#include <QGuiApplication>
#include <QString>

#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace parlix::test {

inline QString windowTitle(quint64 window)
{
    xcb_connection_t *connection = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    const auto atom = [connection](const char *name) {
        xcb_intern_atom_reply_t *r = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : XCB_ATOM_NONE;
        std::free(r);
        return a;
    };
    xcb_get_property_reply_t *r = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, xcb_window_t(window), atom("_NET_WM_NAME"), atom("UTF8_STRING"), 0, 4096), nullptr);
    QString title;
    if (r)
        title = QString::fromUtf8(static_cast<const char *>(xcb_get_property_value(r)), xcb_get_property_value_length(r));
    std::free(r);
    return title;
}

} // namespace parlix::test
