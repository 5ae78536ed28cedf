#pragma once
// The tabs of the settings window and the one table that describes them: their order, the name
// the D-Bus interface and parlixctl use, the label and the themed icon.
#include <QString>

#include <array>
#include <optional>

namespace parlix {

enum class SettingsTab { recording, model, output, history, general, about };

struct SettingsTabInfo {
    SettingsTab tab;
    // Lower-case name used outside the window (OpenSettings, `parlixctl settings`).
    const char *name;
    const char *label;
    // Themed icon names, the first one the theme has wins.
    std::array<const char *, 2> iconNames;
};

// The tabs in the order they are shown.
const std::array<SettingsTabInfo, 6> &settingsTabs();
const SettingsTabInfo &settingsTabInfo(SettingsTab tab);
// Position of the tab in the order.
int settingsTabIndex(SettingsTab tab);
// The tab at this position; none outside 0 to 5.
std::optional<SettingsTab> settingsTabAt(int index);

} // namespace parlix
