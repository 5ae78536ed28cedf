// The tray glue: the icon follows the flags and animates only while transcribing, the menu is
// rebuilt from the live state at every opening, and each command reaches its service.
#include "ui/TrayIcon.h"

#include "CategoryLog.h"
#include "Files.h"
#include "MemoryKeyValueStore.h"
#include "Printers.h"
#include "core/AppState.h"
#include "core/Categories.h"
#include "core/SettingsModel.h"
#include "history/HistoryStore.h"

#include <QAction>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

using namespace parlix;
using namespace parlix::ui;

namespace {

class TrayIconTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_modelFile = m_dir.filePath(QStringLiteral("ggml-base.en.bin"));
        test::writeFile(m_modelFile, "model");
        m_settings.setModelPath(m_modelFile);
    }

    TrayIconServices services()
    {
        return TrayIconServices{
            .state = m_state,
            .settings = m_settings,
            .history = [this]() -> HistoryStore & { return m_history; },
            .downloadedModels = [this] { return m_models; },
            .toggleRecording = [this] { ++m_toggles; },
            .openSettingsToTab = [this](SettingsTab tab) { m_tabs.append(tab); },
            .copyToClipboard = [this](const QString &text) { m_copied.append(text); },
            .updateState = [this] { return m_update; },
            .checkForUpdates = [this] { ++m_updateChecks; },
            .quit = [this] { ++m_quits; },
        };
    }

    void addHistory(int count)
    {
        // Added oldest first, so "entry 0" ends up newest.
        for (int i = count - 1; i >= 0; --i)
            m_history.add(QStringLiteral("entry %1").arg(i));
    }

    // The menu's actions as "-" (separator) or "title[!]" ("!" when disabled), one level deep.
    static QStringList describe(const QMenu *menu)
    {
        QStringList out;
        for (const QAction *a : menu->actions())
            out << (a->isSeparator() ? QStringLiteral("-") : a->text() + (a->isEnabled() ? "" : "!"));
        return out;
    }

    static QAction *action(const QMenu *menu, const QString &text)
    {
        for (QAction *a : menu->actions())
            if (a->text() == text)
                return a;
        return nullptr;
    }

    void openMenu(TrayIcon &item) { emit item.menu()->aboutToShow(); }

    QTemporaryDir m_dir;
    QString m_modelFile;
    test::MemoryKeyValueStore m_store;
    SettingsModel m_settings{m_store};
    AppState m_state{m_settings};
    HistoryStore m_history{m_settings, m_dir.filePath(QStringLiteral("history.json")),
                           DateContext{QLocale(QStringLiteral("en_US")), QTimeZone::utc(), {}}};
    QStringList m_models;
    UpdateMenuState m_update;
    int m_toggles = 0;
    int m_quits = 0;
    int m_updateChecks = 0;
    QList<SettingsTab> m_tabs;
    QStringList m_copied;
};

TEST_F(TrayIconTest, MenuIsRebuiltFromTheLiveStateAtEachOpening)
{
    m_models = {m_modelFile};
    TrayIcon item(services(), false);
    openMenu(item);
    EXPECT_TRUE(describe(item.menu()).contains(QStringLiteral("Check for Updates...!")));
    m_state.setRecording(true);
    m_update = {true, true};
    openMenu(item);
    const QStringList items = describe(item.menu());
    EXPECT_TRUE(items.contains(QStringLiteral("Stop Recording"))) << items.join('|').toStdString();
    EXPECT_TRUE(items.contains(QStringLiteral("Update Available"))) << items.join('|').toStdString();
    action(item.menu(), QStringLiteral("Update Available"))->trigger();
    EXPECT_EQ(m_updateChecks, 1);
    // Each opening replaces the submenus (model, history, export) instead of adding to them.
    const auto submenus = [&] { return item.menu()->findChildren<QMenu *>().size(); };
    const qsizetype before = submenus();
    openMenu(item);
    EXPECT_EQ(submenus(), before);

    m_state.setRecording(false);
    openMenu(item);
    action(item.menu(), QStringLiteral("Start Recording"))->trigger();
    action(item.menu(), QStringLiteral("Settings..."))->trigger();
    action(item.menu(), QStringLiteral("Quit Parlix"))->trigger();
    EXPECT_EQ(m_toggles, 1);
    EXPECT_EQ(m_tabs, QList<SettingsTab>{SettingsTab::recording});
    EXPECT_EQ(m_quits, 1);
    // The model item names the chosen model, its submenu checks it.
    QAction *model = action(item.menu(), QStringLiteral("Model: Base (English)"));
    ASSERT_TRUE(model && model->menu());
    EXPECT_TRUE(action(model->menu(), QStringLiteral("Base (English)"))->isChecked());
}

