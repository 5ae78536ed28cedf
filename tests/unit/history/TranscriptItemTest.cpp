// The detailed timestamp (today / yesterday / this week / older, by locale and time zone) and
// the tooltip of a history record, with its word count (words lie between spaces only; more
// counts are in HistoryExportTest's CSV and JSON).
#include "HistoryTestSupport.h"

#include <gtest/gtest.h>

using namespace parlix;
using parlix::test::FixedDates;
using parlix::test::record;

namespace {

struct TimestampCase {
    const char *name;
    const char *now;
    const char *timestamp;
    const char *locale;
    const char *zone;
    const char *expected;
};

TEST(TranscriptItemTest, DetailedTimestampPicksPatternByDayAndWeek)
{
    // 2025-03-05 is a Wednesday. en_US weeks start on Sunday, de_DE weeks on Monday.
    const TimestampCase cases[] = {
        {"today", "2025-03-05T18:00:00Z", "2025-03-05T15:04:05Z", "en_US", "UTC", "Today at 3:04:05 PM"},
        {"yesterday", "2025-03-05T18:00:00Z", "2025-03-04T09:00:00Z", "en_US", "UTC", "Yesterday at 9:00:00 AM"},
        {"this week, Sunday start", "2025-03-05T18:00:00Z", "2025-03-02T10:15:30Z", "en_US", "UTC", "Sunday at 10:15:30 AM"},
        {"last week", "2025-03-05T18:00:00Z", "2025-03-01T20:01:02Z", "en_US", "UTC", "Mar 1, 2025 at 8:01:02 PM"},
        {"this week, Monday start", "2025-03-05T18:00:00Z", "2025-03-03T10:15:30Z", "de_DE", "UTC", "Montag at 10:15:30 AM"},
        {"Sunday is last week in de_DE", "2025-03-05T18:00:00Z", "2025-03-02T10:15:30Z", "de_DE", "UTC", "M\u00e4rz 2, 2025 at 10:15:30 AM"},
        {"week across the new year", "2025-01-01T12:00:00Z", "2024-12-30T08:00:00Z", "en_US", "UTC", "Monday at 8:00:00 AM"},
        {"today in Berlin", "2025-03-05T00:30:00Z", "2025-03-04T23:30:00Z", "en_US", "Europe/Berlin", "Today at 12:30:00 AM"},
    };
    for (const auto &c : cases) {
        const FixedDates dates(c.now, c.locale, c.zone);
        const TranscriptItem item = record("{00000000-0000-0000-0000-000000000001}", QStringLiteral("x"), c.timestamp);
        EXPECT_EQ(item.detailedTimestamp(dates.context), QString::fromUtf8(c.expected)) << c.name;
    }
}

struct TooltipCase {
    const char *text;
    std::optional<QString> model;
    const char *expected;
};

TEST(TranscriptItemTest, TooltipJoinsTimestampWordsModelAndText)
{
    const TooltipCase cases[] = {
        {" one ", std::nullopt, "Today at 3:04:05 PM\n1 word\n\n one "},
        {"two  words", QStringLiteral("Base"), "Today at 3:04:05 PM\n2 words\nModel: Base\n\ntwo  words"},
        {"", QStringLiteral(""), "Today at 3:04:05 PM\n0 words\nModel: \n\n"},
    };
    const FixedDates dates("2025-03-05T18:00:00Z");
    for (const auto &c : cases) {
        const TranscriptItem item = record("{00000000-0000-0000-0000-000000000001}", QString::fromUtf8(c.text),
                                           "2025-03-05T15:04:05Z", std::nullopt, c.model);
        EXPECT_EQ(item.tooltipText(dates.context), QString::fromUtf8(c.expected)) << c.text;
    }
}

} // namespace
