#include "app/ModelDownloadNotice.h"

#include "core/Categories.h"
#include "core/Log.h"
#include "models/ModelCatalog.h"
#include "models/ModelDownloadManager.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace parlix {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

QString modelName(const QString &modelId)
{
    const Constants::Models::ModelInfo *model = Constants::Models::find(modelId);
    return model ? model->displayName : modelId;
}
} // namespace

ModelDownloadNotice::ModelDownloadNotice(ModelDownloadManager &models, QDBusConnection bus,
                                         std::function<void()> openModelTab, QObject *parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_openModelTab(std::move(openModelTab))
{
    connect(&models, &ModelDownloadManager::downloadFinished, this, [this](const QString &modelId, const QString &) {
        notify(QStringLiteral("Model downloaded"), QStringLiteral("%1 is ready for dictation.").arg(modelName(modelId)));
    });
    connect(&models, &ModelDownloadManager::downloadFailed, this, [this](const QString &modelId, const QString &message) {
        notify(QStringLiteral("Model download failed"), QStringLiteral("%1: %2").arg(modelName(modelId), message));
    });
    m_bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this, SLOT(onActionInvoked(uint, QString)));
}

void ModelDownloadNotice::notify(const QString &summary, const QString &body)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    call << QStringLiteral("Parlix") << uint(0) << QStringLiteral("com.quorvane.parlix") << summary << body
         << QStringList{QStringLiteral("default"), QStringLiteral("Open the Model settings")}
         << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("com.quorvane.parlix")}} << int(-1);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError()) {
            log::info(lcApp, "No desktop notification about the model download: %s", reply.error().message());
            return;
        }
        m_notificationIds.append(reply.value());
    });
}

void ModelDownloadNotice::onActionInvoked(uint id, const QString &action)
{
    if (action == QLatin1String("default") && m_notificationIds.contains(id) && m_openModelTab)
        m_openModelTab();
}

} // namespace parlix
