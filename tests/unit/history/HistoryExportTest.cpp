// How records are shown and exported: the detailed timestamp (today / yesterday / this week /
// older, by locale and time zone) and the tooltip of a record with its word count (words lie
// between spaces only), the exports byte for byte (text in two locales and time zones, CSV
// quoting, the JSON layout) and the proposed file names.
#include "HistoryTestSupport.h"
#include "history/HistoryExport.h"

#include <gtest/gtest.h>

using namespace parlix;
using parlix::test::FixedDates;
using parlix::test::record;

namespace {

// Newest first: quotes, a comma and a line break with a differing original; an original equal
// to the text; an empty original with a quoted custom model name; no optional values at all.
QList<TranscriptItem> fixedHistory()
{
    return {
        record("{a1000000-0000-4000-8000-000000000001}", QStringLiteral("He said \"hi\", then left.\nSecond line"), "2025-03-04T20:01:02Z",
               QStringLiteral("he said hi then left second line"), QStringLiteral("Base")),
        record("{b2000000-0000-4000-8000-000000000002}", QStringLiteral("three  spaced words"), "2025-03-03T09:30:00.750Z",
               QStringLiteral("three  spaced words")),
        record("{c3000000-0000-4000-8000-000000000003}", QStringLiteral("plain"), "2024-12-31T23:59:59Z", QString(),
               QStringLiteral("my \"custom\" model")),
        record("{d4000000-0000-4000-8000-000000000004}", QString::fromUtf8("gr\u00fc\u00df dich"), "2024-06-01T00:00:00Z"),
    };
}

TEST(HistoryExportTest, TextUsesTheLocaleMediumStyles)
{
    const QByteArray english =
         "Parlix Transcription History\n"
         "Exported: Mar 5, 2025, 6:00:00\u202fPM\n"
         "Total items: 4\n"
         "==================================================\n"
         "\n"
         "[Mar 4, 2025, 8:01:02\u202fPM]\n"
         "Model: Base\n"
         "He said \"hi\", then left.\n"
         "Second line\n"
         "\n"
         "Original: he said hi then left second line\n"
         "\n"
         "--------------------------------------------------\n"
         "\n"
         "[Mar 3, 2025, 9:30:00\u202fAM]\n"
         "three  spaced words\n"
         "\n"
         "--------------------------------------------------\n"
         "\n"
         "[Dec 31, 2024, 11:59:59\u202fPM]\n"
         "Model: my \"custom\" model\n"
         "plain\n"
         "\n"
         "Original: \n"
         "\n"
         "--------------------------------------------------\n"
         "\n"
         "[Jun 1, 2024, 12:00:00\u202fAM]\n"
         "gr\u00fc\u00df dich\n"
         "\n"
         "--------------------------------------------------\n";
    const FixedDates utc("2025-03-05T18:00:00Z", "en_US", "UTC");
    EXPECT_EQ(exports::asText(fixedHistory(), utc.context), english);
    // Another locale and zone: the same layout with their own date and time styles.
    const FixedDates berlin("2025-03-05T18:00:00Z", "de_DE", "Europe/Berlin");
    const QByteArray german = exports::asText(fixedHistory(), berlin.context);
    EXPECT_TRUE(german.startsWith("Parlix Transcription History\nExported: 05.03.2025, 19:00:00\n")) << german.toStdString();
    EXPECT_TRUE(german.contains("\n[01.01.2025, 00:59:59]\nModel: my \"custom\" model\n")) << german.toStdString();
}

TEST(HistoryExportTest, CSVQuotesFieldsAndDoublesQuotes)
{
    const QByteArray expected =
        "timestamp,model,word_count,text,original_text\n"
        "\"2025-03-04T20:01:02Z\",\"Base\",6,\"He said \"\"hi\"\", then left.\nSecond line\",\"he said hi then left second line\"\n"
        "\"2025-03-03T09:30:00Z\",\"\",3,\"three  spaced words\",\"three  spaced words\"\n"
        "\"2024-12-31T23:59:59Z\",\"my \"\"custom\"\" model\",1,\"plain\",\"\"\n"
        "\"2024-06-01T00:00:00Z\",\"\",2,\"gr\u00fc\u00df dich\",\"\"";
    EXPECT_EQ(exports::asCSV(fixedHistory()), expected);
}

TEST(HistoryExportTest, JSONHasSortedKeysAndTwoSpaceLayoutAndAnEmptyHistoryIsAnEmptyArray)
{
    const QByteArray expected = R"([
  {
    "id" : "A1000000-0000-4000-8000-000000000001",
    "model" : "Base",
    "originalText" : "he said hi then left second line",
    "text" : "He said \"hi\", then left.\nSecond line",
    "timestamp" : "2025-03-04T20:01:02Z",
    "wordCount" : 6
  },
  {
    "id" : "B2000000-0000-4000-8000-000000000002",
    "originalText" : "three  spaced words",
    "text" : "three  spaced words",
    "timestamp" : "2025-03-03T09:30:00Z",
    "wordCount" : 3
  },
  {
    "id" : "C3000000-0000-4000-8000-000000000003",
    "model" : "my \"custom\" model",
    "originalText" : "",
    "text" : "plain",
    "timestamp" : "2024-12-31T23:59:59Z",
    "wordCount" : 1
  },
  {
    "id" : "D4000000-0000-4000-8000-000000000004",
    "text" : ")" "gr\u00fc\u00df dich" R"(",
    "timestamp" : "2024-06-01T00:00:00Z",
    "wordCount" : 2
  }
])";
    EXPECT_EQ(exports::asJSON(fixedHistory()), expected);
    EXPECT_EQ(exports::as(ExportFormat::json, {}, FixedDates("2025-03-05T18:00:00Z").context), QByteArray("[]"));
}

struct FileNameCase {
    ExportFormat format;
    const char *now;
    const char *zone;
    const char *expected;
};

TEST(HistoryExportTest, SuggestedFileNameUsesLocalTimeToTheSecond)
{
    const FileNameCase cases[] = {
        {ExportFormat::csv, "2025-03-04T20:01:02Z", "UTC", "parlix_history_2025-03-04_200102.csv"},
        {ExportFormat::json, "2025-03-04T03:04:05Z", "America/New_York", "parlix_history_2025-03-03_220405.json"},
    };
    for (const auto &c : cases) {
        const FixedDates dates(c.now, "ar_EG", c.zone); // digits stay ASCII whatever the locale
        EXPECT_EQ(exports::suggestedFileName(c.format, dates.context), QString::fromLatin1(c.expected)) << c.expected;
    }
}

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
