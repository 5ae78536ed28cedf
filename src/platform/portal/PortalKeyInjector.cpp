#include "platform/portal/PortalKeyInjector.h"

#include "core/Categories.h"
#include "core/Files.h"
#include "core/Log.h"
#include "core/Paths.h"

#include <QCoroSignal>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QFile>
#include <QFileInfo>

#include <xkbcommon/xkbcommon.h>

namespace parlix {

namespace {
// Keysyms of the keys of the paste chords (xkbcommon-keysyms.h).
constexpr quint32 kControlL = 0xffe3;
constexpr quint32 kShiftL = 0xffe1;
constexpr quint32 kV = 0x0076;
constexpr quint32 kInsert = 0xff63;
constexpr quint32 kReturn = 0xff0d;
// Persist until the user revokes it in the desktop's settings.
constexpr uint kPersistUntilRevoked = 2;

quint32 keysymOf(KeyInjector::Key key)
{
    switch (key) {
    case KeyInjector::Key::control:
        return kControlL;
    case KeyInjector::Key::shift:
        return kShiftL;
    case KeyInjector::Key::v:
        return kV;
    case KeyInjector::Key::insert:
        return kInsert;
    }
    return 0;
}

const char *const kClosedSlot = SLOT(onSessionClosed());
} // namespace

PortalKeyInjector::PortalKeyInjector(QDBusConnection bus, QString tokenFile, QObject *parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_tokenFile(std::move(tokenFile))
{
}

QString PortalKeyInjector::defaultTokenFile()
{
    return files::pathIn(Paths::dataDirectory(), QStringLiteral("remote-desktop-token"));
}

PortalKeyInjector::~PortalKeyInjector()
{
    ++m_attempt;
    m_pending.reset();
    closeSession();
}

bool PortalKeyInjector::ensureAccess()
{
    switch (m_state) {
    case State::idle:
        start();
        return true;
    case State::starting:
    case State::started:
        return true;
    case State::refused:
        // Asked again, so that a user who declined by mistake can allow it for the next time.
        start();
        return false;
    case State::unavailable:
        return false;
    }
    return false;
}

QCoro::Task<bool> PortalKeyInjector::started()
{
    if (m_state == State::idle)
        start();
    if (m_state == State::starting)
        co_await qCoro(this, &PortalKeyInjector::settled);
    co_return m_state == State::started;
}

QCoro::Task<bool> PortalKeyInjector::prepareKeys(QList<Key>)
{
    co_return co_await started();
}

QCoro::Task<qsizetype> PortalKeyInjector::prepareTyping(QStringList characters)
{
    // The desktop maps each keysym to a key itself; nothing to prepare but the session.
    co_await started();
    co_return characters.size();
}

bool PortalKeyInjector::sendKey(Key key, bool pressed)
{
    return notifyKeysym(keysymOf(key), pressed);
}

bool PortalKeyInjector::typeCharacter(const QString &character)
{
    // A line break is the Return key, whichever of its forms the text uses.
    const bool lineBreak = character == QLatin1String("\r\n") || character == QLatin1String("\n")
        || character == QLatin1String("\r");
    QList<quint32> keysyms;
    if (lineBreak)
        keysyms.append(kReturn);
    for (const char32_t codePoint : lineBreak ? QList<uint>() : character.toUcs4()) {
        const quint32 keysym = xkb_utf32_to_keysym(codePoint);
        if (keysym == XKB_KEY_NoSymbol)
            return false;
        keysyms.append(keysym);
    }
    if (keysyms.isEmpty() || m_state != State::started)
        return false;
    for (const quint32 keysym : std::as_const(keysyms)) {
        notifyKeysym(keysym, true);
        notifyKeysym(keysym, false);
    }
    return true;
}

bool PortalKeyInjector::notifyKeysym(quint32 keysym, bool pressed)
{
    if (m_state != State::started || keysym == 0)
        return false;
    QDBusMessage call = portal::portalCall(interface, QStringLiteral("NotifyKeyboardKeysym"));
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariantMap() << int(keysym) << uint(pressed ? 1 : 0);
    // Calls on one connection arrive in the order they were sent; only failures need a look.
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        if (w->isError())
            log::error(lcPasteManager, "The remote desktop portal refused a key: %s", w->error().message());
    });
    return true;
}

void PortalKeyInjector::start()
{
    const quint64 attempt = ++m_attempt;
    m_state = State::starting;
    QDBusMessage get = QDBusMessage::createMethodCall(portal::service, portal::objectPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << interface << QStringLiteral("AvailableDeviceTypes");
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(get), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, attempt](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *w;
        if (attempt != m_attempt)
            return;
        if (reply.isError() || !(reply.value().variant().toUInt() & keyboardDevice)) {
            log::info(lcPasteManager, "No remote desktop portal with a keyboard: %s",
                      reply.isError() ? reply.error().message() : QStringLiteral("no keyboard device"));
            settle(attempt, State::unavailable);
            return;
        }
        createSession(attempt);
    });
}

