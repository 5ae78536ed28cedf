// The replacement text field's command list: what typing offers, and what the keys do with the
// list open and closed.
#include "PageFixture.h"
#include "Printers.h"
#include "ui/settings/CommandCompletionField.h"

#include <QTreeView>

using namespace parlix;
using namespace parlix::test;
using namespace parlix::ui;

namespace {

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
