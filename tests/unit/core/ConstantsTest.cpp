// The names derived from the fixed tables: model display names and version texts.
#include "core/Constants.h"
#include "models/ModelCatalog.h"

#include <gtest/gtest.h>

using namespace parlix::Constants;

namespace {

TEST(ModelDisplayName, CatalogueNameElseFileNameWithoutBin)
{
    const std::pair<const char *, const char *> rows[] = {
        {"/home/u/.local/share/Parlix/models/ggml-tiny.en.bin", "Tiny (English)"},
        {"GGML-LARGE-V3.BIN", "GGML-LARGE-V3.BIN"},
        {"a.bin.bin", "a"},
        {"x.binocular", "xocular"},
        {"/models.bin/plain", "plain"},
    };
    for (const auto &[input, expected] : rows)
        EXPECT_EQ(modelDisplayName(QString::fromUtf8(input)), QString::fromUtf8(expected)) << input;
}

TEST(VersionDisplay, PrefixesVAndMarksDevelopmentBuilds)
{
    const struct {
        std::optional<QString> shortVersion;
        const char *identifier;
        const char *expected;
    } rows[] = {
        {"1.2", "com.quorvane.parlix", "v1.2"},
        {std::nullopt, "com.quorvane.parlix.dev", "vUnknown (Dev Build)"},
        {"1.2", "com.quorvane.parlix.devtools", "v1.2"},
    };
    for (const auto &r : rows)
        EXPECT_EQ(versionDisplayString({r.shortVersion, QString::fromUtf8(r.identifier)}), QString::fromUtf8(r.expected)) << r.identifier;
}

} // namespace
