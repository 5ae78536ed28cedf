#include "platform/portal/PortalGlobalShortcutBackend.h"

#include "core/Categories.h"
#include "core/Log.h"
#include "platform/portal/PortalShortcut.h"

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

#include <xkbcommon/xkbcommon.h>

namespace parlix {

namespace {

const QString kActivated = QStringLiteral("Activated");
const QString kDeactivated = QStringLiteral("Deactivated");
const QString kShortcutsChanged = QStringLiteral("ShortcutsChanged");
const char *const kActivatedSlot = SLOT(onActivated(QDBusObjectPath,QString,qulonglong,QVariantMap));
const char *const kDeactivatedSlot = SLOT(onDeactivated(QDBusObjectPath,QString,qulonglong,QVariantMap));
const char *const kShortcutsChangedSlot = SLOT(onShortcutsChanged(QDBusMessage));
const char *const kClosedSlot = SLOT(onSessionClosed(QVariantMap));

int statusForResponse(uint response)
{
    return response == portal::Response::cancelled ? ShortcutStatus::cancelled : ShortcutStatus::refused;
}

// The session handle is documented as a string but sent as an object path by some portals.
QString pathFrom(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

// The trigger the desktop describes for `action` in a shortcut list, or nothing when the list
// lacks the action.
std::optional<QString> triggerOf(const portal::PortalShortcuts &shortcuts, const QString &action)
{
    for (const portal::PortalShortcut &shortcut : shortcuts) {
        if (shortcut.id == action)
            return shortcut.properties.value(QStringLiteral("trigger_description")).toString();
    }
    return std::nullopt;
}

} // namespace

PortalGlobalShortcutBackend::PortalGlobalShortcutBackend(QDBusConnection bus, QObject *parent)
    : QObject(parent)
    , m_bus(std::move(bus))
{
    portal::registerShortcutTypes();
    // QtDBus finds the slots' parameter types by name: they must be known before the first connect.
    qRegisterMetaType<QDBusObjectPath>();
    // The portal going away (a crash, a restart) ends our session without a Closed signal.
    auto *watcher = new QDBusServiceWatcher(portal::service, m_bus, QDBusServiceWatcher::WatchForUnregistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        if (!m_session.isEmpty())
            onSessionClosed({});
    });
}

PortalGlobalShortcutBackend::~PortalGlobalShortcutBackend()
{
    removeHandler();
}

QString PortalGlobalShortcutBackend::portalTrigger(const GlobalShortcut &shortcut)
{
    QStringList parts;
    if (shortcut.modifiers & ShortcutModifier::control)
        parts << QStringLiteral("CTRL");
    if (shortcut.modifiers & ShortcutModifier::alt)
        parts << QStringLiteral("ALT");
    if (shortcut.modifiers & ShortcutModifier::shift)
        parts << QStringLiteral("SHIFT");
    if (shortcut.modifiers & ShortcutModifier::super)
        parts << QStringLiteral("LOGO");
    char name[64];
    if (xkb_keysym_get_name(shortcut.keysym, name, sizeof name) < 0)
        return {};
    parts << QString::fromLatin1(name);
    return parts.join(QLatin1Char('+'));
}

int PortalGlobalShortcutBackend::installHandler(Handler handler)
{
    if (!m_bus.isConnected())
        return ShortcutStatus::noConnection;
    m_handler = std::move(handler);
    listenToPortal(true);
    return ShortcutStatus::success;
}

void PortalGlobalShortcutBackend::removeHandler()
{
    unregisterShortcut();
    listenToPortal(false);
    m_handler = {};
}

void PortalGlobalShortcutBackend::listenToPortal(bool listen)
{
    if (listen == m_listening)
        return;
    m_listening = listen;
    using Connect = bool (QDBusConnection::*)(const QString &, const QString &, const QString &, const QString &,
                                              QObject *, const char *);
    const Connect method = listen ? Connect(&QDBusConnection::connect) : Connect(&QDBusConnection::disconnect);
    (m_bus.*method)(portal::service, portal::objectPath, interface, kActivated, this, kActivatedSlot);
    (m_bus.*method)(portal::service, portal::objectPath, interface, kDeactivated, this, kDeactivatedSlot);
    (m_bus.*method)(portal::service, portal::objectPath, interface, kShortcutsChanged, this, kShortcutsChangedSlot);
}

void PortalGlobalShortcutBackend::registerShortcut(const ShortcutRequest &request, Completion done)
{
    unregisterShortcut();
    const quint64 attempt = m_attempt;
    m_request = request;
    m_done = std::move(done);
    if (!m_handler) {
        complete(attempt, ShortcutStatus::noHandler);
        return;
    }
    // A portal without a backend for the interface does not export it: its version cannot be read.
    QDBusMessage get = QDBusMessage::createMethodCall(portal::service, portal::objectPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << interface << QStringLiteral("version");
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(get), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, attempt](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *w;
        if (attempt != m_attempt)
            return;
        if (reply.isError()) {
            // The hotkey manager says what this means for the user; the bus's reason is detail.
            log::debug(lcHotkey, "No global shortcuts portal: %s", reply.error().message());
            complete(attempt, ShortcutStatus::boundByCompositor);
            return;
        }
        log::debug(lcHotkey, "Global shortcuts portal version %d", reply.value().variant().toInt());
        createSession(attempt);
    });
}

