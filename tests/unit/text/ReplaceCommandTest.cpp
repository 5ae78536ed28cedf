// parlixctl replace, run as a process with its own configuration directory: bytes in, bytes out.
#include "Files.h"
#include "ProcessRunner.h"
#include "TestEnvironment.h"
#include "core/JsonFileKeyValueStore.h"
#include "core/SettingsModel.h"
#include "core/TextReplacementRule.h"

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
    QString path(const QString &name) const { return home.filePath(name); }
    QString settingsPath() const { return path(QStringLiteral("config/Parlix/settings.json")); }

    // The user's stored settings, written the way the app writes them.
    void storeSettings(const std::function<void(SettingsModel &)> &change) const
    {
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

// Bytes in, bytes out; every failure exits non-zero with nothing on stdout. `rules`: the --rules
// file's content (none when null, a missing file when "<missing>").
TEST_F(ReplaceCommandTest, WritesTheResultByteForByteOrReportsOnStderr)
{
    const struct {
        const char *name;
        QByteArray rules;
        QStringList extraArgs;
        std::string input;
        int exitCode;
        std::string out;
        const char *stderrHas;
    } cases[] = {
        // Without settings every example rule is off: nothing changes, not even spacing.
        {"defaults leave text alone", {}, {}, "  hello period world\n", 0, "  hello period world\n", ""},
        {"byte order mark kept", {}, {}, "\xEF\xBB\xBFhi", 0, "\xEF\xBB\xBFhi", ""},
        {"NUL and control bytes", {}, {}, std::string("a\0b\r\n", 5), 0, std::string("a\0b\r\n", 5), ""},
        {"rules file, trailing newline trimmed", kRulesJson, {}, "hello period world\n", 0, "hello. world", ""},
        {"non-ASCII kept", kRulesJson, {}, "Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x98\x80 bold x bold", 0,
         "Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x98\x80 **x**", ""},
        {"invalid UTF-8", {}, {}, "ok \xFF\xFE", 1, "", "not valid UTF-8"},
        {"missing rules file", "<missing>", {}, "x", 1, "", "Cannot read rules file"},
        {"rules file not JSON", "period", {}, "x", 1, "", "is not a JSON array of rules"},
        {"unknown option", {}, {QStringLiteral("--bogus")}, "x", 2, "", ""},
        {"--rules without a file", {}, {QStringLiteral("--rules")}, "x", 2, "", ""},
        {"extra argument", {}, {QStringLiteral("extra")}, "x", 2, "", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QStringList args;
        if (!c.rules.isNull()) {
            if (c.rules != "<missing>")
                test::writeFile(path(QStringLiteral("rules.json")), c.rules);
            args = {QStringLiteral("--rules"), path(c.rules == "<missing>" ? QStringLiteral("nope.json") : QStringLiteral("rules.json"))};
        }
        const Result r = run(args + c.extraArgs, QByteArray::fromStdString(c.input));
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_EQ(r.out, c.out);
        EXPECT_NE(r.err.find(c.stderrHas), std::string::npos) << r.err;
        if (c.exitCode == 0)
            EXPECT_EQ(r.err, "");
    }
}

TEST_F(ReplaceCommandTest, UsesTheStoredRulesAndSwitchesButARulesFileLeavesThemAlone)
{
    const auto rules = TextReplacementRule::decode(kRulesJson);
    ASSERT_TRUE(rules);
    storeSettings([&](SettingsModel &s) { s.setTextReplacementRules(*rules); });
    EXPECT_EQ(run({}, "a period b").out, "a. b");

    storeSettings([](SettingsModel &s) { s.setExperimentalFeaturesEnabled(false); });
    EXPECT_EQ(run({}, "a period b").out, "a period b");
    const QByteArray before = test::fileBytes(settingsPath());
    test::writeFile(path(QStringLiteral("rules.json")), kRulesJson);
    EXPECT_EQ(run({QStringLiteral("--rules"), path(QStringLiteral("rules.json"))}, "a period b").out, "a. b")
        << "a rules file acts as if both switches were on";
    EXPECT_EQ(test::fileBytes(settingsPath()), before);
}

} // namespace