MenuEntry entry(MenuCommand command, const QString &modelPath = {})
{
    MenuEntry e;
    e.command = command;
    e.modelPath = modelPath;
    return e;
}

TEST_F(TrayIconTest, Commands)
{
    const QString other = m_dir.filePath(QStringLiteral("R&D.bin"));
    const struct {
        const char *name;
        MenuEntry entry;
        QList<SettingsTab> tabs;
        QString modelPath;
        QStringList log;
    } cases[] = {
        {"allHistory", entry(MenuCommand::showAllHistory), {SettingsTab::history}, m_modelFile, {}},
        {"selectModel", entry(MenuCommand::selectModel, other), {}, other, {QStringLiteral("info Switched to model: R&D.bin")}},
        {"selectNothing", entry(MenuCommand::selectModel), {}, m_modelFile, {}},
    };
    for (const auto &c : cases) {
        m_tabs.clear();
        m_settings.setModelPath(m_modelFile);
        TrayIcon item(services(), false);
        test::CategoryLog log(lcController());
        item.perform(c.entry);
        EXPECT_EQ(m_tabs, c.tabs) << c.name;
        EXPECT_EQ(m_settings.modelPath(), c.modelPath) << c.name;
        EXPECT_EQ(log.lines, c.log) << c.name;
    }
}

TEST_F(TrayIconTest, HistoryItemsCopyTheEntryTheUserSawAndDataTitlesKeepTheirAmpersands)
{
    addHistory(25);
    TrayIcon item(services(), false);
    openMenu(item);
    QAction *history = action(item.menu(), QStringLiteral("History"));
    ASSERT_NE(history, nullptr);
    const QList<QAction *> entries = history->menu()->actions();
    // 20 entries, separator, Show All History..., Export History, separator, Clear History.
    ASSERT_EQ(entries.size(), 25);
    EXPECT_TRUE(entries[2]->text().endsWith(QStringLiteral(": entry 2"))) << entries[2]->text().toStdString();
    EXPECT_FALSE(entries[2]->toolTip().isEmpty());

    entries[2]->trigger();
    EXPECT_EQ(m_copied, QStringList{QStringLiteral("entry 2")});

    // The list shrank after the menu opened: an index past its end copies nothing.
    m_history.clear();
    m_history.add(QStringLiteral("only"));
    entries[2]->trigger();
    entries[0]->trigger();
    EXPECT_EQ(m_copied, (QStringList{QStringLiteral("entry 2"), QStringLiteral("only")}));

    action(history->menu(), QStringLiteral("Clear History"))->trigger();
    EXPECT_TRUE(m_history.items().isEmpty());

    // Titles from data show ampersands literally instead of as mnemonics.
    m_history.add(QStringLiteral("Tom & Jerry"));
    m_models = {m_dir.filePath(QStringLiteral("R&D.bin"))};
    openMenu(item);
    history = action(item.menu(), QStringLiteral("History"));
    EXPECT_TRUE(history->menu()->actions()[0]->text().endsWith(QStringLiteral(": Tom && Jerry")));
    QAction *model = action(item.menu(), QStringLiteral("Model: Base (English)"));
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(describe(model->menu()), QStringList{QStringLiteral("R&&D")});
}

// A missing directory is HistoryPageTest's (the same function behind the History tab).
TEST(SaveExportTest, ReplacesALongerFileWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.txt"));
    test::writeFile(path, "previous contents that are longer than the export");
    const QByteArray data("a,b\n1,2\n");
    EXPECT_TRUE(saveExport(path, data));
    EXPECT_EQ(test::fileBytes(path), data);
}

} // namespace
