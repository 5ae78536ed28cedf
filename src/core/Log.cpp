#include "core/Log.h"

#include <QDateTime>
#include <QFileInfo>

#include <cstdio>
#ifdef PARLIX_HAVE_SYSTEMD
#include <syslog.h>
#include <systemd/sd-journal.h>
#endif

namespace parlix::log {

bool privateDataShown()
{
    static const bool shown = qEnvironmentVariable("PARLIX_LOG_PRIVATE") == QLatin1String("1");
    return shown;
}

namespace {
QString render(const Arg &arg, char conversion)
{
    return std::visit(
        [conversion](const auto &v) -> QString {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, QString>)
                return v;
            else if constexpr (std::is_same_v<T, Private>)
                return privateDataShown() ? v.text : QStringLiteral("<private>");
            else if constexpr (std::is_same_v<T, bool>)
                return v ? QStringLiteral("true") : QStringLiteral("false");
            else if constexpr (std::is_same_v<T, double>)
                return conversion == 'd' ? QString::number(qint64(v)) : QString::number(v, 'f', 6);
            else
                return conversion == 'f' ? QString::number(double(v), 'f', 6) : QString::number(v);
        },
        arg);
}
} // namespace

QString format(const char *fmt, std::initializer_list<Arg> args)
{
    QString out;
    auto next = args.begin();
    auto take = [&](char conversion) {
        if (next == args.end())
            return QStringLiteral("(null)");
        return render(*next++, conversion);
    };
    const QString f = QString::fromUtf8(fmt);
    for (qsizetype i = 0; i < f.size(); ++i) {
        if (f[i] != u'%' || i + 1 >= f.size()) {
            out += f[i];
            continue;
        }
        const QStringView rest = QStringView(f).mid(i + 1);
        if (rest.startsWith(u'%')) {
            out += u'%';
            i += 1;
        } else if (rest.startsWith(u"{bool}d")) {
            out += take('b');
            i += 7;
        } else if (rest.startsWith(u"ld")) {
            out += take('d');
            i += 2;
        } else if (rest.startsWith(u's') || rest.startsWith(u'd') || rest.startsWith(u'f')) {
            out += take(char(rest[0].unicode()));
            i += 1;
        } else {
            out += f[i];
        }
    }
    return out;
}

QString stderrLine(QtMsgType type, const char *category, const QString &message)
{
    const char *level = "info";
    switch (type) {
    case QtDebugMsg: level = "debug"; break;
    case QtInfoMsg: level = "info"; break;
    case QtWarningMsg: level = "warning"; break;
    case QtCriticalMsg: level = "error"; break;
    case QtFatalMsg: level = "fatal"; break;
    }
    return QStringLiteral("%1 %2 [%3] %4")
        .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")),
             QLatin1String(level), QLatin1String(category ? category : "default"), message);
}

namespace {
bool g_alsoStderr = true;
bool g_journal = false;

void handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
#ifdef PARLIX_HAVE_SYSTEMD
    if (g_journal) {
        int priority = LOG_INFO;
        switch (type) {
        case QtDebugMsg: priority = LOG_DEBUG; break;
        case QtInfoMsg: priority = LOG_INFO; break;
        case QtWarningMsg: priority = LOG_WARNING; break;
        case QtCriticalMsg: priority = LOG_ERR; break;
        case QtFatalMsg: priority = LOG_CRIT; break;
        }
        sd_journal_send("MESSAGE=%s", message.toUtf8().constData(), "PRIORITY=%i", priority,
                        "SYSLOG_IDENTIFIER=parlix", "PARLIX_CATEGORY=%s",
                        context.category ? context.category : "default", nullptr);
    }
#endif
    if (!g_journal || g_alsoStderr) {
        const QByteArray line = stderrLine(type, context.category, message).toUtf8();
        std::fprintf(stderr, "%s\n", line.constData());
        std::fflush(stderr);
    }
    if (type == QtFatalMsg)
        std::abort();
}
} // namespace

void installMessageHandler(bool alsoStderr)
{
    g_alsoStderr = alsoStderr;
#ifdef PARLIX_HAVE_SYSTEMD
    g_journal = QFileInfo::exists(QStringLiteral("/run/systemd/journal/socket"));
#endif
    qInstallMessageHandler(handler);
}

bool writesToJournal()
{
    return g_journal;
}

} // namespace parlix::log
