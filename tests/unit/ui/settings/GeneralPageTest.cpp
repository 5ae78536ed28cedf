// The General tab: the launch-at-login switch against a temporary XDG_CONFIG_HOME, the typing
// row, and the hotkey row following the registration. The About tab: the experimental switch
// behind five clicks on the icon, which shows and hides the other tabs' experimental toggles; the
// update button without a feed.
#include "PageFixture.h"
#include "ScopedEnvironment.h"
#include "core/LoginItemManager.h"
#include "ui/settings/GeneralPage.h"
#include "ui/ExperimentalFeatureToggle.h"
#include "ui/settings/AboutPage.h"
#include "ui/settings/RecordingPage.h"
#include "ui/settings/SpinningIcon.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>

using namespace parlix;
using namespace parlix::test;
using namespace parlix::ui;

namespace {

class GeneralPageTest : public PageFixture {
protected:
    std::unique_ptr<GeneralPage> makePage(std::function<TypingSupport()> typing = {})
    {
        SettingsPageServices pages = services();
        pages.loginItem = &login;
        pages.typing = std::move(typing);
        return std::make_unique<GeneralPage>(pages);
    }

    const ScopedEnvironment configHome{"XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8()};
    LoginItemManager login{LoginItemManager::defaultEntryPath(), QStringLiteral("/usr/bin/parlix")};
};

TEST_F(GeneralPageTest, LaunchAtLoginWritesTheAutostartEntryAndShowsWhatIsOnDisk)
{
    ASSERT_TRUE(login.entryPath().startsWith(dir.filePath(QStringLiteral("config/autostart/"))));
    auto page = makePage();
    EXPECT_FALSE(page->launchAtLogin()->isChecked());

    page->launchAtLogin()->click();
    EXPECT_TRUE(QFile::exists(login.entryPath()));
    EXPECT_TRUE(page->launchAtLogin()->isChecked());
    EXPECT_TRUE(settings.launchAtLogin());

    page->launchAtLogin()->click();
    EXPECT_FALSE(QFile::exists(login.entryPath()));
    EXPECT_FALSE(settings.launchAtLogin());

    // The autostart folder cannot be made: the switch stays off and says why.
    QDir(dir.filePath(QStringLiteral("config/autostart"))).removeRecursively();
    QFile blocker(dir.filePath(QStringLiteral("config/autostart")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    page->launchAtLogin()->click();
    EXPECT_FALSE(page->launchAtLogin()->isChecked());
    EXPECT_TRUE(settings.launchAtLogin());
    EXPECT_TRUE(page->launchError()->isVisibleTo(page.get()));
    EXPECT_TRUE(page->launchError()->text().startsWith(QStringLiteral("Could not turn on launch at login: ")));

    // Switched on outside the window: shown when the tab is shown again.
    blocker.remove();
    ASSERT_TRUE(login.setEnabled(true));
    page->show();
    EXPECT_TRUE(page->launchAtLogin()->isChecked());
}

TEST_F(GeneralPageTest, TheTypingRowTellsWhatIsMissing)
{
    struct Case {
        std::function<TypingSupport()> typing;
        const char *status;
        bool hint;
    };
    const auto support = [](bool available, const char *method) {
        return [=] { return TypingSupport{available, QString::fromLatin1(method), QStringLiteral("Copied instead.")}; };
    };
    for (const Case &c : {Case{support(true, "virtual keyboard (wlroots)"), "Available: virtual keyboard (wlroots)", false},
                          Case{support(false, ""), "Not available on this desktop", true}, Case{{}, "Unknown", false}}) {
        auto page = makePage(c.typing);
        EXPECT_EQ(page->typingStatus()->text(), QLatin1String(c.status));
        EXPECT_EQ(page->typingHint()->isVisibleTo(page.get()), c.hint) << c.status;
    }
}

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

TEST_F(GeneralPageTest, TheHotkeyRowSaysHowTheKeyIsBound)
{
    struct Case {
        const char *name;
        // Where the desktop decides, the trigger it reports.
        const char *trigger;
        int status;
        const char *shown;
        const char *hint;
    };
    const Case cases[] = {
        {"X11 grab", "", ShortcutStatus::success, "Ctrl+Alt+Space, claimed by Parlix", ""},
        {"portal", "Meta+D", ShortcutStatus::success, "Meta+D, bound through the desktop's shortcut portal", ""},
        {"compositor", "", ShortcutStatus::boundByCompositor, "Bound in the compositor",
         "This desktop lets no application claim a key: a key bound in its configuration runs parlixctl. Settings → "
         "Recording shows the line to add."},
        {"taken", "", ShortcutStatus::alreadyTaken, "Not registered", "Ctrl+Alt+Space is already used by another application"},
    };
    auto page = makePage();
    page->show();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        backend.boundTrigger = QString::fromUtf8(c.trigger);
        backend.choosesTrigger = backend.boundTrigger.isEmpty();
        backend.registerStatus = c.status;
        hotkey.registerHotkey();
        EXPECT_EQ(page->hotkeyStatus()->text(), QString::fromUtf8(c.shown));
        EXPECT_EQ(page->hotkeyHint()->text(), QString::fromUtf8(c.hint));
        EXPECT_EQ(page->hotkeyHint()->isVisible(), *c.hint != 0);
    }
}

} // namespace
