// Graphemes: counting and cutting text by user-perceived characters, never inside one. (The
// first and last of a text: PostProcessTest's capitals and endings.)
#include "core/Graphemes.h"

#include <gtest/gtest.h>

#include <thread>

namespace g = parlix::graphemes;

namespace {

// Spelled with escapes so the tests say exactly which code points are involved.
#define FAMILY "\U0001F468\u200D\U0001F469\u200D\U0001F467" // man ZWJ woman ZWJ girl
#define DE "\U0001F1E9\U0001F1EA"                           // regional indicators D E
#define FR "\U0001F1EB\U0001F1F7"
#define E_ACUTE "e\u0301"                 // e + combining acute accent

struct CutCase {
    const char *name;
    const char *text;
    qsizetype n;
    qsizetype count;
    const char *prefix;
    const char *suffix;
};

const CutCase cutCases[] = {
    {"empty", "", 1, 0, "", ""},
    {"ascii", "abc", 2, 3, "ab", "bc"},
    {"zero", "abc", 0, 3, "", ""},
    {"negative", "abc", -1, 3, "", ""},
    {"longer_than_text", "abc", 5, 3, "abc", "abc"},
    {"combining_mark_at_cut", "a" E_ACUTE "b", 2, 3, "a" E_ACUTE, E_ACUTE "b"},
    {"zwj_family_at_cut", "x" FAMILY "y", 2, 3, "x" FAMILY, FAMILY "y"},
    {"flags_between_letters", "a" DE FR "b", 2, 4, "a" DE, FR "b"},
};

TEST(GraphemeCuts, CountPrefixAndSuffixRespectClusters)
{
    for (const CutCase &c : cutCases) {
        SCOPED_TRACE(c.name);
        const QString text = QString::fromUtf8(c.text);

        EXPECT_EQ(g::count(text), c.count);
        EXPECT_EQ(g::prefix(text, c.n), QString::fromUtf8(c.prefix));
        EXPECT_EQ(g::suffix(text, c.n), QString::fromUtf8(c.suffix));
    }
}

TEST(GraphemeThreads, AnotherThreadGetsTheSameAnswers)
{
    const QString text = QString::fromUtf8("x" FAMILY DE "y");
    qsizetype count = -1;
    QString prefix, suffix;
    std::thread worker([&] {
        count = g::count(text);
        prefix = g::prefix(text, 2);
        suffix = g::suffix(text, 2);
    });
    worker.join();

    EXPECT_EQ(count, 4);
    EXPECT_EQ(prefix, QString::fromUtf8("x" FAMILY));
    EXPECT_EQ(suffix, QString::fromUtf8(DE "y"));
    EXPECT_EQ(g::count(text), 4);
}

} // namespace
