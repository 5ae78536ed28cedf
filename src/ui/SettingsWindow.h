#pragma once
// The settings window: six tabs in a fixed order, opened by the controller on the tab it names.
// Each tab's page comes from a factory so the tabs can be built one by one; a tab without a page
// yet shows an empty one.
#include "core/SettingsTab.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QTabWidget;

namespace parlix::ui {

// Builds the page of one tab; returning nullptr leaves the tab empty.
using SettingsPageFactory = std::function<QWidget *(SettingsTab tab)>;

// The window's content: the tab view with its selection, nothing else.
class SettingsView : public QWidget {
    Q_OBJECT
public:
    SettingsView(SettingsTab selectedTab, const SettingsPageFactory &pages, QWidget *parent = nullptr);

    SettingsTab selectedTab() const;
    void setSelectedTab(SettingsTab tab);
    QTabWidget *tabView() const { return m_tabs; }

    // Outer padding of the tab view and its smallest size, in pixels.
    static constexpr int padding = 12;
    static constexpr QSize minimumTabViewSize{500, 420};

private:
    QTabWidget *m_tabs;
};

// Holds the one settings window. The first request builds it; every request shows it on the
// requested tab and raises it. Closing hides the window and keeps it, with its pages, which
// follow the shared objects while hidden.
class SettingsWindowHost : public QObject {
    Q_OBJECT
public:
    explicit SettingsWindowHost(SettingsPageFactory pages = {}, QObject *parent = nullptr);
    ~SettingsWindowHost() override;

    void openSettingsToTab(SettingsTab tab);
    // The window; null until the first request.
    SettingsView *settingsWindow() const { return m_settingsWindow; }

    static inline const char *const windowTitle = QT_TRANSLATE_NOOP("parlix::ui::SettingsWindowHost", "Parlix Settings");
    static constexpr QSize initialContentSize{450, 400};

private:
    SettingsPageFactory m_pages;
    QPointer<SettingsView> m_settingsWindow;
};

} // namespace parlix::ui
