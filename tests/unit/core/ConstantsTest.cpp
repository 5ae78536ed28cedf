// The version text, marking development builds. (Model display names: SettingsModelTest.)
#include "core/Constants.h"

#include <gtest/gtest.h>

using namespace parlix::Constants;

namespace {

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
