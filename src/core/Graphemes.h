#pragma once
// Text measured in user-perceived characters (extended grapheme clusters), as people count them.
#include <QString>
#include <QStringList>

namespace parlix::graphemes {

qsizetype count(const QString &text);
// The clusters of `text` in order (empty list for empty text).
QStringList split(const QString &text);
// The first / last `n` characters (all of `text` when it is shorter).
QString prefix(const QString &text, qsizetype n);
QString suffix(const QString &text, qsizetype n);
// The first / last character, empty for empty text.
QString first(const QString &text);
QString last(const QString &text);

} // namespace parlix::graphemes
