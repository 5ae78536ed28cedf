// TextReplacementService: the three rule groups, the absorption of the recogniser's spacing and
// punctuation, replacement templates, the final tidy-up and the two switches.
#include "MemoryKeyValueStore.h"
#include "core/SettingsModel.h"
#include "text/TextReplacementService.h"

#include <gtest/gtest.h>

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

QList<TextReplacementRule> customRules(const std::vector<Rule> &rules)
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

const std::vector<std::string> kPeriodAndBold = {"period", "bold"};

TEST(ExampleRules, Rewrite)
{
    const ExampleCase cases[] = {
        // PeriodAndBold
        {"InsertionAbsorbsSpacesThenSpaceRestored", kPeriodAndBold, "hello period world", "hello. world"},
        {"RecognisersPunctuationAbsorbed", kPeriodAndBold, "Hello, period. World", "Hello. World"},
        {"ClosedSpan", kPeriodAndBold, "this is bold very important bold okay", "this is **very important** okay"},
        {"ClosedSpanEdgePunctuationDropped", kPeriodAndBold, "This is bold. Very important. Bold. Okay.", "This is **Very important** Okay."},
        {"OpenSpanToTheEnd", kPeriodAndBold, "bold this is loud", "**this is loud**"},
        {"WholeWordsOnly", kPeriodAndBold, "bolder words", "bolder words"},
        // PairedSpans
        {"SeveralClosedSpans", {"bold"}, "bold one bold and bold two bold", "**one** and **two**"},
        {"QuestionMarkAtEdgeStays", {"bold"}, "bold really? bold now", "**really?** now"},
        {"OpenSpanOnlyOnTheLastLine", {"bold"}, "bold first\nsecond", "bold first\nsecond"},
        {"ClosedSpanStaysOnOneLine", {"bold"}, "bold a\nb bold", "bold a\nb bold"},
        // Insertions
        {"NewLineWithCommas", {"new line"}, "first line, new line, second line", "first line\nsecond line"},
        {"NewParagraphAbsorbsFullStops", {"new paragraph"}, "Hello. New paragraph. World", "Hello\n\nWorld"},
        {"Bullets", {"bullet point"}, "Shopping list: bullet point milk, bullet point eggs.", "Shopping list\n\u2022 milk\n\u2022 eggs."},
        {"CodeBlock", {"code block"}, "code block x = 1 code block", "```\nx = 1\n```"},
        // PurePunctuation
        {"EmDashGetsSpaceBeforeLetter", {"em dash"}, "yes em dash no", "yes\u2014 no"},
        {"SpaceRuleAppliesEverywhere", {"period"}, "see parlix.example.org", "see parlix. example. org"},
        {"OnlyBeforeAsciiLetters", {"period"}, "pi is 3.14 or \u00E9.\u00E9", "pi is 3.14 or \u00E9.\u00E9"},
        // SimpleRules
        {"Phone", {"my phone"}, "call My Phone today", "call (555) 123-4567 today"},
        // Cleanup. With any rule enabled, the tidy-up runs on the whole text.
        {"DoubleSpaces", {"period"}, "a  b    c", "a b c"},
        {"AtMostTwoLineFeeds", {"period"}, "a\n\n\n\n\nb", "a\n\nb"},
        {"FullStopStartingALine", {"period"}, "first\n . second", "first.\nsecond"},
        {"DoubledPunctuation", {"period"}, "Hi,. there!? ok;; yes", "Hi, there! ok; yes"},
        {"PunctuationAfterMarker", {"period"}, "x **y**; z __a_. b", "x **y**z __a_b"},
        {"Empty", {"period"}, "", ""},
    };
    for (const ExampleCase &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Engine(examplesEnabled(c.enabled)).apply(c.input), c.expected);
    }
}

struct CustomCase {
    const char *name;
    std::vector<Rule> rules; // all enabled, in this order
    const char *input;
    const char *expected;
};

TEST(CustomRules, Rewrite)
{
    const CustomCase cases[] = {
        // Triggers
        {"DotIsLiteral", {{"a.b", "X"}}, "a.b axb", "X axb"},
        {"BracketsAreLiteral", {{"x[1]y", "Z"}}, "x[1]y x1y", "Z x1y"},
        {"CaseInsensitive", {{"Node.JS", "Node.js"}}, "node.js and NODE.JS and nodexjs", "Node.js and Node.js and nodexjs"},
        {"FullCaseFolding", {{"Stra\u00DFe", "road"}}, "the STRASSE here", "the road here"},
        {"EmptyTriggerTakesNoPart", {{"", "X"}}, "  two  words ", "  two  words "},
        {"EmptyTriggerBesideOthers", {{"", "X"}, {"two", "2"}}, "two words", "2 words"},
        // Templates
        {"WholeMatchInSimpleRule", {{"wow", "[$0]"}}, "Wow that", "[Wow] that"},
        {"WholeMatchInInsertionIncludesAbsorbedText", {{"stop", "$0\\n"}}, "go, stop, now", "go, stop,\nnow"},
        {"EscapedDollar", {{"dollar", "\\$"}}, "five dollar", "five $"},
        {"MissingGroupStaysLiteral", {{"price", "$1.00"}}, "price now", "$1.00 now"},
        {"DollarZeroThenDigit", {{"x", "$05"}}, "a x b", "a x5 b"},
        {"TrailingBackslashDropped", {{"x", "y\\"}}, "a x b", "a y b"},
        // Grouping
        // "jane" is listed first but runs last (simple group), so it sees the signature's "Jane".
        {"LaterGroupSeesInsertedText", {{"jane", "Jane Doe"}, {"sig", "\\n-- \\nJane"}}, "thanks sig", "thanks\n--\nJane Doe"},
        // Within a group, list order: the second rule works on the first one's output.
        {"ListOrderWithinGroup", {{"alpha", "beta"}, {"beta", "gamma"}}, "alpha", "gamma"},
        // Paired rules run before insertions: the span is wrapped before "period" becomes a full stop.
        {"PairedBeforeSingle", {{"period", "."}, {"stress", "**"}}, "stress a period b stress c", "**a. b** c"},
        {"TypedMarkerIsPaired", {{"under", "_"}}, "under x under", "_x_"},
        {"MarkerPlusTextIsSimple", {{"stars", "***"}}, "two stars here", "two *** here"},
        {"InsertionMarkerAnywhere", {{"brand", "Parlix\\trademark"}}, "I use brand, daily", "I useParlix\u2122daily"},
        {"SpacedPurePunctuation", {{"colon", " : "}}, "note colon text", "note: text"},
    };
    for (const CustomCase &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Engine(customRules(c.rules)).apply(c.input), c.expected);
    }
}

struct SwitchCase {
    const char *name;
    bool experimental;
    bool replacement;
    bool anyRuleEnabled;
};

TEST(SwitchesTest, OutputIsTheInputUnchanged)
{
    const SwitchCase cases[] = {
        {"ExperimentalOff", false, true, true},
        {"ReplacementOff", true, false, true},
        {"NoRuleEnabled", true, true, false},
    };
    for (const SwitchCase &c : cases) {
        SCOPED_TRACE(c.name);
        const Engine engine(c.anyRuleEnabled ? examplesEnabled({"period", "bold", "new line"}) : TextReplacementRule::examples(),
                            c.experimental, c.replacement);
        for (const char *input : {"  hello period world  ", "bold x bold\n\n\n\n", "a  ,b", ""})
            EXPECT_EQ(engine.apply(input), input);
    }
}

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

} // namespace
