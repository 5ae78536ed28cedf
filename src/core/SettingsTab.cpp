#include "core/SettingsTab.h"

namespace parlix {

const std::array<SettingsTabInfo, 6> &settingsTabs()
{
    static const std::array<SettingsTabInfo, 6> tabs{{
        {SettingsTab::recording, "recording", QT_TRANSLATE_NOOP("parlix::SettingsTab", "Recording"), {"audio-input-microphone", "media-record"}},
        {SettingsTab::model, "model", QT_TRANSLATE_NOOP("parlix::SettingsTab", "Model"), {"cpu", "computer"}},
        {SettingsTab::output, "output", QT_TRANSLATE_NOOP("parlix::SettingsTab", "Output"), {"edit-paste", "edit-copy"}},
        {SettingsTab::history, "history", QT_TRANSLATE_NOOP("parlix::SettingsTab", "History"), {"document-open-recent", "view-history"}},
        {SettingsTab::general, "general", QT_TRANSLATE_NOOP("parlix::SettingsTab", "General"), {"preferences-system", "preferences-other"}},
        {SettingsTab::about, "about", QT_TRANSLATE_NOOP("parlix::SettingsTab", "About"), {"help-about", "dialog-information"}},
    }};
    return tabs;
}

int settingsTabIndex(SettingsTab tab)
{
    const auto &tabs = settingsTabs();
    for (size_t i = 0; i < tabs.size(); ++i) {
        if (tabs[i].tab == tab)
            return int(i);
    }
    return 0;
}

const SettingsTabInfo &settingsTabInfo(SettingsTab tab)
{
    return settingsTabs()[size_t(settingsTabIndex(tab))];
}

std::optional<SettingsTab> settingsTabAt(int index)
{
    const auto &tabs = settingsTabs();
    if (index < 0 || index >= int(tabs.size()))
        return std::nullopt;
    return tabs[size_t(index)].tab;
}

} // namespace parlix
