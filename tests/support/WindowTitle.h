#pragma once
// A window's title (_NET_WM_NAME) as the application set it, read over the application's own X
// connection: browsers are read back through a page whose title mirrors its textarea.
#include "platform/x11/XcbAtom.h"

#include <QGuiApplication>
#include <QString>

namespace parlix::test {

inline QString windowTitle(quint64 window)
{
    xcb_connection_t *connection = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    xcb_get_property_reply_t *r = xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, xcb_window_t(window), internAtom(connection, "_NET_WM_NAME"), internAtom(connection, "UTF8_STRING"), 0, 4096),
        nullptr);
    QString title;
    if (r)
        title = QString::fromUtf8(static_cast<const char *>(xcb_get_property_value(r)), xcb_get_property_value_length(r));
    std::free(r);
    return title;
}

} // namespace parlix::test
