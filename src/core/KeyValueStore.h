#pragma once
// The per-user key-value store the settings live in. Values keep their type (bool, integer,
// float, double, text, data); the typed reads convert between compatible types and answer
// nothing, false or zero for an absent key, so "absent" and "stored zero" can only be told
// apart through object().
#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>

namespace parlix {

class KeyValueStore {
public:
    virtual ~KeyValueStore() = default;

    // The stored value with its type (QMetaType Bool, LongLong, Float, Double, QString or
    // QByteArray), or nothing when the key is absent.
    virtual std::optional<QVariant> object(const QString &key) const = 0;
    // Stores `value`; it must hold one of the six types above.
    virtual void setValue(const QString &key, const QVariant &value) = 0;
    virtual void remove(const QString &key) = 0;

    std::optional<QByteArray> data(const QString &key) const;
    std::optional<QString> string(const QString &key) const;
    bool boolean(const QString &key) const;
    qint64 integer(const QString &key) const;
    float floatValue(const QString &key) const;
    double doubleValue(const QString &key) const;

    void setBool(const QString &key, bool value) { setValue(key, QVariant(value)); }
    void setInteger(const QString &key, qint64 value) { setValue(key, QVariant(qlonglong(value))); }
    void setFloat(const QString &key, float value) { setValue(key, QVariant(value)); }
    void setDouble(const QString &key, double value) { setValue(key, QVariant(value)); }
    void setString(const QString &key, const QString &value) { setValue(key, QVariant(value)); }
    void setData(const QString &key, const QByteArray &value) { setValue(key, QVariant(value)); }
};

} // namespace parlix
