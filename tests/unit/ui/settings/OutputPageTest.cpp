// The Output tab over fakes: output modes, the history count and its size field (what typing,
// Return and the stepper store and show), the replacement rules and their sheet, the command
// list of the sheet's replacement field (what typing offers, what the keys do with the list
// open and closed). (The one formatting reference window: SettingsScreenshotsTest.)
#include "PageFixture.h"
#include "Printers.h"
#include "ui/ExperimentalFeatureToggle.h"
#include "ui/settings/CommandCompletionField.h"
#include "ui/settings/OutputPage.h"
#include "ui/settings/ReplacementRuleRow.h"
#include "ui/settings/RuleEditDialog.h"
#include "ui/settings/MaxHistoryItemsField.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QTreeView>
#include <gtest/gtest.h>

#include <functional>

using namespace parlix;
using namespace parlix::test;
using namespace parlix::ui;

namespace {

class OutputPageTest : public PageFixture {
protected:
    void SetUp() override
    {
        settings.setTextReplacementRules({first, second});
        page = std::make_unique<OutputPage>(services());
        page->show();
    }

    QStringList storedRules() const
    {
        QStringList out;
        for (const TextReplacementRule &r : settings.textReplacementRules())
            out << QStringLiteral("%1=%2%3").arg(r.trigger, r.replacement, r.isEnabled ? "" : " (off)");
        return out;
    }

    const TextReplacementRule first{QStringLiteral("new line"), QStringLiteral("\\n"), true};
    const TextReplacementRule second{QStringLiteral("tab"), QStringLiteral("\\t"), false};
    std::unique_ptr<OutputPage> page;
};

TEST_F(OutputPageTest, EachOutputModeButtonStoresItsModeAndTheHistoryCountFollowsTheStore)
{
    for (OutputMode mode : {OutputMode::pasteAndCopy, OutputMode::copyOnly, OutputMode::historyOnly, OutputMode::pasteOnly}) {
        page->outputModeButton(mode)->click();
        EXPECT_EQ(rawValue(settings.outputMode()), rawValue(mode));
    }
    settings.setOutputMode(OutputMode::copyOnly);
    EXPECT_TRUE(page->outputModeButton(OutputMode::copyOnly)->isChecked());

    // The history count below them follows the store.
    EXPECT_EQ(page->historyCount()->text(), QStringLiteral("0 items in history"));
    history.add(QStringLiteral("one"));
    history.add(QStringLiteral("two"));
    EXPECT_EQ(page->historyCount()->text(), QStringLiteral("2 items in history"));
}

struct EditorCase {
    const char *name;
    bool experimental;
    bool replacement;
    bool toggleShown;
    bool editorShown;
};

TEST_F(OutputPageTest, TheRuleEditorShowsOnlyWithBothSwitchesOn)
{
    const QList<EditorCase> cases{
        {"both on", true, true, true, true},
        {"replacement off: only the switch", true, false, true, false},
        {"experimental off: nothing", false, true, false, false},
    };
    for (const EditorCase &c : cases) {
        SCOPED_TRACE(c.name);
        settings.setExperimentalFeaturesEnabled(c.experimental);
        settings.setTextReplacementEnabled(c.replacement);
        EXPECT_EQ(page->replacementToggle()->isVisible(), c.toggleShown);
        EXPECT_EQ(page->ruleEditor()->isVisible(), c.editorShown);
    }
    settings.setExperimentalFeaturesEnabled(true);
    page->replacementToggle()->toggle()->click();
    EXPECT_FALSE(settings.textReplacementEnabled());
}

TEST(ReplacementRuleRowTest, LineBreaksAndTabsShowAsSymbolsButLongerCommandsStay)
{
    const QList<std::pair<QString, QString>> cases{
        {QStringLiteral("\\n\\n"), QStringLiteral("↵↵")},
        {QStringLiteral("\\n\\num"), QStringLiteral("↵\\num")},
        {QStringLiteral("\\trademark\\t"), QStringLiteral("\\trademark⇥")},
        {QStringLiteral("\\\\"), QStringLiteral("\\\\")},
    };
    for (const auto &[stored, shown] : cases)
        EXPECT_EQ(ReplacementRuleRow::shownReplacement(stored), shown) << stored.toStdString();
}

TEST_F(OutputPageTest, RowsShowTheRulesAndToggleOrDeleteOnlyTheirOwn)
{
    QList<ReplacementRuleRow *> rows = page->ruleRows();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0]->triggerLabel()->text(), QStringLiteral("new line"));
    EXPECT_EQ(rows[0]->replacementLabel()->text(), QStringLiteral("↵"));
    EXPECT_EQ(rows[1]->replacementLabel()->text(), QStringLiteral("⇥"));

    rows[1]->toggleButton()->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(storedRules(), (QStringList{"new line=\\n", "tab=\\t"}));

    page->ruleRows()[0]->deleteButton()->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(storedRules(), QStringList{"tab=\\t"});
    EXPECT_TRUE(store.values.contains(QStringLiteral("textReplacementRules")));
    ASSERT_EQ(page->ruleRows().size(), 1);
}

