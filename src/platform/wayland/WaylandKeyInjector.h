#pragma once
// Key events through the wlroots virtual keyboard protocol (sway, Hyprland, river, labwc). The
// keyboard carries a keymap of our own (VirtualKeymap): the paste chord's keys and, while typing,
// one key per character of the text. The compositor routes the keys to the focused window.
#include "platform/KeyInjector.h"
#include "platform/wayland/VirtualKeymap.h"

#include <QElapsedTimer>
#include <QObject>

#include <chrono>

struct zwp_virtual_keyboard_v1;

namespace parlix {

class WaylandConnection;

class WaylandKeyInjector : public KeyInjector {
public:
    // After a new keymap: the focused client has to take it before the first key, or the keys
    // are read with the previous keymap. Measured under sway: a GTK 3 window (with its Wayland
    // input method module) read every key of a stretch with the previous keymap after a 50 ms
    // pause, and none after 150 ms; Qt took the keymap at once. The pause after the compositor
    // has confirmed the keymap.
    static constexpr std::chrono::milliseconds keymapSettle{200};

    explicit WaylandKeyInjector(WaylandConnection &connection);
    ~WaylandKeyInjector() override;
    WaylandKeyInjector(const WaylandKeyInjector &) = delete;
    WaylandKeyInjector &operator=(const WaylandKeyInjector &) = delete;

    // Whether the compositor offers a virtual keyboard.
    bool ensureAccess() override;
    // Wayland tells no client about another client's grabs.
    bool keyboardGrabbed() override { return false; }
    QCoro::Task<bool> prepareKeys(QList<Key> keys) override;
    bool sendKey(Key key, bool pressed) override;
    QCoro::Task<qsizetype> prepareTyping(QStringList characters) override;
    bool typeCharacter(const QString &character) override;
    void finish() override;
    // Our keyboard has modifiers of its own: what the user holds on a real keyboard is not in
    // its state, so there is nothing to take off.
    HeldModifiers releaseHeldModifiers() override { return {}; }
    void restoreModifiers(const HeldModifiers &) override {}

    // The keymap last uploaded (for tests).
    QByteArray uploadedKeymap() const { return m_uploaded; }

private:
    // Uploads the keymap when it differs from the one the compositor has, and waits until the
    // focused client can have read it.
    QCoro::Task<bool> upload();
    void key(quint32 code, bool pressed);
    void sendModifiers();
    quint32 timestamp();

    WaylandConnection &m_connection;
    zwp_virtual_keyboard_v1 *m_keyboard = nullptr;
    VirtualKeymap m_keymap;
    // What the compositor has of ours; emptied when another keymap took its place.
    QByteArray m_uploaded;
    // Our upload has not come back as a keymap change yet.
    bool m_uploadPending = false;
    QMetaObject::Connection m_keymapWatch;
    // The compositor has the keymap prepareTyping made.
    bool m_typeable = false;
    quint32 m_depressed = 0;
    QElapsedTimer m_clock;
};

} // namespace parlix
