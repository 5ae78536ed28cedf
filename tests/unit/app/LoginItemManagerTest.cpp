// Launch at login: the autostart entry appears and disappears with the switch, starts this
// executable even from an awkward path, and a failure leaves the switch off instead of throwing.
#include "core/LoginItemManager.h"

#include "Files.h"
#include "ScopedEnvironment.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

using namespace parlix;

namespace {

enum class Setup { none, entryPresent, configHomeIsAFile, entryIsADirectory };

struct SwitchCase {
    const char *name;
    Setup setup;
    std::vector<bool> switches;
    bool entryAfter;
};

TEST(LoginItemSwitchTest, LeavesTheEntryAsAsked)
{
    const SwitchCase cases[] = {
        {"EnableThenDisable", Setup::none, {true, false}, false},
        {"EnableOverAnExistingEntry", Setup::entryPresent, {true}, true},
        {"UnwritableConfigDirectory", Setup::configHomeIsAFile, {true}, false},
        {"EntryThatCannotBeRemoved", Setup::entryIsADirectory, {false}, false},
    };
    for (const SwitchCase &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString configHome = dir.filePath(QStringLiteral("config"));
        // Not writable even for root: a directory cannot be created beneath a file.
        if (c.setup == Setup::configHomeIsAFile)
            test::writeFile(configHome, {});
        const QString entry = [&] {
            const test::ScopedEnvironment home("XDG_CONFIG_HOME", configHome.toUtf8());
            return LoginItemManager::defaultEntryPath();
        }();
        ASSERT_EQ(entry, configHome + QStringLiteral("/autostart/com.quorvane.parlix.desktop"));
        if (c.setup == Setup::entryPresent)
            test::writeFile(entry, {});
        if (c.setup == Setup::entryIsADirectory) {
            ASSERT_TRUE(QDir().mkpath(entry + QStringLiteral("/keep")));
        }

        LoginItemManager manager(entry, QStringLiteral("/opt/parlix/bin/parlix"));
        for (bool enabled : c.switches)
            manager.setEnabled(enabled);

        EXPECT_EQ(QFileInfo(entry).isFile(), c.entryAfter);
        EXPECT_EQ(manager.isEnabled(), c.entryAfter || c.setup == Setup::entryIsADirectory);
        if (c.entryAfter) {
            QSettings desktop(entry, QSettings::IniFormat);
            desktop.beginGroup(QStringLiteral("Desktop Entry"));
            EXPECT_EQ(desktop.value(QStringLiteral("Exec")).toString(), QStringLiteral("/opt/parlix/bin/parlix"));
            EXPECT_EQ(desktop.value(QStringLiteral("Type")).toString(), QStringLiteral("Application"));
        }
    }
}

TEST(LoginItemManagerTest, RefusesToWriteAnEntryForARelativeExecutable)
{
    QTemporaryDir dir;
    LoginItemManager manager(dir.filePath(QStringLiteral("autostart/parlix.desktop")), QStringLiteral("parlix"));
    manager.setEnabled(true);
    EXPECT_FALSE(manager.isEnabled());
    EXPECT_FALSE(QFile::exists(manager.entryPath()));
}

struct ExecCase {
    const char *name;
    QString path;
    QString exec;
};

TEST(ExecArgumentTest, QuotesWhatALauncherWouldSplitOrExpand)
{
    const ExecCase cases[] = {
        {"Plain", QStringLiteral("/usr/bin/parlix"), QStringLiteral("/usr/bin/parlix")},
        {"Space", QStringLiteral("/home/a b/parlix"), QStringLiteral("\"/home/a b/parlix\"")},
        {"FieldCode", QStringLiteral("/opt/100%u/parlix"), QStringLiteral("/opt/100%%u/parlix")},
        {"Dollar", QStringLiteral("/opt/$HOME/parlix"), QStringLiteral("\"/opt/\\\\$HOME/parlix\"")},
        {"DoubleQuote", QStringLiteral("/opt/a\"b/parlix"), QStringLiteral("\"/opt/a\\\\\"b/parlix\"")},
        {"Backslash", QStringLiteral("/opt/a\\b/parlix"), QStringLiteral("\"/opt/a\\\\\\\\b/parlix\"")},
    };
    for (const ExecCase &param : cases) {
        SCOPED_TRACE(param.name);
        EXPECT_EQ(LoginItemManager::execArgument(param.path), param.exec);
    }
}

} // namespace
