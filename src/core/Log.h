#pragma once
// Log lines are fixed printf-style format strings ("%s", "%d", "%ld", "%f", "%{bool}d") filled
// from typed arguments, so every line reads exactly as documented and stays greppable.
#include <QLoggingCategory>
#include <QString>

#include <initializer_list>
#include <variant>

namespace parlix::log {

// Text that may hold the user's words (transcripts, prompts). Written as "<private>" unless
// PARLIX_LOG_PRIVATE=1 is set in the environment.
struct Private {
    QString text;
};

using Arg = std::variant<QString, qint64, double, bool, Private>;
// A category as declared by Q_DECLARE_LOGGING_CATEGORY (see Categories.h).
using Category = const QLoggingCategory &(*)();

// Fills `format` with `args` in order. "%{bool}d" renders a bool as "true"/"false", "%f" with six
// decimals, "%%" as a percent sign. Missing arguments render as "(null)".
QString format(const char *format, std::initializer_list<Arg> args);

bool privateDataShown();

namespace detail {
inline Arg toArg(const QString &s) { return s; }
inline Arg toArg(const char *s) { return QString::fromUtf8(s); }
inline Arg toArg(bool b) { return b; }
inline Arg toArg(double d) { return d; }
inline Arg toArg(float f) { return double(f); }
inline Arg toArg(const Private &p) { return p; }
template <typename T>
    requires std::is_integral_v<T> && (!std::is_same_v<T, bool>)
Arg toArg(T v) { return qint64(v); }
} // namespace detail

template <typename... Args>
void debug(Category category, const char *fmt, const Args &...args)
{
    const QLoggingCategory &cat = category();
    if (cat.isDebugEnabled())
        QMessageLogger(nullptr, 0, nullptr, cat.categoryName()).debug().noquote() << format(fmt, {detail::toArg(args)...});
}

template <typename... Args>
void info(Category category, const char *fmt, const Args &...args)
{
    const QLoggingCategory &cat = category();
    if (cat.isInfoEnabled())
        QMessageLogger(nullptr, 0, nullptr, cat.categoryName()).info().noquote() << format(fmt, {detail::toArg(args)...});
}

// The "error" level. Qt's critical level is the one that maps to an error priority in journald.
template <typename... Args>
void error(Category category, const char *fmt, const Args &...args)
{
    const QLoggingCategory &cat = category();
    if (cat.isCriticalEnabled())
        QMessageLogger(nullptr, 0, nullptr, cat.categoryName()).critical().noquote() << format(fmt, {detail::toArg(args)...});
}

// Routes Qt's messages to journald when its socket exists, else to stderr. `alsoStderr` keeps a
// copy on stderr (for interactive runs).
void installMessageHandler(bool alsoStderr);
// Whether the installed handler writes to journald (false before it is installed).
bool writesToJournal();

// The line written to stderr for one message.
QString stderrLine(QtMsgType type, const char *category, const QString &message);

} // namespace parlix::log
