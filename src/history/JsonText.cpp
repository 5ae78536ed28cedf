#include "history/JsonText.h"

#include <QLocale>

namespace parlix::jsontext {

void appendString(QByteArray &out, const QString &text)
{
    static const char hex[] = "0123456789abcdef";
    const QByteArray utf8 = text.toUtf8();
    out += '"';
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
    out += '"';
}

QByteArray number(double value)
{
    return QByteArray::number(value, 'f', QLocale::FloatingPointShortest);
}

} // namespace parlix::jsontext
