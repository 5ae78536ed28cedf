#include "ui/settings/SettingsPageServices.h"

#include "ui/settings/AboutPage.h"
#include "ui/settings/GeneralPage.h"
#include "ui/settings/HistoryPage.h"
#include "ui/settings/ModelPage.h"
#include "ui/settings/OutputPage.h"
#include "ui/settings/RecordingPage.h"

namespace parlix::ui {

QWidget *buildSettingsPage(SettingsTab tab, const SettingsPageServices &services)
{
    switch (tab) {
    case SettingsTab::recording:
        return new RecordingPage(services);
    case SettingsTab::output:
        return new OutputPage(services);
    case SettingsTab::model:
        return services.models ? new ModelPage(services) : nullptr;
    case SettingsTab::history:
        return new HistoryPage(services);
    case SettingsTab::general:
        return new GeneralPage(services);
    case SettingsTab::about:
        return new AboutPage(services);
    }
    return nullptr;
}

} // namespace parlix::ui
