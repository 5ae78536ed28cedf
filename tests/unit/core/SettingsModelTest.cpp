// SettingsModel: the reading rules at creation, notify-then-persist on assignment, the values
// derived from the model path and the automatic model choice.
#include "Files.h"
#include "MemoryKeyValueStore.h"
#include "core/SettingsModel.h"
#include "core/TextReplacementRule.h"
#include "models/ModelFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

using namespace parlix;
using parlix::test::MemoryKeyValueStore;

namespace {

using Snapshot = std::map<std::string, std::string>;

// The settings these tests read, as text.
Snapshot snapshot(const SettingsModel &m)
{
    return {
        {"hotkey", m.hotkey().displayString().toStdString()},
        {"modelPath", m.modelPath() ? m.modelPath()->toStdString() : "<none>"},
        {"outputMode", rawValue(m.outputMode()).toStdString()},
        {"maxHistoryItems", std::to_string(m.maxHistoryItems())},
        {"recordingMode", rawValue(m.recordingMode()).toStdString()},
        {"silenceThresholdDb", QString::number(m.silenceThresholdDb(), 'g', 17).toStdString()},
        {"liveDictationMaxMinutes", std::to_string(m.liveDictationMaxMinutes())},
        {"textReplacementRules", std::to_string(m.textReplacementRules().size()) + " rules"},
    };
}

QVariant i64(qint64 v) { return QVariant(qlonglong(v)); }
QVariant text(const char *s) { return QVariant(QString::fromUtf8(s)); }
QVariant bytes(const char *s) { return QVariant(QByteArray(s)); }

// Conversions between stored types are KeyValueStoreTest's, hotkey decoding HotkeyConfigTest's;
// these rows are the model's own fallbacks.
TEST(SettingsReading, AppliesTheRuleAndWritesNothing)
{
    const struct {
        const char *key;
        QVariant stored;
        std::string read; // the getter's value, as in snapshot()
    } cases[] = {
        {"maxHistoryItems", i64(0), "0"}, // keep forever
        {"maxHistoryItems", i64(-5), "50"},
        {"silenceThresholdDb", QVariant(0.0f), "-40"},
        {"liveDictationMaxMinutes", i64(0), "60"},
        {"outputMode", text("COPY_ONLY"), "paste_only"}, // differing in case is unknown
        {"recordingMode", text("hold"), "toggle"},
        {"hotkey", bytes(R"({"keyCode":2,"modifiers":768})"), "Super+Shift+D"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.key + (" = " + c.stored.toString().toStdString()));
        MemoryKeyValueStore store;
        store.values = {{QString::fromLatin1(c.key), c.stored}};

        const SettingsModel model(store);

        EXPECT_EQ(snapshot(model).at(c.key), c.read);
        EXPECT_TRUE(store.writes.isEmpty()) << store.writes.join(", ").toStdString();
    }
}

// ---- Assignment: notify, then persist; one write per assignment ----

QList<TextReplacementRule> rules()
{
    static const QList<TextReplacementRule> list{TextReplacementRule(QStringLiteral("period"), QStringLiteral("."), true),
                                                 TextReplacementRule(QStringLiteral("bold"), QStringLiteral("\\bold"), false)};
    return list;
}

struct WriteCase {
    const char *key;
    std::function<void(SettingsModel &)> assign;
    QVariant stored;      // what the store must hold afterwards, type included; invalid: nothing
    std::string readBack; // the getter's value, as in snapshot()
    QVariant before = {}; // what the store held before
};

const WriteCase writeCases[] = {
    {"hotkey", [](SettingsModel &m) { m.setHotkey({2, 768}); }, bytes(R"({"keyCode":2,"modifiers":768})"), "Super+Shift+D"},
    {"modelPath", [](SettingsModel &m) { m.setModelPath(QStringLiteral("/m/x.bin")); }, text("/m/x.bin"), "/m/x.bin"},
    // No model removes the key.
    {"modelPath", [](SettingsModel &m) { m.setModelPath(std::nullopt); }, QVariant(), "<none>", text("/m/x.bin")},
    {"outputMode", [](SettingsModel &m) { m.setOutputMode(OutputMode::copyOnly); }, text("copy_only"), "copy_only"},
    {"maxHistoryItems", [](SettingsModel &m) { m.setMaxHistoryItems(0); }, i64(0), "0"},
    {"silenceThresholdDb", [](SettingsModel &m) { m.setSilenceThresholdDb(-25.5f); }, QVariant(-25.5f), "-25.5"},
    // The whole list in its stored form (which TextReplacementRuleTest checks byte for byte).
    {"textReplacementRules", [](SettingsModel &m) { m.setTextReplacementRules(rules()); },
     QVariant(*TextReplacementRule::encode(rules())), "2 rules"},
};

TEST(SettingsAssignment, NotifiesWithTheNewValueBeforeStoringIt)
{
    for (const WriteCase &c : writeCases) {
        SCOPED_TRACE(c.key);
        const QString key = QString::fromLatin1(c.key);
        MemoryKeyValueStore store;
        if (c.before.isValid())
            store.values.insert(key, c.before);
        SettingsModel model(store);
        QStringList seen; // key, then the getter's value and the stored one when observers are told
        QObject::connect(&model, &SettingsModel::changed, [&](const QString &k) {
            seen << k << QString::fromStdString(snapshot(model).at(c.key)) << store.object(k).value_or(QVariant()).toString();
        });

        c.assign(model);

        EXPECT_EQ(seen, (QStringList{key, QString::fromStdString(c.readBack), c.before.toString()}));
        EXPECT_EQ(store.values.keys(), c.stored.isValid() ? QStringList{key} : QStringList{});
        EXPECT_EQ(store.values.value(key).typeId(), c.stored.typeId());
        EXPECT_EQ(store.values.value(key), c.stored);
        EXPECT_EQ(store.writes, QStringList{(c.stored.isValid() ? "set " : "remove ") + key});
    }
}

// ---- Derived values ----

// A catalogue model by its name, any other by its file name without ".bin".
TEST(SettingsDerived, FollowTheFileName)
{
    const struct {
        std::optional<QString> path;
        const char *displayName;
        bool englishOnly;
        bool supportsTranslation;
    } cases[] = {
        {std::nullopt, "No model selected", false, true},
        {"/models/ggml-base.en.bin", "Base (English)", true, false},
        {"/models/GGML-TINY.EN.BIN", "GGML-TINY.EN.BIN", true, false},
        {"/voices.en.d/custom.bin", "custom", false, true}, // only the file name counts
        {"/models/ggml-tiny.en.bin.part", "ggml-tiny.en.part", true, false},
        {"/m/a.bin.bin", "a", false, true},
        {"/m/x.binocular", "xocular", false, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.displayName);
        MemoryKeyValueStore store;
        if (c.path)
            store.values.insert("modelPath", *c.path);
        const SettingsModel model(store);

        EXPECT_EQ(model.modelDisplayName(), QString::fromUtf8(c.displayName));
        EXPECT_EQ(model.isEnglishOnlyModel(), c.englishOnly);
        EXPECT_EQ(model.supportsTranslation(), c.supportsTranslation);
    }
}

TEST(SettingsShouldTranslate, NeedsBothSwitchesAndAMultilingualModel)
{
    const struct {
        bool experimental;
        bool translate;
        std::optional<QString> path;
        bool expected;
    } cases[] = {
        {false, true, "/m/ggml-large-v3.bin", false},
        {true, true, std::nullopt, true},
        {true, true, "/m/ggml-base.en.bin", false},
        {true, false, "/m/ggml-large-v3.bin", false},
    };
    for (const auto &c : cases) {
        MemoryKeyValueStore store;
        store.values = {{"experimentalFeaturesEnabled", c.experimental}, {"translateToEnglish", c.translate}};
        if (c.path)
            store.values.insert("modelPath", *c.path);
        EXPECT_EQ(SettingsModel(store).shouldTranslate(), c.expected) << c.experimental << c.translate << c.path.value_or("none").toStdString();
    }
}

TEST(SettingsModelFile, PresentOnlyWhileTheFileExists)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("mine.bin");
    parlix::test::writeFile(file, {});
    MemoryKeyValueStore store;
    SettingsModel model(store);

