#pragma once
// Reads through to another store but keeps its own writes in memory, so a one-off run can
// change settings for itself without touching the user's stored ones.
#include "core/KeyValueStore.h"

#include <QMap>
#include <QSet>

namespace parlix {

class OverlayKeyValueStore final : public KeyValueStore {
public:
    explicit OverlayKeyValueStore(const KeyValueStore &base) : m_base(base) {}

    std::optional<QVariant> object(const QString &key) const override
    {
        if (m_removed.contains(key))
            return std::nullopt;
        const auto it = m_values.constFind(key);
        return it != m_values.constEnd() ? std::optional<QVariant>(*it) : m_base.object(key);
    }
    void setValue(const QString &key, const QVariant &value) override
    {
        m_removed.remove(key);
        m_values.insert(key, value);
    }
    void remove(const QString &key) override
    {
        m_values.remove(key);
        m_removed.insert(key);
    }

private:
    const KeyValueStore &m_base;
    QMap<QString, QVariant> m_values;
    QSet<QString> m_removed;
};

} // namespace parlix
