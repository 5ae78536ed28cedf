#include "engine/TranscriptCleaner.h"

#include "core/Constants.h"
#include "core/Graphemes.h"

#include <unicode/locid.h>
#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <memory>

namespace parlix {

namespace {

icu::UnicodeString toIcu(const QString &s)
{
    return icu::UnicodeString(reinterpret_cast<const char16_t *>(s.utf16()), int32_t(s.size()));
}

QString fromIcu(const icu::UnicodeString &u)
{
    return QString(reinterpret_cast<const QChar *>(u.getBuffer()), u.length());
}

// Trims Unicode white space (line breaks included) from both ends.
QString trimWhitespace(const QString &s)
{
    const icu::UnicodeString u = toIcu(s);
    int32_t start = 0;
    int32_t end = u.length();
    while (start < end && u_isUWhiteSpace(u.char32At(start)))
        start = u.moveIndex32(start, 1);
    while (end > start) {
        const int32_t prev = u.moveIndex32(end, -1);
        if (!u_isUWhiteSpace(u.char32At(prev)))
            break;
        end = prev;
    }
    return s.mid(start, end - start);
}

QString trimCharacters(const QString &s, const QString &set)
{
    qsizetype start = 0;
    qsizetype end = s.size();
    while (start < end && set.contains(s[start]))
        ++start;
    while (end > start && set.contains(s[end - 1]))
        --end;
    return s.mid(start, end - start);
}

QString removeMarkers(QString text)
{
    static const char *const patterns[] = {
        R"(\[BLANK_AUDIO\])", R"(\[MUSIC\])", R"(\[APPLAUSE\])", R"(\(silence\))", R"(\(music\))",
    };
    for (const char *pattern : patterns) {
        UErrorCode status = U_ZERO_ERROR;
        UParseError parseError;
        std::unique_ptr<icu::RegexPattern> regex(
            icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(pattern), UREGEX_CASE_INSENSITIVE, parseError, status));
        if (U_FAILURE(status))
            continue;
        const icu::UnicodeString input = toIcu(text);
        std::unique_ptr<icu::RegexMatcher> matcher(regex->matcher(input, status));
        if (U_FAILURE(status))
            continue;
        const icu::UnicodeString replaced = matcher->replaceAll(icu::UnicodeString(), status);
        if (U_SUCCESS(status))
            text = fromIcu(replaced);
    }
    return text;
}

QString capitalizeFirstLetter(const QString &text)
{
    const QString first = graphemes::first(text);
    if (first.isEmpty())
        return text;
    const icu::UnicodeString u = toIcu(first);
    icu::UnicodeString upper = u;
    upper.toUpper(icu::Locale::getRoot());
    icu::UnicodeString lower = u;
    lower.toLower(icu::Locale::getRoot());
    // A lower-case letter: a letter that upper-casing changes and lower-casing keeps.
    const bool isLetter = u_isalpha(u.char32At(0));
    if (!isLetter || upper == u || lower != u)
        return text;
    return fromIcu(upper) + text.mid(first.size());
}

} // namespace

QString TranscriptCleaner::clean(const QString &output)
{
    QString text = trimWhitespace(output);
    while (text.contains(QStringLiteral("  ")))
        text.replace(QStringLiteral("  "), QStringLiteral(" "));
    text = trimWhitespace(removeMarkers(text));

    icu::UnicodeString lowered = toIcu(text);
    lowered.toLower(icu::Locale::getRoot());
    const QString key = trimCharacters(fromIcu(lowered), QStringLiteral(".,!?;:"));
    if (Constants::Whisper::hallucinations().contains(key))
        return {};

    text = capitalizeFirstLetter(text);
    if (!text.isEmpty() && !Constants::Whisper::endingPunctuation().contains(graphemes::last(text)))
        text += QLatin1Char('.');
    return text;
}

} // namespace parlix
