// SettingsModel: the reading rules at creation, notify-then-persist on assignment, the values
// derived from the model path and the automatic model choice.
#include "CategoryLog.h"
#include "core/Categories.h"
#include "MemoryKeyValueStore.h"
#include "TestNames.h"
#include "core/SettingsModel.h"
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
using parlix::test::CategoryLog;
using parlix::test::MemoryKeyValueStore;
using parlix::test::identifier;

namespace {

using Snapshot = std::map<std::string, std::string>;

std::string number(double v)
{
    return QString::number(v, 'g', 17).toStdString();
}

std::string flag(bool b)
{
    return b ? "true" : "false";
}

// Every setting as text, so a whole model compares (and prints) as one value.
Snapshot snapshot(const SettingsModel &m)
{
    return {
        {"hotkey", m.hotkey().displayString().toStdString()},
        {"modelPath", m.modelPath() ? m.modelPath()->toStdString() : "<none>"},
        {"outputMode", rawValue(m.outputMode()).toStdString()},
        {"language", m.language().toStdString()},
        {"launchAtLogin", flag(m.launchAtLogin())},
        {"maxHistoryItems", std::to_string(m.maxHistoryItems())},
        {"recordingMode", rawValue(m.recordingMode()).toStdString()},
        {"silenceDetectionEnabled", flag(m.silenceDetectionEnabled())},
        {"silenceThresholdDb", number(m.silenceThresholdDb())},
        {"silenceDurationSeconds", number(m.silenceDurationSeconds())},
        {"liveDictationEnabled", flag(m.liveDictationEnabled())},
        {"liveDictationMaxMinutes", std::to_string(m.liveDictationMaxMinutes())},
        {"translateToEnglish", flag(m.translateToEnglish())},
        {"textReplacementEnabled", flag(m.textReplacementEnabled())},
        {"experimentalFeaturesEnabled", flag(m.experimentalFeaturesEnabled())},
    };
}

const Snapshot &defaults()
{
    static const Snapshot d = {
        {"hotkey", "Ctrl+Alt+Space"},
        {"modelPath", "<none>"},
        {"outputMode", "paste_only"},
        {"language", "auto"},
        {"launchAtLogin", "false"},
        {"maxHistoryItems", "50"},
        {"recordingMode", "toggle"},
        {"silenceDetectionEnabled", "false"},
        {"silenceThresholdDb", "-40"},
        {"silenceDurationSeconds", "2"},
        {"liveDictationEnabled", "false"},
        {"liveDictationMaxMinutes", "60"},
        {"translateToEnglish", "false"},
        {"textReplacementEnabled", "true"},
        {"experimentalFeaturesEnabled", "true"},
    };
    return d;
}

QVariant i64(qint64 v) { return QVariant(qlonglong(v)); }
QVariant text(const char *s) { return QVariant(QString::fromUtf8(s)); }
QVariant bytes(const char *s) { return QVariant(QByteArray(s)); }

struct ReadCase {
    const char *name;
    QMap<QString, QVariant> stored;
    Snapshot expectedDifferences; // from defaults()
};

// Conversions between stored types are KeyValueStoreTest's, hotkey decoding HotkeyConfigTest's;
// these rows are the model's own fallbacks.
const ReadCase readCases[] = {
    {"empty store gives every default", {}, {}},
    {"maxHistoryItems stored 0 means keep forever", {{"maxHistoryItems", i64(0)}}, {{"maxHistoryItems", "0"}}},
    {"maxHistoryItems negative falls back to 50", {{"maxHistoryItems", i64(-5)}}, {}},
    {"silenceThresholdDb 0.0 means default", {{"silenceThresholdDb", QVariant(0.0f)}}, {}},
    {"silenceThresholdDb -25.5 kept", {{"silenceThresholdDb", QVariant(-25.5f)}}, {{"silenceThresholdDb", "-25.5"}}},
    {"silenceDurationSeconds -1 falls back", {{"silenceDurationSeconds", QVariant(-1.0)}}, {}},
    {"liveDictationMaxMinutes 0 falls back", {{"liveDictationMaxMinutes", i64(0)}}, {}},
    {"liveDictationMaxMinutes 15 kept", {{"liveDictationMaxMinutes", i64(15)}}, {{"liveDictationMaxMinutes", "15"}}},
    {"textReplacementEnabled stored false", {{"textReplacementEnabled", QVariant(false)}}, {{"textReplacementEnabled", "false"}}},
    {"outputMode copy_only", {{"outputMode", text("copy_only")}}, {{"outputMode", "copy_only"}}},
    {"outputMode differing in case is unknown", {{"outputMode", text("COPY_ONLY")}}, {}},
    {"recordingMode push_to_talk", {{"recordingMode", text("push_to_talk")}}, {{"recordingMode", "push_to_talk"}}},
    {"recordingMode hold is unknown", {{"recordingMode", text("hold")}}, {}},
    {"hotkey stored", {{"hotkey", bytes(R"({"keyCode":2,"modifiers":768})")}}, {{"hotkey", "Super+Shift+D"}}},
};

void PrintTo(const ReadCase &c, std::ostream *os) { *os << identifier(c.name); }

class SettingsReading : public ::testing::TestWithParam<ReadCase> {};

TEST_P(SettingsReading, AppliesTheRuleAndWritesNothing)
{
    const ReadCase &c = GetParam();
    MemoryKeyValueStore store;
    store.values = c.stored;

    const SettingsModel model(store);

    Snapshot expected = defaults();
    for (const auto &[k, v] : c.expectedDifferences)
        expected[k] = v;
    EXPECT_EQ(snapshot(model), expected);
    EXPECT_TRUE(store.writes.isEmpty()) << store.writes.join(", ").toStdString();
    EXPECT_EQ(store.values, c.stored);
}

INSTANTIATE_TEST_SUITE_P(Table, SettingsReading, ::testing::ValuesIn(readCases));

// ---- Assignment: notify, then persist; one write per assignment ----

struct WriteCase {
    const char *key;
    std::function<void(SettingsModel &)> assign;
    QVariant stored;      // what the store must hold afterwards, type included
    std::string readBack; // the getter's value, as in snapshot()
};

const WriteCase writeCases[] = {
    {"hotkey", [](SettingsModel &m) { m.setHotkey({2, 768}); }, bytes(R"({"keyCode":2,"modifiers":768})"), "Super+Shift+D"},
    {"modelPath", [](SettingsModel &m) { m.setModelPath(QStringLiteral("/m/x.bin")); }, text("/m/x.bin"), "/m/x.bin"},
    {"outputMode", [](SettingsModel &m) { m.setOutputMode(OutputMode::copyOnly); }, text("copy_only"), "copy_only"},
    {"language", [](SettingsModel &m) { m.setLanguage(QStringLiteral("de")); }, text("de"), "de"},
    {"launchAtLogin", [](SettingsModel &m) { m.setLaunchAtLogin(true); }, QVariant(true), "true"},
    {"maxHistoryItems", [](SettingsModel &m) { m.setMaxHistoryItems(0); }, i64(0), "0"},
    {"recordingMode", [](SettingsModel &m) { m.setRecordingMode(RecordingMode::pushToTalk); }, text("push_to_talk"), "push_to_talk"},
    {"silenceThresholdDb", [](SettingsModel &m) { m.setSilenceThresholdDb(-25.5f); }, QVariant(-25.5f), "-25.5"},
    {"silenceDurationSeconds", [](SettingsModel &m) { m.setSilenceDurationSeconds(0.0); }, QVariant(0.0), "0"},
    {"liveDictationMaxMinutes", [](SettingsModel &m) { m.setLiveDictationMaxMinutes(5); }, i64(5), "5"},
    {"textReplacementEnabled", [](SettingsModel &m) { m.setTextReplacementEnabled(false); }, QVariant(false), "false"},
};

struct Observation {
    QString key;
    std::string readBack;
    std::optional<QVariant> storedAtNotification;
};

void PrintTo(const WriteCase &c, std::ostream *os) { *os << identifier(std::string(c.key) + "_" + c.readBack); }

class SettingsAssignment : public ::testing::TestWithParam<WriteCase> {};

TEST_P(SettingsAssignment, NotifiesWithTheNewValueBeforeStoringItOncePerAssignment)
{
    const WriteCase &c = GetParam();
    const QString key = QString::fromLatin1(c.key);
    MemoryKeyValueStore store;
    SettingsModel model(store);
    std::vector<Observation> seen;
    QObject::connect(&model, &SettingsModel::changed, [&](const QString &k) {
        seen.push_back({k, snapshot(model).at(c.key), store.object(k)});
    });

    c.assign(model);

    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].key, key);
    EXPECT_EQ(seen[0].readBack, c.readBack);
    EXPECT_FALSE(seen[0].storedAtNotification.has_value()) << "stored before observers were told";
    ASSERT_EQ(store.values.keys(), QStringList{key});
    EXPECT_EQ(store.values.value(key).typeId(), c.stored.typeId());
    EXPECT_EQ(store.values.value(key), c.stored);
    EXPECT_EQ(store.writes, QStringList{"set " + key});

    // The same value again is written again: there is no equality check.
    c.assign(model);

    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(store.writes, (QStringList{"set " + key, "set " + key}));
    EXPECT_EQ(store.values.value(key), c.stored);
}

