#include "history/JsonText.h"

#include <QLocale>

namespace parlix::jsontext {

namespace {
// `text` escaped for a JSON string literal, without the quotes.
void appendEscaped(QByteArray &out, QStringView text)
{
    static const char hex[] = "0123456789abcdef";
    const QByteArray utf8 = text.toUtf8();
    const char *data = utf8.constData();
    const qsizetype size = utf8.size();
    qsizetype plain = 0; // start of the run of bytes that need no escaping
    for (qsizetype i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(data + plain, i - plain);
        plain = i + 1;
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        default: {
            const char escaped[] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 0xf]};
            out.append(escaped, 6);
        }
        }
    }
    out.append(data + plain, size - plain);
}
} // namespace

void appendString(QByteArray &out, const QString &text)
{
    // A surrogate without its pair has no UTF-8 form; written as an escape it reads back as it was
    // (a text read from a file may hold one).
    out += '"';
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!c.isSurrogate())
            continue;
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        appendEscaped(out, QStringView(text).mid(start, i - start));
        out += "\\u" + QByteArray::number(c.unicode(), 16);
        start = i + 1;
    }
    appendEscaped(out, QStringView(text).mid(start));
    out += '"';
}

QByteArray number(double value)
{
    return QByteArray::number(value, 'f', QLocale::FloatingPointShortest);
}

} // namespace parlix::jsontext
