#include "history/HistoryExport.h"

#include "history/JsonText.h"

#include <QStringList>

namespace parlix::exports {

QString iso8601(const QDateTime &moment)
{
    return moment.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + u'Z';
}

QByteArray asText(const QList<TranscriptItem> &items, const DateContext &context)
{
    const DateFormatter formatter = DateFormatter::medium(context);
    const QString rule50 = QString(50, u'-');
    QStringList lines{
        QStringLiteral("Parlix Transcription History"),
        QStringLiteral("Exported: ") + formatter.format(context.currentDateTime()),
        QStringLiteral("Total items: ") + QString::number(items.size()),
        QString(50, u'='),
        QString(),
    };
    for (const TranscriptItem &item : items) {
        lines << u'[' + formatter.format(item.timestamp) + u']';
        if (item.modelName)
            lines << QStringLiteral("Model: ") + *item.modelName;
        lines << item.text;
        if (item.originalText && *item.originalText != item.text)
            lines << QString() << QStringLiteral("Original: ") + *item.originalText;
        lines << QString() << rule50 << QString();
    }
    return lines.join(u'\n').toUtf8();
}

namespace {
QString quoted(const QString &field)
{
    QString out = field;
    out.replace(u'"', QStringLiteral("\"\""));
    return u'"' + out + u'"';
}
} // namespace

QByteArray asCSV(const QList<TranscriptItem> &items)
{
    QByteArray out = "timestamp,model,word_count,text,original_text";
    for (const TranscriptItem &item : items) {
        const QString line = quoted(iso8601(item.timestamp)) + u',' + quoted(item.modelName.value_or(QString())) + u','
                             + QString::number(item.wordCount()) + u',' + quoted(item.text) + u','
                             + quoted(item.originalText.value_or(QString()));
        out += '\n';
        out += line.toUtf8();
    }
    return out;
}

QByteArray asJSON(const QList<TranscriptItem> &items)
{
    if (items.isEmpty())
        return "[]";
    QByteArray out = "[\n";
    bool first = true;
    auto field = [&out](const char *key) {
        out += "    \"";
        out += key;
        out += "\" : ";
    };
    for (const TranscriptItem &item : items) {
        if (!first)
            out += ",\n";
        first = false;
        // Keys in sorted order: id, model, originalText, text, timestamp, wordCount.
        out += "  {\n";
        field("id");
        jsontext::appendString(out, item.id.toString(QUuid::WithoutBraces).toUpper());
        out += ",\n";
        if (item.modelName) {
            field("model");
            jsontext::appendString(out, *item.modelName);
            out += ",\n";
        }
        if (item.originalText) {
            field("originalText");
            jsontext::appendString(out, *item.originalText);
            out += ",\n";
        }
        field("text");
        jsontext::appendString(out, item.text);
        out += ",\n";
        field("timestamp");
        jsontext::appendString(out, iso8601(item.timestamp));
        out += ",\n";
        field("wordCount");
        out += QByteArray::number(item.wordCount());
        out += "\n  }";
    }
    out += "\n]";
    return out;
}

QByteArray as(ExportFormat format, const QList<TranscriptItem> &items, const DateContext &context)
{
    switch (format) {
    case ExportFormat::txt: return asText(items, context);
    case ExportFormat::csv: return asCSV(items);
    case ExportFormat::json: return asJSON(items);
    }
    return {};
}

QString suggestedFileName(ExportFormat format, const DateContext &context)
{
    const QDateTime local = context.currentDateTime().toTimeZone(context.timeZone.isValid() ? context.timeZone : QTimeZone::utc());
    return QStringLiteral("parlix_history_") + local.toString(QStringLiteral("yyyy-MM-dd_HHmmss")) + u'.' + rawValue(format);
}

} // namespace parlix::exports
