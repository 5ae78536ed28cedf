#pragma once
// The locale, time zone and clock that dates are shown with. Production code takes the user's;
// tests pass fixed ones so every formatted date is predictable.
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTimeZone>

#include <functional>
#include <memory>

namespace parlix {

struct DateContext {
    QLocale locale;
    QTimeZone timeZone;
    std::function<QDateTime()> now;

    // The user's date locale (LC_ALL, then LC_TIME, then LANG), the system time zone, the real clock.
    static DateContext system();

    QDateTime currentDateTime() const { return now ? now() : QDateTime::currentDateTimeUtc(); }
    // The calendar day of `moment` in this context's time zone.
    QDate localDate(const QDateTime &moment) const;
};

// Formats instants with ICU, as the locale's own conventions say (month names, day periods,
// medium styles). Build one and reuse it: creating the underlying formatter is the costly part.
class DateFormatter {
public:
    // The locale's medium date style and medium time style, e.g. "Mar 4, 2025, 8:01:02 PM".
    static DateFormatter medium(const DateContext &context);
    // The locale's short date style and medium time style, e.g. "3/4/25, 8:01:02 PM".
    static DateFormatter shortDateMediumTime(const DateContext &context);
    // A Unicode date pattern ("MMM d, yyyy 'at' h:mm:ss a") in the context's locale and zone.
    static DateFormatter pattern(const QString &unicodePattern, const DateContext &context);

    QString format(const QDateTime &moment) const;

private:
    struct Impl;
    explicit DateFormatter(std::shared_ptr<const Impl> impl);
    std::shared_ptr<const Impl> d;
};

} // namespace parlix
