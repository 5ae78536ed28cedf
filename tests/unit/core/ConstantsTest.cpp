// The fixed catalogues: model catalogue, languages, hallucination phrases, version texts.
#include "TestNames.h"
#include "core/Constants.h"
#include "models/ModelCatalog.h"

#include <gtest/gtest.h>

using namespace parlix::Constants;
using parlix::test::identifier;

namespace {

TEST(ModelCatalogue, SixEntriesInOfferOrder)
{
    QStringList ids, files;
    for (const auto &m : Models::available()) {
        ids << m.id;
        files << m.fileName;
    }
    EXPECT_EQ(ids, (QStringList{"tiny.en", "base.en", "small.en", "medium.en", "large-v3-turbo", "large-v3"}));
    EXPECT_EQ(files, (QStringList{"ggml-tiny.en.bin", "ggml-base.en.bin", "ggml-small.en.bin", "ggml-medium.en.bin",
                                  "ggml-large-v3-turbo.bin", "ggml-large-v3.bin"}));
    EXPECT_EQ(Models::available()[4],
              (Models::ModelInfo{"large-v3-turbo", "Large v3 Turbo", "ggml-large-v3-turbo.bin", "1.6 GB", "Best speed/accuracy ratio",
                                  "4af2b29d7ec73d781377bfd1758ca957a807e941"}));
}

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

TEST(Languages, HundredEntriesAutoFirstSundaneseLast)
{
    const auto &languages = supportedLanguages();
    ASSERT_EQ(languages.size(), 100);
    EXPECT_EQ(languages.first(), (WhisperLanguage{"auto", "Auto-detect"}));
    EXPECT_EQ(languages.last(), (WhisperLanguage{"su", "Sundanese"}));
    EXPECT_EQ(languages[1], (WhisperLanguage{"en", "English"}));
    QSet<QString> codes;
    for (const auto &l : languages)
        codes.insert(l.code);
    EXPECT_EQ(codes.size(), 100) << "codes must be unique";
    EXPECT_TRUE(codes.contains("jw"));
    EXPECT_TRUE(codes.contains("haw"));
    EXPECT_FALSE(codes.contains("jv"));
    // Hashing covers both fields, like equality.
    const QSet<WhisperLanguage> set{{"en", "English"}, {"en", "Englisch"}};
    EXPECT_EQ(set.size(), 2);
}

TEST(Hallucinations, FortyNineExactLowerCasePhrases)
{
    const QStringList &list = Whisper::hallucinationList();
    EXPECT_EQ(list.size(), 49);
    EXPECT_EQ(Whisper::hallucinations().size(), 49) << "phrases must be distinct";
    EXPECT_EQ(list.first(), "thank you");
    EXPECT_EQ(list.last(), "well");
    const QString site = QString::fromUtf8(Whisper::subtitleSiteDomain);
    ASSERT_TRUE(site.contains('.'));
    EXPECT_EQ(list[23], "subtitles by the " + site + " community");
    EXPECT_EQ(list[24], "subtitles by the " + QString(site).replace('.', ' ') + " community");
    EXPECT_EQ(list[25], QString::fromUtf8("sottotitoli creati dalla comunità ") + site);
    EXPECT_EQ(list[26], "legendas pela comunidade " + site);
    EXPECT_EQ(list[28], site);
    EXPECT_EQ(list[37], QString(QChar(0x266A)));
    for (const QString &phrase : list) {
        EXPECT_EQ(phrase, phrase.toLower());
        EXPECT_EQ(phrase, phrase.trimmed());
        EXPECT_FALSE(phrase.contains(QChar(0x2019))) << "straight apostrophes only";
    }
}

TEST(Hallucinations, MembershipIsExact)
{
    const auto &set = Whisper::hallucinations();
    EXPECT_TRUE(set.contains("thank you"));
    EXPECT_TRUE(set.contains("don't forget to subscribe"));
    EXPECT_TRUE(set.contains(QString::fromUtf8("♪♪")));
    for (const char *notMember : {"thank you.", "Thank you", " thank you", "thank  you", "don\u2019t forget to subscribe", "thank", "♪♪♪♪"})
        EXPECT_FALSE(set.contains(QString::fromUtf8(notMember))) << notMember;
    EXPECT_EQ(Whisper::endingPunctuation(), (QSet<QString>{".", "!", "?", ":", ";", ","}));
}

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
