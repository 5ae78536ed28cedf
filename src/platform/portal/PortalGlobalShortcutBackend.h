#pragma once
// Global shortcuts through the XDG desktop portal (org.freedesktop.portal.GlobalShortcuts), for
// Wayland sessions: a session is created, the action is bound with our preferred trigger as a
// suggestion, and the session is kept for as long as the shortcut is wanted. The desktop decides
// the trigger (the user may change it in its settings) and reports it; Activated and Deactivated
// are the press and the release, so push-to-talk works.
#include "platform/GlobalShortcutBackend.h"
#include "platform/portal/PortalRequest.h"
#include "platform/portal/PortalShortcut.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>

namespace parlix {

class PortalGlobalShortcutBackend final : public QObject, public GlobalShortcutBackend {
    Q_OBJECT
public:
    static inline const QString interface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

    explicit PortalGlobalShortcutBackend(QDBusConnection bus, QObject *parent = nullptr);
    // Closes the session: the desktop forgets the shortcut until we bind it again.
    ~PortalGlobalShortcutBackend() override;

    bool canChooseTrigger() const override { return false; }
    int installHandler(Handler handler) override;
    void removeHandler() override;
    void registerShortcut(const ShortcutRequest &request, Completion done) override;
    void unregisterShortcut() override;

    // A trigger in freedesktop.org's shortcut notation, as the portal takes it: modifiers CTRL, ALT, SHIFT
    // and LOGO, then the xkbcommon keysym name, joined by "+" ("CTRL+ALT+space").
    static QString portalTrigger(const GlobalShortcut &shortcut);

private slots:
    void onActivated(const QDBusObjectPath &session, const QString &id, qulonglong timestamp, const QVariantMap &options);
    void onDeactivated(const QDBusObjectPath &session, const QString &id, qulonglong timestamp, const QVariantMap &options);
    void onShortcutsChanged(const QDBusMessage &message);
    void onSessionClosed(const QVariantMap &details);

private:
    void createSession(quint64 attempt);
    void bind(quint64 attempt);
    portal::PortalShortcuts shortcutList() const;
    void complete(quint64 attempt, int status, const QString &trigger = {});
    void notify(ShortcutEvent event, int status = ShortcutStatus::success, const QString &trigger = {});
    void closeSession();
    void listenToPortal(bool listen);

    QDBusConnection m_bus;
    Handler m_handler;
    bool m_listening = false;

    // The registration under way or held; m_attempt changes whenever it is given up, so that
    // answers to an earlier one are recognised and dropped.
    quint64 m_attempt = 0;
    ShortcutRequest m_request;
    Completion m_done;
    portal::RequestPointer m_pending;
    QString m_session;
    bool m_bound = false;
    bool m_down = false;
};

} // namespace parlix
