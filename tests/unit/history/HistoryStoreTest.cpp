// HistoryStore: adding, trimming, the size limit, removing, clearing, the file on disk (mode,
// atomic rewrite, unreadable files set aside); and the file's format: exact
// compact bytes, which files read and which are refused, stored text that comes back unchanged.
#include "Files.h"
#include "HistoryTestSupport.h"
#include "MemoryKeyValueStore.h"
#include "core/SettingsModel.h"
#include "history/HistoryStore.h"
#include "history/HistoryFile.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace parlix;
using parlix::test::FixedDates;
using parlix::test::fileBytes;
using parlix::test::fileMode;
using parlix::test::writeFile;
using parlix::test::record;

namespace {

class HistoryStoreTest : public ::testing::Test {
protected:
    QString path() const { return m_dir.filePath(QStringLiteral("Parlix/history.json")); }
    std::unique_ptr<HistoryStore> makeStore() { return std::make_unique<HistoryStore>(m_settings, path(), m_dates.context); }
    QJsonArray fileArray() const { return QJsonDocument::fromJson(fileBytes(path())).array(); }
    QStringList texts(const HistoryStore &store) const
    {
        QStringList out;
        for (const auto &item : store.items())
            out << item.text;
        return out;
    }
    QStringList asideFiles() const
    {
        return QDir(m_dir.filePath(QStringLiteral("Parlix"))).entryList({QStringLiteral("history.json.unreadable-*")}, QDir::Files);
    }

    QTemporaryDir m_dir;
    test::MemoryKeyValueStore m_store;
    SettingsModel m_settings{m_store};
    FixedDates m_dates{"2025-03-05T18:00:00Z"};
};

// Which keys the file then holds is HistoryFileTest's. A missing file is an empty history, and
// blank text adds nothing: no record, no file.
TEST_F(HistoryStoreTest, AddTrimsTextAndOriginalAndBlankTextAddsNothing)
{
    const struct {
        const char *name;
        QString text;
        std::optional<QString> original;
        QString storedText;
        std::optional<QString> storedOriginal;
    } cases[] = {
        {"plain", QStringLiteral("  Hello world.\n"), std::nullopt, QStringLiteral("Hello world."), std::nullopt},
        {"both trimmed", QStringLiteral(" a "), QStringLiteral("\t b \n"), QStringLiteral("a"), QStringLiteral("b")},
        {"blank original stays present", QStringLiteral("x"), QStringLiteral("   "), QStringLiteral("x"), QString()},
        {"blank", QStringLiteral(" \n\t\r\n "), QStringLiteral("raw"), QString(), std::nullopt},
        {"empty", QString(), QStringLiteral("raw"), QString(), std::nullopt},
    };
    for (const auto &c : cases) {
        QFile::remove(path());
        auto store = makeStore();
        EXPECT_TRUE(store->items().isEmpty() && store->loadError().isEmpty()) << c.name;
        store->add(c.text, c.original, QStringLiteral("Base"));
        EXPECT_EQ(QFile::exists(path()), !c.storedText.isEmpty()) << c.name;
        if (c.storedText.isEmpty()) {
            EXPECT_TRUE(store->items().isEmpty()) << c.name;
            continue;
        }
        ASSERT_EQ(store->items().size(), 1) << c.name;
        const TranscriptItem &item = store->items().front();
        EXPECT_EQ(item.text, c.storedText) << c.name;
        EXPECT_EQ(item.originalText, c.storedOriginal) << c.name;
        EXPECT_EQ(item.modelName, QStringLiteral("Base")) << c.name;
        EXPECT_EQ(item.timestamp, *m_dates.now) << c.name;
    }
}

TEST_F(HistoryStoreTest, LimitKeepsTheNewestAndALoweredOneAppliesAtTheNextAdd)
{
    m_settings.setMaxHistoryItems(100);
    auto store = makeStore();
    for (int i = 1; i <= 80; ++i)
        store->add(QString::number(i));
    m_settings.setMaxHistoryItems(50);
    EXPECT_EQ(store->items().size(), 80);
    EXPECT_EQ(fileArray().size(), 80);
    store->add(QStringLiteral("81"));
    EXPECT_EQ(store->items().size(), 50);
    EXPECT_EQ(store->items().front().text, QStringLiteral("81"));
    EXPECT_EQ(store->items().back().text, QStringLiteral("32"));
    EXPECT_EQ(fileArray().size(), 50);
    EXPECT_EQ(fileArray().at(0).toObject().value(QStringLiteral("text")).toString(), QStringLiteral("81"));
    // 0 keeps everything.
    m_settings.setMaxHistoryItems(0);
    for (int i = 82; i <= 101; ++i)
        store->add(QString::number(i));
    EXPECT_EQ(store->items().size(), 70);
    EXPECT_EQ(fileArray().size(), 70);
}

TEST_F(HistoryStoreTest, RecordsSurviveANewStoreInAPrivateFile)
{
    {
        auto store = makeStore();
        store->add(QStringLiteral("first"), QStringLiteral("first raw"), QStringLiteral("Base"));
        *m_dates.now = m_dates.now->addMSecs(1234);
        store->add(QStringLiteral("second"));
    }
    const auto first = makeStore();
    const auto again = makeStore();
    ASSERT_EQ(again->items().size(), 2);
    EXPECT_EQ(again->items(), first->items());
    EXPECT_EQ(again->items()[0].timestamp, *m_dates.now);
    EXPECT_EQ(again->items()[1].originalText, std::optional<QString>(QStringLiteral("first raw")));
    EXPECT_TRUE(again->loadError().isEmpty());
    EXPECT_EQ(fileMode(path()), 0600);
    EXPECT_EQ(fileMode(QFileInfo(path()).absolutePath()), 0700);
}

TEST_F(HistoryStoreTest, RemoveDropsEveryRecordWithTheIdAndRewritesTheFile)
{
    QDir().mkpath(QFileInfo(path()).absolutePath());
    // Two records share an id (hand-edited file); spaces show whether the file was rewritten.
    writeFile(path(), R"([ {"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456789","text":"a","timestamp":3},
                           {"id":"1A1B2C3D-4E5F-6789-ABCD-EF0123456789","text":"b","timestamp":2},
                           {"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456789","text":"c","timestamp":1} ])");
    auto store = makeStore();
    ASSERT_EQ(store->items().size(), 3);
    store->remove(store->items().front());
    EXPECT_EQ(texts(*store), QStringList{QStringLiteral("b")});
    EXPECT_EQ(fileBytes(path()), QByteArray(R"([{"id":"1A1B2C3D-4E5F-6789-ABCD-EF0123456789","text":"b","timestamp":2}])"));

}

