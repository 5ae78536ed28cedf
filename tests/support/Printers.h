#pragma once
// Readable GoogleTest failure messages for Qt strings, byte arrays and string lists.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
// Long byte arrays (file contents) by their size.
inline void PrintTo(const QByteArray &b, std::ostream *os)
{
    if (b.size() > 64)
        *os << b.size() << " bytes";
    else
        *os << '"' << b.toStdString() << '"';
}
inline void PrintTo(const QList<QString> &list, std::ostream *os) { *os << '[' << list.join(u'|').toStdString() << ']'; }
QT_END_NAMESPACE
