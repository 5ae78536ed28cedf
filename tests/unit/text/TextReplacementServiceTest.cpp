// TextReplacementService: the three rule groups, the absorption of the recogniser's spacing and
// punctuation, replacement templates, the final tidy-up and the two switches.
#include "CategoryLog.h"
#include "core/Categories.h"
#include "MemoryKeyValueStore.h"
#include "core/SettingsModel.h"
#include "text/TextReplacementService.h"

#include <QLoggingCategory>
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

using namespace parlix;
using parlix::test::MemoryKeyValueStore;

namespace {

// The example rules with the ones whose triggers are listed switched on.
QList<TextReplacementRule> examplesEnabled(const std::vector<std::string> &triggers)
{
    QList<TextReplacementRule> rules = TextReplacementRule::examples();
    for (const auto &trigger : triggers) {
        bool found = false;
        for (auto &rule : rules) {
            if (rule.trigger.toStdString() == trigger) {
                rule.isEnabled = true;
                found = true;
            }
        }
        EXPECT_TRUE(found) << "no example rule " << trigger;
    }
    return rules;
}

struct Rule {
    const char *trigger;
    const char *replacement;
};

QList<TextReplacementRule> customRules(std::initializer_list<Rule> rules)
{
    QList<TextReplacementRule> list;
    for (const auto &r : rules)
        list.append(TextReplacementRule(QString::fromUtf8(r.trigger), QString::fromUtf8(r.replacement), true));
    return list;
}

class Engine {
public:
    explicit Engine(const QList<TextReplacementRule> &rules, bool experimental = true, bool replacement = true)
        : settings(store), service(settings)
    {
        settings.setTextReplacementRules(rules);
        settings.setExperimentalFeaturesEnabled(experimental);
        settings.setTextReplacementEnabled(replacement);
    }
    std::string apply(const std::string &input) const
    {
        return service.applyReplacements(QString::fromStdString(input)).toStdString();
    }

