#pragma once
// Shared pieces of the history tests: a settable clock, fixed locales and zones, records.
#include "Printers.h"
#include "history/DateContext.h"
#include "history/TranscriptItem.h"

#include <QTimeZone>

#include <memory>

namespace parlix::test {

inline QDateTime utc(const char *iso)
{
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODateWithMs).toUTC();
}

// A DateContext whose clock reads `*now`; change *now to move time.
struct FixedDates {
    explicit FixedDates(const char *nowIso, const char *locale = "en_US", const char *zone = "UTC")
        : now(std::make_shared<QDateTime>(utc(nowIso)))
        , context{QLocale(QString::fromLatin1(locale)), QTimeZone(QByteArray(zone)), [n = now] { return *n; }}
    {
    }
    std::shared_ptr<QDateTime> now;
    DateContext context;
};

inline TranscriptItem record(const char *uuid, const QString &text, const char *timestampIso,
                             std::optional<QString> originalText = std::nullopt,
                             std::optional<QString> modelName = std::nullopt)
{
    return TranscriptItem{QUuid::fromString(QLatin1String(uuid)), text, std::move(originalText), utc(timestampIso),
                          std::move(modelName)};
}

} // namespace parlix::test
