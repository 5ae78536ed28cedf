#pragma once
// Key events through the XDG desktop portal's RemoteDesktop interface, for GNOME and KDE Wayland
// sessions, where no client may send keys to another by itself. A session with the keyboard
// device is started on first use; the desktop asks the user once, and the restore token it hands
// back (kept in a 0600 file) lets later sessions start without asking again. Characters go out
// as keysyms, so the desktop finds the key for them on its own layout.
#include "platform/KeyInjector.h"
#include "platform/portal/PortalRequest.h"

#include <QDBusConnection>
#include <QObject>

namespace parlix {

class PortalKeyInjector final : public QObject, public KeyInjector {
    Q_OBJECT
public:
    static inline const QString interface = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
    // The device type bit of a keyboard in SelectDevices and Start.
    static constexpr uint keyboardDevice = 1;

    // `tokenFile` keeps the restore token between runs.
    PortalKeyInjector(QDBusConnection bus, QString tokenFile = defaultTokenFile(), QObject *parent = nullptr);

    // "remote-desktop-token" in the data directory ($XDG_DATA_HOME/Parlix).
    static QString defaultTokenFile();
    ~PortalKeyInjector() override;

    enum class State { idle, starting, started, refused, unavailable };
    State state() const { return m_state; }

    // Starts the session when there is none; false once the desktop has said it will not allow
    // input (then asks again, for the next time) or offers no RemoteDesktop portal.
    bool ensureAccess() override;
    // The portal offers no view of other clients' grabs.
    bool keyboardGrabbed() override { return false; }
    QCoro::Task<bool> prepareKeys(QList<Key> keys) override;
    bool sendKey(Key key, bool pressed) override;
    QCoro::Task<qsizetype> prepareTyping(QStringList characters) override;
    bool typeCharacter(const QString &character) override;
    void finish() override {}
    // Wayland tells no client which modifiers are held elsewhere: nothing is taken off.
    HeldModifiers releaseHeldModifiers() override { return {}; }
    void restoreModifiers(const HeldModifiers &) override {}

signals:
    // The session has started, been refused, or found no portal.
    void settled();

private slots:
    void onSessionClosed();

private:
    QCoro::Task<bool> started();
    void start();
    void createSession(quint64 attempt);
    void selectDevices(quint64 attempt);
    void startSession(quint64 attempt);
    // Ends the start with `state`; a session that did not start is closed.
    void settle(quint64 attempt, State state);
    void closeSession();
    bool notifyKeysym(quint32 keysym, bool pressed);
    QString readToken() const;
    void storeToken(const QString &token);

    QDBusConnection m_bus;
    QString m_tokenFile;
    State m_state = State::idle;
    quint64 m_attempt = 0;
    portal::RequestPointer m_pending;
    QString m_session;
};

} // namespace parlix
