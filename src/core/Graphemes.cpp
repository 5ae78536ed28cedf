#include "core/Graphemes.h"

#include <unicode/brkiter.h>
#include <unicode/unistr.h>

#include <memory>
#include <vector>

namespace parlix::graphemes {

namespace {
// One character break iterator per thread: creating one costs far more than walking a short text.
icu::BreakIterator *characterIterator()
{
    thread_local const std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        return U_SUCCESS(status) ? std::move(it) : nullptr;
    }();
    return iterator.get();
}

// Runs `walk` with the iterator set on `text` (nullptr when ICU has none; callers then count UTF-16
// code units). The text is aliased, not copied, for the duration of the call.
template <typename Walk>
auto withClusters(const QString &text, Walk walk)
{
    icu::BreakIterator *it = characterIterator();
    if (!it)
        return walk(static_cast<icu::BreakIterator *>(nullptr));
    const icu::UnicodeString u(false, reinterpret_cast<const char16_t *>(text.utf16()), int32_t(text.size()));
    it->setText(u);
    auto result = walk(it);
    static const icu::UnicodeString nothing;
    it->setText(nothing); // drop the alias before `u` goes away
    return result;
}

// UTF-16 offsets of every cluster boundary, 0 and size() included.
std::vector<qsizetype> boundaries(const QString &text)
{
    return withClusters(text, [&text](icu::BreakIterator *it) {
        std::vector<qsizetype> result;
        if (!it) {
            for (qsizetype i = 0; i <= text.size(); ++i)
                result.push_back(i);
            return result;
        }
        for (int32_t p = it->first(); p != icu::BreakIterator::DONE; p = it->next())
            result.push_back(p);
        return result;
    });
}
} // namespace

qsizetype count(const QString &text)
{
    if (text.isEmpty())
        return 0;
    return withClusters(text, [&text](icu::BreakIterator *it) {
        if (!it)
            return text.size();
        qsizetype n = 0;
        it->first();
        while (it->next() != icu::BreakIterator::DONE)
            ++n;
        return n;
    });
}

QStringList split(const QString &text)
{
    QStringList result;
    if (text.isEmpty())
        return result;
    const auto b = boundaries(text);
    for (size_t i = 1; i < b.size(); ++i)
        result.append(text.mid(b[i - 1], b[i] - b[i - 1]));
    return result;
}

// Both walk only as far as the cut, so short cuts of long texts stay cheap.
QString prefix(const QString &text, qsizetype n)
{
    if (n <= 0)
        return {};
    return withClusters(text, [&text, n](icu::BreakIterator *it) {
        if (!it)
            return text.left(n);
        int32_t end = it->first();
        for (qsizetype i = 0; i < n; ++i) {
            end = it->next();
            if (end == icu::BreakIterator::DONE)
                return text;
        }
        return text.left(end);
    });
}

QString suffix(const QString &text, qsizetype n)
{
    if (n <= 0)
        return {};
    return withClusters(text, [&text, n](icu::BreakIterator *it) {
        if (!it)
            return text.right(n);
        int32_t start = it->last();
        for (qsizetype i = 0; i < n; ++i) {
            start = it->previous();
            if (start == icu::BreakIterator::DONE)
                return text;
        }
        return text.mid(start);
    });
}

QString first(const QString &text)
{
    return prefix(text, 1);
}

QString last(const QString &text)
{
    return suffix(text, 1);
}

} // namespace parlix::graphemes
