// Launch at login: the autostart entry appears and disappears with the switch, starts this
// executable even from an awkward path, and a failure is logged instead of thrown.
#include "core/LoginItemManager.h"

#include "CategoryLog.h"
#include "core/Categories.h"

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
    QStringList log;
};

class LoginItemSwitchTest : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(LoginItemSwitchTest, LeavesTheEntryAsAskedAndLogsEachSwitch)
{
    const SwitchCase &c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const bool hadConfigHome = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    const QByteArray savedConfigHome = qgetenv("XDG_CONFIG_HOME");
    QString configHome = dir.filePath(QStringLiteral("config"));
    if (c.setup == Setup::configHomeIsAFile) {
        // Not writable even for root: a directory cannot be created beneath a file.
        QFile blocker(configHome);
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    qputenv("XDG_CONFIG_HOME", configHome.toUtf8());
    const QString entry = LoginItemManager::defaultEntryPath();
    if (hadConfigHome)
        qputenv("XDG_CONFIG_HOME", savedConfigHome);
    else
        qunsetenv("XDG_CONFIG_HOME");
    ASSERT_EQ(entry, configHome + QStringLiteral("/autostart/com.quorvane.parlix.desktop"));

    if (c.setup == Setup::entryPresent) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(entry).absolutePath()));
        QFile file(entry);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    if (c.setup == Setup::entryIsADirectory) {
        ASSERT_TRUE(QDir().mkpath(entry + QStringLiteral("/keep")));
    }

    LoginItemManager manager(entry, QStringLiteral("/opt/parlix/bin/parlix"));
    test::CategoryLog log(lcLoginItem());
    for (bool enabled : c.switches)
        manager.setEnabled(enabled);

    EXPECT_EQ(QFileInfo(entry).isFile(), c.entryAfter);
    EXPECT_EQ(manager.isEnabled(), c.entryAfter || c.setup == Setup::entryIsADirectory);
    ASSERT_EQ(log.lines.size(), c.log.size()) << log.lines.join(QLatin1Char('\n')).toStdString();
    for (qsizetype i = 0; i < c.log.size(); ++i)
        EXPECT_TRUE(log.lines[i].startsWith(c.log[i])) << log.lines[i].toStdString();
    if (c.entryAfter) {
        QSettings desktop(entry, QSettings::IniFormat);
        desktop.beginGroup(QStringLiteral("Desktop Entry"));
        EXPECT_EQ(desktop.value(QStringLiteral("Exec")).toString(), QStringLiteral("/opt/parlix/bin/parlix"));
        EXPECT_EQ(desktop.value(QStringLiteral("Type")).toString(), QStringLiteral("Application"));
    }
}

const QString registered = QStringLiteral("info Login item registered");
const QString unregistered = QStringLiteral("info Login item unregistered");
const QString failed = QStringLiteral("error Failed to update login item: ");

INSTANTIATE_TEST_SUITE_P(
    Switches, LoginItemSwitchTest,
    ::testing::Values(SwitchCase{"Enable", Setup::none, {true}, true, {registered}},
                      SwitchCase{"EnableThenDisable", Setup::none, {true, false}, false, {registered, unregistered}},
                      SwitchCase{"DisableRemovesAnExistingEntry", Setup::entryPresent, {false}, false, {unregistered}},
                      SwitchCase{"EnableOverAnExistingEntry", Setup::entryPresent, {true}, true, {registered}},
                      SwitchCase{"UnwritableConfigDirectory", Setup::configHomeIsAFile, {true}, false, {failed}},
                      SwitchCase{"EntryThatCannotBeRemoved", Setup::entryIsADirectory, {false}, false, {failed}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(LoginItemManagerTest, RefusesToWriteAnEntryForARelativeExecutable)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    LoginItemManager manager(dir.filePath(QStringLiteral("autostart/parlix.desktop")), QStringLiteral("parlix"));
    test::CategoryLog log(lcLoginItem());
    manager.setEnabled(true);
    EXPECT_FALSE(manager.isEnabled());
    ASSERT_EQ(log.lines.size(), 1);
    EXPECT_TRUE(log.lines[0].startsWith(failed));
}

struct ExecCase {
    const char *name;
    QString path;
    QString exec;
};

class ExecArgumentTest : public ::testing::TestWithParam<ExecCase> {};

TEST_P(ExecArgumentTest, QuotesWhatALauncherWouldSplitOrExpand)
{
    EXPECT_EQ(LoginItemManager::execArgument(GetParam().path), GetParam().exec);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ExecArgumentTest,
    ::testing::Values(
        ExecCase{"Plain", QStringLiteral("/usr/bin/parlix"), QStringLiteral("/usr/bin/parlix")},
        ExecCase{"Space", QStringLiteral("/home/a b/parlix"), QStringLiteral("\"/home/a b/parlix\"")},
        ExecCase{"FieldCode", QStringLiteral("/opt/100%u/parlix"), QStringLiteral("/opt/100%%u/parlix")},
        ExecCase{"Dollar", QStringLiteral("/opt/$HOME/parlix"), QStringLiteral("\"/opt/\\\\$HOME/parlix\"")},
        ExecCase{"DoubleQuote", QStringLiteral("/opt/a\"b/parlix"), QStringLiteral("\"/opt/a\\\\\"b/parlix\"")},
        ExecCase{"Backslash", QStringLiteral("/opt/a\\b/parlix"), QStringLiteral("\"/opt/a\\\\\\\\b/parlix\"")},
        ExecCase{"SingleQuote", QStringLiteral("/opt/it's/parlix"), QStringLiteral("\"/opt/it's/parlix\"")}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
