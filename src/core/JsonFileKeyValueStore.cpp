#include "core/JsonFileKeyValueStore.h"

#include "core/Categories.h"
#include "core/Files.h"
#include "core/Log.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <cmath>

namespace parlix {

namespace {
// Tag names of the stored types.
constexpr auto kBool = "bool";
constexpr auto kInt = "int";
constexpr auto kFloat = "float";
constexpr auto kDouble = "double";
constexpr auto kString = "string";
constexpr auto kData = "data";

QJsonObject encode(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Bool: return {{kBool, v.toBool()}};
    case QMetaType::LongLong: return {{kInt, v.toLongLong()}};
    case QMetaType::Float: return {{kFloat, double(v.toFloat())}};
    case QMetaType::Double: return {{kDouble, v.toDouble()}};
    case QMetaType::QString: return {{kString, v.toString()}};
    case QMetaType::QByteArray: return {{kData, QString::fromLatin1(v.toByteArray().toBase64())}};
    default: return {};
    }
}

std::optional<QVariant> decode(const QJsonValue &j)
{
    if (!j.isObject() || j.toObject().size() != 1)
        return std::nullopt;
    const QJsonObject o = j.toObject();
    const QString tag = o.begin().key();
    const QJsonValue v = o.begin().value();
    if (tag == QLatin1String(kBool) && v.isBool())
        return QVariant(v.toBool());
    // A number that the type cannot hold is unreadable, not rounded or overflowed into another
    // value (1.5 read as 0, 1e39 as an infinite float that the next save cannot write).
    if (tag == QLatin1String(kInt) && v.isDouble() && double(v.toInteger()) == v.toDouble())
        return QVariant(qlonglong(v.toInteger()));
    if (tag == QLatin1String(kFloat) && v.isDouble() && std::isfinite(float(v.toDouble())))
        return QVariant(float(v.toDouble()));
    if (tag == QLatin1String(kDouble) && v.isDouble())
        return QVariant(v.toDouble());
    if (tag == QLatin1String(kString) && v.isString())
        return QVariant(v.toString());
    if (tag == QLatin1String(kData) && v.isString())
        return QVariant(QByteArray::fromBase64(v.toString().toLatin1()));
    return std::nullopt;
}

bool isStorable(const QVariant &v)
{
    return !encode(v).isEmpty();
}
} // namespace

JsonFileKeyValueStore::JsonFileKeyValueStore(QString path)
    : m_path(std::move(path))
{
    load();
}

QString JsonFileKeyValueStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/Parlix/settings.json");
}

void JsonFileKeyValueStore::load()
{
    QFile file(m_path);
    if (!file.exists())
        return;
    QString problem;
    if (!file.open(QIODevice::ReadOnly)) {
        problem = file.errorString();
    } else {
        QJsonParseError parseError;
        const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
        file.close();
        if (!doc.isObject()) {
            problem = parseError.error != QJsonParseError::NoError ? parseError.errorString()
                                                                   : QStringLiteral("not a JSON object");
        } else {
            const QJsonObject root = doc.object();
            for (auto it = root.begin(); it != root.end(); ++it) {
                if (const auto value = decode(it.value()))
                    m_values.insert(it.key(), *value);
                else
                    log::error(lcSettings, "Ignoring unreadable setting %s", it.key());
            }
            return;
        }
    }
    const QString aside = files::moveAside(m_path);
    log::error(lcSettings, "Settings file %s is unreadable (%s); moved to %s, using defaults", m_path,
               problem, aside.isEmpty() ? QStringLiteral("(could not move)") : aside);
}

void JsonFileKeyValueStore::save() const
{
    QJsonObject root;
    for (auto it = m_values.begin(); it != m_values.end(); ++it)
        root.insert(it.key(), encode(it.value()));
    QString error;
    if (!files::writeAtomically(m_path, QJsonDocument(root).toJson(QJsonDocument::Indented), &error))
        log::error(lcSettings, "Failed to write settings to %s: %s", m_path, error);
}

std::optional<QVariant> JsonFileKeyValueStore::object(const QString &key) const
{
    const auto it = m_values.constFind(key);
    if (it == m_values.constEnd())
        return std::nullopt;
    return *it;
}

void JsonFileKeyValueStore::setValue(const QString &key, const QVariant &value)
{
    Q_ASSERT(isStorable(value));
    if (!isStorable(value))
        return;
    m_values.insert(key, value);
    save();
}

void JsonFileKeyValueStore::remove(const QString &key)
{
    if (m_values.remove(key) > 0)
        save();
}

} // namespace parlix
