#include "text/TextReplacementService.h"

#include "core/Categories.h"
#include "core/Log.h"

#include <unicode/locid.h>
#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <memory>
#include <vector>

namespace parlix {

namespace {

using icu::UnicodeString;

// Strings that make a rule an insertion wherever they appear in its processed replacement.
const char16_t *const kInsertionMarkers[] = {
    u"\u2022 ", u"- ", u"\u2192 ", u"\u2610 ", u"\u2611 ", u"# ", u"## ", u"### ", u"> ", u"1. ",
    u"\u201C", u"\u201D", u"\u2018", u"\u2019", u"\u00A9", u"\u2122", u"\u00AE", u"\u00B0",
};
// Markers after which stray punctuation is dropped by the final tidy-up, in this order.
const char16_t *const kCleanupMarkers[] = {u"**", u"~~", u"`", u"_"};
const char16_t *const kCleanupPunctuation[] = {u".", u",", u"!", u"?", u";", u":"};
// What a pure-punctuation replacement may consist of (besides surrounding spaces and tabs).
const UnicodeString kPunctuationSet(u".,!?;:-\u2026\u2014\u2013");
// Characters escaped so that a trigger matches literally; the others are literal in ICU patterns.
const UnicodeString kMetacharacters(u"*?+[(){}^$|\\./");

// Flanking pieces of the patterns.
const UnicodeString kRunOfPunctuation(u"[.,!?;:]*");
const UnicodeString kWordBoundary(u"\\b");

enum class Case { insensitive, sensitive };

UnicodeString toIcu(const QString &s)
{
    return UnicodeString(reinterpret_cast<const UChar *>(s.utf16()), int32_t(s.size()));
}

QString fromIcu(const UnicodeString &s)
{
    return QString(reinterpret_cast<const QChar *>(s.getBuffer()), s.length());
}

UnicodeString escaped(const UnicodeString &s)
{
    UnicodeString out;
    for (int32_t i = 0; i < s.length(); ++i) {
        const char16_t c = s.charAt(i);
        if (kMetacharacters.indexOf(c) >= 0)
            out.append(u'\\');
        out.append(c);
    }
    return out;
}

UnicodeString lowerCased(const QString &trigger)
{
    UnicodeString lower = toIcu(trigger);
    lower.toLower(icu::Locale::getRoot());
    return lower;
}

// Case-insensitive matching compares full case foldings, and folding goes code point by code
// point, so text whose folding lacks the folded trigger cannot match any pattern built around
// that trigger. Checking this first skips the costly scans of patterns without a fixed start.
bool mayContain(const UnicodeString &text, const UnicodeString &foldedTrigger)
{
    UnicodeString folded(text);
    folded.foldCase();
    return folded.indexOf(foldedTrigger) >= 0;
}

struct PreparedRule {
    PreparedRule(const TextReplacementRule &rule, const QString &processedReplacement)
        : rawTrigger(rule.trigger), processed(toIcu(processedReplacement))
    {
        const UnicodeString lower = lowerCased(rule.trigger);
        trigger = escaped(lower);
        folded = UnicodeString(lower).foldCase();
    }
    QString rawTrigger;      // as stored, for the plain-text fallback
    UnicodeString trigger;   // lower-cased and escaped, as every pattern uses it
    UnicodeString folded;    // lower-cased and case-folded, for mayContain
    UnicodeString processed; // the processed replacement
};

// Template rules: "$0" (or another group of the pattern) inserts that group, and a backslash
// makes the next character literal. ICU's replaceAll differs in two ways that are fixed up here:
// it stops with an error at a "$" that names no group ("US$", "$5" with no groups) and drops
// everything after that match, so such a dollar sign is escaped; and it reads "\uXXXX" as a
// code point, so the backslash before u/U is dropped, leaving the letter literal.
UnicodeString safeTemplate(const UnicodeString &replacement, int32_t groupCount)
{
    if (replacement.indexOf(u'$') < 0 && replacement.indexOf(u'\\') < 0)
        return replacement;
    UnicodeString out;
    const int32_t n = replacement.length();
    for (int32_t i = 0; i < n; ++i) {
        const char16_t c = replacement.charAt(i);
        if (c == u'\\') {
            if (i + 1 >= n)
                break; // a lone backslash at the end escapes nothing
            const char16_t next = replacement.charAt(++i);
            if (next != u'u' && next != u'U')
                out.append(c);
            out.append(next);
        } else if (c == u'$') {
            const UChar32 next = i + 1 < n ? replacement.char32At(i + 1) : U_SENTINEL;
            const bool namesGroup = next != U_SENTINEL && u_isdigit(next) && u_charDigitValue(next) <= groupCount;
            if (!namesGroup)
                out.append(u'\\');
            out.append(c);
        } else {
            out.append(c);
        }
    }
    return out;
}

std::unique_ptr<icu::RegexPattern> compile(const UnicodeString &pattern, Case c)
{
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError;
    std::unique_ptr<icu::RegexPattern> compiled(
        icu::RegexPattern::compile(pattern, c == Case::insensitive ? UREGEX_CASE_INSENSITIVE : 0, parseError, status));
    if (U_FAILURE(status))
        return nullptr;
    return compiled;
}

// Replaces every match of `pattern` in `text` by `replacement` used as a template ("$0" is the
// match, a backslash makes the next character literal). False when the pattern does not compile.
bool replaceAll(UnicodeString &text, const UnicodeString &pattern, Case c, const UnicodeString &replacement)
{
    const auto compiled = compile(pattern, c);
    if (!compiled)
        return false;
    UnicodeString result;
    {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::RegexMatcher> matcher(compiled->matcher(text, status));
        if (U_FAILURE(status))
            return true;
        result = matcher->replaceAll(safeTemplate(replacement, matcher->groupCount()), status);
        if (U_FAILURE(status))
            return true;
    }
    text = std::move(result);
    return true;
}

// Plain-text replacement ignoring case; used only when a built pattern does not compile.
void replaceIgnoringCase(UnicodeString &text, const QString &trigger, const UnicodeString &replacement)
{
    if (trigger.isEmpty())
        return;
    text = toIcu(fromIcu(text).replace(trigger, fromIcu(replacement), Qt::CaseInsensitive));
}

void replaceWhileFound(UnicodeString &text, const UnicodeString &from, const UnicodeString &to)
{
    while (text.indexOf(from) >= 0)
        text.findAndReplace(from, to);
}

bool isSpaceOrTab(UChar32 c)
{
    return c == u'\t' || u_charType(c) == U_SPACE_SEPARATOR;
}

template <typename Predicate>
UnicodeString trimmed(const UnicodeString &s, Predicate trim)
{
    int32_t start = 0;
    int32_t end = s.length();
    while (start < end && trim(s.char32At(start)))
        start = s.moveIndex32(start, 1);
    while (end > start) {
        const int32_t previous = s.moveIndex32(end, -1);
        if (!trim(s.char32At(previous)))
            break;
        end = previous;
    }
    return UnicodeString(s, start, end - start);
}

UnicodeString trimSpacesAndTabs(const UnicodeString &s)
{
    return trimmed(s, isSpaceOrTab);
}

bool isPurePunctuation(const UnicodeString &s)
{
    const UnicodeString core = trimSpacesAndTabs(s);
    if (core.isEmpty())
        return false;
    for (int32_t i = 0; i < core.length(); i = core.moveIndex32(i, 1)) {
        const UChar32 c = core.char32At(i);
        if (c > 0xFFFF || kPunctuationSet.indexOf(char16_t(c)) < 0)
            return false;
    }
    return true;
}

bool isSingleInsertion(const UnicodeString &processed)
{
    if (processed.indexOf(u'\n') >= 0 || processed.indexOf(u'\t') >= 0 || isPurePunctuation(processed))
        return true;
    for (const char16_t *marker : kInsertionMarkers) {
        if (processed.indexOf(UnicodeString(marker)) >= 0)
            return true;
    }
    return false;
}

UnicodeString cleanContentEdges(UnicodeString s)
{
    replaceAll(s, u"^[.,;:\\s]+", Case::sensitive, UnicodeString());
    replaceAll(s, u"[.,;:\\s]+$", Case::sensitive, UnicodeString());
    return s;
}

struct Span {
    int32_t start;
    int32_t end;
    int32_t contentStart;
    int32_t contentEnd;
};

// Replaces each span by the marker around its content. A span that started at a white-space
// character keeps one space in its place, so the wrapped text does not stick to the word before.
void wrapSpans(UnicodeString &text, const std::vector<Span> &spans, const UnicodeString &marker)
{
    for (auto it = spans.rbegin(); it != spans.rend(); ++it) {
        const UnicodeString content(text, it->contentStart, it->contentEnd - it->contentStart);
        UnicodeString wrapped;
        if (u_isUWhiteSpace(text.char32At(it->start)))
            wrapped.append(u' ');
        wrapped.append(marker).append(cleanContentEdges(trimSpacesAndTabs(content))).append(marker);
        text.replace(it->start, it->end - it->start, wrapped);
    }
}

// Matches of `pattern` whose group 1 took part; all of them, or only the first.
std::vector<Span> findSpans(const UnicodeString &text, const UnicodeString &pattern, bool firstOnly)
{
    std::vector<Span> spans;
    const auto compiled = compile(pattern, Case::insensitive);
    if (!compiled)
        return spans;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(compiled->matcher(text, status));
    if (U_FAILURE(status))
        return spans;
    while (matcher->find(status) && U_SUCCESS(status)) {
        Span span{matcher->start(status), matcher->end(status), matcher->start(1, status), matcher->end(1, status)};
        if (U_FAILURE(status))
            break;
        if (span.contentStart >= 0)
            spans.push_back(span);
        if (firstOnly)
            break;
    }
    return spans;
}

// A spoken phrase before and after a span wraps the span in the marker; an opening phrase with
// no closing one wraps the rest of the line.
void applyPairedRule(const UnicodeString &trigger, const UnicodeString &marker, UnicodeString &text)
{
    const UnicodeString opening = UnicodeString(u"(?:^|\\s)\\b") + trigger + kWordBoundary + kRunOfPunctuation + u"\\s*";
    const UnicodeString closed = opening + u"(.+?)\\s*" + kRunOfPunctuation + kWordBoundary + trigger + kWordBoundary
                                 + kRunOfPunctuation + u"(?=\\s|$)";
    wrapSpans(text, findSpans(text, closed, false), marker);
    const UnicodeString open = opening + u"(.+)$";
    wrapSpans(text, findSpans(text, open, true), marker);
}

// Insertions absorb the punctuation and spacing the recogniser put around the spoken command.
void applySingleRule(const PreparedRule &rule, UnicodeString &text)
{
    const UnicodeString &processed = rule.processed;
    if (mayContain(text, rule.folded)) {
        const UnicodeString pattern = kRunOfPunctuation + u"\\s*\\b" + rule.trigger + u"\\b\\s*" + kRunOfPunctuation + u"\\s*";
        if (!replaceAll(text, pattern, Case::insensitive, processed)) {
            replaceIgnoringCase(text, rule.rawTrigger, processed);
            return;
        }
    }
    if (!isPurePunctuation(processed))
        return;
    // Put back the space after inserted punctuation wherever a letter follows it directly.
    for (int32_t i = 0; i < processed.length(); i = processed.moveIndex32(i, 1)) {
        const UnicodeString c(processed.char32At(i));
        replaceAll(text, escaped(c) + u"(?=[a-zA-Z])", Case::sensitive, c + u' ');
    }
}

void applySimpleRule(const QString &rawTrigger, const UnicodeString &trigger, const UnicodeString &processed,
                     UnicodeString &text)
{
    if (!replaceAll(text, kWordBoundary + trigger + kWordBoundary, Case::insensitive, processed))
        replaceIgnoringCase(text, rawTrigger, processed);
}

UnicodeString finalCleanup(UnicodeString text)
{
    replaceWhileFound(text, u"  ", u" ");
    replaceWhileFound(text, u" \n", u"\n");
    replaceWhileFound(text, u"\n ", u"\n");
    replaceWhileFound(text, u"\n\n\n", u"\n\n");
    for (const char16_t *marker : kCleanupMarkers) {
        const UnicodeString m(marker);
        for (const char16_t *p : kCleanupPunctuation)
            replaceAll(text, escaped(m) + escaped(UnicodeString(p)) + u"+\\s*", Case::sensitive, m);
    }
    // Punctuation that starts a line belongs at the end of the line before.
    for (const char16_t *p : kCleanupPunctuation)
        replaceAll(text, UnicodeString(u"\\n\\s*\\") + p + u"\\s*", Case::sensitive, UnicodeString(p) + u'\n');
    for (const char16_t *p : kCleanupPunctuation) {
        for (const char16_t *q : kCleanupPunctuation)
            text.findAndReplace(UnicodeString(p) + q, UnicodeString(p));
    }
    for (const char16_t *p : kCleanupPunctuation)
        text.findAndReplace(UnicodeString(u' ') + p, UnicodeString(p));
    return trimmed(text, [](UChar32 c) { return bool(u_isUWhiteSpace(c)); });
}


} // namespace

TextReplacementService::TextReplacementService(const SettingsModel &settings)
    : m_settings(settings)
{
}

const QMap<QString, QString> &TextReplacementService::pairedMarkers()
{
    static const QMap<QString, QString> markers = {
        {QStringLiteral("**"), QStringLiteral("**")},
        {QStringLiteral("_"), QStringLiteral("_")},
        {QStringLiteral("~~"), QStringLiteral("~~")},
        {QStringLiteral("`"), QStringLiteral("`")},
    };
    return markers;
}

QString TextReplacementService::applyReplacements(const QString &text) const
{
    // Text replacement is an experimental feature.
    if (!m_settings.experimentalFeaturesEnabled() || !m_settings.textReplacementEnabled())
        return text;
    return rewrite(text, m_settings.textReplacementRules());
}

QString TextReplacementService::rewrite(const QString &input, const QList<TextReplacementRule> &rules)
{
    std::vector<std::pair<PreparedRule, UnicodeString>> paired; // with the marker
    std::vector<PreparedRule> single;
    std::vector<PreparedRule> simple;
    for (const auto &rule : rules) {
        // An empty trigger would match at every word boundary and scatter the replacement
        // through the text; the rule editor never saves one, so it can only come from a
        // hand-edited file, and it takes no part.
        if (!rule.isEnabled || rule.trigger.isEmpty())
            continue;
        const QString processed = rule.processedReplacement();
        PreparedRule prepared(rule, processed);
        const auto marker = pairedMarkers().constFind(processed);
        if (marker != pairedMarkers().constEnd())
            paired.emplace_back(std::move(prepared), toIcu(*marker));
        else if (isSingleInsertion(prepared.processed))
            single.push_back(std::move(prepared));
        else
            simple.push_back(std::move(prepared));
    }
    const size_t enabled = paired.size() + single.size() + simple.size();
    if (enabled == 0)
        return input;

    UnicodeString text = toIcu(input);
    for (const auto &[rule, marker] : paired) {
        if (mayContain(text, rule.folded))
            applyPairedRule(rule.trigger, marker, text);
    }
    for (const auto &rule : single)
        applySingleRule(rule, text);
    for (const auto &rule : simple) {
        if (mayContain(text, rule.folded))
            applySimpleRule(rule.rawTrigger, rule.trigger, rule.processed, text);
    }
    text = finalCleanup(std::move(text));

    log::debug(lcTextReplacement, "Applied %ld replacement rules (paired: %ld, single: %ld, simple: %ld)", enabled,
               paired.size(), single.size(), simple.size());
    return fromIcu(text);
}

} // namespace parlix
