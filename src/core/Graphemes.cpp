#include "Graphemes.h"

#include <unicode/brkiter.h>
#include <unicode/unistr.h>

#include <memory>
#include <vector>

namespace parlix::graphemes {

namespace {
// UTF-16 offsets of every cluster boundary, 0 and size() included.
std::vector<qsizetype> boundaries(const QString &text)
{
    std::vector<qsizetype> result;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status)) {
        for (qsizetype i = 0; i <= text.size(); ++i)
            result.push_back(i);
        return result;
    }
    const icu::UnicodeString u(false, reinterpret_cast<const char16_t *>(text.utf16()), int32_t(text.size()));
    it->setText(u);
    for (int32_t p = it->first(); p != icu::BreakIterator::DONE; p = it->next())
        result.push_back(p);
    return result;
}
} // namespace

qsizetype count(const QString &text)
{
    return text.isEmpty() ? 0 : qsizetype(boundaries(text).size()) - 1;
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

QString prefix(const QString &text, qsizetype n)
{
    const auto b = boundaries(text);
    const qsizetype clusters = qsizetype(b.size()) - 1;
    return n >= clusters ? text : text.left(b[size_t(std::max<qsizetype>(n, 0))]);
}

QString suffix(const QString &text, qsizetype n)
{
    const auto b = boundaries(text);
    const qsizetype clusters = qsizetype(b.size()) - 1;
    return n >= clusters ? text : text.mid(b[size_t(clusters - std::max<qsizetype>(n, 0))]);
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
