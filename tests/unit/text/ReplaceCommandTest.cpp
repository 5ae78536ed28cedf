// parlixctl replace, run as a process with its own configuration directory: bytes in, bytes out.
#include "ProcessRunner.h"
#include "TestEnvironment.h"
#include "core/JsonFileKeyValueStore.h"
#include "core/SettingsModel.h"
#include "core/TextReplacementRule.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace parlix;

namespace {

struct Result {
    int exitCode = -1;
    std::string out;
    std::string err;
};

const char kRulesJson[] =
    R"([{"id":"3F2504E0-4F89-41D3-9A0C-0305E82C3301","trigger":"period","replacement":".","isEnabled":true},)"
    R"({"id":"3F2504E0-4F89-41D3-9A0C-0305E82C3302","trigger":"bold","replacement":"\\bold","isEnabled":true},)"
    R"({"id":"3F2504E0-4F89-41D3-9A0C-0305E82C3303","trigger":"comma","replacement":",","isEnabled":false}])";

class ReplaceCommandTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(home.isValid()); }

    QString path(const QString &name) const { return home.filePath(name); }
    QString settingsPath() const { return path(QStringLiteral("config/Parlix/settings.json")); }

    void writeFile(const QString &name, const QByteArray &bytes) const
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    // The user's stored settings, written the way the app writes them.
    void storeSettings(const std::function<void(SettingsModel &)> &change) const
    {
        QDir().mkpath(QFileInfo(settingsPath()).path());
        JsonFileKeyValueStore store(settingsPath());
        SettingsModel settings(store);
        change(settings);
    }

    Result run(const QStringList &args, const QByteArray &input) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
        const test::ProcessResult r = test::runProcess(test::binDirectory() + QStringLiteral("/parlixctl"),
                                                       QStringList{QStringLiteral("replace")} + args, env, input, 60000, home.path());
        return {r.exitCode, r.out.toStdString(), r.err.toStdString()};
    }

    QTemporaryDir home;
};

struct PassCase {
    const char *name;
    bool withRules;
    std::string input;
    std::string expected;
};

class ReplaceCommandOutputTest : public ReplaceCommandTest, public ::testing::WithParamInterface<PassCase> {};

TEST_P(ReplaceCommandOutputTest, WritesTheResultByteForByte)
{
    writeFile(QStringLiteral("rules.json"), kRulesJson);
    const QStringList args = GetParam().withRules ? QStringList{QStringLiteral("--rules"), path(QStringLiteral("rules.json"))} : QStringList{};
    const Result r = run(args, QByteArray::fromStdString(GetParam().input));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, GetParam().expected);
    EXPECT_EQ(r.err, "");
}

INSTANTIATE_TEST_SUITE_P(Texts, ReplaceCommandOutputTest, ::testing::Values(
    // Without settings every example rule is off: nothing changes, not even spacing.
    PassCase{"DefaultsLeaveTextAlone", false, "  hello period world\n", "  hello period world\n"},
    PassCase{"EmptyInput", false, "", ""},
    PassCase{"ByteOrderMarkKept", false, "\xEF\xBB\xBFhi", "\xEF\xBB\xBFhi"},
    PassCase{"NulAndControlBytes", false, std::string("a\0b\r\n", 5), std::string("a\0b\r\n", 5)},
    PassCase{"RulesFileTrailingNewlineTrimmed", true, "hello period world\n", "hello. world"},
    PassCase{"NonAsciiKept", true, "Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x98\x80 bold x bold", "Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x98\x80 **x**"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ReplaceCommandTest, UsesTheStoredRulesAndSwitchesButARulesFileLeavesThemAlone)
{
    const auto rules = TextReplacementRule::decode(kRulesJson);
    ASSERT_TRUE(rules);
    storeSettings([&](SettingsModel &s) { s.setTextReplacementRules(*rules); });
    EXPECT_EQ(run({}, "a period b").out, "a. b");

    storeSettings([](SettingsModel &s) { s.setExperimentalFeaturesEnabled(false); });
    EXPECT_EQ(run({}, "a period b").out, "a period b");
    QFile settings(settingsPath());
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    const QByteArray before = settings.readAll();
    settings.close();
    writeFile(QStringLiteral("rules.json"), kRulesJson);
    EXPECT_EQ(run({QStringLiteral("--rules"), path(QStringLiteral("rules.json"))}, "a period b").out, "a. b")
        << "a rules file acts as if both switches were on";
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_EQ(settings.readAll(), before);
}

struct FailureCase {
    const char *name;
    QByteArray rulesFile; // empty: no --rules; "<missing>": a path that does not exist
    QByteArray input;
    int exitCode;
    const char *stderrHas;
};

class ReplaceCommandFailureTest : public ReplaceCommandTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ReplaceCommandFailureTest, ReportsOnStderrAndWritesNothing)
{
    const auto &c = GetParam();
    QStringList args;
    if (c.rulesFile == "<missing>") {
        args = {QStringLiteral("--rules"), path(QStringLiteral("nope.json"))};
    } else if (!c.rulesFile.isEmpty()) {
        writeFile(QStringLiteral("rules.json"), c.rulesFile);
        args = {QStringLiteral("--rules"), path(QStringLiteral("rules.json"))};
    }
    const Result r = run(args, c.input);
    EXPECT_EQ(r.exitCode, c.exitCode);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(c.stderrHas), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(Inputs, ReplaceCommandFailureTest, ::testing::Values(
    FailureCase{"InvalidUtf8", {}, "ok \xFF\xFE", 1, "not valid UTF-8"},
    FailureCase{"InvalidUtf8WithRules", kRulesJson, "\xFF", 1, "not valid UTF-8"},
    FailureCase{"MissingRulesFile", "<missing>", "x", 1, "Cannot read rules file"},
    FailureCase{"RulesFileNotJson", "period", "x", 1, "is not a JSON array of rules"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ReplaceCommandTest, RejectsUnknownArguments)
{
    for (const QStringList &args : {QStringList{QStringLiteral("--bogus")}, QStringList{QStringLiteral("--rules")},
                                    QStringList{QStringLiteral("extra")}}) {
        const Result r = run(args, "x");
        EXPECT_EQ(r.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_EQ(r.out, "");
    }
}

} // namespace
