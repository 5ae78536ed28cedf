// The Output tab over fakes: output modes, the history count, the replacement rules and their
// sheet, and the one formatting reference window.
#include "PageFixture.h"
#include "Printers.h"
#include "ui/ExperimentalFeatureToggle.h"
#include "ui/settings/CommandCompletionField.h"
#include "ui/settings/FormattingReferenceWindow.h"
#include "ui/settings/OutputPage.h"
#include "ui/settings/ReplacementRuleRow.h"
#include "ui/settings/RuleEditDialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

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

TEST_F(OutputPageTest, FormattingHelpKeepsOneReferenceWindow)
{
    RuleEditDialog *sheet = page->openAddSheet();
    sheet->helpButton()->click();
    FormattingReferenceWindow *window = page->formattingReference().window();
    ASSERT_TRUE(window);
    window->close();
    sheet->helpButton()->click();
    EXPECT_EQ(page->formattingReference().window(), window);
    EXPECT_TRUE(window->isVisible());
    sheet->close();
}

} // namespace
