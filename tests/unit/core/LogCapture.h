#pragma once
// Collects the messages Qt's logging delivers while it exists, as "<category>: <message>".
#include <QLoggingCategory>
#include <QStringList>

namespace parlix::test {

class LogCapture {
public:
    LogCapture()
    {
        s_current = this;
        m_previous = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    QStringList lines;

private:
    static void handle(QtMsgType, const QMessageLogContext &context, const QString &message)
    {
        if (s_current)
            s_current->lines.append(QString::fromUtf8(context.category ? context.category : "default") + QStringLiteral(": ") + message);
    }

    static inline LogCapture *s_current = nullptr;
    QtMessageHandler m_previous = nullptr;
};

} // namespace parlix::test
