#include "history/DateContext.h"

#include <unicode/datefmt.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

namespace parlix {

namespace {
QLocale userTimeLocale()
{
    for (const char *variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return QLocale(value);
    }
    return QLocale::system();
}

icu::Locale icuLocale(const QLocale &locale)
{
    return icu::Locale(locale.name().toLatin1().constData());
}

icu::TimeZone *icuTimeZone(const QTimeZone &zone)
{
    const QByteArray id = zone.isValid() ? zone.id() : QByteArrayLiteral("UTC");
    icu::TimeZone *tz = icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(id.constData()));
    // An id ICU does not know ("Unknown" zone): fall back to the fixed offset Qt reports now.
    if (*tz == icu::TimeZone::getUnknown()) {
        delete tz;
        const int offset = zone.isValid() ? zone.offsetFromUtc(QDateTime::currentDateTimeUtc()) : 0;
        tz = icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8("GMT"));
        tz->setRawOffset(offset * 1000);
    }
    return tz;
}
} // namespace

DateContext DateContext::system()
{
    return DateContext{userTimeLocale(), QTimeZone::systemTimeZone(), [] { return QDateTime::currentDateTimeUtc(); }};
}

QDate DateContext::localDate(const QDateTime &moment) const
{
    return moment.toTimeZone(timeZone.isValid() ? timeZone : QTimeZone::utc()).date();
}

struct DateFormatter::Impl {
    std::unique_ptr<icu::DateFormat> format;
};

DateFormatter::DateFormatter(std::shared_ptr<const Impl> impl)
    : d(std::move(impl))
{
}

namespace {

std::unique_ptr<icu::DateFormat> styledFormat(icu::DateFormat::EStyle date, icu::DateFormat::EStyle time,
                                              const DateContext &context)
{
    std::unique_ptr<icu::DateFormat> format(icu::DateFormat::createDateTimeInstance(date, time, icuLocale(context.locale)));
    if (format)
        format->adoptTimeZone(icuTimeZone(context.timeZone));
    return format;
}

} // namespace

DateFormatter DateFormatter::medium(const DateContext &context)
{
    auto impl = std::make_shared<Impl>();
    impl->format = styledFormat(icu::DateFormat::kMedium, icu::DateFormat::kMedium, context);
    return DateFormatter(std::move(impl));
}

DateFormatter DateFormatter::shortDateMediumTime(const DateContext &context)
{
    auto impl = std::make_shared<Impl>();
    impl->format = styledFormat(icu::DateFormat::kShort, icu::DateFormat::kMedium, context);
    return DateFormatter(std::move(impl));
}

DateFormatter DateFormatter::pattern(const QString &unicodePattern, const DateContext &context)
{
    auto impl = std::make_shared<Impl>();
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString p(reinterpret_cast<const char16_t *>(unicodePattern.utf16()), int32_t(unicodePattern.size()));
    auto format = std::make_unique<icu::SimpleDateFormat>(p, icuLocale(context.locale), status);
    if (U_SUCCESS(status)) {
        format->adoptTimeZone(icuTimeZone(context.timeZone));
        impl->format = std::move(format);
    }
    return DateFormatter(std::move(impl));
}

QString DateFormatter::format(const QDateTime &moment) const
{
    // Without a formatter (ICU lacks the locale's data) the instant still reads unambiguously.
    if (!d->format)
        return moment.toUTC().toString(Qt::ISODate);
    icu::UnicodeString out;
    d->format->format(UDate(moment.toMSecsSinceEpoch()), out);
    return QString(reinterpret_cast<const QChar *>(out.getBuffer()), out.length());
}

} // namespace parlix
