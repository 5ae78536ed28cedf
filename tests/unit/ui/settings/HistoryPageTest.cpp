// The History tab over a history in a temporary directory with a fixed clock and locale: the
// search, the counts, copying, deleting and clearing through the store, and the export.
#include "../../history/HistoryTestSupport.h"
#include "Files.h"
#include "PageFixture.h"
#include "ui/settings/HistoryPage.h"
#include "ui/settings/history/HistoryEmptyState.h"
#include "ui/settings/history/HistoryFilterModel.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>

using namespace parlix;
using namespace parlix::test;
using namespace parlix::ui;

namespace {

class HistoryPageTest : public PageFixture {
protected:
    void SetUp() override
    {
        fill();
        SettingsPageServices pages = services();
        pages.history = [this]() -> HistoryStore & { return fixed; };
        pages.copyToClipboard = [this](const QString &text) { clipboard = text; };
        page = std::make_unique<HistoryPage>(pages);
        page->resize(600, 500);
        page->show();
    }

    // Three records, stored oldest first, so listed newest first: meeting, call, milk.
    void fill()
    {
        fixed.clear();
        addAt("2025-03-04T20:01:02Z", QStringLiteral("Buy milk tomorrow"), QStringLiteral("buy milk tomorrow period"),
              QStringLiteral("Base (English)"));
        addAt("2025-03-05T09:00:00Z", QStringLiteral("Call Alice"), std::nullopt, std::nullopt);
        addAt("2025-03-06T10:00:00Z", QStringLiteral("Meeting notes"), QStringLiteral("Meeting notes"), QStringLiteral("Tiny"));
    }

    void addAt(const char *when, const QString &text, std::optional<QString> original, std::optional<QString> model)
    {
        *dates.now = utc(when);
        fixed.add(text, original, model);
    }

    void select(std::initializer_list<int> rows)
    {
        for (int row : rows)
            page->list()->selectionModel()->select(page->filter()->index(row, 0), QItemSelectionModel::Select);
    }

    QStringList listed() const
    {
        QStringList texts;
        for (int row = 0; row < page->filter()->rowCount(); ++row)
            texts << page->filter()->index(row, 0).data().toString();
        return texts;
    }

