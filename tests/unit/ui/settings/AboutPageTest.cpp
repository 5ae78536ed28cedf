// The About tab: the experimental switch behind five clicks on the icon, which shows and hides
// the other tabs' experimental toggles; the update button without a feed.
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

TEST_F(AboutPageTest, TheExperimentalSwitchShowsTheOtherTabsTogglesAndUpdatesWithoutAFeedAreThePackageManagers)
{
    // Without a feed, updates are left to the package manager.
    EXPECT_FALSE(page->updateButton()->isEnabled());
    EXPECT_TRUE(page->updateNote()->isVisible());
    RecordingPage recording(services());
    recording.show();
    clickIcon(5);
    ASSERT_TRUE(page->panelShown());
    const bool initially = settings.experimentalFeaturesEnabled();
    for (bool on : {!initially, initially}) {
        page->experimentalSwitch()->click();
        EXPECT_EQ(settings.experimentalFeaturesEnabled(), on);
        EXPECT_EQ(recording.liveDictationToggle()->isVisible(), on);
    }
}

} // namespace
