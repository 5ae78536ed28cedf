// The key-value stores: typed reads, the JSON file store on disk, and the overlay.
#include "CategoryLog.h"
#include "Files.h"
#include "MemoryKeyValueStore.h"
#include "core/Categories.h"
#include "core/JsonFileKeyValueStore.h"
#include "core/OverlayKeyValueStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <limits>
#include <sys/stat.h>

using namespace parlix;
using parlix::test::CategoryLog;
using parlix::test::MemoryKeyValueStore;
using parlix::test::fileBytes;
using parlix::test::fileMode;
using parlix::test::writeFile;

namespace {

// ---- Typed reads ----

struct TypedReadCase {
    const char *name;
    std::optional<QVariant> stored;
    std::optional<QString> asString;
    bool asBool;
    qint64 asInteger;
    double asDouble;
    bool hasData;
};

const TypedReadCase typedReadCases[] = {
    {"absent", std::nullopt, std::nullopt, false, 0, 0.0, false},
    {"bool_true", QVariant(true), "1", true, 1, 1.0, false},
    {"double_truncates", QVariant(2.75), "2.75", true, 2, 2.75, false},
    {"numeric_text", QVariant(QStringLiteral("12")), "12", true, 12, 12.0, false},
    {"word_text", QVariant(QStringLiteral("many")), "many", false, 0, 0.0, false},
    {"text_yes", QVariant(QStringLiteral("YES")), "YES", true, 0, 0.0, false},
    {"data", QVariant(QByteArray("12")), std::nullopt, false, 0, 0.0, true},
};

TEST(TypedReads, ConvertBetweenCompatibleTypes)
{
    for (const TypedReadCase &c : typedReadCases) {
        SCOPED_TRACE(c.name);
        MemoryKeyValueStore store;
        if (c.stored)
            store.values.insert("k", *c.stored);

        EXPECT_EQ(store.object("k").has_value(), c.stored.has_value());
        EXPECT_EQ(store.string("k"), c.asString);
        EXPECT_EQ(store.boolean("k"), c.asBool);
        EXPECT_EQ(store.integer("k"), c.asInteger);
        EXPECT_DOUBLE_EQ(store.doubleValue("k"), c.asDouble);
        EXPECT_FLOAT_EQ(store.floatValue("k"), float(c.asDouble));
        EXPECT_EQ(store.data("k").has_value(), c.hasData);
    }
}

// ---- The JSON file store ----

class JsonStore : public ::testing::Test {
protected:
    QString configDir() const { return m_root.filePath("config/Parlix"); }
    QString settingsPath() const { return configDir() + "/settings.json"; }
    QStringList asideFiles() const
    {
        return QDir(configDir()).entryList({"settings.json.unreadable-*"}, QDir::Files | QDir::Hidden, QDir::Name);
    }

