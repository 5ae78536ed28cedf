#pragma once
// An atom by its name: the round trip every X connection of ours starts with.
#include <QByteArrayView>

#include <cstdlib>
#include <xcb/xcb.h>

namespace parlix {

// XCB_ATOM_NONE when the server gives no answer.
inline xcb_atom_t internAtom(xcb_connection_t *connection, QByteArrayView name)
{
    xcb_intern_atom_reply_t *reply
        = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.data()), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

} // namespace parlix
