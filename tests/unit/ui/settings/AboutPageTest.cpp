// The About tab: the five-click game and the experimental switch it hides, which shows and
// hides the other tabs' experimental toggles; the update button without a feed.
#include "PageFixture.h"
#include "ui/ExperimentalFeatureToggle.h"
#include "ui/settings/AboutPage.h"
#include "ui/settings/RecordingPage.h"
#include "ui/settings/SpinningIcon.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

using namespace parlix;
using namespace parlix::test;
using namespace parlix::ui;

namespace {

class AboutPageTest : public PageFixture {
protected:
    void SetUp() override
    {
        page = std::make_unique<AboutPage>(services());
        page->show();
    }

    void clickIcon(int times)
    {
        for (int i = 0; i < times; ++i)
            QTest::mouseClick(page->icon(), Qt::LeftButton);
    }

    std::unique_ptr<AboutPage> page;
};

TEST_F(AboutPageTest, FiveClicksRevealThePanelWhoseIconCyclesThroughEveryJoke)
{
    clickIcon(4);
    EXPECT_FALSE(page->panelShown());
    clickIcon(1);
    ASSERT_TRUE(page->panelShown());
    EXPECT_EQ(page->icon()->rotation(), 360);
    EXPECT_TRUE(page->panel()->isVisible());
    EXPECT_FALSE(page->mainColumn()->isVisible());

    // The main icon no longer counts; the panel's icon spins and moves through all 18 messages.
    page->iconClicked();
    EXPECT_EQ(page->clickCount(), 5);
    const QString first = page->messageLabel()->text();
    QStringList seen{first};
    for (int i = 0; i < 17; ++i) {
        QTest::mouseClick(page->panelIcon(), Qt::LeftButton);
        seen << page->messageLabel()->text();
    }
    seen.sort();
    QStringList all = AboutPage::messages();
    all.sort();
    EXPECT_EQ(seen, all);
    QTest::mouseClick(page->panelIcon(), Qt::LeftButton);
    EXPECT_EQ(page->messageLabel()->text(), first);

    // Escape closes it and the count starts over; so does showing the tab again.
    QTest::keyClick(page->backButton(), Qt::Key_Escape);
    EXPECT_FALSE(page->panelShown());
    EXPECT_EQ(page->clickCount(), 0);
    clickIcon(5);
    page->hide();
    page->show();
    EXPECT_FALSE(page->panelShown());
    EXPECT_EQ(page->icon()->rotation(), 0);
}

TEST_F(AboutPageTest, TheExperimentalSwitchShowsTheOtherTabsExperimentalToggles)
{
    RecordingPage recording(services());
    recording.show();
    clickIcon(5);
    const bool initially = settings.experimentalFeaturesEnabled();
    for (bool on : {!initially, initially}) {
        page->experimentalSwitch()->click();
        EXPECT_EQ(settings.experimentalFeaturesEnabled(), on);
        EXPECT_EQ(recording.liveDictationToggle()->isVisible(), on);
    }
}

TEST_F(AboutPageTest, WithoutAFeedUpdatesAreLeftToThePackageManager)
{
    EXPECT_FALSE(page->updateButton()->isEnabled());
    EXPECT_TRUE(page->updateNote()->isVisible());
    EXPECT_EQ(page->updateNote()->text(), QStringLiteral("Updates come from your package manager"));
}

} // namespace
