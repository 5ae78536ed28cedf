// TextReplacementRule: backslash-command expansion, the example list, the stored form and the
// textReplacementRules setting of SettingsModel.
#include "MemoryKeyValueStore.h"
#include "core/SettingsModel.h"
#include "core/TextReplacementRule.h"

#include <gtest/gtest.h>

using namespace parlix;
using parlix::test::MemoryKeyValueStore;

namespace {

struct ExpansionCase {
    const char *replacement;
    const char *expected;
};

// Prefix order, combinations and text that is not a command.
TEST(ExpansionTest, ExpandsCommands)
{
    const ExpansionCase cases[] = {
        {"\\n\\num", "\n1. "},           // longer command before its prefix
        {"\\numbered", "1. bered"},       // no word-boundary test
        {"\\tab", "\tab"},                // "\t" then the letters
        {"\\code\\codeblock", "````"},
        {"\\emdash\\endash\\ellipsis\\degree", "\u2014\u2013\u2026\u00B0"},
        {"\\\\n", "\\\n"},                // two backslashes: one stays, "\n" expands
        {"\\x", "\\x"},                   // unknown command
        {"end\\", "end\\"},               // lone trailing backslash
    };
    for (const ExpansionCase &c : cases) {
        SCOPED_TRACE(c.replacement);
        const TextReplacementRule rule(QStringLiteral("x"), QString::fromUtf8(c.replacement), true);
        EXPECT_EQ(rule.processedReplacement().toStdString(), std::string(c.expected));
        EXPECT_EQ(rule.replacement, QString::fromUtf8(c.replacement)) << "the stored text never changes";
    }
}

TEST(TextReplacementRuleStoredForm, WritesCompactArrayWithUpperCaseIds)
{
    const QUuid id = QUuid::fromString(QStringLiteral("3f2504e0-4f89-41d3-9a0c-0305e82c3301"));
    const auto bytes = TextReplacementRule::encode({TextReplacementRule(id, QStringLiteral("say \"hi\""), QStringLiteral("\\n"), true),
                                                    TextReplacementRule(id, QString(), QString(), false)});
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->toStdString(),
              R"([{"id":"3F2504E0-4F89-41D3-9A0C-0305E82C3301","trigger":"say \"hi\"","replacement":"\\n","isEnabled":true},)"
              R"({"id":"3F2504E0-4F89-41D3-9A0C-0305E82C3301","trigger":"","replacement":"","isEnabled":false}])");
    EXPECT_EQ(TextReplacementRule::encode({})->toStdString(), "[]");
}

struct DecodeCase {
    const char *name;
    const char *json;
    int rules; // -1: decoding fails
};

#define RULE_ID "\"id\":\"3F2504E0-4F89-41D3-9A0C-0305E82C3301\""
TEST(DecodeTest, AcceptsOnlyCompleteWellTypedDocuments)
{
    const DecodeCase cases[] = {
        {"Empty", "[]", 0},
        {"Complete", "[{" RULE_ID ",\"trigger\":\"a\",\"replacement\":\"b\",\"isEnabled\":true}]", 1},
        {"LowerCaseId", "[{\"id\":\"3f2504e0-4f89-41d3-9a0c-0305e82c3301\",\"trigger\":\"a\",\"replacement\":\"b\",\"isEnabled\":false}]", 1},
        {"MissingIsEnabled", "[{" RULE_ID ",\"trigger\":\"a\",\"replacement\":\"b\"}]", -1},
        {"OneBadObjectFailsAll", "[{" RULE_ID ",\"trigger\":\"a\",\"replacement\":\"b\",\"isEnabled\":true},{" RULE_ID ",\"trigger\":\"a\",\"replacement\":\"b\"}]", -1},
        {"MissingId", "[{\"trigger\":\"a\",\"replacement\":\"b\",\"isEnabled\":true}]", -1},
        {"IdNotUuid", "[{\"id\":\"not-a-uuid\",\"trigger\":\"a\",\"replacement\":\"b\",\"isEnabled\":true}]", -1},
        {"NotJson", "period", -1},
    };
    for (const DecodeCase &param : cases) {
        SCOPED_TRACE(param.name);
        const auto rules = TextReplacementRule::decode(QByteArray(param.json));
        if (param.rules < 0) {
            EXPECT_FALSE(rules.has_value());
        } else {
            ASSERT_TRUE(rules.has_value());
            EXPECT_EQ(rules->size(), param.rules);
        }
    }
}

// The setting in SettingsModel.

const QString kKey = QStringLiteral("textReplacementRules");

QList<TextReplacementRule> someRules()
{
    return {TextReplacementRule(QStringLiteral("period"), QStringLiteral("."), true),
            TextReplacementRule(QStringLiteral("bold"), QStringLiteral("\\bold"), false)};
}

struct LoadCase {
    const char *name;
    std::function<void(MemoryKeyValueStore &)> prepare;
    bool expectExamples;
};

TEST(RulesSettingLoadTest, FallsBackToExamplesWithoutWritingBack)
{
    const LoadCase cases[] = {
        {"Absent", [](MemoryKeyValueStore &) {}, true},
        {"Valid", [](MemoryKeyValueStore &s) { s.setData(kKey, *TextReplacementRule::encode(someRules())); }, false},
        {"Undecodable", [](MemoryKeyValueStore &s) { s.setData(kKey, "[{\"trigger\":\"a\"}]"); }, true},
        {"HeldAsText", [](MemoryKeyValueStore &s) { s.setString(kKey, QString::fromLatin1(*TextReplacementRule::encode(someRules()))); }, true},
    };
    for (const LoadCase &param : cases) {
        SCOPED_TRACE(param.name);
        MemoryKeyValueStore store;
        param.prepare(store);
        const auto before = store.values;
        store.writes.clear();
        SettingsModel settings(store);
        if (param.expectExamples)
            EXPECT_EQ(settings.textReplacementRules(), TextReplacementRule::examples());
        else
            EXPECT_EQ(settings.textReplacementRules().size(), 2);
        EXPECT_FALSE(store.writes.contains(QStringLiteral("set ") + kKey));
        EXPECT_EQ(store.values.value(kKey), before.value(kKey)) << "stored bytes stay as they are";
    }
}

TEST(RulesSetting, UnencodableListKeepsThePreviousStoredValue)
{
    MemoryKeyValueStore store;
    SettingsModel settings(store);
    settings.setTextReplacementRules(someRules());
    const auto stored = store.data(kKey);

    QList<TextReplacementRule> broken = someRules();
    broken[0].trigger = QString(QChar(0xDC00));
    int notifications = 0;
    QObject::connect(&settings, &SettingsModel::changed, [&] { ++notifications; });
    settings.setTextReplacementRules(broken);

    EXPECT_EQ(notifications, 1);
    EXPECT_EQ(settings.textReplacementRules(), broken);
    EXPECT_EQ(store.data(kKey), stored);
}

} // namespace
