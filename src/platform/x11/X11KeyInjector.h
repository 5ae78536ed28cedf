#pragma once
// Key events through XTest. Characters the active layout lacks go onto spare keys in one keymap
// change (XKB), are typed, and the keys are emptied again once the target has read them: the
// focused window answers a _NET_WM_PING sent after the last key once it has handled every event
// before it (the keys and the keymap they were typed with); a window that does not answer pings
// is given keymapHold.
#include "platform/KeyInjector.h"
#include "platform/x11/X11Typing.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <QTimer>

#include <chrono>

struct _XDisplay;

namespace parlix {

class X11KeyInjector : public KeyInjector {
public:
    // How long a temporary key keeps its characters after the last key event when the target
    // does not confirm it has read them, so that a slow target still reads it with the keymap it
    // was typed with.
    static constexpr std::chrono::milliseconds keymapHold{250};
    // How often the answer of the target is looked for.
    static constexpr std::chrono::milliseconds targetPoll{2};
    // Longest wait for our own notice of a keymap change once the server has run it (it is
    // normally in our queue already when the round trip returns).
    static constexpr std::chrono::milliseconds keymapNoticeWait{100};

    // Connects to the display named by DISPLAY.
    X11KeyInjector();
    ~X11KeyInjector() override;
    X11KeyInjector(const X11KeyInjector &) = delete;
    X11KeyInjector &operator=(const X11KeyInjector &) = delete;

    bool ensureAccess() override;
    bool keyboardGrabbed() override;
    QCoro::Task<bool> prepareKeys(QList<Key> keys) override;
    bool sendKey(Key key, bool pressed) override;
    QCoro::Task<qsizetype> prepareTyping(QStringList characters) override;
    bool typeCharacter(const QString &character) override;
    void finish() override;
    HeldModifiers releaseHeldModifiers() override;
    void restoreModifiers(const HeldModifiers &held) override;

    // Spare keys currently carrying characters (empty once the keymap is restored).
    QList<quint8> temporaryKeys() const { return m_temporary.keys(); }
    // Empties the spare keys now (for shutdown and tests).
    void restoreKeymap();

private:
    x11typing::Layout readLayout();
    QCoro::Task<bool> apply(const x11typing::Plan &plan);
    QCoro::Task<> waitForTargets();
    // Asks the focused window to answer once it has handled every event so far; nothing when it
    // does not take pings or was asked since the last key.
    void pingTarget();
    // Whether the keys sent so far have been read: the target answered, or keymapHold passed.
    bool targetsHaveRead();
    void stopPing();
    void fakeKey(quint8 keycode, bool pressed);
    quint8 keycodeOf(quint32 keysym);
    // Handles queued events; true when one of them announced a keyboard mapping change.
    bool drainEvents();
    // Raw key events of every device (XInput 2), while modifiers are taken off for a delivery.
    void watchKeys(bool on);
    void noteRawKey(quint8 keycode, bool pressed);
    // Which of `among` the server reports down.
    QList<quint32> pressedKeys(const QSet<quint8> &among);
    QCoro::Task<> waitForMapNotice(bool noticed);

    _XDisplay *m_display = nullptr;
    bool m_hasXTest = false;
    bool m_hasXkb = false;
    int m_xkbEventBase = -1;
    int m_xiOpcode = -1;
    // While watching: the key events we sent whose raw echo has not come back yet, and the keys
    // someone let go of (and has not pressed again) since the modifiers were taken off.
    bool m_watchingKeys = false;
    QHash<quint8, int> m_ownPresses;
    QHash<quint8, int> m_ownReleases;
    QSet<quint8> m_letGo;
    // Spare keys we filled, with the keysyms we put there.
    QHash<quint8, x11typing::SpareKey> m_temporary;
    QHash<char32_t, x11typing::Stroke> m_strokes;
    quint8 m_vKeycode = 0;
    QElapsedTimer m_sinceLastKey;
    QTimer m_restoreTimer;
    // The ping outstanding: the window asked and the number it has to send back.
    unsigned long m_pingWindow = 0;
    long m_pingSerial = 0;
    bool m_pingAnswered = false;
    bool m_pingSent = false; // since the last key
    unsigned long m_wmProtocols = 0;
    unsigned long m_wmPing = 0;
};

} // namespace parlix
