#include "app/ModelDownloadNotice.h"

#include "app/DesktopNotifications.h"
#include "models/ModelCatalog.h"
#include "models/ModelDownloadManager.h"

namespace parlix {

namespace {
QString modelName(const QString &modelId)
{
    const Constants::Models::ModelInfo *model = Constants::Models::find(modelId);
    return model ? model->displayName : modelId;
}
} // namespace

ModelDownloadNotice::ModelDownloadNotice(ModelDownloadManager &models, DesktopNotifications &notifications,
                                         std::function<void()> openModelTab, QObject *parent)
    : QObject(parent)
    , m_notifications(notifications)
    , m_openModelTab(std::move(openModelTab))
{
    connect(&models, &ModelDownloadManager::downloadFinished, this, [this](const QString &modelId, const QString &) {
        notify(tr("Model downloaded"), tr("%1 is ready for dictation.").arg(modelName(modelId)));
    });
    connect(&models, &ModelDownloadManager::downloadFailed, this, [this](const QString &modelId, const QString &message) {
        notify(tr("Model download failed"), QStringLiteral("%1: %2").arg(modelName(modelId), message));
    });
}

void ModelDownloadNotice::notify(const QString &summary, const QString &body)
{
    m_notifications.notify(summary, body, {{DesktopNotifications::defaultAction, tr("Open the Model settings"), [this] {
                                                if (m_openModelTab)
                                                    m_openModelTab();
                                            }}});
}

} // namespace parlix
