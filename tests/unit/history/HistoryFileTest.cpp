// The history file format: exact compact bytes, which files read and which are refused, and
// stored text that comes back unchanged.
#include "HistoryTestSupport.h"
#include "history/HistoryFile.h"

#include <gtest/gtest.h>

using namespace parlix;
using parlix::test::record;

namespace {

struct EncodeCase {
    const char *name;
    TranscriptItem item;
    const char *expected;
};

TEST(HistoryFileTest, EncodesCompactlyWithOptionalKeysOnlyWhenPresent)
{
    const EncodeCase cases[] = {
        {"required keys only", record("{0a1b2c3d-4e5f-6789-abcd-ef0123456789}", QStringLiteral("hello"), "2001-01-01T00:01:00Z"),
         R"([{"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456789","text":"hello","timestamp":60}])"},
        {"all keys, empty original", record("{0a1b2c3d-4e5f-6789-abcd-ef0123456789}", QStringLiteral("hi"), "2001-01-01T00:00:00.500Z",
                                            QStringLiteral(""), QStringLiteral("Base")),
         R"([{"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456789","text":"hi","originalText":"","timestamp":0.5,"modelName":"Base"}])"},
        {"before the reference date", record("{0a1b2c3d-4e5f-6789-abcd-ef0123456789}", QStringLiteral("old"), "2000-12-31T23:59:58.750Z"),
         R"([{"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456789","text":"old","timestamp":-1.25}])"},
        {"escapes", record("{0a1b2c3d-4e5f-6789-abcd-ef0123456789}", QString::fromUtf8("a \"q\" \\ /\n\t\x01 \u00e9\U0001F600"), "2001-01-01T00:00:01Z"),
         "[{\"id\":\"0A1B2C3D-4E5F-6789-ABCD-EF0123456789\",\"text\":\"a \\\"q\\\" \\\\ /\\n\\t\\u0001 \u00e9\U0001F600\",\"timestamp\":1}]"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(historyfile::encode({c.item}), QByteArray(c.expected)) << c.name;
    EXPECT_EQ(historyfile::encode({}), QByteArray("[]"));
    // Text with unpaired surrogates is written back as it was read (found by the history file fuzzer).
    for (const char *text : {R"(lone high \ud83d)", R"(\ude00 lone low)", R"(reversed \ude00\ud83d pair)", R"(paired \ud83d\ude00 \ud83d)"}) {
        QList<TranscriptItem> read, reread;
        QString error;
        ASSERT_TRUE(historyfile::decode(QByteArray(R"([{"id":"0B7D2A3E-5F11-4C3A-9C55-2B1E7A4D9F10","text":")") + text + R"(","timestamp":1.5}])",
                                        read, error)) << text;
        ASSERT_TRUE(historyfile::decode(historyfile::encode(read), reread, error)) << text;
        EXPECT_EQ(reread, read) << text;
    }
}

struct DecodeCase {
    const char *name;
    const char *json;
    bool readable;
};

TEST(HistoryFileTest, RefusesWholeFileOnAnyBadRecord)
{
    const char *good = R"({"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456789","text":"a","timestamp":1})";
    const DecodeCase cases[] = {
        {"earlier version without optional keys", R"([{"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456789","text":"a","timestamp":1}])", true},
        {"null optional keys", R"([{"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456789","text":"a","timestamp":1,"originalText":null,"modelName":null}])", true},
        {"lower-case id, unknown extra key", R"([{"id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789","text":"a","timestamp":1.5,"x":[1]}])", true},
        {"missing text", R"([{"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456789","timestamp":1}])", false},
        {"id is not a UUID", R"([{"id":"not-a-uuid","text":"a","timestamp":1}])", false},
        {"absurd timestamp", R"([{"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456789","text":"a","timestamp":1e300}])", false},
        {"truncated", R"([{"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456789","te)", false},
    };
    for (const auto &c : cases) {
        QList<TranscriptItem> items;
        QString error;
        EXPECT_EQ(historyfile::decode(QByteArray(c.json), items, error), c.readable) << c.name;
        EXPECT_EQ(error.isEmpty(), c.readable) << c.name;
        if (!c.readable)
            EXPECT_TRUE(items.isEmpty()) << c.name;
    }
    // One bad record among good ones spoils the file, not just itself.
    QList<TranscriptItem> items;
    QString error;
    EXPECT_FALSE(historyfile::decode(QByteArray("[") + good + R"(,{"text":"b","timestamp":2}])", items, error));
    EXPECT_TRUE(error.contains(QStringLiteral("record 1"))) << error.toStdString();
}

} // namespace
