// The names derived from the fixed tables: model display names and version texts.
#include "TestNames.h"
#include "core/Constants.h"
#include "models/ModelCatalog.h"

#include <gtest/gtest.h>

using namespace parlix::Constants;
using parlix::test::identifier;

namespace {

struct DisplayNameCase {
    const char *input;
    const char *expected;
};

void PrintTo(const DisplayNameCase &c, std::ostream *os) { *os << identifier(c.input); }

class ModelDisplayNameRule : public ::testing::TestWithParam<DisplayNameCase> {};

TEST_P(ModelDisplayNameRule, CatalogueNameElseFileNameWithoutBin)
{
    EXPECT_EQ(modelDisplayName(QString::fromUtf8(GetParam().input)), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Table, ModelDisplayNameRule,
                         ::testing::Values(DisplayNameCase{"ggml-large-v3.bin", "Large v3"},
                                           DisplayNameCase{"/home/u/.local/share/Parlix/models/ggml-tiny.en.bin", "Tiny (English)"},
                                           DisplayNameCase{"GGML-LARGE-V3.BIN", "GGML-LARGE-V3.BIN"},
                                           DisplayNameCase{"my-model.bin", "my-model"},
                                           DisplayNameCase{"a.bin.bin", "a"},
                                           DisplayNameCase{"binary.bin", "binary"},
                                           DisplayNameCase{"x.binocular", "xocular"},
                                           DisplayNameCase{"/models.bin/plain", "plain"}));

struct VersionCase {
    std::optional<QString> shortVersion;
    const char *identifier;
    const char *expected;
};

void PrintTo(const VersionCase &c, std::ostream *os)
{
    *os << identifier(c.shortVersion.value_or("none").toStdString() + "_" + c.identifier);
}

class VersionDisplay : public ::testing::TestWithParam<VersionCase> {};

TEST_P(VersionDisplay, PrefixesVAndMarksDevelopmentBuilds)
{
    const VersionCase &c = GetParam();
    EXPECT_EQ(versionDisplayString({c.shortVersion, QString::fromUtf8(c.identifier)}), QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Table, VersionDisplay,
                         ::testing::Values(VersionCase{"1.2", "com.quorvane.parlix", "v1.2"},
                                           VersionCase{"1.2", "com.quorvane.parlix.dev", "v1.2 (Dev Build)"},
                                           VersionCase{std::nullopt, "com.quorvane.parlix", "vUnknown"},
                                           VersionCase{std::nullopt, "com.quorvane.parlix.dev", "vUnknown (Dev Build)"},
                                           VersionCase{"1.2", "com.quorvane.parlix.devtools", "v1.2"},
                                           VersionCase{"1.2", "com.quorvane.parlix.DEV", "v1.2"}));

TEST(RunningBuild, HasAVersionAndTheAppId)
{
    const BuildInfo info = buildInfo();
    ASSERT_TRUE(info.shortVersion.has_value());
    EXPECT_FALSE(info.shortVersion->isEmpty());
    EXPECT_TRUE(info.identifier.startsWith("com.quorvane.parlix"));
    EXPECT_EQ(appVersion(), *info.shortVersion);
}

} // namespace
