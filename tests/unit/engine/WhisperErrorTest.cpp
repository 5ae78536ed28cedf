// The engine runner's error descriptions, as callers log and show them.
#include "engine/WhisperError.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using parlix::WhisperError;

struct Case {
    const char *name;
    WhisperError error;
    WhisperError::Kind kind;
    const char *description;
};

void PrintTo(const Case &c, std::ostream *os) { *os << c.name; }

class WhisperErrorDescription : public ::testing::TestWithParam<Case> {};

TEST_P(WhisperErrorDescription, ReadsAsShown)
{
    const Case &c = GetParam();
    EXPECT_EQ(c.error.kind(), c.kind);
    EXPECT_EQ(c.error.errorDescription().toStdString(), std::string(c.description));
    EXPECT_STREQ(c.error.what(), c.description);
}

const Case kCases[] = {
    {"ModelByName", WhisperError::modelNotFound("Base (English)"), WhisperError::Kind::modelNotFound,
     "Model file not found: Base (English)"},
    {"NoModelSelected", WhisperError::modelNotFound("No model selected"), WhisperError::Kind::modelNotFound,
     "Model file not found: No model selected"},
    {"ModelNameWithUnicode", WhisperError::modelNotFound(QString::fromUtf8("modèle-été")), WhisperError::Kind::modelNotFound,
     "Model file not found: modèle-été"},
    {"FailureReason", WhisperError::transcriptionFailed("Unable to decode output"), WhisperError::Kind::transcriptionFailed,
     "Transcription failed: Unable to decode output"},
    {"EmptyReason", WhisperError::transcriptionFailed(""), WhisperError::Kind::transcriptionFailed, "Transcription failed: "},
    {"ExitTwo", WhisperError::processError(2), WhisperError::Kind::processError, "whisper-cli exited with code 2"},
    {"NegativeStatus", WhisperError::processError(-1), WhisperError::Kind::processError, "whisper-cli exited with code -1"},
    {"LargestStatus", WhisperError::processError(std::numeric_limits<qint32>::max()), WhisperError::Kind::processError,
     "whisper-cli exited with code 2147483647"},
    {"SmallestStatus", WhisperError::processError(std::numeric_limits<qint32>::min()), WhisperError::Kind::processError,
     "whisper-cli exited with code -2147483648"},
    {"EngineMissing", WhisperError::engineNotFound(), WhisperError::Kind::engineNotFound, "whisper-cli not found in app bundle"},
};

INSTANTIATE_TEST_SUITE_P(Cases, WhisperErrorDescription, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case> &info) { return std::string(info.param.name); });

TEST(WhisperError, CarriesItsPayload)
{
    EXPECT_EQ(WhisperError::processError(137).exitStatus(), 137);
    EXPECT_EQ(WhisperError::transcriptionFailed("why").payload(), QStringLiteral("why"));
    EXPECT_EQ(WhisperError::modelNotFound("Tiny").payload(), QStringLiteral("Tiny"));
}

} // namespace