struct SheetCase {
    const char *name;
    QString trigger;
    QString replacement;
    bool canSave;
    QStringList stored;
};

TEST_F(OutputPageTest, TheAddSheetStoresOnlyARuleWithAPhrase)
{
    const QList<SheetCase> cases{
        {"blank phrase", QStringLiteral(" \t "), QStringLiteral("x"), false, {"new line=\\n", "tab=\\t (off)"}},
        {"phrase trimmed, replacement kept", QStringLiteral("  smiley\t"), QStringLiteral(" :-) "), true,
         {"new line=\\n", "tab=\\t (off)", "smiley= :-) "}},
        {"a text that cannot be stored", QStringLiteral("broken"), QString(QChar(0xD800)), true,
         {"new line=\\n", "tab=\\t (off)"}},
    };
    for (const SheetCase &c : cases) {
        SCOPED_TRACE(c.name);
        settings.setTextReplacementRules({first, second});
        RuleEditDialog *sheet = page->openAddSheet();
        sheet->triggerField()->setText(c.trigger);
        sheet->replacementField()->setText(c.replacement);
        EXPECT_EQ(sheet->saveButton()->isEnabled(), c.canSave);
        sheet->saveButton()->click();
        EXPECT_EQ(storedRules(), c.stored);
        // A refused rule leaves the sheet open with the reason.
        const bool refused = c.canSave && c.stored.size() == 2;
        EXPECT_EQ(sheet->problem()->isVisible(), refused);
        sheet->close();
    }
}

TEST_F(OutputPageTest, TheEditSheetReplacesTheRuleKeepingItsIdAndState)
{
    page->ruleRows()[1]->editButton()->click();
    auto *sheet = page->findChild<RuleEditDialog *>();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->triggerField()->text(), QStringLiteral("tab"));
    sheet->triggerField()->setText(QStringLiteral("indent"));
    sheet->saveButton()->click();
    const QList<TextReplacementRule> rules = settings.textReplacementRules();
    ASSERT_EQ(rules.size(), 2);
    EXPECT_EQ(rules[1].id, second.id);
    EXPECT_EQ(rules[1].trigger, QStringLiteral("indent"));
    EXPECT_FALSE(rules[1].isEnabled);
}

struct FieldCase {
    const char *name;
    qint64 start;
    std::function<void(MaxHistoryItemsField &)> act;
    qint64 stored;
    const char *shown; // the field's text, or "Forever"
};

void typeAndReturn(MaxHistoryItemsField &f, const QString &text)
{
    f.field()->clear();
    f.field()->insert(text);
    emit f.field()->textEdited(f.field()->text());
    f.commitValue();
}

