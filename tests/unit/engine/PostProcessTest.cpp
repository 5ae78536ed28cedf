// The cleaning of whisper-cli's standard output, case by case.
#include "engine/TranscriptCleaner.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char *name;
    const char *output; // UTF-8, as the engine prints it
    const char *cleaned;
};

const Case kCases[] = {
    // Sentence shape.
    {"CapitalisedAndClosed", "hello world\n", "Hello world."},
    {"EngineLayoutLeadingNewlineAndSpace", "\n hello world", "Hello world."},
    {"AlreadyClosedKeepsItsMark", "Is it done?", "Is it done?"},
    {"TrailingCommaCountsAsEnding", "hello,   world,", "Hello, world,"},
    {"CombiningMarkStaysWithItsLetter", "e\u0301cole", "E\u0301cole."},
    {"SharpSUpperCasesToTwoLetters", "ßtraße", "SStraße."},
    {"QuestionMarkWithCombiningMarkIsNotEnding", "what?\u0301", "What?\u0301."},
    // White space.
    {"EmptyStaysEmpty", "", ""},
    {"OnlyWhiteSpace", " \n\t \r\n", ""},
    {"NoBreakAndIdeographicSpaceTrimmed", "\u00A0hello\u3000", "Hello."},
    {"SpaceRunsCollapse", "a    b     c", "A b c."},
    {"NewlinesInsideStay", "line one\n\nline two", "Line one\n\nline two."},
    // Non-speech markers.
    {"BlankAudioOnly", " [BLANK_AUDIO]\n", ""},
    {"MarkersInMixedCase", "[Blank_Audio] [music] (Silence) (MUSIC) [ApPlAuSe]", ""},
    {"MarkerBetweenWordsLeavesTwoSpaces", "Hello [music] world", "Hello  world."},
    {"MarkerInsideAWord", "Hello[MUSIC]world", "Helloworld."},
    {"UnclosedBracketIsText", "[BLANK_AUDIO", "[BLANK_AUDIO."},
    // Phrases the engine produces on silence.
    {"ThankYouWithPeriod", "Thank you.", ""},
    {"PhraseWithPunctuationAtBothEnds", "...you?!", ""},
    {"PhraseInsideLongerTextIsKept", "Thank you for your help", "Thank you for your help."},
    {"SpaceExposedByPunctuationTrimStays", "you .", "You ."},
    {"NonAsciiPhraseCaseInsensitive", "SOTTOTITOLI CREATI DALLA COMUNITÀ AMARA.ORG", ""},
    {"DomainPhraseKeepsInnerDots", "Amara.org.", ""},
};

TEST(PostProcess, Cleans)
{
    for (const Case &c : kCases) {
        SCOPED_TRACE(c.name);
        const QString cleaned = parlix::TranscriptCleaner::clean(QString::fromUtf8(c.output));
        EXPECT_EQ(cleaned.toStdString(), std::string(c.cleaned));
    }
}

} // namespace