TEST_F(HistoryStoreTest, ObserversSeeTheOldListBeforeAndTheNewAfterAndClearLeavesAnEmptyArray)
{
    auto store = makeStore();
    store->add(QStringLiteral("a"));
    QList<qsizetype> before, after;
    QObject::connect(store.get(), &HistoryStore::itemsAboutToChange, [&] { before << store->items().size(); });
    QObject::connect(store.get(), &HistoryStore::itemsChanged, [&] { after << store->items().size(); });
    store->add(QStringLiteral("b"));
    store->remove(store->items().front());
    store->clear();
    EXPECT_EQ(before, (QList<qsizetype>{1, 2, 1}));
    EXPECT_EQ(after, (QList<qsizetype>{2, 1, 0}));
    // Clearing leaves an empty array on disk.
    EXPECT_EQ(fileBytes(path()), QByteArray("[]"));
}

struct UnreadableCase {
    const char *name;
    QByteArray content;
};

TEST_F(HistoryStoreTest, UnreadableFileIsSetAsideBeforeTheNextSave)
{
    const UnreadableCase cases[] = {
        // Which files are unreadable is HistoryFileTest's.
        {"record without text", R"([{"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456789","timestamp":1}])"},
        {"empty", QByteArray()},
    };
    for (const auto &c : cases) {
        QDir(m_dir.filePath(QStringLiteral("Parlix"))).removeRecursively();
        QDir().mkpath(QFileInfo(path()).absolutePath());
        writeFile(path(), c.content);

        auto store = makeStore();
        EXPECT_TRUE(store->items().isEmpty()) << c.name;
        EXPECT_FALSE(store->loadError().isEmpty()) << c.name;
        // Loading neither repairs nor moves the file.
        EXPECT_EQ(fileBytes(path()), c.content) << c.name;
        EXPECT_TRUE(asideFiles().isEmpty()) << c.name;

        store->add(QStringLiteral("new"));
        const QStringList aside = asideFiles();
        ASSERT_EQ(aside.size(), 1) << c.name;
        const QString asidePath = m_dir.filePath(QStringLiteral("Parlix/") + aside[0]);
        EXPECT_EQ(fileBytes(asidePath), c.content) << c.name;
        EXPECT_EQ(fileArray().size(), 1) << c.name;

        // Only once: the next change writes over the store's own (readable) file.
        store->add(QStringLiteral("newer"));
        EXPECT_EQ(asideFiles().size(), 1) << c.name;
        EXPECT_EQ(makeStore()->items().size(), 2) << c.name;
    }
}

// What it logs: DiskFullTest.
TEST_F(HistoryStoreTest, SaveFailureKeepsTheChangeInMemory)
{
    // The history directory's place is taken by a plain file, so nothing can be written.
    writeFile(m_dir.filePath(QStringLiteral("Parlix")), "not a directory");
    auto store = makeStore();
    store->add(QStringLiteral("kept"));
    EXPECT_EQ(texts(*store), QStringList{QStringLiteral("kept")});
}

} // namespace

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
