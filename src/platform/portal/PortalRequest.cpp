#include "platform/portal/PortalRequest.h"

#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QRandomGenerator>

namespace parlix::portal {

QString newToken()
{
    return QStringLiteral("parlix_%1").arg(QRandomGenerator::system()->generate64(), 16, 16, QLatin1Char('0'));
}

QString handlePath(const QDBusConnection &bus, const QString &kind, const QString &token)
{
    // ":1.42" becomes "1_42".
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/%1/%2/%3").arg(kind, sender, token);
}

QDBusMessage portalCall(const QString &interface, const QString &method)
{
    return QDBusMessage::createMethodCall(service, objectPath, interface, method);
}

PortalRequest::PortalRequest(QDBusConnection bus, QDBusMessage call, QVariantMap options, Done done, QObject *parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_done(std::move(done))
{
    const QString token = newToken();
    options.insert(QStringLiteral("handle_token"), token);
    listenAt(handlePath(m_bus, QStringLiteral("request"), token));
    call << options;

    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *w;
        if (reply.isError()) {
            finish({Response::ended, {}, reply.error().message()});
            return;
        }
        // Portals older than the path rule answer at a path of their own choosing.
        if (reply.value().path() != m_path)
            listenAt(reply.value().path());
    });
}

PortalRequest::~PortalRequest()
{
    cancel();
}

void PortalRequest::cancel()
{
    if (!m_done)
        return;
    m_done = {};
    m_bus.disconnect(service, m_path, requestInterface, QStringLiteral("Response"), this,
                     SLOT(onResponse(uint,QVariantMap)));
    m_bus.asyncCall(QDBusMessage::createMethodCall(service, m_path, requestInterface, QStringLiteral("Close")));
}

void PortalRequest::listenAt(const QString &path)
{
    if (!m_path.isEmpty())
        m_bus.disconnect(service, m_path, requestInterface, QStringLiteral("Response"), this,
                         SLOT(onResponse(uint,QVariantMap)));
    m_path = path;
    m_bus.connect(service, m_path, requestInterface, QStringLiteral("Response"), this, SLOT(onResponse(uint,QVariantMap)));
}

void PortalRequest::onResponse(uint response, const QVariantMap &results)
{
    finish({response, results, {}});
}

void PortalRequest::finish(const Result &result)
{
    if (!m_done)
        return;
    m_bus.disconnect(service, m_path, requestInterface, QStringLiteral("Response"), this,
                     SLOT(onResponse(uint,QVariantMap)));
    // `done` may delete this request.
    Done done = std::exchange(m_done, {});
    done(result);
}

} // namespace parlix::portal
