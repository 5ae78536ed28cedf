#pragma once
// Puts the updater's interactive check on screen: its outcomes open the matching dialog, and
// cancelling the checking dialog aborts the check.
#include "ui/UpdateDialogs.h"
#include "update/AppcastFeed.h"

namespace parlix {

namespace update {
class UpdateController;
}

// The dialog's view of an update: the version people know, the notes and where to get it.
ui::UpdateOffer updateOffer(const update::AppcastItem &item, const QString &runningVersion);

void connectUpdateDialogs(update::UpdateController &updater, ui::UpdateDialogs &dialogs);

} // namespace parlix
