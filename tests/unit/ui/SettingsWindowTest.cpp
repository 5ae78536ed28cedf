// The settings window: opening on a named tab, one window kept for every request, even with no
// page built for any tab. (Built pages on their tabs: SettingsScreenshotsTest.)
#include "ui/SettingsWindow.h"

#include <QApplication>
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
    // A fixed size, with only a close button.
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

} // namespace
