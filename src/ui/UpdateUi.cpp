#include "ui/UpdateUi.h"

#include "update/UpdateController.h"

namespace parlix {

ui::UpdateOffer updateOffer(const update::AppcastItem &item, const QString &runningVersion)
{
    return {item.displayVersion(), runningVersion, item.description, item.releaseNotesLink, item.downloadUrl()};
}

void connectUpdateDialogs(update::UpdateController &updater, ui::UpdateDialogs &dialogs)
{
    using update::UpdateController;
    QObject::connect(&updater, &UpdateController::interactiveCheckStarted, &dialogs, &ui::UpdateDialogs::showChecking);
    QObject::connect(&updater, &UpdateController::interactiveUpdateFound, &dialogs,
                     [&updater, &dialogs](const update::AppcastItem &item) {
                         dialogs.showUpdateAvailable(updateOffer(item, updater.runningVersion()));
                     });
    QObject::connect(&updater, &UpdateController::interactiveNoUpdateFound, &dialogs,
                     [&updater, &dialogs] { dialogs.showUpToDate(updater.runningVersion()); });
    QObject::connect(&updater, &UpdateController::interactiveCheckFailed, &dialogs, &ui::UpdateDialogs::showError);
    QObject::connect(&dialogs, &ui::UpdateDialogs::cancelRequested, &updater, &UpdateController::cancelCheck);
}

} // namespace parlix
