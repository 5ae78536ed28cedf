#pragma once
// Pieces of JSON text, written by hand where the exact layout matters (the history file is
// compact, the JSON export uses two-space indentation and " : ").
#include <QByteArray>
#include <QString>

namespace parlix::jsontext {

// Appends `text` as a JSON string literal: UTF-8, with quote, backslash and control characters
// escaped, and a surrogate without its pair as a \u escape; everything else (slashes,
// non-ASCII) as is.
void appendString(QByteArray &out, const QString &text);
// The shortest decimal that reads back as the same double, without an exponent ("60", "0.5").
QByteArray number(double value);

} // namespace parlix::jsontext