INSTANTIATE_TEST_SUITE_P(Table, SettingsAssignment, ::testing::ValuesIn(writeCases));

TEST(SettingsAssignmentModelPath, AbsentRemovesTheKeyAfterNotifying)
{
    MemoryKeyValueStore store;
    store.values = {{"modelPath", text("/m/x.bin")}};
    SettingsModel model(store);
    std::vector<Observation> seen;
    QObject::connect(&model, &SettingsModel::changed, [&](const QString &k) {
        seen.push_back({k, snapshot(model).at("modelPath"), store.object(k)});
    });

    model.setModelPath(std::nullopt);

    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].readBack, "<none>");
    EXPECT_EQ(seen[0].storedAtNotification, std::optional<QVariant>(text("/m/x.bin")));
    EXPECT_TRUE(store.values.isEmpty());
    EXPECT_EQ(store.writes, QStringList{"remove modelPath"});
}

TEST(SettingsLogLines, HotkeySavedAndModelSelected)
{
    MemoryKeyValueStore store;
    SettingsModel model(store);
    CategoryLog log(lcSettings());

    model.setHotkey({2, HotkeyConfig::command | HotkeyConfig::shift});
    model.selectModel(QStringLiteral("/m/ggml-base.en.bin"));

    EXPECT_EQ(log.lines, (QStringList{
                             "info Hotkey saved: Super+Shift+D",
                             "info Selected model: ggml-base.en.bin",
                         }));
    EXPECT_EQ(store.values.value("modelPath"), text("/m/ggml-base.en.bin"));
}