    EXPECT_EQ(model.modelFile(), std::nullopt);
    model.setModelPath(file);
    EXPECT_EQ(model.modelFile(), std::optional<QString>(file));
    ASSERT_TRUE(QFile::remove(file));
    EXPECT_EQ(model.modelFile(), std::nullopt);
    // A vanished file is not cleared: the name still comes from the path.
    EXPECT_EQ(model.modelPath(), std::optional<QString>(file));
    EXPECT_EQ(model.modelDisplayName(), "mine");
}

// ---- Model files and the automatic choice at creation ----

class ModelDirectory : public ::testing::Test {
protected:
    void touch(const QString &name) { parlix::test::writeFile(path(name), {}); }
    QString path(const QString &name) const { return QDir(m_dir.path()).absoluteFilePath(name); }
    SettingsModel::ModelLister lister()
    {
        return [this] {
            ++m_listings;
            return ModelFiles::downloadedModels(m_dir.path());
        };
    }

    QTemporaryDir m_dir;
    int m_listings = 0;
};

TEST_F(ModelDirectory, ListsCatalogueFilesInCatalogueOrderThenTheOthers)
{
    // Created in an order unrelated to the catalogue.
    for (const char *name : {"zeta.bin", "ggml-large-v3.bin", "notes.txt", "ggml-medium.en.bin", ".hidden.bin",
                             "UPPER.BIN", "ggml-tiny.en.bin", "alpha.bin", "ggml-base.en.bin", "model.bin.txt",
                             "ggml-large-v3-turbo.bin", "ggml-small.en.bin", "Ggml-tiny.en.bin"})
        touch(QString::fromLatin1(name));

    const QStringList models = ModelFiles::downloadedModels(m_dir.path());

    ASSERT_EQ(models.size(), 9);
    EXPECT_EQ(models.mid(0, 6), (QStringList{path("ggml-tiny.en.bin"), path("ggml-base.en.bin"), path("ggml-small.en.bin"),
                                             path("ggml-medium.en.bin"), path("ggml-large-v3-turbo.bin"), path("ggml-large-v3.bin")}));
    // Files outside the catalogue follow, in the directory's own listing order.
    QStringList listed;
    for (const QString &name : QDir(m_dir.path()).entryList({"zeta.bin", "alpha.bin", "Ggml-tiny.en.bin"}, QDir::Files | QDir::CaseSensitive, QDir::Unsorted))
        listed.append(path(name));
    EXPECT_EQ(models.mid(6), listed);
}

