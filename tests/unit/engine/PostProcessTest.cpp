// The cleaning of whisper-cli's standard output, case by case.
#include "engine/WhisperTranscriber.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char *name;
    const char *output; // UTF-8, as the engine prints it
    const char *cleaned;
};

void PrintTo(const Case &c, std::ostream *os) { *os << c.name; }

class PostProcess : public ::testing::TestWithParam<Case> {};

TEST_P(PostProcess, Cleans)
{
    const Case &c = GetParam();
    const QString cleaned = parlix::WhisperTranscriber::postProcess(QString::fromUtf8(c.output));
    EXPECT_EQ(cleaned.toStdString(), std::string(c.cleaned));
}

const Case kCases[] = {
    // Sentence shape.
    {"CapitalisedAndClosed", "hello world\n", "Hello world."},
    {"EngineLayoutLeadingNewlineAndSpace", "\n hello world", "Hello world."},
    {"AlreadyClosedKeepsItsMark", "Is it done?", "Is it done?"},
    {"TrailingCommaCountsAsEnding", "hello,   world,", "Hello, world,"},
    {"TrailingColonAndSemicolonCount", "note: see below;", "Note: see below;"},
    {"InvertedQuestionMarkIsNotALetter", "¿qué pasa?", "¿qué pasa?"},
    {"DigitIsNotCapitalised", "3 apples", "3 apples."},
    {"UpperCaseRestIsKept", "hello NASA and iPhone", "Hello NASA and iPhone."},
    {"AccentedFirstLetter", "élan", "Élan."},
    {"CombiningMarkStaysWithItsLetter", "e\u0301cole", "E\u0301cole."},
    {"SharpSUpperCasesToTwoLetters", "ßtraße", "SStraße."},
    {"UncasedScriptOnlyClosed", "日本語", "日本語."},
    {"EmojiAtTheEndGetsAPeriod", "hello 👋", "Hello 👋."},
    {"QuestionMarkWithCombiningMarkIsNotEnding", "what?\u0301", "What?\u0301."},
    // White space.
    {"EmptyStaysEmpty", "", ""},
    {"OnlyWhiteSpace", " \n\t \r\n", ""},
    {"NoBreakAndIdeographicSpaceTrimmed", "\u00A0hello\u3000", "Hello."},
    {"LineSeparatorsTrimmed", "\u2028hello\u2029\u0085", "Hello."},
    {"SpaceRunsCollapse", "a    b     c", "A b c."},
    {"TabsInsideStay", "a\t\tb", "A\t\tb."},
    {"NewlinesInsideStay", "line one\n\nline two", "Line one\n\nline two."},
    // Non-speech markers.
    {"BlankAudioOnly", " [BLANK_AUDIO]\n", ""},
    {"MarkersInMixedCase", "[Blank_Audio] [music] (Silence) (MUSIC) [ApPlAuSe]", ""},
    {"MarkerBetweenWordsLeavesTwoSpaces", "Hello [music] world", "Hello  world."},
    {"MarkerInsideAWord", "Hello[MUSIC]world", "Helloworld."},
    {"MarkerAtStartThenLowerCase", "(music) hello", "Hello."},
    {"RepeatedMarker", "[MUSIC][MUSIC] hi [MUSIC]", "Hi."},
    {"UnclosedBracketIsText", "[BLANK_AUDIO", "[BLANK_AUDIO."},
    {"OtherBracketedTextIsKept", "[laughs] hello", "[laughs] hello."},
    // Phrases the engine produces on silence.
    {"ThankYouWithPeriod", "Thank you.", ""},
    {"PhraseWithPunctuationAtBothEnds", "...you?!", ""},
    {"MusicNotes", "♪♪", ""},
    {"SingleWordAfterMarker", "[BLANK_AUDIO] okay.", ""},
    {"PhraseInsideLongerTextIsKept", "Thank you for your help", "Thank you for your help."},
    {"PhraseFollowedByMoreWords", "okay, so", "Okay, so."},
    {"SpaceExposedByPunctuationTrimStays", "you .", "You ."},
    {"NonAsciiPhraseCaseInsensitive", "SOTTOTITOLI CREATI DALLA COMUNITÀ AMARA.ORG", ""},
    {"DomainPhraseKeepsInnerDots", "Amara.org.", ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, PostProcess, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case> &info) { return std::string(info.param.name); });

} // namespace