// ---- Derived values ----

struct DerivedCase {
    std::optional<QString> path;
    const char *displayName;
    bool englishOnly;
    bool supportsTranslation;
};

// The display name itself is modelDisplayName()'s (ConstantsTest).
const DerivedCase derivedCases[] = {
    {std::nullopt, "No model selected", false, true},
    {"/models/ggml-base.en.bin", "Base (English)", true, false},
    {"/models/GGML-TINY.EN.BIN", "GGML-TINY.EN.BIN", true, false},
    {"/voices.en.d/custom.bin", "custom", false, true}, // only the file name counts
    {"/models/ggml-tiny.en.bin.part", "ggml-tiny.en.part", true, false},
};

void PrintTo(const DerivedCase &c, std::ostream *os) { *os << identifier(c.path ? c.path->toStdString() : "none"); }

class SettingsDerived : public ::testing::TestWithParam<DerivedCase> {};

TEST_P(SettingsDerived, FollowTheFileName)
{
    const DerivedCase &c = GetParam();
    MemoryKeyValueStore store;
    if (c.path)
        store.values.insert("modelPath", *c.path);
    const SettingsModel model(store);

    EXPECT_EQ(model.modelDisplayName(), QString::fromUtf8(c.displayName));
    EXPECT_EQ(model.isEnglishOnlyModel(), c.englishOnly);
    EXPECT_EQ(model.supportsTranslation(), c.supportsTranslation);
}

INSTANTIATE_TEST_SUITE_P(Table, SettingsDerived, ::testing::ValuesIn(derivedCases));

struct TranslateCase {
    bool experimental;
    bool translate;
    std::optional<QString> path;
    bool expected;
};

void PrintTo(const TranslateCase &c, std::ostream *os)
{
    *os << "experimental" << c.experimental << "_translate" << c.translate << "_"
        << identifier(c.path ? QFileInfo(*c.path).fileName().toStdString() : "none");
}

class SettingsShouldTranslate : public ::testing::TestWithParam<TranslateCase> {};

TEST_P(SettingsShouldTranslate, NeedsBothSwitchesAndAMultilingualModel)
{
    const TranslateCase &c = GetParam();
    MemoryKeyValueStore store;
    store.values = {{"experimentalFeaturesEnabled", c.experimental}, {"translateToEnglish", c.translate}};
    if (c.path)
        store.values.insert("modelPath", *c.path);
    const SettingsModel model(store);

    EXPECT_EQ(model.shouldTranslate(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, SettingsShouldTranslate,
                         ::testing::Values(TranslateCase{false, true, "/m/ggml-large-v3.bin", false},
                                           TranslateCase{true, true, std::nullopt, true},
                                           TranslateCase{true, true, "/m/ggml-base.en.bin", false},
                                           TranslateCase{true, false, "/m/ggml-large-v3.bin", false}));

TEST(SettingsModelFile, PresentOnlyWhileTheFileExists)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("mine.bin");
    QFile(file).open(QIODevice::WriteOnly);
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
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString touch(const QString &name)
    {
        const QString path = QDir(m_dir.path()).absoluteFilePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
        return path;
    }
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
    CategoryLog log(lcModelDownload());

    EXPECT_TRUE(ModelFiles::downloadedModels(missing).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(missing));
    ASSERT_EQ(log.lines.size(), 1);
    EXPECT_TRUE(log.lines[0].startsWith("error Failed to list models: ")) << log.lines[0].toStdString();
}

TEST_F(ModelDirectory, FirstRunSelectsTheOnlyModelAndStoresNothingElse)
{
    const QString model = touch("ggml-base.en.bin");
    MemoryKeyValueStore store;
    CategoryLog log(lcSettings());

    const SettingsModel settings(store, lister());

    EXPECT_EQ(settings.modelPath(), std::optional<QString>(model));
    EXPECT_EQ(store.values, (QMap<QString, QVariant>{{"modelPath", model}}));
    EXPECT_EQ(log.lines, (QStringList{"info Auto-selected first available model: ggml-base.en.bin",
                                      "info Settings loaded: hotkey=Ctrl+Alt+Space, model=Base (English)"}));
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