    FixedDates dates{"2025-03-10T12:00:00Z"};
    HistoryStore fixed{settings, dir.filePath(QStringLiteral("fixed.json")), dates.context};
    QString clipboard;
    std::unique_ptr<HistoryPage> page;
};

struct SearchCase {
    const char *search;
    QStringList listed;
    const char *count;
};

TEST_F(HistoryPageTest, SearchMatchesTextLocalDateAndModelButNotTheOriginal)
{
    const QList<SearchCase> cases{
        {"", {"Meeting notes", "Call Alice", "Buy milk tomorrow"}, "3 of 3 items"},
        {"MILK", {"Buy milk tomorrow"}, "1 of 3 items"},
        {"3/5/25", {"Call Alice"}, "1 of 3 items"},
        {"base (eng", {"Buy milk tomorrow"}, "1 of 3 items"},
        {"period", {}, "0 of 3 items"},
    };
    for (const SearchCase &c : cases) {
        page->searchField()->setText(QString::fromUtf8(c.search));
        EXPECT_EQ(listed(), c.listed) << c.search;
        EXPECT_EQ(page->countLabel()->text(), QLatin1String(c.count)) << c.search;
        EXPECT_EQ(page->list()->isVisible(), !c.listed.isEmpty()) << c.search;
    }
    EXPECT_EQ(page->emptyState()->title()->text(), QStringLiteral("No results found"));
}

TEST_F(HistoryPageTest, CopySelectedTakesStoreOrderTheShownTextAndClearsTheSelection)
{
    // From the search field, Down moves onto the first row found and Ctrl+C copies it.
    page->searchField()->setText(QStringLiteral("alice"));
    QTest::keyClick(page->searchField(), Qt::Key_Down);
    QTest::keyClick(page->list(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard, QStringLiteral("Call Alice"));
    page->searchField()->clear();

    select({1, 2});
    EXPECT_EQ(page->countLabel()->text(), QStringLiteral("Selected 2 of 3"));
    EXPECT_TRUE(page->copyButton()->isVisible());
    EXPECT_TRUE(page->deleteButton()->isVisible());
    // The milk record switched to the engine's text from its context menu.
    QMenu *menu = page->contextMenuFor(page->filter()->index(2, 0));
    for (QAction *action : menu->actions())
        if (action->text() == QStringLiteral("Show Original"))
            action->trigger();

    page->copyButton()->click();

    EXPECT_EQ(clipboard, QStringLiteral("Call Alice\n\nbuy milk tomorrow period"));
    EXPECT_EQ(page->countLabel()->text(), QStringLiteral("3 of 3 items"));
    EXPECT_FALSE(page->copyButton()->isVisible());
}

struct DeleteCase {
    const char *name;
    std::function<void()> ask;
    const char *title;
    const char *answer;
    QStringList left;
};

TEST_F(HistoryPageTest, DeletingAsksOnceAndTheStoreSavesOnce)
{
    const QList<DeleteCase> cases{
        {"two selected, Delete key", [this] { select({0, 2}); QTest::keyClick(page->list(), Qt::Key_Delete); },
         "Delete 2 items?", "Delete", {"Call Alice"}},
        {"cancelled", [this] { select({1}); page->deleteButton()->click(); },
         "Delete 1 item?", "Cancel", {"Meeting notes", "Call Alice", "Buy milk tomorrow"}},
        {"Clear All while a search shows one", [this] { page->searchField()->setText(QStringLiteral("milk")); page->clearAllButton()->click(); },
         "Delete 3 items?", "Delete", {}},
    };
    for (const DeleteCase &c : cases) {
        fill();
        QSignalSpy saves(&fixed, &HistoryStore::itemsChanged);
        c.ask();
        ASSERT_TRUE(page->confirmation()) << c.name;
        EXPECT_EQ(page->confirmation()->text(), QLatin1String(c.title)) << c.name;
        for (QAbstractButton *b : page->confirmation()->buttons())
            if (b->text().remove(u'&') == QLatin1String(c.answer))
                b->click();
        QCoreApplication::processEvents();

        EXPECT_EQ(saves.size(), c.left.size() == 3 ? 0 : 1) << c.name;
        EXPECT_TRUE(page->selectedIds().isEmpty()) << c.name;
        page->searchField()->clear();
        EXPECT_EQ(listed(), c.left) << c.name;
        HistoryStore reread(settings, fixed.historyFilePath(), dates.context);
        EXPECT_EQ(reread.items().size(), c.left.size()) << c.name;
    }
}

TEST_F(HistoryPageTest, TheListFollowsTheStoreAndKeepsTheSelection)
{
    select({1});
    addAt("2025-03-10T11:00:00Z", QStringLiteral("Just now"), std::nullopt, std::nullopt);
    EXPECT_EQ(listed().first(), QStringLiteral("Just now"));
    EXPECT_EQ(page->countLabel()->text(), QStringLiteral("Selected 1 of 4"));
    // The context menu's Delete removes at once, without asking.
    QMenu *menu = page->contextMenuFor(page->filter()->index(0, 0));
    menu->actions().last()->trigger();
    EXPECT_FALSE(page->confirmation());
    EXPECT_EQ(listed(), (QStringList{"Meeting notes", "Call Alice", "Buy milk tomorrow"}));
    EXPECT_EQ(page->countLabel()->text(), QStringLiteral("Selected 1 of 3"));
}

TEST_F(HistoryPageTest, ExportWritesTheFileOrSaysWhyNot)
{
    const QString good = dir.filePath(QStringLiteral("out.txt"));
    EXPECT_TRUE(page->exportTo(good));
    EXPECT_EQ(fileBytes(good), fixed.exportAs(ExportFormat::txt));

    const QString bad = dir.filePath(QStringLiteral("missing/out.txt"));
    EXPECT_FALSE(page->exportTo(bad));
    EXPECT_TRUE(page->exportStatus()->isVisibleTo(page.get()));
    EXPECT_TRUE(page->exportStatus()->text().startsWith(QStringLiteral("Could not export to ") + bad))
        << page->exportStatus()->text().toStdString();
}

TEST_F(HistoryPageTest, AnEmptyHistoryShowsTheClockAndDisablesExportAndClear)
{
    fixed.clear();
    EXPECT_EQ(page->emptyState()->title()->text(), QStringLiteral("No history yet"));
    EXPECT_EQ(page->countLabel()->text(), QStringLiteral("0 of 0 items"));
    EXPECT_FALSE(page->exportButton()->isEnabled());
    EXPECT_FALSE(page->clearAllButton()->isEnabled());
}

} // namespace
