// The settings window: opening on a named tab, one window kept for every request, tabs without a page.
#include "ui/SettingsWindow.h"

#include <QApplication>
#include <QLabel>
#include <QTabWidget>
#include <gtest/gtest.h>

using namespace parlix;
using namespace parlix::ui;

namespace {

int visibleSettingsWindows()
{
    int count = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        count += qobject_cast<SettingsView *>(widget) && widget->isVisible() ? 1 : 0;
    return count;
}

void deleteClosedWindows()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(SettingsWindowHostTest, EveryRequestShowsTheOneFixedSizeWindowOnItsTab)
{
    int pagesBuilt = 0;
    SettingsWindowHost host([&pagesBuilt](SettingsTab) -> QWidget * {
        ++pagesBuilt;
        return nullptr;
    });
    host.openSettingsToTab(SettingsTab::recording);
    QPointer<SettingsView> first = host.settingsWindow();
    ASSERT_TRUE(first);
    // A fixed size at least as large as the padded tab view, with only a close button.
    EXPECT_GE(first->width(), 500 + 2 * 12);
    EXPECT_GE(first->height(), 420 + 2 * 12);
    EXPECT_EQ(first->minimumSize(), first->maximumSize());
    EXPECT_FALSE(first->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(first->windowFlags() & Qt::WindowCloseButtonHint);

    host.openSettingsToTab(SettingsTab::history);
    EXPECT_EQ(host.settingsWindow(), first.data());
    EXPECT_EQ(first->selectedTab(), SettingsTab::history);

    // Closing hides it; the next request shows the same window with the same pages.
    first->close();
    deleteClosedWindows();
    ASSERT_TRUE(first);
    EXPECT_EQ(visibleSettingsWindows(), 0);
    host.openSettingsToTab(SettingsTab::model);
    EXPECT_EQ(host.settingsWindow(), first.data());
    EXPECT_EQ(first->selectedTab(), SettingsTab::model);
    EXPECT_EQ(visibleSettingsWindows(), 1);
    EXPECT_EQ(pagesBuilt, 6);
}

TEST(SettingsWindowHostTest, TabsWithoutAPageShowAnEmptyOneAndBuiltTabsTheirOwn)
{
    QPointer<QLabel> built;
    SettingsWindowHost host([&built](SettingsTab tab) -> QWidget * {
        if (tab != SettingsTab::about)
            return nullptr;
        built = new QLabel(QStringLiteral("about page"));
        return built;
    });
    host.openSettingsToTab(SettingsTab::recording);
    QTabWidget *tabs = host.settingsWindow()->tabView();
    ASSERT_TRUE(built);
    EXPECT_EQ(tabs->widget(int(SettingsTab::about)), built.data());
    for (int i = 0; i < int(SettingsTab::about); ++i) {
        ASSERT_NE(tabs->widget(i), nullptr);
        EXPECT_TRUE(tabs->widget(i)->children().isEmpty()) << i;
    }
}

} // namespace
