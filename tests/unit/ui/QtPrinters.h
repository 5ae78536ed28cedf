#pragma once
// Readable failure messages for Qt strings and string lists.
#include <QString>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

QT_BEGIN_NAMESPACE
inline void PrintTo(const QList<QString> &list, std::ostream *os)
{
    *os << '[' << list.join(QStringLiteral("|")).toStdString() << ']';
}
QT_END_NAMESPACE
