// TextReplacementRule: backslash-command expansion, the example list, the stored form and the
// textReplacementRules setting of SettingsModel.
#include "MemoryKeyValueStore.h"
#include "core/SettingsModel.h"
#include "core/TextReplacementRule.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <gtest/gtest.h>

using namespace parlix;
using parlix::test::MemoryKeyValueStore;

namespace {

struct ExpansionCase {
    const char *replacement;
    const char *expected;
};

class ExpansionTest : public ::testing::TestWithParam<ExpansionCase> {};

TEST_P(ExpansionTest, ExpandsCommands)
{
    const TextReplacementRule rule(QStringLiteral("x"), QString::fromUtf8(GetParam().replacement), true);
    EXPECT_EQ(rule.processedReplacement().toStdString(), std::string(GetParam().expected));
    EXPECT_EQ(rule.replacement, QString::fromUtf8(GetParam().replacement)) << "the stored text never changes";
}

// Prefix order, combinations and text that is not a command.
INSTANTIATE_TEST_SUITE_P(Commands, ExpansionTest, ::testing::Values(
    ExpansionCase{"\\n\\num", "\n1. "},           // longer command before its prefix
    ExpansionCase{"\\numbered", "1. bered"},       // no word-boundary test
    ExpansionCase{"\\tab", "\tab"},                // "\t" then the letters
    ExpansionCase{"\\nope", "\nope"},
    ExpansionCase{"\\code\\codeblock", "````"},
    ExpansionCase{"\\emdash\\endash\\ellipsis\\degree", "\u2014\u2013\u2026\u00B0"},
    ExpansionCase{"\\\\n", "\\\n"},                // two backslashes: one stays, "\n" expands
    ExpansionCase{"\\Bold", "\\Bold"},             // commands are case-sensitive
    ExpansionCase{"\\x", "\\x"},                   // unknown command
    ExpansionCase{"end\\", "end\\"},               // lone trailing backslash
    ExpansionCase{"", ""},
    ExpansionCase{"plain text", "plain text"}));

TEST(TextReplacementRuleExamples, ListInOrderAllDisabledWithDistinctStableIds)
{
    const auto &examples = TextReplacementRule::examples();
    ASSERT_EQ(examples.size(), 34);
    QSet<QUuid> ids;
    for (const auto &rule : examples) {
        EXPECT_FALSE(rule.isEnabled) << rule.trigger.toStdString();
        EXPECT_FALSE(rule.id.isNull());
        ids.insert(rule.id);
    }
    EXPECT_EQ(ids.size(), 34);
    EXPECT_EQ(TextReplacementRule::examples(), examples) << "built once: the same ids on every use";

    // What each example expands to is the expansion table's; two stand for the list's order.
    EXPECT_EQ(examples[0].processedReplacement(), QStringLiteral("\n\n"));
    EXPECT_EQ(examples[32].trigger, QStringLiteral("my email"));
    EXPECT_TRUE(examples[32].replacement.endsWith(QStringLiteral("@example.com")));
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

TEST(TextReplacementRuleStoredForm, RoundTripKeepsEveryField)
{
    QList<TextReplacementRule> rules = TextReplacementRule::examples();
    rules.append(TextReplacementRule(QStringLiteral("Grüße \U0001F600"), QStringLiteral("tab\there \"q\" \\x /"), true));
    rules.append(TextReplacementRule(QStringLiteral("line\nbreak"), QString(), false));
    const auto bytes = TextReplacementRule::encode(rules);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(TextReplacementRule::decode(*bytes), rules);
}

TEST(TextReplacementRuleStoredForm, UnpairedSurrogateCannotBeEncoded)
{
    const QString broken = QStringLiteral("a") + QChar(0xD800);
    EXPECT_FALSE(TextReplacementRule::encode({TextReplacementRule(broken, QStringLiteral("x"), true)}));
    EXPECT_FALSE(TextReplacementRule::encode({TextReplacementRule(QStringLiteral("x"), broken, true)}));
}

struct DecodeCase {
    const char *name;
    const char *json;
    int rules; // -1: decoding fails
};

class DecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, AcceptsOnlyCompleteWellTypedDocuments)
{
    const auto rules = TextReplacementRule::decode(QByteArray(GetParam().json));
    if (GetParam().rules < 0) {
        EXPECT_FALSE(rules.has_value());
    } else {
        ASSERT_TRUE(rules.has_value());
        EXPECT_EQ(rules->size(), GetParam().rules);
    }
}

#define RULE_ID "\"id\":\"3F2504E0-4F89-41D3-9A0C-0305E82C3301\""
INSTANTIATE_TEST_SUITE_P(Documents, DecodeTest, ::testing::Values(
    DecodeCase{"Empty", "[]", 0},
    DecodeCase{"Complete", "[{" RULE_ID ",\"trigger\":\"a\",\"replacement\":\"b\",\"isEnabled\":true}]", 1},
    DecodeCase{"LowerCaseId", "[{\"id\":\"3f2504e0-4f89-41d3-9a0c-0305e82c3301\",\"trigger\":\"a\",\"replacement\":\"b\",\"isEnabled\":false}]", 1},
    DecodeCase{"ExtraKeysIgnored", "[{" RULE_ID ",\"trigger\":\"a\",\"replacement\":\"b\",\"isEnabled\":true,\"note\":1}]", 1},
    DecodeCase{"MissingIsEnabled", "[{" RULE_ID ",\"trigger\":\"a\",\"replacement\":\"b\"}]", -1},
    DecodeCase{"OneBadObjectFailsAll", "[{" RULE_ID ",\"trigger\":\"a\",\"replacement\":\"b\",\"isEnabled\":true},{" RULE_ID ",\"trigger\":\"a\",\"replacement\":\"b\"}]", -1},
    DecodeCase{"MissingId", "[{\"trigger\":\"a\",\"replacement\":\"b\",\"isEnabled\":true}]", -1},
    DecodeCase{"ReplacementNull", "[{" RULE_ID ",\"trigger\":\"a\",\"replacement\":null,\"isEnabled\":true}]", -1},
    DecodeCase{"IdNotUuid", "[{\"id\":\"not-a-uuid\",\"trigger\":\"a\",\"replacement\":\"b\",\"isEnabled\":true}]", -1},
    DecodeCase{"IdInBraces", "[{\"id\":\"{3F2504E0-4F89-41D3-9A0C-0305E82C3301}\",\"trigger\":\"a\",\"replacement\":\"b\",\"isEnabled\":true}]", -1},
    DecodeCase{"ElementNotObject", "[1]", -1},
    DecodeCase{"TopLevelObject", "{" RULE_ID ",\"trigger\":\"a\",\"replacement\":\"b\",\"isEnabled\":true}", -1},
    DecodeCase{"NotJson", "period", -1}),
    [](const auto &info) { return std::string(info.param.name); });

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

class RulesSettingLoadTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(RulesSettingLoadTest, FallsBackToExamplesWithoutWritingBack)
{
    MemoryKeyValueStore store;
    GetParam().prepare(store);
    const auto before = store.values;
    store.writes.clear();
    SettingsModel settings(store);
    if (GetParam().expectExamples)
        EXPECT_EQ(settings.textReplacementRules(), TextReplacementRule::examples());
    else
        EXPECT_EQ(settings.textReplacementRules().size(), 2);
    EXPECT_FALSE(store.writes.contains(QStringLiteral("set ") + kKey));
    EXPECT_EQ(store.values.value(kKey), before.value(kKey)) << "stored bytes stay as they are";
}

INSTANTIATE_TEST_SUITE_P(Stored, RulesSettingLoadTest, ::testing::Values(
    LoadCase{"Absent", [](MemoryKeyValueStore &) {}, true},
    LoadCase{"Valid", [](MemoryKeyValueStore &s) { s.setData(kKey, *TextReplacementRule::encode(someRules())); }, false},
    LoadCase{"Undecodable", [](MemoryKeyValueStore &s) { s.setData(kKey, "[{\"trigger\":\"a\"}]"); }, true},
    LoadCase{"HeldAsText", [](MemoryKeyValueStore &s) { s.setString(kKey, QString::fromLatin1(*TextReplacementRule::encode(someRules()))); }, true}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(RulesSetting, NotifiesThenStoresTheWholeList)
{
    MemoryKeyValueStore store;
    SettingsModel settings(store);
    const auto rules = someRules();
    std::optional<QVariant> storedWhenNotified = QVariant(QStringLiteral("not called"));
    QList<TextReplacementRule> readableWhenNotified;
    QObject::connect(&settings, &SettingsModel::changed, [&](const QString &key) {
        EXPECT_EQ(key, kKey);
        storedWhenNotified = store.object(kKey);
        readableWhenNotified = settings.textReplacementRules();
    });

    settings.setTextReplacementRules(rules);

    EXPECT_FALSE(storedWhenNotified.has_value()) << "observers hear of the change before it is stored";
    EXPECT_EQ(readableWhenNotified, rules);
    EXPECT_EQ(store.data(kKey), TextReplacementRule::encode(rules));
    EXPECT_EQ(SettingsModel(store).textReplacementRules(), rules) << "a new model reads the list back";
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
