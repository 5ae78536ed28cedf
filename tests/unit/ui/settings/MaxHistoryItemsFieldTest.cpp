// The history size field: what typing, Return and the stepper store and show.
#include "Printers.h"
#include "ui/settings/MaxHistoryItemsField.h"

#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

#include <functional>

using namespace parlix::ui;

namespace {

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

} // namespace
