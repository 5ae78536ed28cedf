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

#include <utility>

namespace parlix::test {

class FakePortal : public QDBusVirtualObject {
    Q_OBJECT
public:
    using Keysym = std::pair<int, uint>; // keysym, and 1 pressed or 0 released

    explicit FakePortal(const QString &busAddress);
    ~FakePortal() override;

    bool isRegistered() const { return m_registered; }

    // Which interfaces the portal offers; one that is off answers as a portal without a backend.
    bool offersGlobalShortcuts = true;
    bool offersRemoteDesktop = true;
    // The Response code per method ("CreateSession", "BindShortcuts", "SelectDevices", "Start"):
    // 0 success (the default), 1 cancelled by the user, 2 ended otherwise.
    QHash<QString, uint> responses;
    // BindShortcuts reports every shortcut bound to Ctrl+Alt+Space, or none at all.
    bool bindsNothing = false;
    // The device types Start grants (1 keyboard).
    uint grantedDevices = 1;

    // The shortcuts BindShortcuts was given: id → properties.
    QHash<QString, QVariantMap> boundShortcuts;
    // The options SelectDevices received.
    QVariantMap deviceOptions;
    QList<Keysym> keysyms;
    // Session paths the client closed.
    QStringList closedSessions;

    // The user binds the action to another trigger in the desktop's settings.
    void changeTrigger(const QString &id, const QString &description);
    // The desktop ends the latest session of an interface.
    void closeSession(const QString &interface);

    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    // Replies with a Request path and emits its Response once the reply is out.
    void answerLater(const QDBusMessage &message, const QString &method, const QVariantMap &results);
    bool offers(const QString &interface) const;

    QDBusConnection m_bus;
    bool m_registered = false;
    QHash<QString, QString> m_sessions; // "GlobalShortcuts" → path of its latest session
    int m_tokens = 0;
};

} // namespace parlix::test
