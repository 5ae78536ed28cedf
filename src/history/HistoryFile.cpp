#include "history/HistoryFile.h"

#include "history/JsonText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace parlix::historyfile {

namespace {
constexpr qint64 referenceEpochMSecs = 978307200000; // 2001-01-01T00:00:00Z
// Beyond this a timestamp cannot be a moment of anyone's dictation; it also keeps the conversion
// to milliseconds inside qint64.
constexpr double maxAbsoluteSeconds = 1e14;

QString idText(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}
} // namespace

double referenceSeconds(const QDateTime &moment)
{
    return double(moment.toMSecsSinceEpoch() - referenceEpochMSecs) / 1000.0;
}

QDateTime fromReferenceSeconds(double seconds)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(std::llround(seconds * 1000.0)) + referenceEpochMSecs, QTimeZone::utc());
}

QByteArray encode(const QList<TranscriptItem> &items)
{
    QByteArray out;
    out.reserve(items.size() * 160 + 2);
    out += '[';
    bool first = true;
    for (const TranscriptItem &item : items) {
        if (!first)
            out += ',';
        first = false;
        out += "{\"id\":";
        jsontext::appendString(out, idText(item.id));
        out += ",\"text\":";
        jsontext::appendString(out, item.text);
        if (item.originalText) {
            out += ",\"originalText\":";
            jsontext::appendString(out, *item.originalText);
        }
        out += ",\"timestamp\":";
        out += jsontext::number(referenceSeconds(item.timestamp));
        if (item.modelName) {
            out += ",\"modelName\":";
            jsontext::appendString(out, *item.modelName);
        }
        out += '}';
    }
    out += ']';
    return out;
}

namespace {
bool readUuid(const QJsonValue &value, QUuid &into)
{
    if (!value.isString())
        return false;
    const QString text = value.toString();
    // Only the 36-character hyphenated form; QUuid would also take braces.
    if (text.size() != 36)
        return false;
    into = QUuid::fromString(text);
    return !into.isNull() || text == u"00000000-0000-0000-0000-000000000000";
}

// An optional text: absent or null reads as absent, any other non-string is an error.
bool readOptionalText(const QJsonObject &object, QLatin1StringView key, std::optional<QString> &into)
{
    const auto it = object.constFind(key);
    if (it == object.constEnd() || it->isNull()) {
        into.reset();
        return true;
    }
    if (!it->isString())
        return false;
    into = it->toString();
    return true;
}
} // namespace

bool decode(const QByteArray &bytes, QList<TranscriptItem> &items, QString &error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = QStringLiteral("not valid JSON (%1 at offset %2)").arg(parseError.errorString()).arg(parseError.offset);
        return false;
    }
    if (!document.isArray()) {
        error = QStringLiteral("the file does not hold a JSON array");
        return false;
    }
    const QJsonArray array = document.array();
    QList<TranscriptItem> decoded;
    decoded.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QJsonValue value = array.at(i);
        auto fail = [&](const QString &what) {
            error = QStringLiteral("record %1: %2").arg(i).arg(what);
            return false;
        };
        if (!value.isObject())
            return fail(QStringLiteral("not a JSON object"));
        const QJsonObject object = value.toObject();
        TranscriptItem item;
        if (!readUuid(object.value(QLatin1StringView("id")), item.id))
            return fail(QStringLiteral("\"id\" is missing or not a UUID"));
        const QJsonValue text = object.value(QLatin1StringView("text"));
        if (!text.isString())
            return fail(QStringLiteral("\"text\" is missing or not a string"));
        item.text = text.toString();
        const QJsonValue timestamp = object.value(QLatin1StringView("timestamp"));
        if (!timestamp.isDouble())
            return fail(QStringLiteral("\"timestamp\" is missing or not a number"));
        const double seconds = timestamp.toDouble();
        if (!std::isfinite(seconds) || std::abs(seconds) > maxAbsoluteSeconds)
            return fail(QStringLiteral("\"timestamp\" is out of range"));
        item.timestamp = fromReferenceSeconds(seconds);
        if (!readOptionalText(object, QLatin1StringView("originalText"), item.originalText))
            return fail(QStringLiteral("\"originalText\" is not a string"));
        if (!readOptionalText(object, QLatin1StringView("modelName"), item.modelName))
            return fail(QStringLiteral("\"modelName\" is not a string"));
        decoded.append(std::move(item));
    }
    items = std::move(decoded);
    return true;
}

} // namespace parlix::historyfile
