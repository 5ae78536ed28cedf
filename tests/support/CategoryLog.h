#pragma once
// Records the messages of one logging category while it exists, as "<level> <message>" with
// level debug, info, warning or error (Qt's critical level is the error level).
#include <QLoggingCategory>
#include <QStringList>

namespace parlix::test {

class CategoryLog {
public:
    explicit CategoryLog(const QLoggingCategory &category)
        : m_category(category.categoryName())
    {
        s_current = this;
        m_previous = qInstallMessageHandler(&CategoryLog::handle);
    }
    ~CategoryLog()
    {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }
    CategoryLog(const CategoryLog &) = delete;
    CategoryLog &operator=(const CategoryLog &) = delete;

    QStringList lines;

    // The messages without their level.
    QStringList messages() const
    {
        QStringList out;
        for (const QString &line : lines)
            out << line.section(QLatin1Char(' '), 1);
        return out;
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (!s_current || !context.category || qstrcmp(context.category, s_current->m_category) != 0)
            return;
        static const char *const levels[] = {"debug", "warning", "error", "fatal", "info"};
        s_current->lines.append(QString::fromLatin1(levels[type]) + QLatin1Char(' ') + message);
    }

    static inline CategoryLog *s_current = nullptr;
    const char *m_category;
    QtMessageHandler m_previous = nullptr;
};

} // namespace parlix::test