TEST(MaxHistoryItemsFieldTest, TypingAndSteppingReachOnlyValidSizes)
{
    const auto type = [](const char *text) {
        return [text](MaxHistoryItemsField &f) { typeAndReturn(f, QString::fromUtf8(text)); };
    };
    const auto up = [](MaxHistoryItemsField &f) { f.increment(); };
    const auto down = [](MaxHistoryItemsField &f) { f.decrement(); };
    const QList<FieldCase> cases{
        {"20 becomes the minimum", 100, type("20"), 50, "50"},
        {"5000 becomes the maximum", 100, type("5000"), 1000, "1000"},
        {"an empty field shows the value again", 300, type(""), 300, "300"},
        {"letters are dropped as they are typed", 100, type("2a5b0"), 250, "250"},
        {"other scripts' digits are no number", 100, type("٣٠٠"), 100, "٣٠٠"},
        {"an overflow is no number", 100, type("99999999999999999999"), 100, "99999999999999999999"},
        {"up from a typed value", 75, up, 125, "125"},
        {"up past 1000 keeps forever", 1000, up, 0, "Forever"},
        {"up from forever does nothing", 0, up, 0, "Forever"},
        {"down from forever is 1000", 0, down, 1000, "1000"},
        {"down stays at 50", 50, down, 50, "50"},
        {"down from 60 stops at 50", 60, down, 50, "50"},
    };
    for (const FieldCase &c : cases) {
        SCOPED_TRACE(c.name);
        qint64 value = c.start;
        MaxHistoryItemsField field([&value] { return value; }, [&value](qint64 v) { value = v; });
        field.show();
        c.act(field);
        EXPECT_EQ(value, c.stored);
        const QString shown = field.isForever() ? field.foreverLabel()->text() : field.field()->text();
        EXPECT_EQ(shown, QString::fromUtf8(c.shown));
        EXPECT_EQ(field.field()->isVisible(), !field.isForever());
    }
}

struct CompletionCase {
    const char *name;
    QString typed;
    QList<int> keys;
    QStringList offered; // while the list is open, before the keys
    bool openAfter;
    QString textAfter;
    QString selectedAfter;
    int returnsPassedOn;
};

class CommandCompletionFieldTest : public PageFixture {};

TEST_F(CommandCompletionFieldTest, KeysMoveInsertAndClose)
{
    QStringList all;
    for (const CompletionCommand &c : completionCommands())
        all << QString::fromUtf8(c.command);
    ASSERT_GT(all.size(), 3);

    const QList<CompletionCase> cases{
        {"a backslash offers everything, first selected", "\\", {}, all, true, "\\", "\\n", 0},
        {"Down then Return inserts", "\\ch", {Qt::Key_Down, Qt::Key_Return}, {"\\checkbox", "\\checked"}, false, "\\checked", "", 0},
        {"no match, no list", "\\box", {}, {}, false, "\\box", "", 0},
        {"Up at the first entry stays", "\\ch", {Qt::Key_Up}, {"\\checkbox", "\\checked"}, true, "\\ch", "\\checkbox", 0},
        {"Tab inserts and keeps the text before", "say \\bu", {Qt::Key_Tab}, {"\\bullet"}, false, "say \\bullet", "", 0},
        {"Escape closes and changes nothing", "\\h", {Qt::Key_Escape}, {"\\h1", "\\h2", "\\h3"}, false, "\\h", "", 0},
        {"without a list Return reaches the field", "plain", {Qt::Key_Return}, {}, false, "plain", "", 1},
    };
    CommandCompletionField field;
    field.show();
    field.activateWindow();
    field.setFocus();
    // The window becomes active through the event loop.
    for (int i = 0; i < 100 && !field.hasFocus(); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    int returns = 0;
    QObject::connect(&field, &QLineEdit::returnPressed, [&returns] { ++returns; });
    for (const CompletionCase &c : cases) {
        SCOPED_TRACE(c.name);
        field.clear();
        returns = 0;
        ASSERT_FALSE(field.isPopupShown());
        ASSERT_TRUE(field.hasFocus());
        for (const QChar ch : c.typed)
            press(&field, 0, Qt::NoModifier, QString(ch));
        EXPECT_EQ(field.isPopupShown(), !c.offered.isEmpty());
        if (!c.offered.isEmpty())
            EXPECT_EQ(field.offeredCommands(), c.offered);
        for (int key : c.keys)
            press(&field, key);
        EXPECT_EQ(field.isPopupShown(), c.openAfter);
        EXPECT_EQ(field.text(), c.textAfter);
        if (c.openAfter)
            EXPECT_EQ(field.selectedCommand(), c.selectedAfter);
        EXPECT_EQ(returns, c.returnsPassedOn);
        if (field.isPopupShown())
            press(&field, Qt::Key_Escape);
    }
}

} // namespace
