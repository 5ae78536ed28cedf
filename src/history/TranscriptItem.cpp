#include "history/TranscriptItem.h"

#include <QCoreApplication>

namespace parlix {

qsizetype TranscriptItem::wordCount() const
{
    qsizetype count = 0;
    bool inWord = false;
    for (const QChar c : text) {
        if (c == u' ') {
            inWord = false;
        } else if (!inWord) {
            inWord = true;
            ++count;
        }
    }
    return count;
}

namespace {
// Same week as the calendar of the locale counts weeks: both days share the week's first day.
QDate startOfWeek(const QDate &day, Qt::DayOfWeek firstDay)
{
    const int back = (day.dayOfWeek() - int(firstDay) + 7) % 7;
    return day.addDays(-back);
}
} // namespace

QString TranscriptItem::detailedTimestamp(const DateContext &context) const
{
    const QDate day = context.localDate(timestamp);
    const QDate today = context.localDate(context.currentDateTime());
    const Qt::DayOfWeek firstDay = context.locale.firstDayOfWeek();
    // Unicode date patterns (ICU): quoted text is kept as written.
    const char *pattern = QT_TRANSLATE_NOOP("parlix::TranscriptItem", "MMM d, yyyy 'at' h:mm:ss a");
    if (day == today)
        pattern = QT_TRANSLATE_NOOP("parlix::TranscriptItem", "'Today at' h:mm:ss a");
    else if (day == today.addDays(-1))
        pattern = QT_TRANSLATE_NOOP("parlix::TranscriptItem", "'Yesterday at' h:mm:ss a");
    else if (startOfWeek(day, firstDay) == startOfWeek(today, firstDay))
        pattern = QT_TRANSLATE_NOOP("parlix::TranscriptItem", "EEEE 'at' h:mm:ss a");
    return DateFormatter::pattern(QCoreApplication::translate("parlix::TranscriptItem", pattern), context).format(timestamp);
}

QString wordCountText(qsizetype count)
{
    return count == 1 ? QCoreApplication::translate("parlix::TranscriptItem", "1 word") : QCoreApplication::translate("parlix::TranscriptItem", "%1 words").arg(count);
}

QString TranscriptItem::tooltipText(const DateContext &context) const
{
    QString tip = detailedTimestamp(context) + u'\n' + wordCountText(wordCount());
    if (modelName)
        tip += u'\n' + QCoreApplication::translate("parlix::TranscriptItem", "Model: %1").arg(*modelName);
    return tip + QStringLiteral("\n\n") + text;
}

} // namespace parlix
