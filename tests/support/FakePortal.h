#pragma once
// A stand-in XDG desktop portal (org.freedesktop.portal.Desktop) on a private session bus,
// answering as the documented GlobalShortcuts and RemoteDesktop interfaces do: every method that
// starts an interaction returns a Request object whose Response signal follows, sessions are
// objects with Close and Closed, which the desktop may also end on the test's word.
// It records what it was asked and the keysyms it was sent. It answers from this thread's event
// loop, which the test keeps running while it waits.
#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QHash>
#include <QList>
#include <QStringList>
#include <QVariantMap>

namespace parlix::test {

class FakePortal : public QDBusVirtualObject {
    Q_OBJECT
public:
    struct Keysym {
        int keysym;
        uint state; // 1 pressed, 0 released
        bool operator==(const Keysym &) const = default;
    };

    explicit FakePortal(const QString &busAddress);
    ~FakePortal() override;

    bool isRegistered() const { return m_registered; }

    // Which interfaces the portal offers; one that is off answers as a portal without a backend.
    bool offersGlobalShortcuts = true;
    bool offersRemoteDesktop = true;
    // The Response code per method ("CreateSession", "BindShortcuts", "SelectDevices", "Start"):
    // 0 success (the default), 1 cancelled by the user, 2 ended otherwise.
    QHash<QString, uint> responses;
    // What BindShortcuts reports as bound: the trigger it describes, or no shortcut at all.
    QString triggerDescription = QStringLiteral("Ctrl+Alt+Space");
    bool bindsNothing = false;
    // The device types Start grants (1 keyboard).
    uint grantedDevices = 1;

    // Methods called, in order, as "Interface.Method" ("GlobalShortcuts.BindShortcuts").
    QStringList calls;
    // The shortcuts BindShortcuts was given: id → properties.
    QHash<QString, QVariantMap> boundShortcuts;
    // The options SelectDevices received.
    QVariantMap deviceOptions;
    // The restore tokens Start handed out, oldest first.
    QStringList issuedTokens;
    QList<Keysym> keysyms;
    // Session paths the client closed.
    QStringList closedSessions;

    // The latest session of an interface ("GlobalShortcuts", "RemoteDesktop"); empty when none.
    QString session(const QString &interface) const { return m_sessions.value(interface); }
    // The user binds the action to another trigger in the desktop's settings.
    void changeTrigger(const QString &id, const QString &description);
    // The desktop ends the latest session of an interface.
    void closeSession(const QString &interface);

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    // Replies with a Request path and emits its Response once the reply is out.
    void answerLater(const QDBusMessage &message, const QString &method, const QVariantMap &results);
    QString newSession(const QDBusMessage &message, const QString &interface, const QVariantMap &options);

    QDBusConnection m_bus;
    bool m_registered = false;
    QHash<QString, QString> m_sessions;
};

} // namespace parlix::test