    QTemporaryDir m_root;
};

TEST_F(JsonStore, ValuesKeepTheirTypesThroughANewInstance)
{
    const QByteArray binary("\x00\xff\x7f{\"keyCode\":1}", 16);
    // What the typed setters hand to setValue().
    const std::pair<const char *, QVariant> values[] = {
        {"bool", QVariant(false)},
        {"int", QVariant(qlonglong(-7))},
        {"intMax", QVariant(qlonglong(std::numeric_limits<qint64>::max()))},
        {"float", QVariant(0.1f)},
        {"double", QVariant(0.1)},
        {"text", QVariant(QStringLiteral("héllo ✓ \"quoted\"\n"))},
        {"numericText", QVariant(QStringLiteral("300"))},
        {"data", QVariant(binary)},
    };
    {
        JsonFileKeyValueStore store(settingsPath());
        for (const auto &[key, value] : values)
            store.setValue(key, value);
    }

    const JsonFileKeyValueStore reread(settingsPath());

    for (const auto &[key, value] : values) {
        SCOPED_TRACE(key);
        const auto v = reread.object(key);
        ASSERT_TRUE(v.has_value());
        EXPECT_EQ(v->typeId(), value.typeId()) << v->typeName();
        EXPECT_EQ(*v, value);
    }
}

TEST_F(JsonStore, FileIsPrivateWrittenAtomicallyAndMadePrivateAgain)
{
    JsonFileKeyValueStore store(settingsPath());
    store.remove("modelPath");
    EXPECT_FALSE(QFileInfo::exists(configDir())) << "reading and removing an absent key must not create anything";

    store.setInteger("maxHistoryItems", 50);
    store.setString("language", "de");
    store.remove("language");

    EXPECT_EQ(fileMode(configDir()), 0700);
    EXPECT_EQ(fileMode(settingsPath()), 0600);
    EXPECT_EQ(QDir(configDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"settings.json"});
    const QJsonDocument doc = QJsonDocument::fromJson(fileBytes(settingsPath()));
    EXPECT_EQ(doc.object(), (QJsonObject{{"maxHistoryItems", QJsonObject{{"int", 50}}}}));

    // A file someone made readable for others is private again after the next write.
    ASSERT_EQ(::chmod(QFile::encodeName(settingsPath()).constData(), 0644), 0);
    JsonFileKeyValueStore(settingsPath()).setBool("launchAtLogin", true);
    EXPECT_EQ(fileMode(settingsPath()), 0600);
    EXPECT_EQ(JsonFileKeyValueStore(settingsPath()).integer("maxHistoryItems"), 50);
}

TEST_F(JsonStore, UnknownEntriesAreSkippedAndTheRestIsRead)
{
    ASSERT_TRUE(QDir().mkpath(configDir()));
    // A number its type cannot hold is unreadable too: the next save would have written null
    // for the float and 0 for the int (found by the settings file fuzzer).
    writeFile(settingsPath(), R"({"good":{"int":5},"untagged":3,"badTag":{"uint":1},"twoTags":{"int":1,"bool":true},)"
                              R"("wrongPayload":{"bool":"yes"},"infiniteFloat":{"float":1e39},"fractionalInt":{"int":1.5}})");
    CategoryLog log(lcSettings());

    const JsonFileKeyValueStore store(settingsPath());

    EXPECT_EQ(store.object("good"), std::optional<QVariant>(QVariant(qlonglong(5))));
    for (const char *key : {"untagged", "badTag", "twoTags", "wrongPayload", "infiniteFloat", "fractionalInt"})
        EXPECT_EQ(store.object(key), std::nullopt) << key;
    EXPECT_EQ(log.lines.size(), 6);
    EXPECT_TRUE(asideFiles().isEmpty());
}

// Each unreadable file in turn is moved aside and named in the log; none replaces an earlier copy.
TEST_F(JsonStore, IsMovedAsideAndNeverOverwritten)
{
    const QByteArray contents[] = {QByteArray("\x89PNG\r\n\x1a\n\x00\x00", 10), R"([{"language":{"string":"fr"}}])", ""};
    QList<QByteArray> kept;
    for (const QByteArray &content : contents) {
        SCOPED_TRACE(content.toStdString());
        writeFile(settingsPath(), content);
        const QStringList before = asideFiles();
        CategoryLog log(lcSettings());

        JsonFileKeyValueStore store(settingsPath());
        EXPECT_EQ(store.object("language"), std::nullopt);
        store.setString("language", "de");

        QStringList added = asideFiles();
        for (const QString &name : before)
            added.removeOne(name);
        ASSERT_EQ(added.size(), 1) << added.join(", ").toStdString();
        ASSERT_EQ(log.lines.size(), 1);
        EXPECT_TRUE(log.lines[0].contains(added[0])) << log.lines[0].toStdString();
        EXPECT_EQ(JsonFileKeyValueStore(settingsPath()).string("language"), std::optional<QString>("de"));
        kept.append(content);
        QList<QByteArray> aside;
        for (const QString &name : asideFiles())
            aside.append(fileBytes(configDir() + "/" + name));
        std::sort(aside.begin(), aside.end());
        std::sort(kept.begin(), kept.end());
        EXPECT_EQ(aside, kept);
    }
}

TEST_F(JsonStore, UnreadableFileIsMovedAside)
{
    // A directory in its place cannot be opened for reading, not even by root.
    ASSERT_TRUE(QDir().mkpath(settingsPath()));
    writeFile(settingsPath() + "/kept", "data");

    JsonFileKeyValueStore store(settingsPath());
    store.setString("language", "de");

    EXPECT_EQ(store.string("language"), std::optional<QString>("de"));
    const QStringList aside = QDir(configDir()).entryList({"settings.json.unreadable-*"}, QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_TRUE(QFile::exists(QDir(configDir()).filePath(aside.first() + "/kept")));
}

// ---- The overlay ----

TEST(OverlayStore, KeepsItsWritesToItselfAndHidesRemovedKeys)
{
    MemoryKeyValueStore base;
    base.values = {{"language", QStringLiteral("fr")}, {"modelPath", QStringLiteral("/m/a.bin")}};
    OverlayKeyValueStore overlay(base);

    overlay.setString("language", "de");
    overlay.remove("modelPath");
    overlay.setBool("launchAtLogin", true);

    EXPECT_EQ(overlay.string("language"), std::optional<QString>("de"));
    EXPECT_EQ(overlay.object("modelPath"), std::nullopt);
    EXPECT_TRUE(overlay.boolean("launchAtLogin"));
    EXPECT_TRUE(base.writes.isEmpty());
    EXPECT_EQ(base.values.value("language"), QVariant(QStringLiteral("fr")));

    overlay.setString("modelPath", "/m/b.bin");
    EXPECT_EQ(overlay.string("modelPath"), std::optional<QString>("/m/b.bin"));
}

} // namespace
