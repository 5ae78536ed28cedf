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


using namespace parlix;

namespace {

// Switching on and off, and a configuration directory that cannot be made: GeneralPageTest.
// Here the entry's place under XDG_CONFIG_HOME, and what is already there.
TEST(LoginItemSwitchTest, LeavesTheEntryAsAsked)
{
    for (const bool entryIsADirectory : {false, true}) {
        SCOPED_TRACE(entryIsADirectory ? "an entry that cannot be removed, switched off" : "switched on over an existing entry");
        QTemporaryDir dir;
        const QString configHome = dir.filePath(QStringLiteral("config"));
        const QString entry = [&] {
            const test::ScopedEnvironment home("XDG_CONFIG_HOME", configHome.toUtf8());
            return LoginItemManager::defaultEntryPath();
        }();
        ASSERT_EQ(entry, configHome + QStringLiteral("/autostart/com.quorvane.parlix.desktop"));
        entryIsADirectory ? void(QDir().mkpath(entry + QStringLiteral("/keep"))) : test::writeFile(entry, {});

        LoginItemManager manager(entry, QStringLiteral("/opt/parlix/bin/parlix"));
        manager.setEnabled(!entryIsADirectory);

        EXPECT_EQ(QFileInfo(entry).isFile(), !entryIsADirectory);
        EXPECT_TRUE(manager.isEnabled());
        QSettings desktop(entry, QSettings::IniFormat);
        desktop.beginGroup(QStringLiteral("Desktop Entry"));
        EXPECT_EQ(desktop.value(QStringLiteral("Exec")).toString(), entryIsADirectory ? QString() : QStringLiteral("/opt/parlix/bin/parlix"));
        EXPECT_EQ(desktop.value(QStringLiteral("Type")).toString(), entryIsADirectory ? QString() : QStringLiteral("Application"));
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