void PortalKeyInjector::createSession(quint64 attempt)
{
    const QVariantMap options{{QStringLiteral("session_handle_token"), portal::newToken()}};
    m_pending.reset(new portal::PortalRequest(
        m_bus, portal::portalCall(interface, QStringLiteral("CreateSession")), options,
        [this, attempt](const portal::PortalRequest::Result &result) {
            m_pending.reset();
            if (result.response != portal::Response::success) {
                log::error(lcPasteManager, "The remote desktop portal refused a session: %d %s", result.response, result.error);
                settle(attempt, State::refused);
                return;
            }
            const QVariant handle = result.results.value(QStringLiteral("session_handle"));
            m_session = handle.metaType() == QMetaType::fromType<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path()
                                                                                    : handle.toString();
            m_bus.connect(portal::service, m_session, portal::sessionInterface, QStringLiteral("Closed"), this, kClosedSlot);
            selectDevices(attempt);
        },
        this));
}

void PortalKeyInjector::selectDevices(quint64 attempt)
{
    QVariantMap options{{QStringLiteral("types"), keyboardDevice}, {QStringLiteral("persist_mode"), kPersistUntilRevoked}};
    const QString token = readToken();
    if (!token.isEmpty())
        options.insert(QStringLiteral("restore_token"), token);
    QDBusMessage call = portal::portalCall(interface, QStringLiteral("SelectDevices"));
    call << QVariant::fromValue(QDBusObjectPath(m_session));
    m_pending.reset(new portal::PortalRequest(
        m_bus, call, options,
        [this, attempt](const portal::PortalRequest::Result &result) {
            m_pending.reset();
            if (result.response != portal::Response::success) {
                log::error(lcPasteManager, "The remote desktop portal refused the keyboard: %d %s", result.response, result.error);
                settle(attempt, State::refused);
                return;
            }
            startSession(attempt);
        },
        this));
}

void PortalKeyInjector::startSession(quint64 attempt)
{
    QDBusMessage call = portal::portalCall(interface, QStringLiteral("Start"));
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QString();
    m_pending.reset(new portal::PortalRequest(
        m_bus, call, {},
        [this, attempt](const portal::PortalRequest::Result &result) {
            m_pending.reset();
            // The old token is spent either way; a new one comes only with a granted session.
            const QString token = result.results.value(QStringLiteral("restore_token")).toString();
            if (!token.isEmpty())
                storeToken(token);
            const uint devices = result.results.value(QStringLiteral("devices")).toUInt();
            if (result.response != portal::Response::success || !(devices & keyboardDevice)) {
                log::error(lcPasteManager, "The user did not allow keyboard input: %d %s", result.response, result.error);
                settle(attempt, State::refused);
                return;
            }
            log::info(lcPasteManager, "Remote desktop session started%s", token.isEmpty() ? QString() : QStringLiteral("; consent kept"));
            settle(attempt, State::started);
        },
        this));
}

void PortalKeyInjector::settle(quint64 attempt, State state)
{
    if (attempt != m_attempt)
        return;
    if (state != State::started)
        closeSession();
    m_state = state;
    emit settled();
}

void PortalKeyInjector::closeSession()
{
    if (m_session.isEmpty())
        return;
    m_bus.disconnect(portal::service, m_session, portal::sessionInterface, QStringLiteral("Closed"), this, kClosedSlot);
    m_bus.asyncCall(QDBusMessage::createMethodCall(portal::service, m_session, portal::sessionInterface, QStringLiteral("Close")));
    m_session.clear();
}

void PortalKeyInjector::onSessionClosed()
{
    log::info(lcPasteManager, "The desktop closed the remote desktop session");
    m_bus.disconnect(portal::service, m_session, portal::sessionInterface, QStringLiteral("Closed"), this, kClosedSlot);
    m_session.clear();
    // A session that was starting is given up; the next delivery starts another.
    ++m_attempt;
    m_pending.reset();
    const bool wasStarting = m_state == State::starting;
    m_state = State::idle;
    if (wasStarting)
        emit settled();
}

QString PortalKeyInjector::readToken() const
{
    QFile file(m_tokenFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.read(4096)).trimmed();
}

void PortalKeyInjector::storeToken(const QString &token)
{
    QString error;
    if (!files::ensurePrivateDirectory(QFileInfo(m_tokenFile).absolutePath())
        || !files::writeAtomically(m_tokenFile, token.toUtf8(), &error))
        log::error(lcPasteManager, "Could not keep the remote desktop consent in %s: %s", m_tokenFile, error);
}

} // namespace parlix
