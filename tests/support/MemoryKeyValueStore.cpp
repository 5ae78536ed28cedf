#include "MemoryKeyValueStore.h"

namespace parlix::test {

std::optional<QVariant> MemoryKeyValueStore::object(const QString &key) const
{
    const auto it = values.constFind(key);
    if (it == values.constEnd())
        return std::nullopt;
    return *it;
}

void MemoryKeyValueStore::setValue(const QString &key, const QVariant &value)
{
    values.insert(key, value);
    writes.append(QStringLiteral("set ") + key);
}

void MemoryKeyValueStore::remove(const QString &key)
{
    values.remove(key);
    writes.append(QStringLiteral("remove ") + key);
}

} // namespace parlix::test
