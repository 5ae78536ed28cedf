#pragma once
// A second X client with its own connection that holds key combinations on the root window, as
// another application holding a global shortcut does.
#include <QString>
#include <QtGlobal>

struct xcb_connection_t;

namespace parlix::test {

class OtherXClient {
public:
    explicit OtherXClient(const QString &display);
    ~OtherXClient();
    OtherXClient(const OtherXClient &) = delete;
    OtherXClient &operator=(const OtherXClient &) = delete;

    bool isConnected() const;
    // Grabs the key producing `keysym` with exactly the X modifier mask `modifiers`, under every
    // combination of Caps Lock and Num Lock (Mod2) as a shortcut daemon does; true when granted.
    bool grab(quint32 keysym, quint16 modifiers);

private:
    xcb_connection_t *m_c = nullptr;
    quint32 m_root = 0;
};

} // namespace parlix::test