    MemoryKeyValueStore store;
    SettingsModel settings;
    TextReplacementService service;
};

struct ExampleCase {
    const char *name;
    std::vector<std::string> enabled; // example triggers switched on
    const char *input;
    const char *expected;
};

class ExampleRulesTest : public ::testing::TestWithParam<ExampleCase> {};

TEST_P(ExampleRulesTest, Rewrites)
{
    const Engine engine(examplesEnabled(GetParam().enabled));
    EXPECT_EQ(engine.apply(GetParam().input), GetParam().expected);
}

const std::vector<std::string> kPeriodAndBold = {"period", "bold"};

INSTANTIATE_TEST_SUITE_P(PeriodAndBold, ExampleRulesTest, ::testing::Values(
    ExampleCase{"InsertionAbsorbsSpacesThenSpaceRestored", kPeriodAndBold, "hello period world", "hello. world"},
    ExampleCase{"RecognisersPunctuationAbsorbed", kPeriodAndBold, "Hello, period. World", "Hello. World"},
    ExampleCase{"ClosedSpan", kPeriodAndBold, "this is bold very important bold okay", "this is **very important** okay"},
    ExampleCase{"ClosedSpanEdgePunctuationDropped", kPeriodAndBold, "This is bold. Very important. Bold. Okay.", "This is **Very important** Okay."},
    ExampleCase{"OpenSpanToTheEnd", kPeriodAndBold, "bold this is loud", "**this is loud**"},
    ExampleCase{"TriggerCapitalised", kPeriodAndBold, "Bold words", "**words**"},
    ExampleCase{"WholeWordsOnly", kPeriodAndBold, "bolder words", "bolder words"}),
    [](const auto &info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(PairedSpans, ExampleRulesTest, ::testing::Values(
    ExampleCase{"SeveralClosedSpans", {"bold"}, "bold one bold and bold two bold", "**one** and **two**"},
    ExampleCase{"AcrossPunctuation", {"italic"}, "Italic, hello, world. Italic, done", "_hello, world_ done"},
    ExampleCase{"QuestionMarkAtEdgeStays", {"bold"}, "bold really? bold now", "**really?** now"},
    ExampleCase{"LineFeedBeforeOpeningBecomesSpace", {"bold"}, "first line\nbold word bold", "first line **word**"},
    ExampleCase{"OpenSpanOnlyOnTheLastLine", {"bold"}, "bold first\nsecond", "bold first\nsecond"},
    ExampleCase{"ClosedSpanStaysOnOneLine", {"bold"}, "bold a\nb bold", "bold a\nb bold"},
    ExampleCase{"OpenSpanOnLastLine", {"bold"}, "first\nbold second part", "first **second part**"},
    ExampleCase{"MidWordTriggerIgnored", {"bold"}, "embolden bold x bold", "embolden **x**"}),
    [](const auto &info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Insertions, ExampleRulesTest, ::testing::Values(
    ExampleCase{"NewLineWithCommas", {"new line"}, "first line, new line, second line", "first line\nsecond line"},
    ExampleCase{"NewParagraphAbsorbsFullStops", {"new paragraph"}, "Hello. New paragraph. World", "Hello\n\nWorld"},
    ExampleCase{"Bullets", {"bullet point"}, "Shopping list: bullet point milk, bullet point eggs.", "Shopping list\n\u2022 milk\n\u2022 eggs."},
    ExampleCase{"NumberedItemsTrimmedAtStart", {"numbered item"}, "numbered item first numbered item second", "1. first\n1. second"},
    ExampleCase{"Quotes", {"open quote", "close quote"}, "he said open quote hello close quote", "he said\u201Chello\u201D"},
    ExampleCase{"CodeBlock", {"code block"}, "code block x = 1 code block", "```\nx = 1\n```"}),
    [](const auto &info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(PurePunctuation, ExampleRulesTest, ::testing::Values(
    ExampleCase{"Comma", {"comma"}, "one comma two", "one, two"},
    ExampleCase{"EmDashGetsSpaceBeforeLetter", {"em dash"}, "yes em dash no", "yes\u2014 no"},
    ExampleCase{"SpaceRuleAppliesEverywhere", {"period"}, "see parlix.example.org", "see parlix. example. org"},
    ExampleCase{"OnlyBeforeAsciiLetters", {"period"}, "pi is 3.14 or \u00E9.\u00E9", "pi is 3.14 or \u00E9.\u00E9"},
    ExampleCase{"NonPunctuationNotSpaced", {"degree symbol"}, "it is 20 degree symbol today", "it is 20\u00B0today"}),
    [](const auto &info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(SimpleRules, ExampleRulesTest, ::testing::Values(
    ExampleCase{"Phone", {"my phone"}, "call My Phone today", "call (555) 123-4567 today"},
    ExampleCase{"WholeWordsOnly", {"my phone"}, "my phones", "my phones"}),
    [](const auto &info) { return std::string(info.param.name); });

// With any rule enabled, the tidy-up runs on the whole text.
INSTANTIATE_TEST_SUITE_P(Cleanup, ExampleRulesTest, ::testing::Values(
    ExampleCase{"DoubleSpaces", {"period"}, "a  b    c", "a b c"},
    ExampleCase{"SpacesAroundLineFeeds", {"period"}, "a \n  b", "a\nb"},
    ExampleCase{"AtMostTwoLineFeeds", {"period"}, "a\n\n\n\n\nb", "a\n\nb"},
    ExampleCase{"FullStopStartingALine", {"period"}, "first\n . second", "first.\nsecond"},
    ExampleCase{"DoubledPunctuation", {"period"}, "Hi,. there!? ok;; yes", "Hi, there! ok; yes"},
    ExampleCase{"TripledFullStopsOnePass", {"period"}, "wait...", "wait.."},
    ExampleCase{"SpaceBeforePunctuation", {"period"}, "hello , world !", "hello, world!"},
    ExampleCase{"PunctuationAfterMarker", {"period"}, "x **y**; z __a_. b", "x **y**z __a_b"},
    ExampleCase{"Trimmed", {"period"}, " \t\n hello \n ", "hello"},
    ExampleCase{"Empty", {"period"}, "", ""}),
    [](const auto &info) { return std::string(info.param.name); });

struct CustomCase {
    const char *name;
    std::vector<Rule> rules; // all enabled, in this order
    const char *input;
    const char *expected;
};

class CustomRulesTest : public ::testing::TestWithParam<CustomCase> {};

TEST_P(CustomRulesTest, Rewrites)
{
    QList<TextReplacementRule> rules;
    for (const auto &r : GetParam().rules)
        rules.append(customRules({r}));
    const Engine engine(rules);
    EXPECT_EQ(engine.apply(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Triggers, CustomRulesTest, ::testing::Values(
    CustomCase{"DotIsLiteral", {{"a.b", "X"}}, "a.b axb", "X axb"},
    CustomCase{"BracketsAreLiteral", {{"x[1]y", "Z"}}, "x[1]y x1y", "Z x1y"},
    CustomCase{"BackslashIsLiteral", {{"a\\db", "Z"}}, "a\\db a1b", "Z a1b"},
    CustomCase{"CaseInsensitive", {{"Node.JS", "Node.js"}}, "node.js and NODE.JS and nodexjs", "Node.js and Node.js and nodexjs"},
    CustomCase{"FullCaseFolding", {{"Stra\u00DFe", "road"}}, "the STRASSE here", "the road here"},
    CustomCase{"InsertionTriggerWithMetacharacters", {{"new.line", "\\n"}}, "a new.line b newxline c", "a\nb newxline c"},
    CustomCase{"EmptyTriggerTakesNoPart", {{"", "X"}}, "  two  words ", "  two  words "},
    CustomCase{"EmptyTriggerBesideOthers", {{"", "X"}, {"two", "2"}}, "two words", "2 words"}),
    [](const auto &info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Templates, CustomRulesTest, ::testing::Values(
    CustomCase{"WholeMatchInSimpleRule", {{"wow", "[$0]"}}, "Wow that", "[Wow] that"},
    CustomCase{"WholeMatchInInsertionIncludesAbsorbedText", {{"stop", "$0\\n"}}, "go, stop, now", "go, stop,\nnow"},
    CustomCase{"EscapedDollar", {{"dollar", "\\$"}}, "five dollar", "five $"},
    CustomCase{"EscapedBackslash", {{"backslash", "\\\\"}}, "a backslash b", "a \\ b"},
    CustomCase{"LoneDollarStaysLiteral", {{"dollars", "$"}}, "5 dollars today", "5 $ today"},
    CustomCase{"MissingGroupStaysLiteral", {{"price", "$1.00"}}, "price now", "$1.00 now"},
    CustomCase{"DollarZeroThenDigit", {{"x", "$05"}}, "a x b", "a x5 b"},
    CustomCase{"BackslashUIsLiteralU", {{"x", "\\u0041"}}, "a x b", "a u0041 b"},
    CustomCase{"TrailingBackslashDropped", {{"x", "y\\"}}, "a x b", "a y b"}),
    [](const auto &info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Grouping, CustomRulesTest, ::testing::Values(
    // "jane" is listed first but runs last (simple group), so it sees the signature's "Jane".
    CustomCase{"LaterGroupSeesInsertedText", {{"jane", "Jane Doe"}, {"sig", "\\n-- \\nJane"}}, "thanks sig", "thanks\n--\nJane Doe"},
    // Within a group, list order: the second rule works on the first one's output.
    CustomCase{"ListOrderWithinGroup", {{"alpha", "beta"}, {"beta", "gamma"}}, "alpha", "gamma"},
    // Paired rules run before insertions: the span is wrapped before "period" becomes a full stop.
    CustomCase{"PairedBeforeSingle", {{"period", "."}, {"stress", "**"}}, "stress a period b stress c", "**a. b** c"},
    CustomCase{"TypedMarkerIsPaired", {{"under", "_"}}, "under x under", "_x_"},
    CustomCase{"MarkerPlusTextIsSimple", {{"stars", "***"}}, "two stars here", "two *** here"},
    CustomCase{"InsertionMarkerAnywhere", {{"brand", "Parlix\\trademark"}}, "I use brand, daily", "I useParlix\u2122daily"},
    CustomCase{"SpacedPurePunctuation", {{"colon", " : "}}, "note colon text", "note: text"}),
    [](const auto &info) { return std::string(info.param.name); });

struct SwitchCase {
    const char *name;
    bool experimental;
    bool replacement;
    bool anyRuleEnabled;
};

class SwitchesTest : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(SwitchesTest, OutputIsTheInputUnchanged)
{
    const auto &c = GetParam();
    const Engine engine(c.anyRuleEnabled ? examplesEnabled({"period", "bold", "new line"}) : TextReplacementRule::examples(),
                        c.experimental, c.replacement);
    for (const char *input : {"  hello period world  ", "bold x bold\n\n\n\n", "a  ,b", ""})
        EXPECT_EQ(engine.apply(input), input);
}

INSTANTIATE_TEST_SUITE_P(Off, SwitchesTest, ::testing::Values(
    SwitchCase{"ExperimentalOff", false, true, true},
    SwitchCase{"ReplacementOff", true, false, true},
    SwitchCase{"NoRuleEnabled", true, true, false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(TextReplacementService, ReadsTheSettingsOnEveryCall)
{
    Engine engine(examplesEnabled({"period"}));
    EXPECT_EQ(engine.apply("a period b"), "a. b");
    engine.settings.setTextReplacementEnabled(false);
    EXPECT_EQ(engine.apply("a period b"), "a period b");
    engine.settings.setTextReplacementEnabled(true);
    engine.settings.setTextReplacementRules(customRules({{"period", "!"}}));
    EXPECT_EQ(engine.apply("a period b"), "a! b");
}

TEST(TextReplacementService, LogsTheGroupSizes)
{
    QList<TextReplacementRule> rules = examplesEnabled({"period", "new line", "bold", "my phone"});
    rules.append(TextReplacementRule(QStringLiteral("off"), QStringLiteral("x"), false));
    const Engine engine(rules);
    QLoggingCategory::setFilterRules(QStringLiteral("com.quorvane.parlix.TextReplacement.debug=true"));
    test::CategoryLog log(lcTextReplacement());
    engine.apply("hello");
    EXPECT_EQ(log.lines, QStringList{QStringLiteral("debug Applied 4 replacement rules (paired: 1, single: 2, simple: 1)")});
}

} // namespace
