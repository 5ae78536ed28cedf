// The General tab: the launch-at-login switch against a temporary XDG_CONFIG_HOME, the typing
// row, and "Open Log" with stand-in terminals that write down their arguments.
#include "PageFixture.h"
#include "core/LoginItemManager.h"
#include "ui/settings/GeneralPage.h"
#include "ui/settings/LogTerminal.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>

using namespace parlix;
using namespace parlix::test;
using namespace parlix::ui;

namespace {

class GeneralPageTest : public PageFixture {
protected:
    ~GeneralPageTest() override { qunsetenv("XDG_CONFIG_HOME"); }

    std::unique_ptr<GeneralPage> makePage(std::function<bool()> canType = {})
    {
        SettingsPageServices pages = services();
        pages.loginItem = &login;
        pages.canTypeIntoApps = std::move(canType);
        return std::make_unique<GeneralPage>(pages);
    }

    const bool configHome = qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
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
        std::function<bool()> canType;
        const char *status;
        bool hint;
    };
    for (const Case &c : {Case{[] { return true; }, "Available", false}, Case{[] { return false; }, "Missing", true},
                          Case{{}, "Unknown", false}}) {
        auto page = makePage(c.canType);
        EXPECT_EQ(page->typingStatus()->text(), QLatin1String(c.status));
        EXPECT_EQ(page->typingHint()->isVisibleTo(page.get()), c.hint) << c.status;
    }
}

TEST_F(GeneralPageTest, OpenLogRunsTheFirstTerminalFoundWithTheLogCommand)
{
    // Stand-ins on an otherwise empty PATH, each writing down its arguments.
    const QString bin = dir.filePath(QStringLiteral("bin"));
    QDir().mkpath(bin);
    const auto install = [&](const char *name) {
        QFile script(bin + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho \"$0 $*\" > \"${0%/*}/ran\"\n");
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    };
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.toUtf8());
    const QString journal = LogTerminal::logCommand(true, {}).join(u' ');
    EXPECT_EQ(journal, QStringLiteral("journalctl --user -t parlix -f -p debug"));
    EXPECT_EQ(LogTerminal::logCommand(false, dir.filePath(QStringLiteral("none"))), QStringList());

    EXPECT_TRUE(LogTerminal::open(LogTerminal::logCommand(true, {})).startsWith(QStringLiteral("No terminal found")));
    install("xdg-terminal-exec");
    install("x-terminal-emulator");
    for (const QString &expected : {QStringLiteral("x-terminal-emulator -e ") + journal, QStringLiteral("xdg-terminal-exec ") + journal}) {
        QFile ran(bin + QStringLiteral("/ran"));
        ran.remove();
        EXPECT_EQ(LogTerminal::open(LogTerminal::logCommand(true, {})), QString());
        ASSERT_TRUE(QTest::qWaitFor([&] { return ran.size() > 0; }, 10000)) << expected.toStdString();
        ASSERT_TRUE(ran.open(QIODevice::ReadOnly));
        EXPECT_EQ(QString::fromUtf8(ran.readAll()).trimmed(), bin + QLatin1Char('/') + expected);
        QFile::remove(bin + QStringLiteral("/x-terminal-emulator"));
    }
    qputenv("PATH", path);
}

} // namespace