void PortalGlobalShortcutBackend::createSession(quint64 attempt)
{
    const QVariantMap options{{QStringLiteral("session_handle_token"), portal::newToken()},
                              {QStringLiteral("shortcuts"), QVariant::fromValue(shortcutList())}};
    m_pending.reset(new portal::PortalRequest(
        m_bus, portal::portalCall(interface, QStringLiteral("CreateSession")), options,
        [this, attempt](const portal::PortalRequest::Result &result) {
            m_pending.reset();
            if (!result.error.isEmpty()) {
                log::error(lcHotkey, "The global shortcuts portal refused a session: %s", result.error);
                complete(attempt, ShortcutStatus::refused);
                return;
            }
            if (result.response != portal::Response::success) {
                complete(attempt, statusForResponse(result.response));
                return;
            }
            m_session = pathFrom(result.results.value(QStringLiteral("session_handle")));
            m_bus.connect(portal::service, m_session, portal::sessionInterface, QStringLiteral("Closed"), this, kClosedSlot);
            bind(attempt);
        },
        this));
}

portal::PortalShortcuts PortalGlobalShortcutBackend::shortcutList() const
{
    const QVariantMap properties{
        {QStringLiteral("description"), m_request.description},
        {QStringLiteral("preferred_trigger"), portalTrigger(m_request.preferredTrigger)},
    };
    return {{m_request.action, properties}};
}

void PortalGlobalShortcutBackend::bind(quint64 attempt)
{
    QDBusMessage call = portal::portalCall(interface, QStringLiteral("BindShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariant::fromValue(shortcutList()) << QString();
    m_pending.reset(new portal::PortalRequest(
        m_bus, call, {},
        [this, attempt](const portal::PortalRequest::Result &result) {
            m_pending.reset();
            if (!result.error.isEmpty())
                log::error(lcHotkey, "The global shortcuts portal refused to bind: %s", result.error);
            if (result.response != portal::Response::success) {
                complete(attempt, statusForResponse(result.response));
                return;
            }
            const auto shortcuts = qdbus_cast<portal::PortalShortcuts>(result.results.value(QStringLiteral("shortcuts")));
            const std::optional<QString> trigger = triggerOf(shortcuts, m_request.action);
            if (!trigger) {
                complete(attempt, ShortcutStatus::refused);
                return;
            }
            m_bound = true;
            // Some desktops leave the trigger unset until the user picks one.
            complete(attempt, ShortcutStatus::success, trigger->isEmpty() ? tr("not set yet") : *trigger);
        },
        this));
}

void PortalGlobalShortcutBackend::complete(quint64 attempt, int status, const QString &trigger)
{
    if (attempt != m_attempt || !m_done)
        return;
    if (status != ShortcutStatus::success)
        closeSession();
    // `done` may register again.
    Completion done = std::exchange(m_done, {});
    done(ShortcutBinding{status, trigger});
}

void PortalGlobalShortcutBackend::unregisterShortcut()
{
    ++m_attempt;
    m_pending.reset();
    m_done = {};
    closeSession();
}

void PortalGlobalShortcutBackend::closeSession()
{
    m_bound = false;
    m_down = false;
    if (m_session.isEmpty())
        return;
    m_bus.disconnect(portal::service, m_session, portal::sessionInterface, QStringLiteral("Closed"), this, kClosedSlot);
    m_bus.asyncCall(QDBusMessage::createMethodCall(portal::service, m_session, portal::sessionInterface, QStringLiteral("Close")));
    m_session.clear();
}

void PortalGlobalShortcutBackend::notify(ShortcutEvent event, int status, const QString &trigger)
{
    if (m_handler)
        m_handler(ShortcutNotice{m_request.action, event, status, trigger});
}

void PortalGlobalShortcutBackend::onActivated(const QDBusObjectPath &session, const QString &id, qulonglong,
                                              const QVariantMap &)
{
    if (!m_bound || m_down || session.path() != m_session || id != m_request.action)
        return;
    m_down = true;
    notify(ShortcutEvent::pressed);
}

void PortalGlobalShortcutBackend::onDeactivated(const QDBusObjectPath &session, const QString &id, qulonglong,
                                                const QVariantMap &)
{
    if (!m_down || session.path() != m_session || id != m_request.action)
        return;
    m_down = false;
    notify(ShortcutEvent::released);
}

void PortalGlobalShortcutBackend::onShortcutsChanged(const QDBusMessage &message)
{
    const QList<QVariant> arguments = message.arguments();
    if (!m_bound || arguments.size() < 2 || pathFrom(arguments[0]) != m_session)
        return;
    const std::optional<QString> trigger
        = triggerOf(qdbus_cast<portal::PortalShortcuts>(arguments[1]), m_request.action);
    if (trigger)
        notify(ShortcutEvent::triggerChanged, ShortcutStatus::success, *trigger);
}

void PortalGlobalShortcutBackend::onSessionClosed(const QVariantMap &)
{
    const bool wasBound = m_bound;
    log::error(lcHotkey, "The desktop closed the global shortcuts session");
    // Closed already: nothing to close on our side.
    m_bus.disconnect(portal::service, m_session, portal::sessionInterface, QStringLiteral("Closed"), this, kClosedSlot);
    m_session.clear();
    m_bound = false;
    m_down = false;
    if (wasBound) {
        ++m_attempt;
        notify(ShortcutEvent::lost, ShortcutStatus::sessionClosed);
    } else {
        complete(m_attempt, ShortcutStatus::sessionClosed);
    }
}

} // namespace parlix
