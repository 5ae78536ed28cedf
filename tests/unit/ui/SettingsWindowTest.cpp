// The settings window: its tabs and their order, opening on a named tab, one window kept for
// every request, and the experimental row that appears and disappears with the experimental features.
#include "ui/ExperimentalFeatureToggle.h"
#include "ui/SettingsWindow.h"

#include "MemoryKeyValueStore.h"
#include "core/SettingsModel.h"

#include <QApplication>
#include <QCheckBox>
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

TEST(SettingsTabsTest, AreShownInOrderAndAWindowOpensOnTheRequestedOne)
{
    const QStringList expected{"Recording", "Model", "Output", "History", "General", "About"};
    for (int i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].toStdString());
        ASSERT_EQ(settingsTabAt(i), std::optional<SettingsTab>(SettingsTab(i)));
        SettingsWindowHost host;
        host.openSettingsToTab(SettingsTab(i));
        SettingsView *window = host.settingsWindow();
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Parlix Settings"));
        EXPECT_EQ(window->selectedTab(), SettingsTab(i));
        ASSERT_EQ(window->tabView()->count(), expected.size());
        for (int j = 0; j < expected.size(); ++j)
            EXPECT_EQ(window->tabView()->tabText(j), expected[j]);
        EXPECT_EQ(window->tabView()->currentIndex(), i);
    }
    for (int value : {-1, 6, 100})
        EXPECT_FALSE(settingsTabAt(value).has_value()) << value;
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

struct ToggleCase {
    const char *name;
    bool experimental;
    bool translate;
};

class ExperimentalFeatureToggleTest : public ::testing::TestWithParam<ToggleCase> {
protected:
    test::MemoryKeyValueStore m_store;
    SettingsModel m_settings{m_store};
};

TEST_P(ExperimentalFeatureToggleTest, FollowsBothSettingsWhileOpen)
{
    const ToggleCase &c = GetParam();
    m_settings.setExperimentalFeaturesEnabled(c.experimental);
    m_settings.setTranslateToEnglish(c.translate);
    QWidget page;
    ExperimentalFeatureToggle row(
        m_settings, QStringLiteral("Translate to English"), [this] { return m_settings.translateToEnglish(); },
        [this](bool on) { m_settings.setTranslateToEnglish(on); }, &page);
    page.show();

    EXPECT_EQ(row.isVisible(), c.experimental);
    EXPECT_EQ(row.toggle()->isChecked(), c.translate);
    EXPECT_EQ(row.toggle()->text(), QStringLiteral("Translate to English"));
    EXPECT_EQ(row.badge()->text(), QStringLiteral("Experimental"));

    // Switching the experimental features shows or hides the row in place.
    m_settings.setExperimentalFeaturesEnabled(!c.experimental);
    EXPECT_EQ(row.isVisible(), !c.experimental);
    m_settings.setExperimentalFeaturesEnabled(true);
    ASSERT_TRUE(row.isVisible());

    // The switch writes the setting, and a change made elsewhere moves the switch.
    row.toggle()->click();
    EXPECT_EQ(m_settings.translateToEnglish(), !c.translate);
    m_settings.setTranslateToEnglish(c.translate);
    EXPECT_EQ(row.toggle()->isChecked(), c.translate);
}

INSTANTIATE_TEST_SUITE_P(States, ExperimentalFeatureToggleTest,
                         ::testing::Values(ToggleCase{"OffAndUnset", false, false}, ToggleCase{"OffAndSet", false, true},
                                           ToggleCase{"OnAndUnset", true, false}, ToggleCase{"OnAndSet", true, true}),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