TEST_F(ModelDirectory, MissingDirectoryListsNothingAndCreatesNothing)
{
    const QString missing = path("absent/models");
    EXPECT_TRUE(ModelFiles::downloadedModels(missing).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(missing));
}

TEST_F(ModelDirectory, AStalePathIsReplacedByTheFirstModelPresent)
{
    struct Case {
        const char *name;
        QStringList files;
        const char *stored; // a name in the directory; empty for none
        const char *chosen; // empty for none
        int listings;
    };
    const Case cases[] = {
        {"stale path, models present", {"ggml-large-v3.bin", "ggml-tiny.en.bin"}, "deleted.bin", "ggml-tiny.en.bin", 1},
        {"stale path, no model present", {"readme.txt"}, "deleted.bin", "deleted.bin", 1},
        {"existing model kept without listing", {"ggml-tiny.en.bin", "custom.bin"}, "custom.bin", "custom.bin", 0},
        {"empty directory on first run", {}, "", "", 1},
        {"first run selects the only model and stores nothing else", {"ggml-base.en.bin"}, "", "ggml-base.en.bin", 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        for (const QString &name : QDir(m_dir.path()).entryList(QDir::Files))
            QFile::remove(path(name));
        for (const QString &name : c.files)
            touch(name);
        m_listings = 0;
        MemoryKeyValueStore store;
        if (*c.stored)
            store.values = {{"modelPath", path(c.stored)}, {"language", text("de")}};

        const SettingsModel settings(store, lister());

        EXPECT_EQ(settings.modelPath(), *c.chosen ? std::optional<QString>(path(c.chosen)) : std::nullopt);
        EXPECT_EQ(m_listings, c.listings);
        EXPECT_EQ(store.writes, QString(c.stored) != QString(c.chosen) ? QStringList{"set modelPath"} : QStringList{});
    }
}

} // namespace
