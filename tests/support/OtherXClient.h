#pragma once
// A second X client with its own connection, as another application is: it holds key
// combinations on the root window and types through XTest.
#include <QString>
#include <QVector>
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
    // The key that produces `keysym` in the current layout, 0 when none does.
    quint8 keycode(quint32 keysym) const;
    // Grabs that key with exactly the X modifier mask `modifiers`: the X error code, 0 when granted.
    int grab(quint32 keysym, quint16 modifiers);
    // Presses and releases a key through XTest. The server forgets a lock toggled this way when
    // this client disconnects, so the client has to stay for as long as the lock is needed.
    bool tap(quint32 keysym);
    // Presses (or releases) keys by keycode, in order, whatever the layout makes of them.
    bool fake(quint8 type, const QVector<quint8> &codes);

private:
    xcb_connection_t *m_c = nullptr;
    quint32 m_root = 0;
};

} // namespace parlix::test
