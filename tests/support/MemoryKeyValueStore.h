#pragma once
// An in-memory key-value store that records every write, for tests.
#include "core/KeyValueStore.h"

#include <QMap>
#include <QStringList>

namespace parlix::test {

class MemoryKeyValueStore : public KeyValueStore {
public:
    std::optional<QVariant> object(const QString &key) const override;
    void setValue(const QString &key, const QVariant &value) override;
    void remove(const QString &key) override;

    QMap<QString, QVariant> values;
    // "set <key>" / "remove <key>" in order.
    QStringList writes;
};

} // namespace parlix::test
