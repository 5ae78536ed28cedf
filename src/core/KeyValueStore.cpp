#include "core/KeyValueStore.h"

namespace parlix {

namespace {
bool isNumber(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::LongLong:
    case QMetaType::Float:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

// Text holding a number converts the way a user-defaults store converts it; anything else is 0.
double textAsNumber(const QString &s)
{
    bool ok = false;
    const double d = s.trimmed().toDouble(&ok);
    return ok ? d : 0.0;
}

double asDouble(const std::optional<QVariant> &v)
{
    if (!v)
        return 0.0;
    if (isNumber(*v))
        return v->toDouble();
    if (v->typeId() == QMetaType::QString)
        return textAsNumber(v->toString());
    return 0.0;
}
} // namespace

std::optional<QByteArray> KeyValueStore::data(const QString &key) const
{
    const auto v = object(key);
    if (!v || v->typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return v->toByteArray();
}

std::optional<QString> KeyValueStore::string(const QString &key) const
{
    const auto v = object(key);
    if (!v)
        return std::nullopt;
    if (v->typeId() == QMetaType::QString)
        return v->toString();
    if (v->typeId() == QMetaType::Bool)
        return v->toBool() ? QStringLiteral("1") : QStringLiteral("0");
    if (isNumber(*v))
        return v->toString();
    return std::nullopt;
}

bool KeyValueStore::boolean(const QString &key) const
{
    const auto v = object(key);
    if (!v)
        return false;
    if (v->typeId() == QMetaType::QString) {
        const QString s = v->toString().trimmed().toLower();
        return s == u"yes" || s == u"true" || textAsNumber(s) != 0.0;
    }
    return asDouble(v) != 0.0;
}

qint64 KeyValueStore::integer(const QString &key) const
{
    const auto v = object(key);
    if (v && v->typeId() == QMetaType::LongLong)
        return v->toLongLong();
    return qint64(asDouble(v));
}

float KeyValueStore::floatValue(const QString &key) const
{
    return float(asDouble(object(key)));
}

double KeyValueStore::doubleValue(const QString &key) const
{
    return asDouble(object(key));
}

} // namespace parlix
